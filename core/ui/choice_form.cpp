#include "core/ui/choice_form.h"

#include <QShortcut>
#include <QSignalBlocker>

namespace rt {

ChoiceForm::ChoiceForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                       NameListSource choiceNames, const QString& menu)
    : EditorForm(context, formName, caption, menu),
      choiceNames_(std::move(choiceNames)),
      save_(makeButton(QStringLiteral("Save"), QStringLiteral("Save"))),
      fields_(table, this) {
  if (!choiceNames_.file.isEmpty()) {
    choices_ = new QComboBox(this);
    choices_->setObjectName(QStringLiteral("choices"));
    choices_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(choices_, &QComboBox::currentIndexChanged, this, &ChoiceForm::readSelected);
  }
  connect(save_, &QPushButton::clicked, this, &ChoiceForm::saveSelected);
  auto* shortcut = new QShortcut(QKeySequence::Save, this);
  connect(shortcut, &QShortcut::activated, this, &ChoiceForm::saveSelected);
}

bool ChoiceForm::load() {
  if (choices_) {
    QStringList names;
    if (!loadList(choiceNames_, &names)) return false;
    // Filling an empty combo box selects its first row on its own; hold the
    // signal back so the first record is read once, below.
    const QSignalBlocker quiet(choices_);
    choices_->addItems(names);
    choices_->setCurrentIndex(0);
  }
  readSelected();
  return true;
}

int ChoiceForm::selectedRecord() const { return choices_ ? choices_->currentIndex() : 0; }

void ChoiceForm::readSelected() {
  const int record = selectedRecord();
  if (record < 0) return;
  auto state = readRecord(context().rom(), fields_.table(), fields_.table().recordOffset(record));
  if (!state) {
    fields_.clear();
    reportError(state.message());
    return;
  }
  fields_.setState(*state);
}

void ChoiceForm::saveSelected() {
  const int record = selectedRecord();
  if (record < 0) {
    reportError(QStringLiteral("No row of the list is selected; nothing was saved."));
    return;
  }
  reportSave(writeRecord(context().rom(), fields_.table(), fields_.table().recordOffset(record), fields_.state()),
             &fields_);
}

}  // namespace rt
