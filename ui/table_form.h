#pragma once
// What the record editors share beyond the lifecycle: one widget per control of
// their table, a `Save` button (and Ctrl+S), and the one way a form reads and
// saves a record, the command line's: a RecordRef from the table, the table's
// read, the table's encode and one transaction. Subclasses decide how the
// record is chosen (a list, a combo box, nothing, a pointer of another table).

#include "model/table_registry.h"
#include "ui/editor_form.h"
#include "ui/field_binder.h"

#include <functional>
#include <memory>
#include <optional>

namespace rt {

class TableForm : public EditorForm {
  Q_OBJECT
 public:
  // Whether Ctrl+S saves (saveEdits). A form with two saves (two halves of
  // a record) decides in saveEdits what the key saves.
  enum class SaveKey { CtrlS, None };

  // A form of the records at base + stride * index of `table`.
  TableForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
            const QString& menu);
  // A form of any table; its controls are the table's.
  TableForm(AppContext& context, const QString& formName, const QString& caption,
            std::shared_ptr<const TableAdapter> table, const QString& menu, SaveKey key = SaveKey::CtrlS);

 public:
  // Another window saved: the record shown is read again; edits stay, over
  // the values read again, and an edited field whose value changed is named
  // on the status line ("changed underneath: HP 5000 (saved elsewhere)").
  void rereadKeepingEdits() override;

 protected:
  const TableAdapter& table() const { return *table_; }
  QPushButton* saveButton() const { return save_; }
  FieldBinder& fields() { return fields_; }

  // The one read: shows the record `record` addresses. A failed read clears
  // the controls and says why; false then.
  bool showRecord(const RecordRef& record);
  // The values the last successful showRecord read, as read (the controls may
  // have been edited since).
  const RecordState& shownState() const { return shown_; }
  // The one save: the fields edited in the window into `record` through the
  // table, one transaction, only over the values the window read (saveEdits);
  // fields saved elsewhere since are named and the user chooses Overwrite,
  // Reload or Cancel. A rejected value writes nothing, is named and gets the
  // focus (reportSave); true when saved.
  bool saveShown(const RecordRef& record) { return saveShown(record, false); }
  // A save of part of a record: the writes `encode` makes of the values shown
  // (a FieldError's control counts among all the form's controls), described
  // for the history as a save of the record `keys` address.
  using PartEncoder = std::function<bool(std::vector<ByteWrite>* writes, FieldError* error)>;
  bool saveShownPart(const QVariantMap& keys, const PartEncoder& encode) { return saveShownPart(saveInfo(keys), encode); }
  // The same, described for the history as `info` says.
  // The part is written only when no field edited in the window was saved elsewhere since it was read (asked as saveShown asks).
  bool saveShownPart(const TxInfo& info, const PartEncoder& encode) { return saveShownPart(info, encode, false); }

  // Puts `widgets` (what chooses the record: lists, a second save button) at
  // the front of the Tab order, after `Exit` and before `Save` and the fields,
  // in the order given: the order of a form that makes them first.
  void focusFirst(const QList<QWidget*>& widgets);

  // Record `index` of the table, addressed as the command line addresses it.
  void readRecordAt(int index);
  // Saves the controls into record `index`; with no record (-1) says `noneMessage`.
  void saveRecordAt(int index, const QString& noneMessage);

 private:
  virtual void saveSelected() = 0;  // Save_Click
  bool saveShown(const RecordRef& record, bool overwrite);
  bool saveShownPart(const TxInfo& info, const PartEncoder& encode, bool overwrite);
  // Asks what to do about edited fields saved elsewhere (`now`: the record as
  // the image holds it); Overwrite runs `overwrite`, Reload shows the image's
  // values in those fields. True only when `overwrite` saved.
  bool settleStale(const std::vector<StaleControl>& stale, const RecordState& now, const std::function<bool()>& overwrite);
  // "HP", and a control's value as the form shows it.
  QString controlCaption(int control) const;
  QString controlValue(int control, const ControlValue& value) const;
  std::optional<RecordRef> shownRef_;  // the record the last successful showRecord read
  std::shared_ptr<const TableAdapter> table_;
  QPushButton* save_;
  FieldBinder fields_;
  RecordState shown_;
};

}  // namespace rt
