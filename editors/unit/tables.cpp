#include "editors/unit/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerUnitTables(TableRegistry&) {}

}  // namespace rt
