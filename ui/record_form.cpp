#include "ui/record_form.h"

namespace rt {

RecordForm::RecordForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                       NameListSource recordNames, const QString& menu)
    : TableForm(context, formName, caption, std::move(table), menu),
      recordNames_(std::move(recordNames)),
      records_(new QListWidget(this)) {
  records_->setObjectName(QStringLiteral("List1"));
  connect(records_, &QListWidget::currentRowChanged, this, &RecordForm::readSelected);
}

RecordForm::RecordForm(AppContext& context, const QString& formName, const QString& caption,
                       std::shared_ptr<const FixedTable> table, const QString& menu)
    : TableForm(context, formName, caption, table, menu),
      recordNames_(table->names()),
      records_(new QListWidget(this)) {
  records_->setObjectName(QStringLiteral("List1"));
  connect(records_, &QListWidget::currentRowChanged, this, &RecordForm::readSelected);
}

bool RecordForm::load() {
  QStringList names;
  if (!loadList(recordNames_, &names)) return false;
  records_->addItems(names);
  if (!loadLists()) return false;
  records_->setCurrentRow(0);  // reads record 0
  return true;
}

bool RecordForm::showRecord(const QVariantMap& keys) {
  bool ok = false;
  const int index = keys.value(QStringLiteral("index")).toInt(&ok);
  if (!ok || index < 0 || index >= records_->count()) return false;
  records_->setCurrentRow(index);
  return true;
}

QVariantMap RecordForm::shownRecord() const {
  if (records_->currentRow() < 0) return {};
  return {{QStringLiteral("index"), records_->currentRow()}};
}

void RecordForm::readSelected() { readRecordAt(records_->currentRow()); }

void RecordForm::saveSelected() {
  saveRecordAt(records_->currentRow(), RecordForm::tr("No record is selected; nothing was saved."));
}

}  // namespace rt
