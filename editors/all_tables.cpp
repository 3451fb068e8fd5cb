#include "editors/all_tables.h"

#include "editors/pilot/registry.h"
#include "editors/unit/registry.h"
#include "editors/weapon_map/registry.h"
#include "editors/economy/registry.h"
#include "editors/skills/registry.h"

namespace rt {
namespace {

std::vector<DeclaredTable::Entry>& declared() {
  static std::vector<DeclaredTable::Entry> entries;  // filled during static initialisation
  return entries;
}

}  // namespace

DeclaredTable::DeclaredTable(FormPlace place, Make make) { declared().push_back({std::move(place), std::move(make)}); }

const std::vector<DeclaredTable::Entry>& DeclaredTable::all() { return declared(); }

TableRegistry allTables() {
  TableRegistry registry;
  registerPilotTables(registry);
  registerUnitTables(registry);
  registerWeaponMapTables(registry);
  registerEconomyTables(registry);
  registerSkillsTables(registry);
  for (const DeclaredTable::Entry& e : DeclaredTable::all()) {
    auto table = e.make();
    Q_ASSERT(table && table->name() == e.place.id);
    registry.add(std::move(table));
  }
  return registry;
}

MenuRows allMenuRows() {
  MenuRows menus;
  registerPilotMenus(menus);
  registerUnitMenus(menus);
  registerWeaponMapMenus(menus);
  registerEconomyMenus(menus);
  registerSkillsMenus(menus);
  for (const DeclaredTable::Entry& e : DeclaredTable::all()) menus.add(e.place);
  return menus;
}

}  // namespace rt
