#pragma once
#include "model/table_registry.h"
#include "editors/layout.h"

namespace rt {
// Unit records: 303 records of 132 bytes at 0x82D68. The unit form edits 51 of
// the bytes; 0x6C..0x79 are the ability bytes (unitAbilityTable) and the rest
// is left alone.
inline constexpr std::int64_t kUnitBase = layout::kUnitBase;
inline constexpr std::int64_t kUnitStride = layout::kUnitStride;
inline constexpr int kUnitCount = layout::kUnitCount;

TableDef unitTable();
// Row i of every unit form is entry i of this list.
NameListSource unitNames();
NameListSource weaponCostNames();    // the rows of MWeapon
NameListSource unitSizeNames();      // the rows of size
}  // namespace rt
