#pragma once
// A record editor laid out from its table alone, for a table that has no form
// of its own: `List1` names the records, and every field stands in a grid
// beside its caption (a flag byte as one box per bit, captioned by its bit),
// in the table's order, in columns of at most 12 rows; `Save` and `Exit` below.

#include "model/form_place.h"
#include "ui/record_form.h"

namespace rt {

class FieldGridForm : public RecordForm {
  Q_OBJECT
 public:
  FieldGridForm(AppContext& context, const FormPlace& place, std::shared_ptr<const FixedTable> table);

 protected:
  bool loadLists() override;  // each combo box's list, in the order of the fields
};

}  // namespace rt
