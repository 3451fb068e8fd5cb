#include "editors/all_tables.h"

#include "editors/pilot/spirit_cost_table.h"

namespace rt {

TableRegistry allTables() {
  TableRegistry registry;
  registry.add(std::make_shared<FixedTable>(spiritCostTable(), spiritCostNames()));
  return registry;
}

}  // namespace rt
