#pragma once
// A record editor without a record list. The combo box `choices` names the
// records: selecting a row reads that record, `Save` writes the record of the
// row selected at the moment of saving. A table of one fixed record needs no
// selector at all: the form then has no `choices` and reads the record when it
// opens. Subclasses only place the widgets.

#include "ui/table_form.h"

#include <QComboBox>

namespace rt {

class ChoiceForm : public TableForm {
  Q_OBJECT
 public:
  // With an empty `choiceNames.file` the form edits record 0 and has no `choices`.
  ChoiceForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
             NameListSource choiceNames, const QString& menu = QStringLiteral("Main"));

  // Fills `choices` and shows its first record, or reads the one record.
  bool load() override;
  void reread() override { readSelected(); }
  bool showRecord(const QVariantMap& keys) override;  // row `index` of `choices`
  QVariantMap shownRecord() const override;

 protected:
  QComboBox* choices() const { return choices_; }  // nullptr for a one-record form
  // The record shown: the selected row of `choices`, 0 without it, -1 when no row is selected.
  int selectedRecord() const;

 public slots:
  void readSelected();  // choices_Click; also what a refresh does
  void saveSelected() override;  // Save_Click

 private:
  // Another row was chosen: with unsaved edits the row shown stays selected
  // while the user answers, so that Save writes the record they belong to.
  void choiceChanged(int row);
  // A row was picked from the list, perhaps the one shown: it is read again.
  void choicePicked(int row);

  NameListSource choiceNames_;
  QComboBox* choices_ = nullptr;
  int shown_ = -1;  // the row whose record the controls show
  bool changedByPick_ = false;  // the pick under way changed the row, which is read already
};

}  // namespace rt
