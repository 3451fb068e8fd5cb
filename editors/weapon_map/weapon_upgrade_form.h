#pragma once
// EWeapon: the 15 per-level values of one weapon upgrade step type, chosen in
// `choices` (no record list).

#include "ui/choice_form.h"

namespace rt {

class WeaponUpgradeForm : public ChoiceForm {
  Q_OBJECT
 public:
  explicit WeaponUpgradeForm(AppContext& context);
};

}  // namespace rt
