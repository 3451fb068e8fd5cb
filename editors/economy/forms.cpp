#include "editors/economy/registry.h"

#include "ui/app_context.h"
#include "ui/editor_form.h"
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
  context.registerForm(moneyPlace().id, formFactory<MoneyForm>());
  context.registerForm(partPrices().form, priceFormFactory(partPrices()));
  context.registerForm(skillItemPrices().form, priceFormFactory(skillItemPrices()));
  context.registerForm(rulesPlace().id, formFactory<RulesForm>());
}

}  // namespace rt
