#pragma once
#include "core/table_registry.h"

namespace rt {
// Every table of every editor, for the command line and the tests.
TableRegistry allTables();
}  // namespace rt
