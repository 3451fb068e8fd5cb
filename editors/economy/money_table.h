#pragma once
#include "model/table_registry.h"

namespace rt {
// Money per level: 15 levels of 10 signed 32-bit values at 0x6A81C, a level
// being one 40-byte row. The form edits one column at a time, so a record here
// is a column: 10 records 4 bytes apart, each with its 15 values 40 bytes apart.
TableDef moneyTable();
NameListSource moneyColumnNames();  // "choices.txt": one name per column
}  // namespace rt
