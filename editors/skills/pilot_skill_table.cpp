#include "editors/skills/pilot_skill_table.h"

#include "model/conversions.h"
#include "editors/skills/registry.h"

#include "model/caption.h"

#include <QCoreApplication>

#include <algorithm>

namespace rt {
namespace {

constexpr std::int64_t kPilotBase = layout::kPilotBase;
constexpr std::int64_t kPilotStride = layout::kPilotStride;
constexpr int kPilotCount = layout::kPilotCount;
constexpr std::int64_t kSlotsAt = layout::kPilotSkillSlotsAt;  // the last 28 bytes of a pilot record
constexpr int kLevelBytes = kPilotSkillSlots * kSkillLevelsPerRecord;

RecordState slice(const RecordState& state, size_t from, size_t count) {
  RecordState out;
  for (size_t i = from; i < from + count && i < state.size(); ++i) out.push_back(state[i]);
  return out;
}

}  // namespace

const TableDef& pilotSkillSlotTable() {
  // Built once: every read and save of a pilot uses it.
  static const TableDef table = [] {
    TableDef t{pilotSkillPlace().id, kPilotBase, kPilotStride, kPilotCount, {}};
    for (int s = 0; s < kPilotSkillSlots; ++s)  // 0x4C..0x67: index of the slot's level record
      t.fields.push_back(wordField(elementName(QStringLiteral("ptr"), s), kSlotsAt + 2 * s,
                                   QStringLiteral(QT_TRANSLATE_NOOP("Caption", "指針 ptr(%1)")).arg(s)));
    // Each slot selects a level record, which no table of its own lists.
    for (int s = 0; s < kPilotSkillSlots; ++s)
      t.references.push_back(areaRef(elementName(QStringLiteral("ptr"), s), QStringLiteral("SkillLevel"),
                                     kSkillLevelBase, kSkillLevelsPerRecord, kSkillLevelCount));
    return t;
  }();
  return table;
}

const TableDef& skillLevelTable(int slot) {
  // Built once: every read of a pilot walks all 14.
  static const std::vector<TableDef> tables = [] {
    std::vector<TableDef> out;
    for (int s = 0; s < kPilotSkillSlots; ++s) {
      TableDef t{pilotSkillPlace().id, kSkillLevelBase, kSkillLevelsPerRecord, kSkillLevelCount, {}};
      for (int j = 0; j < kSkillLevelsPerRecord; ++j) {  // byte j = level j + 1
        const int control = kSkillLevelsPerRecord * s + j;
        t.fields.push_back(byteField(elementName(QStringLiteral("Skills"), control), j,
                                     QStringLiteral("LV") + QString::number(j + 1) + QStringLiteral(" Skills(") +
                                         QString::number(control) + u')'));
      }
      out.push_back(std::move(t));
    }
    return out;
  }();
  return tables[static_cast<size_t>(slot)];
}

TableDef pilotSkillView() {
  TableDef t = pilotSkillSlotTable();
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    const TableDef& levels = skillLevelTable(s);
    t.fields.insert(t.fields.end(), levels.fields.begin(), levels.fields.end());
  }
  return t;
}

NameListSource pilotSkillNames() { return {QStringLiteral("Pilots.txt"), kPilotCount}; }

RecordState slotPart(const RecordState& view) { return slice(view, 0, kPilotSkillSlots); }
RecordState levelPart(const RecordState& view) { return slice(view, kPilotSkillSlots, kLevelBytes); }

RecordState readSkillSlots(RomImage& rom, int pilot, LevelOffsets* offsets) {
  const TableDef& table = pilotSkillSlotTable();
  RecordState state;
  state.reserve(kPilotSkillSlots + kLevelBytes);  // the level values follow
  appendFields(rom, table, table.recordOffset(pilot), &state);
  // The indices the boxes now show, taken from the bytes just read (in the window, no system call).
  rom.seek(table.recordOffset(pilot) + kSlotsAt);
  for (int s = 0; s < kPilotSkillSlots; ++s) (*offsets)[static_cast<size_t>(s)] = levelRecordOffset(rom.readU16());
  return state;
}

std::vector<ByteSpan> levelSpans(const LevelOffsets& offsets) {
  std::vector<ByteSpan> spans;
  spans.reserve(offsets.size());
  for (std::int64_t at : offsets) spans.push_back({at, kSkillLevelsPerRecord});
  return spans;
}

void appendSkillLevels(RomImage& rom, const LevelOffsets& offsets, RecordState* state) {
  for (int s = 0; s < kPilotSkillSlots; ++s) appendFields(rom, skillLevelTable(s), offsets[static_cast<size_t>(s)], state);
}

RecordState readSkillLevels(RomImage& rom, const LevelOffsets& offsets) {
  RecordState state;
  state.reserve(kLevelBytes);
  appendSkillLevels(rom, offsets, &state);
  return state;
}

bool encodeSkillSlots(int pilot, const RecordState& slotState, std::vector<ByteWrite>* writes, FieldError* error,
                      LevelOffsets* selected) {
  const TableDef& table = pilotSkillSlotTable();
  std::vector<ByteWrite> out;
  if (!encodeRecord(table, table.recordOffset(pilot), slotState, &out, error)) return false;
  // An index past the level table would select bytes of the table after it.
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    const int index = *parseWord(slotState[static_cast<size_t>(s)].text);
    if (index < kSkillLevelCount) continue;
    const Field& f = table.fields[static_cast<size_t>(s)];
    *error = {s, QCoreApplication::translate("rt::PilotSkillTable", "%1: %2 is past the level table; give a level record from 0 to %3.")
                     .arg(shownCaption(f.caption))
                     .arg(index)
                     .arg(kSkillLevelCount - 1)};
    return false;
  }
  writes->insert(writes->end(), out.begin(), out.end());
  if (selected) {
    for (int s = 0; s < kPilotSkillSlots; ++s)
      (*selected)[static_cast<size_t>(s)] = levelRecordOffset(*parseWord(slotState[static_cast<size_t>(s)].text));
  }
  return true;
}

bool encodeSkillLevels(const LevelOffsets& offsets, const RecordState& levels, std::int64_t fileSize,
                       std::vector<ByteWrite>* writes, FieldError* error) {
  if (levels.size() != static_cast<size_t>(kLevelBytes)) {
    *error = {-1, QStringLiteral("The level values hold %1 bytes; they need %2.").arg(levels.size()).arg(kLevelBytes)};
    return false;
  }
  std::vector<ByteWrite> out;
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    const std::int64_t at = offsets[static_cast<size_t>(s)];
    const int first = kSkillLevelsPerRecord * s;
    if (at + kSkillLevelsPerRecord > fileSize) {
      *error = {first, QCoreApplication::translate("rt::PilotSkillTable", "ptr(%1) selects level record %2 at 0x%3, which lies past the end of the "
                                      "ROM image (%4 bytes). The values of that row cannot be saved: the "
                                      "editor never grows a ROM image.")
                           .arg(s)
                           .arg((at - kSkillLevelBase) / kSkillLevelsPerRecord)
                           .arg(QString::number(at, 16).toUpper())
                           .arg(fileSize)};
      return false;
    }
    FieldError slotError;
    if (!encodeRecord(skillLevelTable(s), at, slice(levels, static_cast<size_t>(first), kSkillLevelsPerRecord), &out,
                      &slotError)) {
      *error = {slotError.control < 0 ? -1 : first + slotError.control, slotError.message};
      return false;
    }
  }
  writes->insert(writes->end(), out.begin(), out.end());
  return true;
}

Result<std::int64_t> romFileSize(RomImage& rom) { return imageSize(rom); }

Result<std::vector<int>> pilotsSelecting(RomImage& rom, int index, int except) {
  return readSession(rom, [&](RomImage& open) {
    const TableDef& table = pilotSkillSlotTable();
    open.prefetch(table.base, table.stride * table.count);
    std::vector<int> pilots;
    for (int p = 0; p < table.count; ++p) {
      if (p == except) continue;
      open.seek(table.recordOffset(p) + kSlotsAt);
      for (int s = 0; s < kPilotSkillSlots; ++s) {
        if (open.readU16() != index) continue;
        pilots.push_back(p);
        break;
      }
    }
    return pilots;
  });
}

// --- PilotSkillTable ----------------------------------------------------------

QString PilotSkillTable::name() const { return pilotSkillPlace().id; }
std::int64_t PilotSkillTable::base() const { return kPilotBase; }

std::int64_t PilotSkillTable::stride() const { return kPilotStride; }
int PilotSkillTable::count() const { return kPilotCount; }

QString PilotSkillTable::note() const {
  return QStringLiteral("ptr(s): u16 at +0x%1+2s of each pilot record; Skills(9s+j): byte j of the level record "
                        "at 0x%2 + %3 * ptr(s)")
      .arg(QString::number(kSlotsAt, 16).toUpper(), QString::number(kSkillLevelBase, 16).toUpper())
      .arg(kSkillLevelsPerRecord);
}

std::vector<ControlRef> PilotSkillTable::controls() const { return controlsOf(pilotSkillView()); }
std::vector<Field> PilotSkillTable::fields() const { return pilotSkillView().fields; }

Result<std::vector<RecordRef>> PilotSkillTable::records(RomImage& rom, const QString& namesDir) const {
  bool byPlace = false;
  auto out = listedRecords(rom, namesDir, &byPlace);
  if (out)
    for (size_t i = 0; i < out->size(); ++i) (*out)[i].keys.insert(QStringLiteral("index"), static_cast<int>(i));
  return out;
}

Result<std::vector<RecordRef>> PilotSkillTable::listedRecords(RomImage&, const QString& namesDir, bool* byPlace) const {
  *byPlace = true;
  auto names = loadNames(namesDir, pilotSkillNames());
  if (!names) return names.status();
  std::vector<RecordRef> out;
  out.reserve(kPilotCount);
  for (int i = 0; i < kPilotCount; ++i) {
    RecordRef r;
    r.name = (*names)[i];
    r.offset = kPilotBase + kPilotStride * i;
    out.push_back(std::move(r));
  }
  return out;
}

Result<RecordRef> PilotSkillTable::resolve(RomImage&, const QVariantMap& keys) const {
  auto index = recordKey(keys, QStringLiteral("index"), kPilotCount);
  if (!index) return index.status();
  RecordRef r;
  r.keys.insert(QStringLiteral("index"), *index);
  r.offset = kPilotBase + kPilotStride * *index;
  return r;
}

namespace {

// One pilot's view inside an open session: the slots, then the level records
// they select, each group of nearby records one positioned read.
RecordState readPilotSkills(RomImage& rom, int pilot) {
  LevelOffsets offsets{};
  RecordState state = readSkillSlots(rom, pilot, &offsets);
  rom.prefetchSpans(levelSpans(offsets));
  appendSkillLevels(rom, offsets, &state);
  return state;
}

}  // namespace

Result<RecordState> PilotSkillTable::read(RomImage& rom, const RecordRef& record) const {
  auto pilot = recordKey(record.keys, QStringLiteral("index"), kPilotCount);
  if (!pilot) return pilot.status();
  return readSession(rom, [&](RomImage& open) { return readPilotSkills(open, *pilot); });
}

std::optional<std::vector<ByteSpan>> PilotSkillTable::readSpans(RomImage& rom, const RecordRef& record) const {
  auto pilot = recordKey(record.keys, QStringLiteral("index"), kPilotCount);
  if (!pilot) return std::nullopt;
  // The pilot's slot words, then the level record each selects.
  auto spans = readSession(rom, [&](RomImage& open) {
    const std::int64_t words = pilotSkillSlotTable().recordOffset(*pilot) + kSlotsAt;
    std::vector<ByteSpan> out{{words, 2 * kPilotSkillSlots}};
    open.seek(words);
    for (int s = 0; s < kPilotSkillSlots; ++s) out.push_back({levelRecordOffset(open.readU16()), kSkillLevelsPerRecord});
    return out;
  });
  if (!spans) return std::nullopt;
  return std::move(*spans);
}

std::int64_t PilotSkillTable::requiredSize() const {
  const TableDef& words = pilotSkillSlotTable();
  return lastRecordEnd(words.base, words.stride, words.count, words.fields);
}

std::vector<const TableDef*> PilotSkillTable::recordParts() const {
  std::vector<const TableDef*> parts{&pilotSkillSlotTable()};
  for (int s = 0; s < kPilotSkillSlots; ++s) parts.push_back(&skillLevelTable(s));
  return parts;
}

void PilotSkillTable::partOffsets(RomImage& open, const RecordRef& record, std::int64_t* at) const {
  // Records come from records() or resolve(): at the pilot's record.
  at[0] = record.offset;
  const std::int64_t words = record.offset + kSlotsAt;
  const std::uint8_t* indices = open.peek(words, 2 * kPilotSkillSlots);
  if (!indices) {
    // The slots of the pilots after this one come with it.
    open.prefetch(words, 64 * kPilotStride);
    indices = open.peek(words, 2 * kPilotSkillSlots);
  }
  if (!indices) {  // past the end of the file: read as 0, one by one
    open.seek(words);
    for (int s = 0; s < kPilotSkillSlots; ++s) at[1 + s] = levelRecordOffset(open.readU16());
    return;
  }
  for (int s = 0; s < kPilotSkillSlots; ++s) at[1 + s] = levelRecordOffset(storedValue(indices + 2 * s, 2));
}

Result<std::vector<RecordState>> PilotSkillTable::readMany(RomImage& rom, const std::vector<RecordRef>& records) const {
  std::vector<int> pilots;
  pilots.reserve(records.size());
  for (const RecordRef& r : records) {
    auto pilot = recordKey(r.keys, QStringLiteral("index"), kPilotCount);
    if (!pilot) return pilot.status();
    pilots.push_back(*pilot);
  }
  // Every pilot's slots, then every level record they select: two sets of
  // runs in one session, a level record shared by many slots read once.
  return readSession(rom, [&](RomImage& open) {
    const TableDef& slotTable = pilotSkillSlotTable();
    std::vector<ByteSpan> slotSpans;
    slotSpans.reserve(pilots.size());
    for (int p : pilots) slotSpans.push_back({slotTable.recordOffset(p) + kSlotsAt, 2 * kPilotSkillSlots});
    open.prefetchSpans(std::move(slotSpans));
    std::vector<RecordState> states;
    std::vector<LevelOffsets> offsets(pilots.size());
    states.reserve(pilots.size());
    std::vector<ByteSpan> records;
    records.reserve(pilots.size() * kPilotSkillSlots + 1);
    // Pilots enough to select most of the level table read it whole, as one
    // span; a slot that points past it keeps its own.
    constexpr std::int64_t kLevelTableBytes = std::int64_t{kSkillLevelCount} * kSkillLevelsPerRecord;
    const bool whole = static_cast<std::int64_t>(pilots.size()) * kLevelBytes >= kLevelTableBytes;
    if (whole) records.push_back({kSkillLevelBase, kLevelTableBytes});
    for (size_t i = 0; i < pilots.size(); ++i) {
      states.push_back(readSkillSlots(open, pilots[i], &offsets[i]));
      for (const ByteSpan& span : levelSpans(offsets[i]))
        if (!whole || span.offset + span.length > kSkillLevelBase + kLevelTableBytes) records.push_back(span);
    }
    open.prefetchSpans(std::move(records));
    for (size_t i = 0; i < pilots.size(); ++i) appendSkillLevels(open, offsets[i], &states[i]);
    return states;
  });
}

Result<RecordState> PilotSkillTable::follow(RomImage& rom, const RecordRef&, const RecordState& state) const {
  // Each row shows the level record its (possibly new) index selects; an index
  // that does not convert is left for encode to reject.
  LevelOffsets offsets{};
  std::vector<bool> valid(kPilotSkillSlots, false);
  for (int s = 0; s < kPilotSkillSlots && s < static_cast<int>(state.size()); ++s) {
    auto index = parseWord(state[static_cast<size_t>(s)].text);
    valid[static_cast<size_t>(s)] = index.isOk();
    offsets[static_cast<size_t>(s)] = levelRecordOffset(index ? *index : 0);
  }
  auto levels = readSession(rom, [&](RomImage& open) {
    open.prefetchSpans(levelSpans(offsets));
    return readSkillLevels(open, offsets);
  });
  if (!levels) return levels.status();
  RecordState out = state;
  for (int s = 0; s < kPilotSkillSlots; ++s) {
    if (!valid[static_cast<size_t>(s)]) continue;
    for (int j = 0; j < kSkillLevelsPerRecord; ++j) {
      const size_t at = static_cast<size_t>(kPilotSkillSlots + kSkillLevelsPerRecord * s + j);
      if (at < out.size()) out[at] = (*levels)[at - kPilotSkillSlots];
    }
  }
  return out;
}

bool PilotSkillTable::encode(RomImage& rom, const RecordRef& record, const RecordState& state,
                             std::vector<ByteWrite>* writes, FieldError* error) const {
  auto pilot = recordKey(record.keys, QStringLiteral("index"), kPilotCount);
  if (!pilot) {
    *error = {-1, pilot.message()};
    return false;
  }
  const size_t expected = static_cast<size_t>(kPilotSkillSlots + kLevelBytes);
  if (state.size() != expected) {
    *error = {-1, QStringLiteral("The record of PSkills has %1 values; it needs %2.").arg(state.size()).arg(expected)};
    return false;
  }
  // "Save Pointer" then "Save Value": the indices first, then the level bytes
  // in the records the new indices select.
  std::vector<ByteWrite> out;
  LevelOffsets selected{};
  if (!encodeSkillSlots(*pilot, slotPart(state), &out, error, &selected)) return false;
  auto size = romFileSize(rom);
  if (!size) {
    *error = {-1, size.message()};
    return false;
  }
  if (!encodeSkillLevels(selected, levelPart(state), *size, &out, error)) {
    if (error->control >= 0) error->control += kPilotSkillSlots;
    return false;
  }
  writes->insert(writes->end(), out.begin(), out.end());
  return true;
}

std::shared_ptr<const TableAdapter> pilotSkillAdapter() {
  static const auto table = std::make_shared<const PilotSkillTable>();
  return table;
}

}  // namespace rt
