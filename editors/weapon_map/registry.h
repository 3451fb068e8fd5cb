#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerWeaponMapTables(TableRegistry& registry);  // for the command line
void registerWeaponMapForms(AppContext& context);       // for the menus
}  // namespace rt
