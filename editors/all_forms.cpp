#include "editors/all_forms.h"

#include "editors/all_grids.h"

#include "editors/pilot/registry.h"
#include "editors/unit/registry.h"
#include "editors/weapon_map/registry.h"
#include "editors/economy/registry.h"
#include "editors/skills/registry.h"

namespace rt {

void registerAllForms(AppContext& context) {
  context.setGridViews(allGridViews());
  registerPilotForms(context);
  registerUnitForms(context);
  registerWeaponMapForms(context);
  registerEconomyForms(context);
  registerSkillsForms(context);
}

}  // namespace rt
