#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerUnitTables(TableRegistry& registry);  // for the command line
void registerUnitForms(AppContext& context);       // for the menus
}  // namespace rt
