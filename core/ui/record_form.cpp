#include "core/ui/record_form.h"

#include <QShortcut>

namespace rt {

RecordForm::RecordForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                       NameListSource recordNames, const QString& menu)
    : EditorForm(context, formName, caption, menu),
      recordNames_(std::move(recordNames)),
      list1_(new QListWidget(this)),
      save_(makeButton(QStringLiteral("Save"), QStringLiteral("Save"))),
      fields_(table, this) {
  list1_->setObjectName(QStringLiteral("List1"));
  connect(list1_, &QListWidget::currentRowChanged, this, &RecordForm::readSelected);
  connect(save_, &QPushButton::clicked, this, &RecordForm::saveSelected);
  auto* shortcut = new QShortcut(QKeySequence::Save, this);
  connect(shortcut, &QShortcut::activated, this, &RecordForm::saveSelected);
}

bool RecordForm::load() {
  QStringList names;
  if (!loadList(recordNames_, &names)) return false;
  list1_->addItems(names);
  if (!loadLists()) return false;
  list1_->setCurrentRow(0);  // reads record 0
  return true;
}

void RecordForm::readSelected() {
  const int row = list1_->currentRow();
  if (row < 0) return;
  auto state = readRecord(context().rom(), fields_.table(), fields_.table().recordOffset(row));
  if (!state) {
    fields_.clear();
    reportError(state.message());
    return;
  }
  fields_.setState(*state);
}

void RecordForm::saveSelected() {
  const int row = list1_->currentRow();
  if (row < 0) {
    reportError(QStringLiteral("No record is selected; nothing was saved."));
    return;
  }
  reportSave(writeRecord(context().rom(), fields_.table(), fields_.table().recordOffset(row), fields_.state()),
             &fields_);
}

}  // namespace rt
