#include "editors/skills/pilot_skill_form.h"

#include "core/conversions.h"
#include "core/ui/app_context.h"
#include "editors/skills/registry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

PilotSkillForm::PilotSkillForm(AppContext& context)
    : TableForm(context, pilotSkillPlace().id, pilotSkillPlace().caption, pilotSkillAdapter(), QStringLiteral("Main"),
                SaveKey::None),  // two saves: Ctrl+S would have to guess which
      pilots_(new QListWidget(this)),
      saveLevelsButton_(makeButton(QStringLiteral("Save2"), QStringLiteral("Save Value"))) {
  saveButton()->setText(QStringLiteral("Save Pointer"));
  pilots_->setObjectName(QStringLiteral("List1"));
  pilots_->setMinimumWidth(160);
  connect(pilots_, &QListWidget::currentRowChanged, this, &PilotSkillForm::showPilotSkills);
  connect(saveLevelsButton_, &QPushButton::clicked, this, &PilotSkillForm::saveLevels);
  focusFirst({pilots_, saveButton(), saveLevelsButton_});

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
      QWidget* box = fields().widget(elementName(QStringLiteral("Skills"), kSkillLevelsPerRecord * s + j));
      box->setMinimumWidth(44);
      box->setMaximumWidth(56);
      grid->addWidget(box, 1 + s, 1 + j);
    }
    QWidget* ptr = fields().widget(elementName(QStringLiteral("ptr"), s));
    ptr->setMinimumWidth(64);
    ptr->setMaximumWidth(80);
    grid->addWidget(ptr, 1 + s, 1 + kSkillLevelsPerRecord);
  }

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  buttons->addWidget(saveLevelsButton_);
  buttons->addStretch();
  buttons->addWidget(exitButton());

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(pilots_, 1);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  resize(sizeHint());  // the boxes at their natural width; a larger window widens the list
}

bool PilotSkillForm::load() {
  QStringList pilots, slotNames;
  if (!loadList(pilotSkillNames(), &pilots) || !loadList({QStringLiteral("name_PSkills.txt"), kPilotSkillSlots}, &slotNames))
    return false;
  pilots_->addItems(pilots);
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    slotNames_[static_cast<size_t>(s)]->setText(slotNames[s]);
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

bool PilotSkillForm::selectedPilot(RecordRef* record) {
  const int row = pilots_->currentRow();
  if (row < 0) {
    reportError(QStringLiteral("No pilot is selected; nothing was saved."));
    return false;
  }
  auto ref = table().resolve(context().rom(), QVariantMap{{QStringLiteral("index"), row}});
  if (!ref) {
    reportError(ref.message());
    return false;
  }
  *record = *ref;
  return true;
}

void PilotSkillForm::showPilotSkills() {
  const int row = pilots_->currentRow();
  if (row < 0) return;
  auto record = table().resolve(context().rom(), QVariantMap{{QStringLiteral("index"), row}});
  if (!record || !showRecord(*record)) return;
  // The slots and the level records they select came in one read; "Save Value"
  // writes to the records the slots selected then.
  const RecordState& shown = shownState();
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    auto index = parseWord(shown[static_cast<size_t>(s)].text);  // just read from a u16: it converts
    levelRecordOffset_[static_cast<size_t>(s)] = levelRecordOffset(index ? *index : 0);
  }
}

void PilotSkillForm::saveSlots() {
  RecordRef pilot;
  if (!selectedPilot(&pilot)) return;
  const int index = pilot.keys.value(QStringLiteral("index")).toInt();
  const RecordState slotValues = slotPart(fields().state());
  // A rejected index writes nothing and the boxes keep what was typed.
  if (saveShownPart(pilot.keys, [&](std::vector<ByteWrite>* writes, FieldError* error) {
        return encodeSkillSlots(index, slotValues, writes, error);
      }))
    showPilotSkills();
}

void PilotSkillForm::saveLevels() {
  RecordRef pilot;
  if (!selectedPilot(&pilot)) return;
  const RecordState levels = levelPart(fields().state());
  // The records of the last refresh, not the indices now typed in the ptr boxes.
  const LevelOffsets offsets = levelRecordOffset_;
  if (saveShownPart(pilot.keys, [&](std::vector<ByteWrite>* writes, FieldError* error) {
        auto size = romFileSize(context().rom());
        if (!size) {
          *error = {-1, size.message()};
          return false;
        }
        if (encodeSkillLevels(offsets, levels, *size, writes, error)) return true;
        if (error->control >= 0) error->control += kPilotSkillSlots;  // Skills(0) follows the 14 ptr boxes
        return false;
      }))
    showPilotSkills();
}

QVariantMap PilotSkillForm::shownRecord() const {
  if (pilots_->currentRow() < 0) return {};
  return {{QStringLiteral("index"), pilots_->currentRow()}};
}

}  // namespace rt
