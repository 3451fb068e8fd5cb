#include "editors/economy/registry.h"

#include "core/ui/app_context.h"
#include "core/ui/editor_form.h"
#include "editors/economy/money_form.h"
#include "editors/economy/price_form.h"
#include "editors/economy/rules_form.h"

namespace rt {

namespace {
FormFactory priceFormFactory(const PriceTable& prices) {
  return [prices](AppContext& context) -> QWidget* {
    auto* form = new PriceForm(context, prices);
    if (!form->load()) {
      delete form;
      return nullptr;
    }
    return form;
  };
}
}  // namespace

void registerEconomyForms(AppContext& context) {
  context.registerForm(QStringLiteral("money"), formFactory<MoneyForm>());
  context.registerForm(QStringLiteral("Parts"), priceFormFactory(partPrices()));
  context.registerForm(QStringLiteral("Parts_2"), priceFormFactory(skillItemPrices()));
  context.registerForm(QStringLiteral("Rules"), formFactory<RulesForm>());
}

}  // namespace rt
