#pragma once
#include "ui/record_form.h"

namespace rt {
// UnitSP: the 14 special-ability bytes of a unit, one frame of 8 boxes per byte.
class UnitAbilityForm : public RecordForm {
  Q_OBJECT
 public:
  explicit UnitAbilityForm(AppContext& context);
};

// The frame number (1..14) that holds ability byte b (0 = USpA .. 13 = USpN).
int abilityFrameNumber(int b);
}  // namespace rt
