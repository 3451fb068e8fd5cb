#include "editors/skills/registry.h"

#include "core/ui/app_context.h"

namespace rt {

void registerSkillsForms(AppContext& context) {
  registerPilotSkillForms(context);
  registerSkillGridForms(context);
}

}  // namespace rt
