#include "editors/weapon_map/weapon_grid.h"

#include "editors/weapon_map/weapon_table.h"

namespace rt {
namespace {

class WeaponGrid final : public AdapterGrid {
 public:
  WeaponGrid() : AdapterGrid(std::make_shared<FixedTable>(weaponTable(), weaponNameList())) {}
  QStringList infoColumns() const override { return {QStringLiteral("units")}; }

  Result<std::vector<GridRow>> read(RomImage& rom, const QString& namesDir) const override {
    using namespace weapon_layout;
    auto rows = AdapterGrid::read(rom, namesDir);
    if (!rows) return rows;
    auto units = loadNames(namesDir, weaponUnitNameList());
    if (!units) return units.status();
    std::vector<QStringList> holders(rows->size());
    RomSession session(rom, Access::Read);
    if (!session.status()) return session.status();
    rom.prefetch(kUnitBase, kUnitStride * kUnitCount);
    for (int u = 0; u < kUnitCount; ++u) {
      rom.seek(kUnitBase + kUnitStride * u + kUnitFirstWeapon);
      const int first = rom.readU16();
      const int count = rom.readU8();
      for (int w = first; w < first + count && w < static_cast<int>(holders.size()); ++w)
        holders[static_cast<size_t>(w)] << (*units)[u];
    }
    if (Status closed = session.close(); !closed) return closed;
    for (size_t w = 0; w < rows->size(); ++w) (*rows)[w].info = QStringList{holders[w].join(QStringLiteral(", "))};
    return rows;
  }
};

}  // namespace

void addWeaponGrids(GridViews& views) {
  views.add(weaponTable().id, [](const TableRegistry&) { return std::make_shared<WeaponGrid>(); });
}

}  // namespace rt
