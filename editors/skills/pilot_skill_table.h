#pragma once
// Pilot skills, reached through one level of indirection. Each pilot record
// ends in 14 skill slots (u16 each, record offsets 0x4C..0x67); a slot holds the
// index of a 9-byte level record (one byte per level LV1..LV9) at
// 0x77498 + 9 * index. The level table holds 560 records; an index past it
// would reach into the unit pictures and is refused. Level records are shared:
// every slot holding the same index shows and changes the same nine bytes.

#include "model/table_registry.h"
#include "editors/layout.h"

#include <array>

namespace rt {

inline constexpr int kPilotSkillSlots = layout::kPilotSkillSlots;
inline constexpr int kSkillLevelsPerRecord = layout::kSkillLevelsPerRecord;
inline constexpr std::int64_t kSkillLevelBase = layout::kSkillLevelBase;
inline constexpr int kSkillLevelCount = layout::kSkillLevelCount;

// The level record each slot selects; element s = slot s.
using LevelOffsets = std::array<std::int64_t, kPilotSkillSlots>;

inline std::int64_t levelRecordOffset(int index) { return kSkillLevelBase + kSkillLevelsPerRecord * std::int64_t{index}; }

// The slots as a table of the pilot records: ptr(s), a u16 at 0x4C + 2s.
const TableDef& pilotSkillSlotTable();
// The nine bytes of the level record of slot s: Skills(9s + j) at offset j.
const TableDef& skillLevelTable(int slot);  // slot 0..13
// Every control of one pilot's skills in form order, ptr(0..13) then
// Skills(0..125). It only names and types the controls: the slot fields lie in
// the pilot record, the level fields in the level record their slot selects.
TableDef pilotSkillView();
NameListSource pilotSkillNames();  // "Pilots.txt", row i = pilot i

// The two halves of a record state of pilotSkillView().
RecordState slotPart(const RecordState& view);
RecordState levelPart(const RecordState& view);

// Reads inside an open session: the slot indices of pilot `pilot` (and the level
// record each selects), and the level records at `offsets`, slot 0 first
// (prefetchSpans of levelSpans(offsets) first makes them one read).
RecordState readSkillSlots(RomImage& rom, int pilot, LevelOffsets* offsets);
RecordState readSkillLevels(RomImage& rom, const LevelOffsets& offsets);
std::vector<ByteSpan> levelSpans(const LevelOffsets& offsets);

// Converts and checks the 14 slot indices of pilot `pilot` (each 0..559, a
// record of the level table); `selected` gets the level records they select.
// FieldError::control counts from ptr(0).
bool encodeSkillSlots(int pilot, const RecordState& slotState, std::vector<ByteWrite>* writes, FieldError* error,
                      LevelOffsets* selected = nullptr);
// Converts and checks the 126 level bytes, to be written slot 0 first (where two
// slots share a record the higher slot's values land last and stay). A record
// that does not lie wholly inside a file of `fileSize` bytes is refused: the
// image never grows. FieldError::control counts from Skills(0).
bool encodeSkillLevels(const LevelOffsets& offsets, const RecordState& levels, std::int64_t fileSize,
                       std::vector<ByteWrite>* writes, FieldError* error);

// The pilots (other than `except`) whose slots select level record `index`,
// read in a session of their own, lowest first.
Result<std::vector<int>> pilotsSelecting(RomImage& rom, int index, int except);

// The size of the image at rom.romPath(), in a read session of its own.
Result<std::int64_t> romFileSize(RomImage& rom);

// PSkills on the command line: one record per pilot, the slot indices and the
// level bytes they select. Importing a record stores its indices, then its level
// bytes in the records those indices select.
class PilotSkillTable : public TableAdapter {
 public:
  QString name() const override;
  std::int64_t base() const override;
  std::int64_t stride() const override;
  int count() const override;
  QString note() const override;
  std::vector<ControlRef> controls() const override;
  std::vector<Field> fields() const override;
  std::vector<Reference> references() const override { return pilotSkillSlotTable().references; }
  NameListSource recordNames() const override { return pilotSkillNames(); }
  Result<std::vector<RecordRef>> records(RomImage& rom, const QString& namesDir) const override;
  Result<std::vector<RecordRef>> listedRecords(RomImage& rom, const QString& namesDir, bool* byPlace) const override;
  Result<RecordRef> resolve(RomImage& rom, const QVariantMap& keys) const override;
  Result<RecordState> read(RomImage& rom, const RecordRef& record) const override;
  Result<std::vector<RecordState>> readMany(RomImage& rom, const std::vector<RecordRef>& records) const override;
  Result<RecordState> follow(RomImage& rom, const RecordRef& record, const RecordState& state) const override;
  std::optional<std::vector<ByteSpan>> readSpans(RomImage& rom, const RecordRef& record) const override;
  // The pilot table up to the last pilot's slot words (the level fields'
  // offsets are the level records', not the pilot's): found without building
  // the view, which a comparison of two images otherwise does for nothing else.
  std::int64_t requiredSize() const override;
  // The pilot's slot words, then the level record each slot selects.
  std::vector<const TableDef*> recordParts() const override;
  void partOffsets(RomImage& open, const RecordRef& record, std::int64_t* at) const override;
  bool encode(RomImage& rom, const RecordRef& record, const RecordState& state, std::vector<ByteWrite>* writes,
              FieldError* error) const override;
};

}  // namespace rt
