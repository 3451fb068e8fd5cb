#pragma once
#include "model/table_registry.h"

namespace rt {
// Personalities: 8 records of 12 signed morale changes at 0xD1E5C. A pilot
// record selects one by its row in "character.txt".
TableDef personalityTable();
// "character.txt": numeric items are shown in plain numeric form.
NameListSource personalityNames();
}  // namespace rt
