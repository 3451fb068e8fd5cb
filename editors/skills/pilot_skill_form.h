#pragma once
#include "core/ui/editor_form.h"
#include "core/ui/field_binder.h"
#include "editors/skills/pilot_skill_table.h"

#include <QLineEdit>
#include <QListWidget>

#include <vector>

namespace rt {
// PSkills: the 14 skill slots of a pilot and the level records they select.
// "Save Pointer" stores the indices, "Save Value" the level bytes; each
// rereads both halves afterwards.
class PilotSkillForm : public EditorForm {
  Q_OBJECT
 public:
  explicit PilotSkillForm(AppContext& context);
  bool load() override;
  void reread() override { showPilotSkills(); }
  bool showRecord(const QVariantMap& keys) override;  // pilot `index` in List1
  QVariantMap shownRecord() const override;  // the pilot shown

  // Where "Save Value" writes: the level records of the last refresh.
  const LevelOffsets& levelRecordOffsets() const { return levelRecordOffset_; }

 public slots:
  void showPilotSkills();  // List1_Click, and after each save
  void saveSlots();        // Save_Click ("Save Pointer")
  void saveLevels();       // Save2_Click ("Save Value")

 private:
  bool finishSave(const std::vector<ByteWrite>& writes);

  QListWidget* pilots_;
  QPushButton* saveSlotsButton_;
  QPushButton* saveLevelsButton_;
  std::vector<QLineEdit*> slotNames_;  // slot names; shown only, never stored
  FieldBinder fields_;              // ptr(0..13), then Skills(0..125)
  LevelOffsets levelRecordOffset_{};
};
}  // namespace rt
