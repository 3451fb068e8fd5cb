#include "editors/skills/registry.h"

#include "ui/app_context.h"
#include "ui/editor_form.h"
#include "editors/skills/pilot_skill_form.h"
#include "editors/skills/skill_grid.h"
#include "editors/skills/skill_grid_form.h"

namespace rt {

void registerSkillsForms(AppContext& context) {
  context.registerForm(pilotSkillPlace().id, formFactory<PilotSkillForm>());
  for (const SkillGrid& grid : skillGrids()) {
    context.registerForm(grid.form, [&grid](AppContext& ctx) -> QWidget* {
      auto* form = new SkillGridForm(ctx, grid);
      if (!form->load()) {
        delete form;
        return nullptr;
      }
      return form;
    });
  }
}

}  // namespace rt
