#include "editors/skills/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerPilotSkillTables(TableRegistry&) {}

}  // namespace rt
