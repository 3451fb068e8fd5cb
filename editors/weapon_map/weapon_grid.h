#pragma once
// The weapon table as a grid: every weapon record, with the unit or units
// whose weapon range (first weapon, count) holds it.

#include "grid/grid_source.h"

namespace rt {
void addWeaponGrids(GridViews& views);
}  // namespace rt
