#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerPilotTables(TableRegistry& registry);  // for the command line
void registerPilotForms(AppContext& context);       // for the menus
}  // namespace rt
