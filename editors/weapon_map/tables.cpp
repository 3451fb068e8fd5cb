#include "editors/weapon_map/registry.h"

#include "core/table_registry.h"
#include "editors/weapon_map/deployment_table.h"
#include "editors/weapon_map/weapon_table.h"
#include "editors/weapon_map/weapon_upgrade_table.h"

namespace rt {

void registerWeaponMapTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(weaponTable(), weaponNameList()));
  registry.add(std::make_shared<FixedTable>(weaponUpgradeTable(), weaponUpgradeNameList()));
  registry.add(std::make_shared<DeploymentTable>());
}

}  // namespace rt
