#pragma once
#include "ui/record_form.h"
#include "editors/economy/price_table.h"

namespace rt {
// Parts and Parts_2: a list of records and the selling price of the selected one.
class PriceForm : public RecordForm {
  Q_OBJECT
 public:
  PriceForm(AppContext& context, const PriceTable& prices);
};
}  // namespace rt
