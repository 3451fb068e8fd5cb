#include "editors/unit/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"

namespace rt {

void registerUnitForms(AppContext&) {}

}  // namespace rt
