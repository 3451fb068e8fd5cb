#pragma once
#include "core/ui/app_context.h"

namespace rt {
// Makes every editor form known to the menus.
void registerAllForms(AppContext& context);
}  // namespace rt
