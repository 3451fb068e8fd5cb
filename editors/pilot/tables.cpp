#include "editors/pilot/registry.h"

#include "core/table_registry.h"

#include "editors/pilot/spirit_cost_table.h"

namespace rt {

void registerPilotTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(spiritCostTable(), spiritCostNames()));
}

}  // namespace rt
