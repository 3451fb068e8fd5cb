#include "editors/skills/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerSkillsTables(TableRegistry& registry) {
  registerPilotSkillTables(registry);
  registerSkillGridTables(registry);
}

}  // namespace rt
