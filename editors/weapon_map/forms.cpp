#include "editors/weapon_map/registry.h"

#include "ui/app_context.h"
#include "ui/editor_form.h"
#include "editors/weapon_map/map_form.h"
#include "editors/weapon_map/weapon_form.h"
#include "editors/weapon_map/weapon_upgrade_form.h"

namespace rt {

void registerWeaponMapForms(AppContext& context) {
  context.registerForm(weaponPlace().id, formFactory<WeaponForm>());
  context.registerForm(weaponUpgradePlace().id, formFactory<WeaponUpgradeForm>());
  context.registerForm(mapPlace().id, formFactory<MapForm>());
}

}  // namespace rt
