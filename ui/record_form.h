#pragma once
// The common shape of a record editor: `List1` names the records, selecting a
// row reads that record, `Save` writes the record of the selected row.
// A form adds its own name lists (loadLists) and places the widgets.

#include "ui/table_form.h"

#include <QListWidget>

namespace rt {

class RecordForm : public TableForm {
  Q_OBJECT
 public:
  RecordForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
             NameListSource recordNames, const QString& menu = QStringLiteral("Main"));
  // A form of `table`, whose name list names the records.
  RecordForm(AppContext& context, const QString& formName, const QString& caption,
             std::shared_ptr<const FixedTable> table, const QString& menu = QStringLiteral("Main"));

  bool load() override;
  void reread() override { readSelected(); }
  bool showRecord(const QVariantMap& keys) override;  // row `index` of List1
  QVariantMap shownRecord() const override;

 protected:
  // Fills combo boxes and captions from the form's other lists, after List1.
  virtual bool loadLists() { return true; }

  QListWidget* recordList() const { return records_; }

 public slots:
  void readSelected();  // List1_Click
  void saveSelected() override;  // Save_Click

 private:
  NameListSource recordNames_;
  QListWidget* records_;
};

}  // namespace rt
