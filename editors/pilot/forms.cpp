#include "editors/pilot/registry.h"

#include "ui/app_context.h"
#include "ui/editor_form.h"
#include "editors/pilot/personality_form.h"
#include "editors/pilot/pilot_form.h"
#include "editors/pilot/spirit_cost_form.h"

namespace rt {

void registerPilotForms(AppContext& context) {
  context.registerForm(spiritCostPlace().id, formFactory<SpiritCostForm>());
  context.registerForm(pilotPlace().id, formFactory<PilotForm>());
  context.registerForm(personalityPlace().id, formFactory<PersonalityForm>());
}

}  // namespace rt
