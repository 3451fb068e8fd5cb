#include "editors/weapon_map/registry.h"

#include "model/table_registry.h"
#include "editors/weapon_map/deployment_table.h"
#include "editors/weapon_map/weapon_table.h"
#include "editors/weapon_map/weapon_upgrade_table.h"

namespace rt {

void registerWeaponMapTables(TableRegistry& registry) {
  registry.add(weaponRecords());
  registry.add(std::make_shared<FixedTable>(weaponUpgradeTable(), weaponUpgradeNameList()));
  registry.add(deployments());
}

const FormPlace& weaponPlace() {
  static const FormPlace place{QStringLiteral("Weapon"), QStringLiteral("Weapon"), MenuKind::Main, 4};
  return place;
}

const FormPlace& weaponUpgradePlace() {
  static const FormPlace place{QStringLiteral("EWeapon"), QStringLiteral("EWeapon"), MenuKind::Main, 5};
  return place;
}

const FormPlace& mapPlace() {
  static const FormPlace place{QStringLiteral("MAP"), QStringLiteral("MAP"), MenuKind::Main, 9};
  return place;
}

void registerWeaponMapMenus(MenuRows& menus) {
  menus.add(weaponPlace());
  menus.add(weaponUpgradePlace());
  menus.add(mapPlace());
}

}  // namespace rt
