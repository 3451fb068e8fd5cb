#include "editors/all_forms.h"

#include "core/ui/editor_form.h"
#include "editors/pilot/spirit_cost_form.h"

namespace rt {

void registerAllForms(AppContext& context) {
  context.registerForm(QStringLiteral("SPEdit"), formFactory<SpiritCostForm>());
}

}  // namespace rt
