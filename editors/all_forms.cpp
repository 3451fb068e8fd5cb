#include "editors/all_forms.h"

#include "editors/all_grids.h"

#include "ui/field_grid_form.h"
#include "editors/all_tables.h"
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
  // A declared table without a form of its own gets one laid out from its fields.
  for (const DeclaredTable::Entry& e : DeclaredTable::all()) {
    auto fixed = std::dynamic_pointer_cast<const FixedTable>(e.make());
    if (!fixed || fixed->names().file.isEmpty() || context.hasForm(e.place.id)) continue;
    context.registerForm(e.place.id, [place = e.place, fixed](AppContext& ctx) -> QWidget* {
      auto* form = new FieldGridForm(ctx, place, fixed);
      if (!form->load()) {
        delete form;
        return nullptr;
      }
      return form;
    });
  }
}

}  // namespace rt
