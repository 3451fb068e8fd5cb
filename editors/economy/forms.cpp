#include "editors/economy/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"

namespace rt {

void registerEconomyForms(AppContext&) {}

}  // namespace rt
