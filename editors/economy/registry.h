#pragma once

#include "model/form_place.h"

namespace rt {
class TableRegistry;
class AppContext;

void registerEconomyTables(TableRegistry& registry);  // for the command line
void registerEconomyForms(AppContext& context);       // the windows the menus open
void registerEconomyMenus(MenuRows& menus);  // where the menus open its forms

// The forms' names, captions and menu rows.
const FormPlace& moneyPlace();
const FormPlace& rulesPlace();
}  // namespace rt
