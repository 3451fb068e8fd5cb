#pragma once
#include "ui/record_form.h"

#include <QPushButton>

namespace rt {
// Unit_Pic: the eleven picture numbers of a unit, with Copy and Paste of a
// whole record from one unit onto another.
class UnitPictureForm : public RecordForm {
  Q_OBJECT
 public:
  explicit UnitPictureForm(AppContext& context);

 public slots:
  void copySelected();   // Copy_Click
  void pasteSelected();  // Plaste_Click

 private:
  QPushButton* paste_ = nullptr;  // unavailable until something was copied
};
}  // namespace rt
