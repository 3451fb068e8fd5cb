#pragma once

#include "model/form_place.h"

namespace rt {
class TableRegistry;
class AppContext;

void registerUnitTables(TableRegistry& registry);  // for the command line
void registerUnitForms(AppContext& context);       // the windows the menus open
void registerUnitMenus(MenuRows& menus);  // where the menus open its forms

// The forms' names, captions and menu rows.
const FormPlace& unitPlace();
const FormPlace& unitAbilityPlace();
const FormPlace& unitPicturePlace();
}  // namespace rt
