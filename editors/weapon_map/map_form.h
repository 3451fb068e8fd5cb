#pragma once
// MAP: pick a stage in List1, one of its deployment records (by leader pilot
// code) in List2, edit the record in place.

#include "core/table_registry.h"
#include "core/ui/editor_form.h"
#include "core/ui/field_binder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QStringList>

#include <vector>

namespace rt {

class MapForm : public EditorForm {
  Q_OBJECT
 public:
  explicit MapForm(AppContext& context);
  bool load() override;  // Form_Load: name lists, then the stage offsets
  void reread() override;  // the stage offsets, the stage's records and the record again
  bool showRecord(const QVariantMap& keys) override;  // stage in List1, index in List2
  QVariantMap shownRecord() const override;  // stage and index of the record shown
  std::int64_t shownOffset() const override { return selectedRecordOffset(); }

 public slots:
  void listStageRecords();  // List1_Click
  void readDeployment();    // List2_Click
  void writeDeployment();   // Save_Click

 private:
  QLineEdit* makeNameBox(const QString& name);
  // File offset of the selected record, or -1 when none is selected.
  std::int64_t selectedRecordOffset() const;
  void showNames();

  QListWidget* stages_;
  QListWidget* deployments_;
  QPushButton* save_;
  FieldBinder fields_;
  QLineEdit* leaderPilotName_;
  QLineEdit* leaderUnitName_;
  QLineEdit* partnerPilotName_;
  QLineEdit* partnerUnitName_;
  std::vector<std::int32_t> stageOffsets_;
  std::int64_t listStart_ = -1;  // file offset of record 0 of the stage in List2
  QStringList pilotNames_;
  QStringList unitNames_;
};

}  // namespace rt
