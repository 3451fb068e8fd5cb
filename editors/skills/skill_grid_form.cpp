#include "editors/skills/registry.h"

#include "core/ui/app_context.h"

namespace rt {

void registerSkillGridForms(AppContext&) {}

}  // namespace rt
