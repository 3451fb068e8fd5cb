#include "core/ui/record_form.h"

namespace rt {

RecordForm::RecordForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                       NameListSource recordNames, const QString& menu)
    : TableForm(context, formName, caption, std::move(table), menu),
      recordNames_(std::move(recordNames)),
      list1_(new QListWidget(this)) {
  list1_->setObjectName(QStringLiteral("List1"));
  connect(list1_, &QListWidget::currentRowChanged, this, &RecordForm::readSelected);
}

bool RecordForm::load() {
  QStringList names;
  if (!loadList(recordNames_, &names)) return false;
  list1_->addItems(names);
  if (!loadLists()) return false;
  list1_->setCurrentRow(0);  // reads record 0
  return true;
}

void RecordForm::readSelected() { readRecordAt(list1_->currentRow()); }

void RecordForm::saveSelected() {
  saveRecordAt(list1_->currentRow(), QStringLiteral("No record is selected; nothing was saved."));
}

}  // namespace rt
