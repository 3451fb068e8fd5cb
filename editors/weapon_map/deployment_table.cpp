#include "editors/weapon_map/deployment_table.h"

#include "editors/weapon_map/registry.h"

#include "model/caption.h"
#include "model/conversions.h"

#include <QCoreApplication>

#include <algorithm>

namespace rt {

using namespace stage_layout;

namespace {

// fetch reads the list up to a record in one go for the first this many records.
constexpr int kPrefetchRecords = 64;

// A part byte of 255 is "none" (row 0); a skill byte of 255 is "none" (row 22).
const ComboRule kPartRule{ComboRule::NoneByte, 0, 0xFF};
const ComboRule kSkillRule{ComboRule::NoneByte, 22, 0xFF};
const NameListSource kSides{QStringLiteral("tene.txt"), 6};
const NameListSource kParts{QStringLiteral("parts.txt"), 48};
const NameListSource kSkills{QStringLiteral("skills.txt"), 23};

}  // namespace

TableDef deploymentTable() {
  TableDef t{mapPlace().id, kOffsetTable, kRecordSize, kStageCount, {}};
  t.fields = {
      // Leader half.
      hexWordField(QStringLiteral("pilot_code"), 0x00, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "隊長機師代碼"))),
      hexWordField(QStringLiteral("unit_code"), 0x02, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "隊長機體代碼"))),
      // 0x04..0x05: not edited
      byteField(QStringLiteral("MUlv"), 0x06, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "機體改造段數"))),
      byteField(QStringLiteral("MWlv"), 0x07, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器改造段數"))),
      byteField(QStringLiteral("MX"), 0x08, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "X座標"))),
      byteField(QStringLiteral("MY"), 0x09, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "Y座標"))),
      // 0x0A..0x0B: not edited
      byteField(QStringLiteral("Morder"), 0x0C, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "登場順序"))),
      byteField(QStringLiteral("Mlv"), 0x0D, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "補正等級"))),
      byteField(QStringLiteral("Maction"), 0x0E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "行動時間"))),
      // 0x0F..0x11: not edited
      comboField(QStringLiteral("Mene"), 0x12, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "敵我判定")), kSides),  // side
      // 0x13..0x17: not edited
      comboField(QStringLiteral("Mparts(0)"), 0x18, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "強化配件")), kParts, kPartRule),
      comboField(QStringLiteral("Mparts(1)"), 0x19, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "強化配件")), kParts, kPartRule),
      comboField(QStringLiteral("MSkills(0)"), 0x1A, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技能配件")), kSkills, kSkillRule),
      comboField(QStringLiteral("MSkills(1)"), 0x1B, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技能配件")), kSkills, kSkillRule),
      // Partner half: the leader half's layout, 28 bytes on.
      hexWordField(QStringLiteral("pilot_code_2"), 0x1C, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "隊友機師代碼"))),
      hexWordField(QStringLiteral("unit_code_2"), 0x1E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "隊友機體代碼"))),
      // 0x20..0x21: not edited
      byteField(QStringLiteral("Ulv"), 0x22, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "機體改造段數"))),
      byteField(QStringLiteral("Wlv"), 0x23, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器改造段數"))),
      byteField(QStringLiteral("X"), 0x24, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "X座標"))),
      byteField(QStringLiteral("Y"), 0x25, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "Y座標"))),
      // 0x26..0x27: not edited
      byteField(QStringLiteral("order"), 0x28, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "登場順序"))),
      byteField(QStringLiteral("lv"), 0x29, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "補正等級"))),
      byteField(QStringLiteral("action"), 0x2A, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "行動時間"))),
      // 0x2B..0x2D: not edited
      comboField(QStringLiteral("ene"), 0x2E, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "敵我判定")), kSides),
      // 0x2F..0x33: not edited
      comboField(QStringLiteral("minor_part(0)"), 0x34, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "強化配件")), kParts, kPartRule),
      comboField(QStringLiteral("minor_part(1)"), 0x35, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "強化配件")), kParts, kPartRule),
      comboField(QStringLiteral("minor_skill(0)"), 0x36, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技能配件")), kSkills, kSkillRule),
      comboField(QStringLiteral("minor_skill(1)"), 0x37, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "技能配件")), kSkills, kSkillRule),
  };
  // Pilot and unit codes of both halves, FFFF for none. A part byte is a row of
  // "parts.txt", whose row 0 names no part: byte n is part record n - 1. A
  // skill byte is a skill item record.
  for (const char* pilot : {"pilot_code", "pilot_code_2"})
    t.references.push_back(codeRef(QLatin1String(pilot), QStringLiteral("Pilot"), kPilotNames, {kNoCode}));
  for (const char* unit : {"unit_code", "unit_code_2"})
    t.references.push_back(codeRef(QLatin1String(unit), QStringLiteral("Unit"), kUnitNames, {kNoCode}));
  for (const char* part : {"Mparts(0)", "Mparts(1)", "minor_part(0)", "minor_part(1)"})
    t.references.push_back(codeRef(QLatin1String(part), QStringLiteral("Parts"), layout::kPartCount, {0, 0xFF}, 1));
  for (const char* skill : {"MSkills(0)", "MSkills(1)", "minor_skill(0)", "minor_skill(1)"})
    t.references.push_back(codeRef(QLatin1String(skill), QStringLiteral("Parts_2"), layout::kSkillItemCount, {0xFF}));
  return t;
}

NameListSource stageNameList() { return {QStringLiteral("Map.txt"), kStageCount}; }
NameListSource mapPilotNameList() { return {QStringLiteral("Mpilots.txt"), kPilotNames}; }
NameListSource mapUnitNameList() { return {QStringLiteral("MUnits.txt"), kUnitNames}; }

namespace {

// The offset table, inside a session that is already open.
std::vector<std::int32_t> readOffsetTable(RomImage& rom) {
  rom.prefetch(kOffsetTable, 4 * kStageCount);
  rom.seek(kOffsetTable);
  std::vector<std::int32_t> offsets;
  offsets.reserve(kStageCount);
  for (int s = 0; s < kStageCount; ++s) offsets.push_back(rom.readU32());
  return offsets;
}

// The records of a scanned list, addressed by stage and position; `prefix`
// goes before the leader code in their names.
void appendListed(int stage, const StageList& list, const QString& prefix, std::vector<RecordRef>* out) {
  for (int r = 0; r < static_cast<int>(list.leaderCodes.size()); ++r) {
    RecordRef ref;
    ref.keys.insert(QStringLiteral("stage"), stage);
    ref.keys.insert(QStringLiteral("index"), r);
    ref.name = prefix + hexText(list.leaderCodes[static_cast<size_t>(r)]);
    ref.offset = list.recordOffset(r);
    out->push_back(std::move(ref));
  }
}

}  // namespace

Result<std::vector<std::int32_t>> readStageOffsets(RomImage& rom) { return readSession(rom, readOffsetTable); }

StageList scanStage(RomImage& rom, std::int32_t stageOffset, int upTo) {
  StageList list;
  const std::int64_t size = rom.fileSize();
  const std::int64_t start = kOffsetTable + stageOffset;
  if (start < 0 || start >= size) return list;
  list.start = start;
  // The image reads 4 KiB from the first byte it does not hold yet: a list of
  // a few records is one read, lists that follow each other share reads, and a
  // list without an end marker is read on to the end of the file 4 KiB at a time.
  for (std::int64_t at = start; at + 2 <= size; at += kRecordSize) {
    rom.seek(at);
    const int code = rom.readU16();
    if (code == kEndMarker) {
      list.endMarker = true;
      break;
    }
    if (at + kRecordSize > size) break;
    list.leaderCodes.push_back(code);
    if (static_cast<int>(list.leaderCodes.size()) >= upTo) break;
  }
  return list;
}

QString stageOutsideMessage(int stage, std::int32_t stageOffset, std::int64_t fileSize) {
  const std::int64_t start = kOffsetTable + stageOffset;
  return QCoreApplication::translate("rt::DeploymentTable", "The list of stage %1 would start at offset %2 (0x%3 + %4), outside the ROM image "
                        "(%5 bytes). The stage has no records to show.")
      .arg(stage)
      .arg(start)
      .arg(QString::number(kOffsetTable, 16).toUpper())
      .arg(stageOffset)
      .arg(fileSize);
}

namespace {

// The record `keys` names in a stage's list, or why the list has none.
Result<RecordRef> recordIn(const StageList& list, int stage, std::int32_t stageOffset, std::int64_t fileSize,
                           const QVariantMap& keys) {
  if (list.start < 0) return Result<RecordRef>::failure(stageOutsideMessage(stage, stageOffset, fileSize));
  if (list.leaderCodes.empty())
    return Result<RecordRef>::failure(QCoreApplication::translate("rt::DeploymentTable", "stage %1 has no deployment records").arg(stage));
  auto index = recordKey(keys, QStringLiteral("index"), static_cast<int>(list.leaderCodes.size()));
  if (!index) return index.status();
  RecordRef ref;
  ref.keys.insert(QStringLiteral("stage"), stage);
  ref.keys.insert(QStringLiteral("index"), *index);
  ref.offset = list.recordOffset(*index);
  return ref;
}

}  // namespace

namespace {

// Where each stage's list must end: at the first list starting after it (lists
// sharing a start are one list), or at the end of the file.
std::vector<std::int64_t> stageLimits(const std::vector<std::int32_t>& offsets, std::int64_t fileSize) {
  std::vector<std::int64_t> starts;
  for (std::int32_t o : offsets) starts.push_back(kOffsetTable + o);
  std::vector<std::int64_t> sorted = starts;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::int64_t> limits;
  for (std::int64_t start : starts) {
    auto next = std::upper_bound(sorted.begin(), sorted.end(), start);
    limits.push_back(next == sorted.end() ? fileSize : std::min(*next, fileSize));
  }
  return limits;
}

int recordsBefore(std::int64_t start, std::int64_t limit) {
  return start < limit ? static_cast<int>((limit - start) / kRecordSize) : 0;
}

}  // namespace

std::vector<RecordRef> DeploymentTable::checkedRecords(RomImage& open) const {
  const std::vector<std::int32_t> offsets = readOffsetTable(open);
  const std::vector<std::int64_t> limits = stageLimits(offsets, open.fileSize());
  std::vector<RecordRef> out;
  for (int s = 0; s < kStageCount; ++s) {
    const auto i = static_cast<size_t>(s);
    const std::int64_t start = kOffsetTable + offsets[i];
    const int room = recordsBefore(start, limits[i]);
    if (room == 0) continue;
    appendListed(s, scanStage(open, offsets[i], room), QString(), &out);
  }
  return out;
}

void DeploymentTable::layoutProblems(RomImage& open, const TableAt& tableAt, std::vector<Problem>* out) const {
  const std::vector<std::int32_t> offsets = readOffsetTable(open);
  const std::int64_t size = open.fileSize();
  const std::vector<std::int64_t> limits = stageLimits(offsets, size);
  const QString offsetField = QStringLiteral("stage_offset");
  for (int s = 0; s < kStageCount; ++s) {
    const auto i = static_cast<size_t>(s);
    const std::int64_t start = kOffsetTable + offsets[i];
    const QVariantMap stage{{QStringLiteral("stage"), s}};
    if (start < 0 || start >= size) {
      out->push_back({name(), stage, offsetField, QStringLiteral("past-table"), Severity::Error,
                      stageOutsideMessage(s, offsets[i], size)});
      continue;
    }
    if (const QString in = tableAt(start, name()); !in.isEmpty()) {
      out->push_back({name(), stage, offsetField, QStringLiteral("into-table"), Severity::Error,
                      QCoreApplication::translate("rt::DeploymentTable", "The list of stage %1 starts at 0x%2, inside %3.")
                          .arg(s)
                          .arg(QString::number(start, 16).toUpper(), in)});
      continue;
    }
    const int room = recordsBefore(start, limits[i]);
    const StageList list = scanStage(open, offsets[i], room);
    if (list.endMarker) continue;
    QVariantMap at = stage;
    if (!list.leaderCodes.empty()) at.insert(QStringLiteral("index"), static_cast<int>(list.leaderCodes.size()) - 1);
    const bool last = limits[i] >= size;
    out->push_back({name(), at, QStringLiteral("pilot_code"), QStringLiteral("missing-end-marker"), Severity::Error,
                    QCoreApplication::translate("rt::DeploymentTable", "The list of stage %1 (from 0x%2) has no %3 end marker before %4: the game reads "
                                   "on past its %5 records.")
                        .arg(s)
                        .arg(QString::number(start, 16).toUpper(), hexText(kEndMarker),
                             last ? QCoreApplication::translate("rt::DeploymentTable", "the end of the file")
                                  : QCoreApplication::translate("rt::DeploymentTable", "the next stage's list at 0x%1")
                                        .arg(QString::number(limits[i], 16).toUpper()))
                        .arg(list.leaderCodes.size())});
  }
}

QString codeName(const QStringList& names, int code) {
  if (code == kNoCode || code < 0 || code >= names.size()) return {};
  return names[code];
}

QString DeploymentTable::note() const {
  return QStringLiteral("stage s: offset table at 0x%1, records of stage s from 0x%1 + offset(s), 56 bytes each, "
                        "up to the 0x7FFF end marker")
      .arg(QString::number(kOffsetTable, 16).toUpper());
}

Result<std::vector<RecordRef>> DeploymentTable::records(RomImage& rom, const QString& namesDir) const {
  auto stageNames = loadNames(namesDir, stageNameList());
  if (!stageNames) return stageNames.status();
  return readSession(rom, [&](RomImage& open) {
    const std::vector<std::int32_t> offsets = readOffsetTable(open);
    std::vector<RecordRef> out;
    for (int s = 0; s < kStageCount; ++s)
      appendListed(s, scanStage(open, offsets[static_cast<size_t>(s)]), (*stageNames)[s] + QStringLiteral(" / "), &out);
    return out;
  });
}

Result<std::vector<RecordRef>> DeploymentTable::stageRecords(RomImage& rom, int stage, std::int32_t stageOffset) const {
  struct Scan {
    StageList list;
    std::int64_t size;
  };
  auto scan = readSession(rom, [&](RomImage& open) { return Scan{scanStage(open, stageOffset), open.fileSize()}; });
  if (!scan) return scan.status();
  if (scan->list.start < 0) return Result<std::vector<RecordRef>>::failure(stageOutsideMessage(stage, stageOffset, scan->size));
  std::vector<RecordRef> out;
  appendListed(stage, scan->list, QString(), &out);
  return out;
}

Result<FetchedRecord> DeploymentTable::fetch(RomImage& rom, const QVariantMap& keys) const {
  auto stage = recordKey(keys, QStringLiteral("stage"), kStageCount);
  if (!stage) return stage.status();
  // The index as asked, to read no more of the list than up to it; whether
  // the list has it is checked below, as resolve does.
  auto asked = recordKey(keys, QStringLiteral("index"), INT_MAX / static_cast<int>(kRecordSize));
  struct Found {
    std::int32_t stageOffset = 0;
    StageList list;
    std::int64_t size = 0;
    RecordState state;
  };
  auto found = readSession(rom, [&](RomImage& open) {
    Found f;
    const std::int64_t entry = kOffsetTable + 4 * std::int64_t{*stage};
    open.prefetch(entry, 4);
    open.seek(entry);
    f.stageOffset = open.readU32();
    f.size = open.fileSize();
    const std::int64_t start = kOffsetTable + f.stageOffset;
    if (asked) {
      // The leading words up to the record and the record: one read (for
      // the first records; lists are short, and a far index reads as it goes).
      if (*asked < kPrefetchRecords) open.prefetch(start, kRecordSize * (std::int64_t{*asked} + 1));
      f.list = scanStage(open, f.stageOffset, *asked + 1);
      if (f.list.start >= 0 && static_cast<int>(f.list.leaderCodes.size()) > *asked) {
        f.state = readFields(open, def_, f.list.recordOffset(*asked));
        return f;
      }
    }
    f.list = scanStage(open, f.stageOffset);  // the whole list, for the message
    return f;
  });
  if (!found) return found.status();
  auto ref = recordIn(found->list, *stage, found->stageOffset, found->size, keys);
  if (!ref) return ref.status();
  return FetchedRecord{std::move(ref.value()), std::move(found->state)};
}

Result<RecordRef> DeploymentTable::resolve(RomImage& rom, const QVariantMap& keys) const {
  auto stage = recordKey(keys, QStringLiteral("stage"), kStageCount);
  if (!stage) return stage.status();
  struct Scan {
    std::int32_t stageOffset;
    StageList list;
    std::int64_t size;
  };
  // The offset and the stage's list in one session.
  auto scan = readSession(rom, [&](RomImage& open) {
    const std::int32_t stageOffset = readOffsetTable(open)[static_cast<size_t>(*stage)];
    return Scan{stageOffset, scanStage(open, stageOffset), open.fileSize()};
  });
  if (!scan) return scan.status();
  return recordIn(scan->list, *stage, scan->stageOffset, scan->size, keys);
}

Result<RecordState> DeploymentTable::read(RomImage& rom, const RecordRef& record) const {
  return readRecord(rom, def_, record.offset);
}

Result<std::vector<RecordState>> DeploymentTable::readMany(RomImage& rom, const std::vector<RecordRef>& records) const {
  return readRecords(rom, def_, records);
}

bool encodeDeployment(std::int64_t recordOffset, const RecordState& state, std::vector<ByteWrite>* writes,
                      FieldError* error) {
  static const TableDef table = deploymentTable();
  std::vector<ByteWrite> out;
  if (!encodeRecord(table, recordOffset, state, &out, error)) return false;
  const auto leader = std::find_if(out.begin(), out.end(), [&](const ByteWrite& w) { return w.offset == recordOffset; });
  if (leader != out.end() && leader[0].value == (kEndMarker & 0xFF) && leader[1].value == (kEndMarker >> 8)) {
    const auto controls = controlsOf(table);
    const auto code = std::find_if(controls.begin(), controls.end(),
                                   [](const ControlRef& c) { return c.name == QLatin1String("pilot_code"); });
    *error = {static_cast<int>(code - controls.begin()),
              QCoreApplication::translate("rt::DeploymentTable", "%1: 7FFF marks the end of a stage's list and cannot be a pilot code; "
                             "use FFFF for no pilot.")
                  .arg(shownCaption(table.fields[static_cast<size_t>(code->field)].caption))};
    return false;
  }
  writes->insert(writes->end(), out.begin(), out.end());
  return true;
}

bool DeploymentTable::encode(RomImage&, const RecordRef& record, const RecordState& state,
                             std::vector<ByteWrite>* writes, FieldError* error) const {
  return encodeDeployment(record.offset, state, writes, error);
}

const std::shared_ptr<const DeploymentTable>& deployments() {
  static const auto table = std::make_shared<const DeploymentTable>();
  return table;
}

}  // namespace rt
