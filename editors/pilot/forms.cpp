#include "editors/pilot/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"
#include "editors/pilot/personality_form.h"
#include "editors/pilot/pilot_form.h"
#include "editors/pilot/spirit_cost_form.h"

namespace rt {

void registerPilotForms(AppContext& context) {
  context.registerForm(QStringLiteral("SPEdit"), formFactory<SpiritCostForm>());
  context.registerForm(QStringLiteral("Pilot"), formFactory<PilotForm>());
  context.registerForm(QStringLiteral("character"), formFactory<PersonalityForm>());
}

}  // namespace rt
