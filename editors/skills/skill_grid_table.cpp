#include "editors/skills/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerSkillGridTables(TableRegistry&) {}

}  // namespace rt
