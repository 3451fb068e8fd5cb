#pragma once
// Stage deployments. A table of 65 signed 32-bit offsets at 0xA22400 gives,
// counted from the table itself, where each stage's list begins. A list is a
// run of 56-byte deployment records that ends at the first record whose first
// word is 0x7FFF; lists have no count of their own.
//
// Deployment record: a leader half (bytes 0..27) and a partner half (28..55)
// of the same shape; pilot and unit codes are shown in hexadecimal.

#include "model/table_registry.h"
#include "editors/layout.h"

#include <climits>
#include <vector>

namespace rt {

namespace stage_layout {
inline constexpr std::int64_t kOffsetTable = layout::kStageOffsetTable;
inline constexpr int kStageCount = layout::kStageCount;
inline constexpr std::int64_t kRecordSize = layout::kDeploymentStride;
inline constexpr int kEndMarker = layout::kDeploymentEndMarker;
inline constexpr int kNoCode = 0xFFFF;  // no pilot or unit
inline constexpr int kPilotNames = layout::kPilotCount;
inline constexpr int kUnitNames = layout::kUnitCount;
}  // namespace stage_layout

TableDef deploymentTable();
// Converts and checks a deployment record like encodeRecord, and refuses 7FFF as
// the leader's pilot code: that word ends a stage's list, so the record and every
// record after it would drop out of the list and out of reach.
bool encodeDeployment(std::int64_t recordOffset, const RecordState& state, std::vector<ByteWrite>* writes,
                      FieldError* error);
NameListSource stageNameList();       // "Map.txt"
NameListSource mapPilotNameList();    // "Mpilots.txt"
NameListSource mapUnitNameList();     // "MUnits.txt"

// The 65 stage offsets, read in one session.
Result<std::vector<std::int32_t>> readStageOffsets(RomImage& rom);

// One stage's list as the file holds it.
struct StageList {
  std::int64_t start = -1;  // file offset of record 0; -1 when the stage offset points outside the file
  std::vector<int> leaderCodes;  // one per record, in file order
  bool endMarker = false;  // false: the list ran into the end of the file
  std::int64_t recordOffset(int row) const { return start + stage_layout::kRecordSize * row; }
};
// Walks a stage's list inside an open session. Stops at the end marker or at
// the end of the file, whichever comes first; a record cut short by the end of
// the file is not part of the list. With `upTo`, stops after that many records
// (enough to know a record is in the list).
StageList scanStage(RomImage& rom, std::int32_t stageOffset, int upTo = INT_MAX);
// Why a stage shows no list when its offset points outside the file.
QString stageOutsideMessage(int stage, std::int32_t stageOffset, std::int64_t fileSize);

// The name of a code: empty for FFFF and for a code past the name list.
QString codeName(const QStringList& names, int code);

class DeploymentTable;
// The one deployment table the command line and the form share.
const std::shared_ptr<const DeploymentTable>& deployments();

// The command line's view: records addressed by stage and position in the list.
class DeploymentTable : public TableAdapter {
 public:
  QString name() const override { return def_.id; }
  std::int64_t base() const override { return stage_layout::kOffsetTable; }
  std::int64_t stride() const override { return stage_layout::kRecordSize; }
  int count() const override { return stage_layout::kStageCount; }
  QString note() const override;
  std::vector<ControlRef> controls() const override { return controlsOf(def_); }
  std::vector<Field> fields() const override { return def_.fields; }
  std::vector<Reference> references() const override { return def_.references; }
  NameListSource recordNames() const override { return stageNameList(); }
  std::vector<const TableDef*> recordParts() const override { return {&def_}; }
  // Each stage's records up to the next stage's list: a list without its end
  // marker does not run on into the records of the stages after it.
  std::vector<RecordRef> checkedRecords(RomImage& open) const override;
  // A stage list that starts outside the file or inside another table, or has
  // no end marker before the next stage's list.
  void layoutProblems(RomImage& open, const TableAt& tableAt, std::vector<Problem>* out) const override;
  QStringList keyNames() const override { return {QStringLiteral("stage"), QStringLiteral("index")}; }
  // The stage offset table; the lists it points to are checked as they are read.
  std::int64_t requiredSize() const override { return stage_layout::kOffsetTable + 4 * stage_layout::kStageCount; }
  // Stage lists hold a few records each; a record is addressed once.
  int maxRecords() const override { return stage_layout::kStageCount * 256; }

  Result<std::vector<RecordRef>> records(RomImage& rom, const QString& namesDir) const override;
  Result<RecordRef> resolve(RomImage& rom, const QVariantMap& keys) const override;
  Result<RecordState> read(RomImage& rom, const RecordRef& record) const override;
  Result<std::vector<RecordState>> readMany(RomImage& rom, const std::vector<RecordRef>& records) const override;
  // The stage's offset, the list up to the record and the record, in one session.
  Result<FetchedRecord> fetch(RomImage& rom, const QVariantMap& keys) const override;
  // The records of stage `stage`, whose list starts `stageOffset` bytes from
  // the offset table (as readStageOffsets gave it), addressed as resolve would
  // and named by their leader's pilot code; the list is scanned in one session.
  // Fails with stageOutsideMessage when the list would start outside the file.
  Result<std::vector<RecordRef>> stageRecords(RomImage& rom, int stage, std::int32_t stageOffset) const;
  bool encode(RomImage& rom, const RecordRef& record, const RecordState& state, std::vector<ByteWrite>* writes,
              FieldError* error) const override;

 private:
  TableDef def_ = deploymentTable();
};

}  // namespace rt
