#include "app/links.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rt {
namespace {

const QString kStage = QStringLiteral("stage");
const QString kIndex = QStringLiteral("index");

// The record's keys as JSON members: "stage" first where there is one, then "index".
void putKeys(QJsonObject* o, const QVariantMap& keys) {
  if (keys.contains(kStage)) o->insert(kStage, keys.value(kStage).toInt());
  if (keys.contains(kIndex)) o->insert(kIndex, keys.value(kIndex).toInt());
  else o->insert(kIndex, QJsonValue::Null);
}

QJsonArray linkArray(const std::vector<Link>& links) {
  QJsonArray out;
  for (const Link& l : links) {
    QJsonObject o;
    o.insert(QStringLiteral("field"), l.field);
    o.insert(QStringLiteral("table"), l.table);
    putKeys(&o, l.keys);
    out.append(o);
  }
  return out;
}

}  // namespace

Result<QVariantMap> parseRecordKey(const TableAdapter* table, const QString& key) {
  const bool staged = table && table->keyNames().contains(kStage);
  const QStringList parts = key.split(QLatin1Char('/'));
  bool ok = true;
  QVariantMap keys;
  if (staged && parts.size() == 2) {
    bool a = false, b = false;
    keys.insert(kStage, parts[0].toInt(&a));
    keys.insert(kIndex, parts[1].toInt(&b));
    ok = a && b;
  } else if (!staged && parts.size() == 1) {
    keys.insert(kIndex, key.toInt(&ok));
  } else {
    ok = false;
  }
  if (!ok)
    return Result<QVariantMap>::failure(staged ? QStringLiteral("\"%1\" is not a record of %2: give STAGE/INDEX, such as 3/0.")
                                                     .arg(key, table->name())
                                               : QStringLiteral("\"%1\" is not a record index.").arg(key));
  return keys;
}

QByteArray linksToJson(const QString& table, const QVariantMap& keys, const RecordLinks& links) {
  QJsonObject o;
  o.insert(QStringLiteral("table"), table);
  putKeys(&o, keys);
  o.insert(QStringLiteral("refers_to"), linkArray(links.refersTo));
  o.insert(QStringLiteral("used_by"), linkArray(links.usedBy));
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QString linksToText(const QString& table, const QVariantMap& keys, const RecordLinks& links) {
  QString out = linkRecordText(table, keys) + QLatin1Char('\n');
  auto list = [&](const char* heading, const std::vector<Link>& items) {
    out += QLatin1String(heading);
    if (items.empty()) out += QStringLiteral(" nothing");
    out += QLatin1Char('\n');
    for (const Link& l : items) out += QStringLiteral("  %1  %2\n").arg(linkRecordText(l.table, l.keys), -16).arg(l.field);
  };
  list("refers to:", links.refersTo);
  list("used by:", links.usedBy);
  return out;
}

QByteArray problemsToJson(const std::vector<Problem>& problems) {
  QJsonArray list;
  for (const Problem& p : problems) {
    QJsonObject o;
    o.insert(QStringLiteral("table"), p.table);
    putKeys(&o, p.keys);
    o.insert(QStringLiteral("field"), p.field);
    o.insert(QStringLiteral("rule"), p.rule);
    o.insert(QStringLiteral("severity"), severityText(p.severity));
    o.insert(QStringLiteral("message"), p.message);
    list.append(o);
  }
  return QJsonDocument(QJsonObject{{QStringLiteral("problems"), list}}).toJson(QJsonDocument::Indented);
}

QString problemsToText(const std::vector<Problem>& problems) {
  QString out;
  int errors = 0;
  for (const Problem& p : problems) {
    if (p.severity == Severity::Error) ++errors;
    out += QStringLiteral("%1  %2  %3  %4  %5\n")
               .arg(severityText(p.severity), -7)
               .arg(linkRecordText(p.table, p.keys), -12)
               .arg(p.field, -14)
               .arg(p.rule, -18)
               .arg(p.message);
  }
  const int warnings = static_cast<int>(problems.size()) - errors;
  if (problems.empty()) return QStringLiteral("No problems.\n");
  out += QStringLiteral("%1 error%2, %3 warning%4.\n")
             .arg(errors)
             .arg(errors == 1 ? "" : "s")
             .arg(warnings)
             .arg(warnings == 1 ? "" : "s");
  return out;
}

}  // namespace rt
