#include "editors/weapon_map/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"
#include "editors/weapon_map/map_form.h"
#include "editors/weapon_map/weapon_form.h"
#include "editors/weapon_map/weapon_upgrade_form.h"

namespace rt {

void registerWeaponMapForms(AppContext& context) {
  context.registerForm(QStringLiteral("Weapon"), formFactory<WeaponForm>());
  context.registerForm(QStringLiteral("EWeapon"), formFactory<WeaponUpgradeForm>());
  context.registerForm(QStringLiteral("MAP"), formFactory<MapForm>());
}

}  // namespace rt
