#pragma once
// A one-line status text that never widens its window: a text longer than the
// room it has is cut with "..." where it ends; the tool tip holds all of it.

#include <QLabel>

namespace rt {

class StatusLine : public QLabel {
  Q_OBJECT
 public:
  explicit StatusLine(QWidget* parent = nullptr);
  void setText(const QString& text);
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace rt
