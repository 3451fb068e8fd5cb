#pragma once
#include "ui/choice_form.h"

namespace rt {
// money: one column of the money table, chosen in `choices`, as 15 levels.
class MoneyForm : public ChoiceForm {
  Q_OBJECT
 public:
  explicit MoneyForm(AppContext& context);
};
}  // namespace rt
