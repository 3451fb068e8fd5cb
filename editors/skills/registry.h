#pragma once

#include "model/form_place.h"

#include <memory>

namespace rt {
class TableRegistry;
class TableAdapter;
class AppContext;
struct SkillGrid;

void registerSkillsTables(TableRegistry& registry);  // for the command line
void registerSkillsForms(AppContext& context);       // the windows the menus open
void registerSkillsMenus(MenuRows& menus);           // where the menus open its forms

// The pilot skill editor's name, caption and menu row.
const FormPlace& pilotSkillPlace();

// The pilot skills, read through the slots of the pilot records, and one grid.
std::shared_ptr<const TableAdapter> pilotSkillAdapter();
std::shared_ptr<const TableAdapter> skillGridAdapter(const SkillGrid& grid);
}  // namespace rt
