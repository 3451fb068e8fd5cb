#pragma once
#include "ui/record_form.h"

namespace rt {
// character: the morale changes of each pilot personality.
class PersonalityForm : public RecordForm {
  Q_OBJECT
 public:
  explicit PersonalityForm(AppContext& context);
};
}  // namespace rt
