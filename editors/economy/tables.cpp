#include "editors/economy/registry.h"

#include "core/table_registry.h"

namespace rt {

void registerEconomyTables(TableRegistry&) {}

}  // namespace rt
