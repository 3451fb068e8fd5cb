#include "editors/skills/pilot_skill_form.h"

#include "model/conversions.h"
#include "ui/app_context.h"
#include "editors/skills/registry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace rt {

PilotSkillForm::PilotSkillForm(AppContext& context)
    : TableForm(context, pilotSkillPlace().id, pilotSkillPlace().caption, pilotSkillAdapter(), QStringLiteral("Main")),
      pilots_(new QListWidget(this)),
      saveLevelsButton_(makeButton(QStringLiteral("Save2"), PilotSkillForm::tr("Save &Value"))) {
  saveButton()->setText(PilotSkillForm::tr("Save &Pointer"));
  saveButton()->setToolTip(PilotSkillForm::tr("Store the 14 indices (Ctrl+S saves whichever half is edited)"));
  saveLevelsButton_->setToolTip(PilotSkillForm::tr("Store the level values in the records the indices selected when read"));
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
  auto* pointerHeader = makeLabel(elementName(QStringLiteral("UnicodeLabel1"), 13), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "指針")));
  pointerHeader->setAlignment(Qt::AlignCenter);
  grid->addWidget(pointerHeader, 0, 1 + kSkillLevelsPerRecord);
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    auto* name = new QLineEdit(this);
    name->setObjectName(elementName(QStringLiteral("nameP"), s));
    name->setReadOnly(true);  // the slot's name: shown only, never stored
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
    reportError(PilotSkillForm::tr("No pilot is selected; nothing was saved."));
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

namespace {

// "pilot 3", "pilots 3 and 7", "pilots 3, 7, 12 and 14 more".
QString pilotsText(const std::vector<int>& pilots) {
  QStringList shown;
  for (size_t k = 0; k < pilots.size() && k < 3; ++k) shown << QString::number(pilots[k]);
  if (pilots.size() == 1) return PilotSkillForm::tr("pilot ") + shown.front();
  const QString last = pilots.size() > 3 ? PilotSkillForm::tr("%1 more").arg(pilots.size() - 3) : shown.takeLast();
  return PilotSkillForm::tr("pilots %1 and %2").arg(shown.join(QStringLiteral(", ")), last);
}

}  // namespace

bool PilotSkillForm::slotsEdited() { return slotPart(fields().state()) != slotPart(shownState()); }

std::vector<int> PilotSkillForm::editedLevelSlots() {
  const RecordState now = fields().state();
  const RecordState& read = shownState();
  std::vector<int> edited;
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    for (int j = 0; j < kSkillLevelsPerRecord; ++j) {
      const size_t at = static_cast<size_t>(kPilotSkillSlots + kSkillLevelsPerRecord * s + j);
      if (at < now.size() && at < read.size() && now[at] == read[at]) continue;
      edited.push_back(s);
      break;
    }
  }
  return edited;
}

bool PilotSkillForm::saveEdits() {
  // The values go to the records the indices selected when read, so they are
  // stored before the indices change.
  const bool levels = !editedLevelSlots().empty();
  const bool indices = slotsEdited();
  if (levels && !saveLevelValues(!indices)) return false;
  if (indices || !levels) saveSlots();
  return !hasUnsavedEdits();
}

bool PilotSkillForm::saveLevelValues(bool reread) {
  RecordRef pilot;
  if (!selectedPilot(&pilot)) return false;
  const int index = pilot.keys.value(QStringLiteral("index")).toInt();
  const RecordState levels = levelPart(fields().state());
  // The records of the last refresh, not the indices now typed in the ptr boxes.
  const LevelOffsets offsets = levelRecordOffset_;
  // Each edited level record, named in the history; a record other pilots
  // select changes their skills too, which the user hears of first.
  QList<QVariantMap> records;
  std::vector<int> shared, others;
  for (int s : editedLevelSlots()) {
    const int level = static_cast<int>((offsets[static_cast<size_t>(s)] - kSkillLevelBase) / kSkillLevelsPerRecord);
    const QVariantMap keys{{QStringLiteral("index"), index}, {QStringLiteral("level"), level}};
    if (records.contains(keys)) continue;
    records << keys;
    auto pilots = pilotsSelecting(context().rom(), level, index);
    if (!pilots) {
      reportError(pilots.message());
      return false;
    }
    if (!pilots->empty()) shared.push_back(level);
    others.insert(others.end(), pilots->begin(), pilots->end());
  }
  std::sort(others.begin(), others.end());
  others.erase(std::unique(others.begin(), others.end()), others.end());
  if (!others.empty()) {
    QStringList levelsText;
    for (int level : shared) levelsText << QString::number(level);
    const QString question =
        (shared.size() == 1
             ? PilotSkillForm::tr("Level record %1 is shared: saving it also changes %2.\n\nSave the values?")
             : PilotSkillForm::tr("Level records %1 are shared: saving them also changes %2.\n\nSave the values?"))
            .arg(levelsText.join(QStringLiteral(", ")), pilotsText(others));
    if (!context().messages().ask(this, caption(), question)) return false;
  }
  if (records.isEmpty()) records << pilot.keys;
  const bool saved = saveShownPart(recordTx(objectName(), objectName(), records),
                                   [&](std::vector<ByteWrite>* writes, FieldError* error) {
                                     auto size = romFileSize(context().rom());
                                     if (!size) {
                                       *error = {-1, size.message()};
                                       return false;
                                     }
                                     if (encodeSkillLevels(offsets, levels, *size, writes, error)) return true;
                                     if (error->control >= 0)
                                       error->control += kPilotSkillSlots;  // Skills(0) follows the 14 ptr boxes
                                     return false;
                                   });
  if (saved && reread) showPilotSkills();
  return saved;
}

std::int64_t PilotSkillForm::fieldOffset(const FieldBinder& binder, int control) const {
  // The indices lie in the pilot record; the level values in the records the
  // indices selected when read.
  if (control < kPilotSkillSlots) {
    const std::int64_t at = shownOffset();
    return at < 0 ? -1 : at + binder.table().fields[static_cast<size_t>(control)].offset;
  }
  const int level = control - kPilotSkillSlots;
  if (pilots_->currentRow() < 0 || level >= kPilotSkillSlots * kSkillLevelsPerRecord) return -1;
  return levelRecordOffset_[static_cast<size_t>(level / kSkillLevelsPerRecord)] + level % kSkillLevelsPerRecord;
}

QVariantMap PilotSkillForm::shownRecord() const {
  if (pilots_->currentRow() < 0) return {};
  return {{QStringLiteral("index"), pilots_->currentRow()}};
}

}  // namespace rt
