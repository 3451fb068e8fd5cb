#include "editors/all_tables.h"

#include "editors/pilot/registry.h"
#include "editors/unit/registry.h"
#include "editors/weapon_map/registry.h"
#include "editors/economy/registry.h"
#include "editors/skills/registry.h"

namespace rt {

TableRegistry allTables() {
  TableRegistry registry;
  registerPilotTables(registry);
  registerUnitTables(registry);
  registerWeaponMapTables(registry);
  registerEconomyTables(registry);
  registerSkillsTables(registry);
  return registry;
}

MenuRows allMenuRows() {
  MenuRows menus;
  registerPilotMenus(menus);
  registerUnitMenus(menus);
  registerWeaponMapMenus(menus);
  registerEconomyMenus(menus);
  registerSkillsMenus(menus);
  return menus;
}

}  // namespace rt
