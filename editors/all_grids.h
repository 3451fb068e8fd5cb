#pragma once
#include "grid/grid_source.h"

namespace rt {
// The table views the editors declare beyond the registered tables' own.
GridViews allGridViews();
}  // namespace rt
