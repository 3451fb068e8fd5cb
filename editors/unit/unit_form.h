#pragma once
#include "ui/record_form.h"

namespace rt {
// Unit: a unit's statistics, terrain ranks, upgrades, weapons and movement types.
class UnitForm : public RecordForm {
  Q_OBJECT
 public:
  explicit UnitForm(AppContext& context);

 protected:
  bool loadLists() override;
};
}  // namespace rt
