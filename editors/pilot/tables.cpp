#include "editors/pilot/registry.h"

#include "core/table_registry.h"

#include "editors/pilot/personality_table.h"
#include "editors/pilot/pilot_table.h"
#include "editors/pilot/spirit_cost_table.h"

namespace rt {

void registerPilotTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(spiritCostTable(), spiritCostNames()));
  registry.add(std::make_shared<FixedTable>(pilotTable(), pilotNames()));
  registry.add(std::make_shared<FixedTable>(personalityTable(), personalityNames()));
}

}  // namespace rt
