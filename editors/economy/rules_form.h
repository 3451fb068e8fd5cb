#pragma once
#include "ui/choice_form.h"

namespace rt {
// Rules: the weapon attack limit and the experience gain limit.
class RulesForm : public ChoiceForm {
  Q_OBJECT
 public:
  explicit RulesForm(AppContext& context);
};
}  // namespace rt
