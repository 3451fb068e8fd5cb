#include "editors/all_grids.h"

#include "editors/skills/pilot_skill_grid.h"
#include "editors/weapon_map/weapon_grid.h"

namespace rt {

GridViews allGridViews() {
  GridViews views;
  addWeaponGrids(views);
  addPilotSkillGrids(views);
  return views;
}

}  // namespace rt
