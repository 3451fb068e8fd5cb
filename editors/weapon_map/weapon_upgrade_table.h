#pragma once
// The weapon upgrade table: 15 levels of four u16 values at 0x6A230, one value
// per upgrade step type. A record here is one step type, i.e. one column: its
// 15 values lie 8 bytes apart.

#include "model/table_registry.h"

namespace rt {

TableDef weaponUpgradeTable();
NameListSource weaponUpgradeNameList();  // "EWeapon.txt", one name per step type

}  // namespace rt
