#pragma once
#include "ui/app_context.h"

namespace rt {
// Makes every editor form, and the table views they declare, known to the menus.
void registerAllForms(AppContext& context);
}  // namespace rt
