#pragma once
// What the record editors share beyond the lifecycle: one widget per control of
// their table, a `Save` button (and Ctrl+S), and the read and save of record i.
// Subclasses decide how the record is chosen (a list, a combo box, nothing).

#include "core/table_registry.h"
#include "core/ui/editor_form.h"
#include "core/ui/field_binder.h"

namespace rt {

class TableForm : public EditorForm {
  Q_OBJECT
 public:
  TableForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
            const QString& menu);

 protected:
  QPushButton* saveButton() const { return save_; }
  FieldBinder& fields() { return fields_; }
  // Reads record `index` into the controls; a failed read clears them and says why.
  void readRecordAt(int index);
  // Saves the controls into record `index`; with no record (-1) says `noneMessage`.
  void saveRecordAt(int index, const QString& noneMessage);

 private:
  virtual void saveSelected() = 0;  // Save_Click
  QPushButton* save_;
  FieldBinder fields_;
};

}  // namespace rt
