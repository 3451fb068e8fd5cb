#pragma once
// Weapons: 989 records of 36 bytes at 0x7A254, directly followed by the unit
// table. A unit record names its weapons by the index of the first one and a
// count; a unit's weapons are consecutive weapon records.

#include "model/table_registry.h"
#include "editors/layout.h"

namespace rt {

namespace weapon_layout {
inline constexpr std::int64_t kBase = layout::kWeaponBase;
inline constexpr std::int64_t kStride = layout::kWeaponStride;
inline constexpr int kCount = layout::kWeaponCount;
inline constexpr std::int64_t kUnitBase = layout::kUnitBase;
inline constexpr std::int64_t kUnitStride = layout::kUnitStride;
inline constexpr int kUnitCount = layout::kUnitCount;
inline constexpr std::int64_t kUnitFirstWeapon = layout::kUnitFirstWeapon;  // u16
inline constexpr std::int64_t kUnitWeaponCount = layout::kUnitWeaponCount;  // u8
}  // namespace weapon_layout

TableDef weaponTable();
NameListSource weaponNameList();      // "Weapons.txt", one name per weapon record
NameListSource weaponUnitNameList();  // "Units.txt", the units whose weapons are listed
// The weapon table as the command line and the form address it, named by weaponNameList().
const std::shared_ptr<const FixedTable>& weaponRecords();

// Where a unit's weapons lie, as its unit record says.
struct UnitWeapons {
  int first = 0;
  int count = 0;
};
Result<UnitWeapons> readUnitWeapons(RomImage& rom, int unit);

// Past the table a weapon index lands in the unit table's bytes.
inline bool weaponInTable(int weapon) { return weapon >= 0 && weapon < weapon_layout::kCount; }
// The list text of a weapon: its name, or "#index" when the name list has none.
QString weaponListText(const QStringList& names, int weapon);

}  // namespace rt
