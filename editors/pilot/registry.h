#pragma once

#include "model/form_place.h"

namespace rt {
class TableRegistry;
class AppContext;

void registerPilotTables(TableRegistry& registry);  // for the command line
void registerPilotForms(AppContext& context);       // the windows the menus open
void registerPilotMenus(MenuRows& menus);  // where the menus open its forms

// The forms' names, captions and menu rows.
const FormPlace& spiritCostPlace();
const FormPlace& pilotPlace();
const FormPlace& personalityPlace();
}  // namespace rt
