#pragma once
// A caption standing beside a check box (its own label control, as the forms
// name their captions separately); clicking the caption toggles the box, as
// clicking the text of a plain check box would.
#include <QCheckBox>
#include "model/caption.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

namespace rt {

class CheckCaption : public QLabel {
 public:
  CheckCaption(const QString& objectName, const QString& caption, QCheckBox* box, QWidget* parent)
      : QLabel(shownCaption(caption), parent), box_(box) {
    setObjectName(objectName);
    setBuddy(box);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && box_ && box_->isEnabled() && rect().contains(event->position().toPoint()))
      box_->toggle();
    QLabel::mouseReleaseEvent(event);
  }

 private:
  QPointer<QCheckBox> box_;
};

}  // namespace rt
