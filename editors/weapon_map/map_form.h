#pragma once
// MAP: pick a stage in List1, one of its deployment records (by leader pilot
// code) in List2, edit the record in place.

#include "ui/table_form.h"

#include <QLineEdit>
#include <QListWidget>
#include <QStringList>

#include <vector>

namespace rt {

class MapForm : public TableForm {
  Q_OBJECT
 public:
  explicit MapForm(AppContext& context);
  bool load() override;  // Form_Load: name lists, then the stage offsets
  void reread() override;  // the stage offsets, the stage's records and the record again
  using TableForm::showRecord;  // the read of a record reference, beside the look-up by keys below
  bool showRecord(const QVariantMap& keys) override;  // stage in List1, index in List2
  QVariantMap shownRecord() const override;  // stage and index of the record shown
  std::int64_t shownOffset() const override {
    const RecordRef* record = selectedRecord();
    return record ? record->offset : -1;
  }

 public slots:
  void listStageRecords();  // List1_Click
  void readDeployment();    // List2_Click
  void writeDeployment();   // Save_Click

 private:
  void saveSelected() override { writeDeployment(); }
  QLineEdit* makeNameBox(const QString& name);
  // The record selected in List2, or null when none is.
  const RecordRef* selectedRecord() const;
  void showNames();

  QListWidget* stages_;
  QListWidget* deployments_;
  QLineEdit* leaderPilotName_;
  QLineEdit* leaderUnitName_;
  QLineEdit* partnerPilotName_;
  QLineEdit* partnerUnitName_;
  std::vector<std::int32_t> stageOffsets_;  // as read when the form opened (or the image was read again)
  std::vector<RecordRef> stageRecords_;     // the records listed in List2, as the deployment table addressed them
  QStringList pilotNames_;
  QStringList unitNames_;
};

}  // namespace rt
