#pragma once
#include "model/table_registry.h"

namespace rt {
// Spirit command costs: 35 records of 28 bytes at 0xD4424, one per spirit command.
TableDef spiritCostTable();
NameListSource spiritCostNames();
}  // namespace rt
