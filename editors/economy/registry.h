#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerEconomyTables(TableRegistry& registry);  // for the command line
void registerEconomyForms(AppContext& context);       // for the menus
}  // namespace rt
