#include "model/caption.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace rt {

QString shownCaption(const QString& caption) {
  if (caption.isEmpty()) return caption;
  const QByteArray source = caption.toUtf8();
  const QString whole = QCoreApplication::translate(kCaptionContext, source.constData());
  if (whole != caption) return whole;
  // Captions of an array of fields carry the element's number.
  static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+|[A-Z])(\\D*)$"));
  const QRegularExpressionMatch m = numbered.match(caption);
  if (!m.hasMatch()) return whole;
  const QByteArray pattern = (m.captured(1) + QStringLiteral("%1") + m.captured(3)).toUtf8();
  const QString shown = QCoreApplication::translate(kCaptionContext, pattern.constData());
  return shown.toUtf8() == pattern ? whole : shown.arg(m.captured(2));
}

}  // namespace rt
