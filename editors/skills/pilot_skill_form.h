#pragma once
#include "ui/table_form.h"
#include "editors/skills/pilot_skill_table.h"

#include <QLineEdit>
#include <QListWidget>

#include <vector>

namespace rt {
// PSkills: the 14 skill slots of a pilot and the level records they select.
// "Save Pointer" stores the indices, "Save Value" the level bytes (asking
// first when other pilots share an edited level record); each rereads both
// halves afterwards. Ctrl+S saves whichever half is edited, the values first.
class PilotSkillForm : public TableForm {
  Q_OBJECT
 public:
  explicit PilotSkillForm(AppContext& context);
  bool load() override;
  void reread() override { showPilotSkills(); }
  using TableForm::showRecord;  // the read of a record reference, beside the look-up by keys below
  bool showRecord(const QVariantMap& keys) override;  // pilot `index` in List1
  QVariantMap shownRecord() const override;  // the pilot shown

  // Where "Save Value" writes: the level records of the last refresh.
  const LevelOffsets& levelRecordOffsets() const { return levelRecordOffset_; }

 public slots:
  void showPilotSkills();  // List1_Click, and after each save
  void saveSlots();        // Save_Click ("Save Pointer")
  void saveLevels() { saveLevelValues(true); }  // Save2_Click ("Save Value")

 protected:
  bool saveEdits() override;
  std::int64_t fieldOffset(const FieldBinder& fields, int control) const override;

 private:
  void saveSelected() override { saveSlots(); }
  // Saves the level bytes into the records of the last refresh; with
  // `reread`, both halves are read again afterwards. False when nothing was saved.
  bool saveLevelValues(bool reread);
  bool slotsEdited();
  // The slots whose level values differ from what was read.
  std::vector<int> editedLevelSlots();
  // The selected pilot as the table addresses it; false (and said why) when none is.
  bool selectedPilot(RecordRef* record);

  QListWidget* pilots_;
  QPushButton* saveLevelsButton_;
  std::vector<QLineEdit*> slotNames_;  // slot names; shown only, never stored
  LevelOffsets levelRecordOffset_{};
};
}  // namespace rt
