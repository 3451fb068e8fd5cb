#include "model/caption.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace rt {

namespace {

QString translated(const QString& text) {
  const QByteArray source = text.toUtf8();
  return QCoreApplication::translate(kCaptionContext, source.constData());
}

}  // namespace

QString shownCaption(const QString& caption) {
  if (caption.isEmpty()) return caption;
  const QString whole = translated(caption);
  if (whole != caption) return whole;
  // A grid cell's caption joins its row's and its column's ("等級1 / 回避").
  static const QString joint = QStringLiteral(" / ");
  if (caption.contains(joint)) {
    QStringList parts = caption.split(joint);
    for (QString& part : parts) part = shownCaption(part);
    return parts.join(joint);
  }
  // Captions of an array of fields carry the element's number or letter,
  // through a declared pattern ("精神 %1")...
  static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+|[A-Z])(\\D*)$"));
  if (const QRegularExpressionMatch m = numbered.match(caption); m.hasMatch()) {
    const QString pattern = m.captured(1) + QStringLiteral("%1") + m.captured(3);
    const QString shown = translated(pattern);
    if (shown != pattern) return shown.arg(m.captured(2));
  }
  // ...or after a caption of their own ("小機體圖像 2", a flag byte's bit 3).
  static const QRegularExpression following(QStringLiteral("^(.*\\S) (\\d+)$"));
  if (const QRegularExpressionMatch m = following.match(caption); m.hasMatch()) {
    const QString shown = translated(m.captured(1));
    if (shown != m.captured(1)) return shown + u' ' + m.captured(2);
  }
  return whole;
}

}  // namespace rt
