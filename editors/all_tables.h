#pragma once
#include "core/form_place.h"
#include "core/table_registry.h"

namespace rt {
// Every table of every editor, for the command line and the tests.
TableRegistry allTables();
// Which form each row of the main menu and of the skill sub-menu opens.
MenuRows allMenuRows();
}  // namespace rt
