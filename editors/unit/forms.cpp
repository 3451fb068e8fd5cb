#include "editors/unit/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"
#include "editors/unit/unit_ability_form.h"
#include "editors/unit/unit_form.h"
#include "editors/unit/unit_picture_form.h"

namespace rt {

void registerUnitForms(AppContext& context) {
  context.registerForm(QStringLiteral("Unit"), formFactory<UnitForm>());
  context.registerForm(QStringLiteral("UnitSP"), formFactory<UnitAbilityForm>());
  context.registerForm(QStringLiteral("Unit_Pic"), formFactory<UnitPictureForm>());
}

}  // namespace rt
