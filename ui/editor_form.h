#pragma once
// The editor lifecycle every form shares: a window of its own, loaded when the
// menu opens it (name lists first, then the first record), `Exit` back to the
// menu that owns it, messages that say which field is wrong, Ctrl+Z /
// Ctrl+Shift+Z outside a text box to undo and redo the form's own saves (in a
// text box they undo the typing), `Table` (Ctrl+T),
// the whole table as a grid, opened on the record shown, and a filter box
// above each record list (Ctrl+F).

#include "model/record_codec.h"
#include "model/table_registry.h"
#include "ui/app_context.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <type_traits>
#include <utility>
#include <vector>

namespace rt {

class FieldBinder;
class StatusLine;
class UsedByList;

class EditorForm : public QWidget, public ContextWindow {
  Q_OBJECT
 public:
  // `menu` is the form `Exit` returns to: "Main" or "Main_2".
  EditorForm(AppContext& context, const QString& formName, const QString& caption, const QString& menu);

  // Form_Load: reads the name lists and shows the first record. False when a
  // list is missing or short; the reason was reported and the form is dropped.
  virtual bool load() = 0;
  // Shows the chosen image again (another one was opened, a change was undone):
  // the record shown, and whatever else the form read from the image, is read
  // anew. Unsaved edits are dropped.
  void reread() override = 0;
  // Another window saved: reads the record shown again. Without unsaved edits
  // this is reread(); a form that can keep its edits over the values read
  // again does, and says which of its edited fields changed underneath.
  virtual void rereadKeepingEdits() {
    if (!hasUnsavedEdits()) reread();
  }
  void rereadWritten(const std::vector<ByteSpan>&) override { rereadKeepingEdits(); }
  // Shows the record that `keys` address in the form's table ({"index": 3},
  // or stage and index), as picking it in the form would. False when the form
  // has no such record.
  virtual bool showRecord(const QVariantMap& keys) {
    Q_UNUSED(keys);
    return false;
  }

  AppContext& context() { return context_; }
  const QString& menu() const { return menu_; }
  // The keys of the record shown ({"index": 3}); empty when none is.
  virtual QVariantMap shownRecord() const { return {}; }
  // Shows the record the form showed when it was last closed in this run.
  void showLastRecord();

  // True while a control differs from what was read or last saved; the
  // window title then carries "*".
  bool hasUnsavedEdits() const;
  // The record shown is about to be left (another row, a reread, Exit, the
  // window closing). With edits asks Save / Discard / Cancel; true when the
  // form may go on: nothing to ask, saved, or discarded.
  bool mayLeaveRecord();
  // The question of mayLeaveRecord without the discard: Save saves (a refused
  // save answers Cancel); Discard leaves the edits for discardEdits, so that a
  // switch of image can ask every window before dropping any edit.
  MessageSink::Unsaved askToKeepEdits();
  void discardEdits() override;
  MessageSink::Unsaved mayLeave(bool) override { return askToKeepEdits(); }
  // Every FieldBinder placed on the form registers itself, so that edits are
  // told apart from what was read.
  void watchFields(FieldBinder* fields);
  void forgetFields(FieldBinder* fields);
  void updateEditedMark();
  const QString& caption() const { return caption_; }
  // The window's title (the menu row's text); "*" follows while edits are unsaved.
  void setCaption(const QString& caption) override;
  // The status line: what the last save wrote, the record shown and its
  // offset, the focused control's field offset and stored bytes.
  void showStatus();
  // A sentence the status line leads with until the next read or save ("changed underneath: ...").
  void setNote(const QString& note) {
    note_ = note;
    showStatus();
  }

 public slots:
  void exitForm();  // Exit_Click
  void undoLast();  // Ctrl+Z: the newest save of this form
  void redoLast();  // Ctrl+Shift+Z: the newest undone save of this form
  void showTable();  // Table, Ctrl+T: the table view, on the record shown
  void focusFilter();  // Ctrl+F: the filter box above the record list

 protected:
  QPushButton* makeButton(const QString& objectName, const QString& caption);
  QLabel* makeLabel(const QString& objectName, const QString& caption);
  QPushButton* exitButton() const { return exit_; }
  // Loads one of the form's name lists, or reports why the form cannot open.
  bool loadList(const NameListSource& list, QStringList* items);
  // Fills combo boxes of `fields` from the lists their fields declare, one list
  // after another in the order of `controls`: each named combo box stands for
  // every combo box whose field declares the same list, and that list is loaded
  // once through loadList. Stops at the first list that fails.
  bool fillCombos(FieldBinder& fields, const QStringList& controls);
  // Reports a failed load, read or save under the form's caption.
  void reportError(const QString& text);
  // Reports a save: a rejected value focuses its control; success is said on
  // the status line (the first byte written), with what the history has to say.
  bool reportSave(const SaveResult& result, const FieldBinder* fields);
  // Saves every edit shown, as the unsaved-edits question's Save does; true
  // when nothing is left unsaved. By default the `Save` button.
  virtual bool saveEdits();
  // File offset of control `control` of `fields` in the record shown; -1 when
  // it has no one place (a view joining several records repeats offsets).
  virtual std::int64_t fieldOffset(const FieldBinder& fields, int control) const;
  // Notes that the values shown were read from the chosen image.
  void noteRead() { readFrom_ = context_.rom().romPath(); }
  // True when a save would go to the image the values shown were read from;
  // otherwise says so and nothing may be saved.
  bool savesWhereRead();
  // File offset of the record shown, or -1 when none is. By default the
  // record `index` of the form's table.
  virtual std::int64_t shownOffset() const;
  // The history's description of a save of one record of this form's table.
  TxInfo saveInfo(const QVariantMap& keys) const { return recordTx(objectName(), objectName(), {keys}); }
  TxInfo saveInfo(int index) const { return saveInfo(QVariantMap{{QStringLiteral("index"), index}}); }

  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void undoOwn(UndoKind kind);
  // A record list asks before another row (or a reread of its row) leaves
  // unsaved edits, and a click on its selected row reads that row again.
  void guardRecordList(QListWidget* list);
  void buttonsLastInTabOrder();
  QString messageTitle() const { return caption_.isEmpty() ? objectName() : caption_; }
  // The "Used by" list, the go-to of reference fields and the warning a save
  // that brings in a new error shows; placed once the form's layout is done.
  void placeLinks();
  // Reads the links of the record shown again when it is another record, or
  // always with `force` (after a save).
  void showLinks(bool force);
  // After a save: the errors of the record shown that were not there before.
  void warnNewProblems();
  QString newErrorsNote() const;  // the status note of the errors a save brought in
  void showNewErrors();

  QString caption_;
  std::vector<FieldBinder*> watched_;
  StatusLine* status_;
  QString saved_;  // what the last save wrote
  QString note_;   // what the user must know about the values shown

  AppContext& context_;
  QString menu_;
  QPushButton* exit_;
  QPushButton* table_;
  bool tablePlaced_ = false;
  QString readFrom_;  // the image the values shown were read from
  std::vector<std::pair<QListWidget*, QLineEdit*>> filters_;  // each record list and the box above it
  UsedByList* usedBy_ = nullptr;
  QWidget* newProblems_ = nullptr;  // the dismissable warning of a save's new errors
  QStringList newErrors_;  // the messages of the errors the last save brought in
  QString errorsNote_;     // the status note of them, as last shown
  QLabel* newProblemsText_ = nullptr;
  QVariantMap checkedKeys_;            // the record recordProblems_ belongs to
  std::vector<Problem> recordProblems_;  // its problems as last read
};

// A factory that builds a form, runs its load, and gives nothing when the load failed.
template <typename Form>
FormFactory formFactory() {
  return [](AppContext& context) -> QWidget* {
    auto* form = new Form(context);
    if (!form->load()) {
      delete form;
      return nullptr;
    }
    if constexpr (std::is_base_of_v<EditorForm, Form>) form->showLastRecord();
    return form;
  };
}

}  // namespace rt
