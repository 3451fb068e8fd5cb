#include "ui/status_line.h"

#include <QPainter>
#include <QStyle>

namespace rt {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextInteractionFlags(Qt::NoTextInteraction);  // painted here, cut to fit
}

void StatusLine::setText(const QString& text) {
  QLabel::setText(text);
  setToolTip(text);
  update();
}

QSize StatusLine::minimumSizeHint() const { return {0, fontMetrics().height()}; }
QSize StatusLine::sizeHint() const { return {0, fontMetrics().height()}; }

void StatusLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect room = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
  style()->drawItemText(&painter, room, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown, foregroundRole());
}

}  // namespace rt
