#pragma once
// The pilot skills as two grids: the pilots with their 14 slot pointers, and
// the level records those pointers select, one row per record in use.

#include "grid/grid_source.h"

namespace rt {
void addPilotSkillGrids(GridViews& views);
}  // namespace rt
