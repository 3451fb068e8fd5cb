#pragma once

#include "model/form_place.h"

namespace rt {
class TableRegistry;
class AppContext;

void registerWeaponMapTables(TableRegistry& registry);  // for the command line
void registerWeaponMapForms(AppContext& context);       // the windows the menus open
void registerWeaponMapMenus(MenuRows& menus);  // where the menus open its forms

// The forms' names, captions and menu rows.
const FormPlace& weaponPlace();
const FormPlace& weaponUpgradePlace();
const FormPlace& mapPlace();
}  // namespace rt
