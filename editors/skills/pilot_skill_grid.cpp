#include "editors/skills/pilot_skill_grid.h"

#include "editors/skills/pilot_skill_table.h"
#include "editors/skills/registry.h"

#include <map>
#include <set>
#include <QCoreApplication>

namespace rt {
namespace {

const QString kLevelsView = QStringLiteral("PSkills levels");

QVariantMap indexKey(int index) { return {{QStringLiteral("index"), index}}; }

// Pilots as rows, ptr(0..13) as columns: a save stores the indices only, as
// the editor's "Save Pointer" does.
class PilotSlotGrid final : public GridSource {
 public:
  PilotSlotGrid()
      : table_(pilotSkillAdapter()), controls_(controlsOf(pilotSkillSlotTable())), fields_(pilotSkillSlotTable().fields) {}
  QString id() const override { return pilotSkillPlace().id; }
  QString table() const override { return pilotSkillPlace().id; }
  const std::vector<ControlRef>& controls() const override { return controls_; }
  const std::vector<Field>& fields() const override { return fields_; }
  const TableAdapter* exportTable() const override { return table_.get(); }
  std::vector<Link> linked() const override {
    return {{kLevelsView, QStringLiteral("LevelRecords"), QStringLiteral(QT_TRANSLATE_NOOP("rt::TableView", "Level records"))}};
  }

  Result<std::vector<GridRow>> read(RomImage& rom, const QString& namesDir) const override {
    auto refs = table_->records(rom, namesDir);
    if (!refs) return refs.status();
    const TableDef& slotTable = pilotSkillSlotTable();
    RomSession session(rom, Access::Read);
    if (!session.status()) return session.status();
    rom.prefetch(slotTable.base, slotTable.stride * slotTable.count);
    std::vector<GridRow> rows;
    rows.reserve(refs->size());
    for (RecordRef& ref : *refs) {
      GridRow row;
      row.state = readFields(rom, slotTable, ref.offset);
      row.ref = std::move(ref);
      rows.push_back(std::move(row));
    }
    if (Status closed = session.close(); !closed) return closed;
    return rows;
  }

  bool encode(RomImage&, const GridRow& row, const RecordState& state, std::vector<ByteWrite>* writes,
              FieldError* error) const override {
    return encodeSkillSlots(row.ref.keys.value(QStringLiteral("index")).toInt(), state, writes, error);
  }

 private:
  std::shared_ptr<const TableAdapter> table_;
  std::vector<ControlRef> controls_;
  std::vector<Field> fields_;
};

const TableDef& levelRecordTable() {
  static const TableDef table = [] {
    TableDef t{pilotSkillPlace().id, kSkillLevelBase, kSkillLevelsPerRecord, kSkillLevelCount, {}};
    for (int j = 0; j < kSkillLevelsPerRecord; ++j)  // byte j = level j + 1
      t.fields.push_back(byteField(QStringLiteral("LV%1").arg(j + 1), j, QStringLiteral("LV%1").arg(j + 1)));
    return t;
  }();
  return table;
}

// Level records as rows: every record some pilot's slot selects, named by the
// skills of those slots. A record shared by several pilots is one row; a save
// is recorded in the history under the pilots that reach it.
class SkillLevelGrid final : public GridSource {
 public:
  SkillLevelGrid() : controls_(controlsOf(levelRecordTable())) {}
  QString id() const override { return kLevelsView; }
  QString table() const override { return pilotSkillPlace().id; }
  QStringList infoColumns() const override { return {QStringLiteral("pilots")}; }
  const std::vector<ControlRef>& controls() const override { return controls_; }
  const std::vector<Field>& fields() const override { return levelRecordTable().fields; }
  std::vector<Link> linked() const override {
    return {{pilotSkillPlace().id, QStringLiteral("PilotPointers"), QStringLiteral(QT_TRANSLATE_NOOP("rt::TableView", "Pilot pointers"))}};
  }

  Result<std::vector<GridRow>> read(RomImage& rom, const QString& namesDir) const override {
    auto pilots = loadNames(namesDir, pilotSkillNames());
    if (!pilots) return pilots.status();
    auto slotNames = loadNameList(namesDir, QStringLiteral("name_PSkills.txt"), kPilotSkillSlots);
    if (!slotNames) return slotNames.status();
    struct Use {
      std::set<int> slotTable;
      std::vector<int> pilots;
    };
    std::map<int, Use> uses;  // level record index -> who selects it
    const TableDef& slotTable = pilotSkillSlotTable();
    RomSession session(rom, Access::Read);
    if (!session.status()) return session.status();
    rom.prefetch(slotTable.base, slotTable.stride * slotTable.count);
    for (int p = 0; p < slotTable.count; ++p) {
      for (int s = 0; s < kPilotSkillSlots; ++s) {
        rom.seek(slotTable.recordOffset(p) + slotTable.fields[static_cast<size_t>(s)].offset);
        Use& use = uses[rom.readU16()];
        use.slotTable.insert(s);
        if (use.pilots.empty() || use.pilots.back() != p) use.pilots.push_back(p);
      }
    }
    std::vector<GridRow> rows;
    rows.reserve(uses.size());
    for (const auto& [index, use] : uses) {
      GridRow row;
      row.ref.keys = indexKey(index);
      row.ref.offset = levelRecordOffset(index);
      QStringList skills, who;
      for (int s : use.slotTable) skills << (*slotNames)[s];
      row.ref.name = skills.join(QStringLiteral(" / "));
      for (size_t k = 0; k < use.pilots.size() && k < 3; ++k) who << (*pilots)[use.pilots[k]];
      if (use.pilots.size() > 3) who << QStringLiteral("...");
      row.info << QStringLiteral("%1: %2").arg(use.pilots.size()).arg(who.join(QStringLiteral(", ")));
      row.state = readFields(rom, levelRecordTable(), row.ref.offset);
      for (int p : use.pilots) row.history << indexKey(p);
      rows.push_back(std::move(row));
    }
    if (Status closed = session.close(); !closed) return closed;
    return rows;
  }

  bool encode(RomImage& rom, const GridRow& row, const RecordState& state, std::vector<ByteWrite>* writes,
              FieldError* error) const override {
    auto size = romFileSize(rom);
    if (!size) {
      *error = {-1, size.message()};
      return false;
    }
    if (row.ref.offset + kSkillLevelsPerRecord > *size) {
      *error = {0, QCoreApplication::translate("rt::PilotSkillTable", "level record %1 at 0x%2 lies past the end of the ROM image (%3 bytes); the editor "
                                  "never grows a ROM image")
                       .arg(row.ref.keys.value(QStringLiteral("index")).toInt())
                       .arg(QString::number(row.ref.offset, 16).toUpper())
                       .arg(*size)};
      return false;
    }
    return encodeRecord(levelRecordTable(), row.ref.offset, state, writes, error);
  }

 private:
  std::vector<ControlRef> controls_;
};

}  // namespace

void addPilotSkillGrids(GridViews& views) {
  views.add(pilotSkillPlace().id, [](const TableRegistry&) { return std::make_shared<PilotSlotGrid>(); });
  views.add(kLevelsView, [](const TableRegistry&) { return std::make_shared<SkillLevelGrid>(); });
}

}  // namespace rt
