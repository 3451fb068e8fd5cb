#include "editors/weapon_map/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"

namespace rt {

void registerWeaponMapForms(AppContext&) {}

}  // namespace rt
