#include "model/references.h"

namespace rt {

Reference codeRef(QString field, QString target, int count, QList<int> none, int first) {
  Reference r;
  r.field = std::move(field);
  r.target = std::move(target);
  r.count = count;
  r.none = std::move(none);
  r.first = first;
  return r;
}

Reference rangeRef(QString firstField, QString countField, QString target, int count) {
  Reference r;
  r.kind = Reference::Range;
  r.field = std::move(firstField);
  r.countField = std::move(countField);
  r.target = std::move(target);
  r.count = count;
  return r;
}

Reference areaRef(QString field, QString target, std::int64_t base, std::int64_t stride, int count) {
  Reference r = codeRef(std::move(field), std::move(target), count);
  r.areaBase = base;
  r.areaStride = stride;
  return r;
}

QString severityText(Severity severity) {
  return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

}  // namespace rt
