#include "editors/unit/registry.h"

#include "ui/app_context.h"
#include "ui/editor_form.h"
#include "editors/unit/unit_ability_form.h"
#include "editors/unit/unit_form.h"
#include "editors/unit/unit_picture_form.h"

namespace rt {

void registerUnitForms(AppContext& context) {
  context.registerForm(unitPlace().id, formFactory<UnitForm>());
  context.registerForm(unitAbilityPlace().id, formFactory<UnitAbilityForm>());
  context.registerForm(unitPicturePlace().id, formFactory<UnitPictureForm>());
}

}  // namespace rt
