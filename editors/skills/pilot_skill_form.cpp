#include "editors/skills/registry.h"

#include "core/ui/app_context.h"

namespace rt {

void registerPilotSkillForms(AppContext&) {}

}  // namespace rt
