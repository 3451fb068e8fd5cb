#pragma once

namespace rt {
class TableRegistry;
class AppContext;

void registerSkillsTables(TableRegistry& registry);  // for the command line
void registerSkillsForms(AppContext& context);       // for the menus

// The pilot skill editor (PSkills) and the skill effect grids register apart.
void registerPilotSkillTables(TableRegistry& registry);
void registerPilotSkillForms(AppContext& context);
void registerSkillGridTables(TableRegistry& registry);
void registerSkillGridForms(AppContext& context);
}  // namespace rt
