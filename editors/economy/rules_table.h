#pragma once
#include "model/table_registry.h"

namespace rt {
// Two game-wide limits, unsigned 16-bit each, far apart in the image (the
// attack limit lies after the experience limit). One record at base 0 whose
// fields carry their absolute offsets, so one save writes both or neither.
TableDef rulesTable();
}  // namespace rt
