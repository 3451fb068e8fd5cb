#include "ui/choice_form.h"

#include <QSignalBlocker>

#include <utility>

namespace rt {

ChoiceForm::ChoiceForm(AppContext& context, const QString& formName, const QString& caption, TableDef table,
                       NameListSource choiceNames, const QString& menu)
    : TableForm(context, formName, caption, std::move(table), menu), choiceNames_(std::move(choiceNames)) {
  if (!choiceNames_.file.isEmpty()) {
    choices_ = new QComboBox(this);
    choices_->setObjectName(QStringLiteral("choices"));
    choices_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(choices_, &QComboBox::currentIndexChanged, this, &ChoiceForm::choiceChanged);
    connect(choices_, &QComboBox::activated, this, &ChoiceForm::choicePicked);
  }
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

bool ChoiceForm::showRecord(const QVariantMap& keys) {
  bool ok = false;
  const int index = keys.value(QStringLiteral("index"), 0).toInt(&ok);
  if (!ok || index < 0 || index >= (choices_ ? choices_->count() : 1)) return false;
  if (choices_) choices_->setCurrentIndex(index);
  changedByPick_ = false;  // no pick is under way
  return true;
}

int ChoiceForm::selectedRecord() const { return choices_ ? choices_->currentIndex() : 0; }

QVariantMap ChoiceForm::shownRecord() const {
  if (selectedRecord() < 0) return {};
  return {{QStringLiteral("index"), selectedRecord()}};
}

void ChoiceForm::readSelected() {
  shown_ = selectedRecord();
  readRecordAt(shown_);
}

void ChoiceForm::choiceChanged(int row) {
  if (row == shown_) return;
  {
    const QSignalBlocker quiet(choices_);
    choices_->setCurrentIndex(shown_);
  }
  if (!mayLeaveRecord()) return;
  {
    const QSignalBlocker quiet(choices_);
    choices_->setCurrentIndex(row);
  }
  readSelected();
  changedByPick_ = true;
}

void ChoiceForm::choicePicked(int row) {
  if (std::exchange(changedByPick_, false)) return;
  if (row == shown_ && mayLeaveRecord()) readSelected();
}

void ChoiceForm::saveSelected() {
  saveRecordAt(selectedRecord(), ChoiceForm::tr("No row of the list is selected; nothing was saved."));
}

}  // namespace rt
