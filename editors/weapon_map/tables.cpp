#include "editors/weapon_map/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerWeaponMapTables(TableRegistry&) {}

}  // namespace rt
