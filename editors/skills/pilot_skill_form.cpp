#include "editors/skills/pilot_skill_form.h"

#include "core/ui/app_context.h"
#include "editors/skills/registry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

PilotSkillForm::PilotSkillForm(AppContext& context)
    : EditorForm(context, pilotSkillPlace().id, pilotSkillPlace().caption, QStringLiteral("Main")),
      pilots_(new QListWidget(this)),
      saveSlotsButton_(makeButton(QStringLiteral("Save"), QStringLiteral("Save Pointer"))),
      saveLevelsButton_(makeButton(QStringLiteral("Save2"), QStringLiteral("Save Value"))),
      fields_(pilotSkillView(), this) {
  pilots_->setObjectName(QStringLiteral("List1"));
  pilots_->setMinimumWidth(160);
  connect(pilots_, &QListWidget::currentRowChanged, this, &PilotSkillForm::showPilotSkills);
  connect(saveSlotsButton_, &QPushButton::clicked, this, &PilotSkillForm::saveSlots);
  connect(saveLevelsButton_, &QPushButton::clicked, this, &PilotSkillForm::saveLevels);

  // One row per slot: its name, the nine level bytes under LV1..LV9, its index under 指針.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  for (int j = 0; j < kSkillLevelsPerRecord; ++j) {
    auto* header = makeLabel(elementName(QStringLiteral("UnicodeLabel1"), 17 + j), QStringLiteral("LV%1").arg(j + 1));
    header->setAlignment(Qt::AlignCenter);
    grid->addWidget(header, 0, 1 + j);
  }
  auto* pointerHeader = makeLabel(elementName(QStringLiteral("UnicodeLabel1"), 13), QStringLiteral("指針"));
  pointerHeader->setAlignment(Qt::AlignCenter);
  grid->addWidget(pointerHeader, 0, 1 + kSkillLevelsPerRecord);
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    auto* name = new QLineEdit(this);
    name->setObjectName(elementName(QStringLiteral("nameP"), s));
    name->setMinimumWidth(90);
    slotNames_.push_back(name);
    grid->addWidget(name, 1 + s, 0);
    for (int j = 0; j < kSkillLevelsPerRecord; ++j) {
      QWidget* box = fields_.widget(elementName(QStringLiteral("Skills"), kSkillLevelsPerRecord * s + j));
      box->setMinimumWidth(44);
      box->setMaximumWidth(56);
      grid->addWidget(box, 1 + s, 1 + j);
    }
    QWidget* ptr = fields_.widget(elementName(QStringLiteral("ptr"), s));
    ptr->setMinimumWidth(64);
    ptr->setMaximumWidth(80);
    grid->addWidget(ptr, 1 + s, 1 + kSkillLevelsPerRecord);
  }

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveSlotsButton_);
  buttons->addWidget(saveLevelsButton_);
  buttons->addStretch();
  buttons->addWidget(exitButton());

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(pilots_, 1);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

bool PilotSkillForm::load() {
  auto pilots = loadNames(context().namesDir(), pilotSkillNames());
  if (!pilots) {
    reportError(QStringLiteral("PSkills cannot open.\n%1").arg(pilots.message()));
    return false;
  }
  pilots_->addItems(*pilots);
  auto slotNames = loadNameList(context().namesDir(), QStringLiteral("name_PSkills.txt"), kPilotSkillSlots);
  if (!slotNames) {
    reportError(QStringLiteral("PSkills cannot open.\n%1").arg(slotNames.message()));
    return false;
  }
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    slotNames_[static_cast<size_t>(s)]->setText((*slotNames)[s]);
    slotNames_[static_cast<size_t>(s)]->setCursorPosition(0);
  }
  pilots_->setCurrentRow(0);  // shows pilot 0
  return true;
}

bool PilotSkillForm::showRecord(const QVariantMap& keys) {
  bool ok = false;
  const int index = keys.value(QStringLiteral("index")).toInt(&ok);
  if (!ok || index < 0 || index >= pilots_->count()) return false;
  pilots_->setCurrentRow(index);
  return true;
}

void PilotSkillForm::showPilotSkills() {
  const int row = pilots_->currentRow();
  if (row < 0) return;
  auto fail = [this](const Status& status) {
    fields_.clear();
    reportError(status.message());
  };
  // The slots, then the level records they select: two sessions, as two reads.
  RecordState state;
  {
    RomSession session(context().rom(), Access::Read);
    if (!session.status()) return fail(session.status());
    state = readSkillSlots(context().rom(), row, &levelRecordOffset_);
    if (Status closed = session.close(); !closed) return fail(closed);
  }
  {
    RomSession session(context().rom(), Access::Read);
    if (!session.status()) return fail(session.status());
    const RecordState levels = readSkillLevels(context().rom(), levelRecordOffset_);
    if (Status closed = session.close(); !closed) return fail(closed);
    state.insert(state.end(), levels.begin(), levels.end());
  }
  fields_.setState(state);
  noteRead();
}

bool PilotSkillForm::finishSave(const std::vector<ByteWrite>& writes) {
  if (!reportSave(applyWrites(context().rom(), writes, saveInfo(pilots_->currentRow())), &fields_)) return false;
  showPilotSkills();
  return true;
}

void PilotSkillForm::saveSlots() {
  const int row = pilots_->currentRow();
  if (row < 0) {
    reportError(QStringLiteral("No pilot is selected; nothing was saved."));
    return;
  }
  if (!savesWhereRead()) return;
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encodeSkillSlots(row, slotPart(fields_.state()), &writes, &error)) {
    // A rejected index: nothing is written and the boxes keep what was typed.
    SaveResult rejected;
    rejected.status = Status::error(error.message);
    rejected.badControl = error.control;
    reportSave(rejected, &fields_);
    return;
  }
  finishSave(writes);
}

void PilotSkillForm::saveLevels() {
  if (pilots_->currentRow() < 0) {
    reportError(QStringLiteral("No pilot is selected; nothing was saved."));
    return;
  }
  if (!savesWhereRead()) return;
  auto size = romFileSize(context().rom());
  if (!size) {
    reportError(size.message());
    return;
  }
  // The records of the last refresh, not the indices now typed in the ptr boxes.
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!encodeSkillLevels(levelRecordOffset_, levelPart(fields_.state()), *size, &writes, &error)) {
    SaveResult rejected;
    rejected.status = Status::error(error.message);
    rejected.badControl = error.control < 0 ? -1 : kPilotSkillSlots + error.control;
    reportSave(rejected, &fields_);
    return;
  }
  finishSave(writes);
}

QVariantMap PilotSkillForm::shownRecord() const {
  if (pilots_->currentRow() < 0) return {};
  return {{QStringLiteral("index"), pilots_->currentRow()}};
}

}  // namespace rt
