#pragma once
#include "ui/record_form.h"

namespace rt {
// SPEdit: the SP each spirit command consumes.
class SpiritCostForm : public RecordForm {
  Q_OBJECT
 public:
  explicit SpiritCostForm(AppContext& context);
};
}  // namespace rt
