#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerSkillsTables(TableRegistry& registry);  // for the command line
void registerSkillsForms(AppContext& context);       // for the menus
}  // namespace rt
