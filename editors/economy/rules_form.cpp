#include "editors/economy/rules_form.h"

#include "editors/economy/registry.h"

#include "editors/economy/rules_table.h"

#include <QGridLayout>

namespace rt {

RulesForm::RulesForm(AppContext& context)
    : ChoiceForm(context, rulesPlace().id, rulesPlace().caption, rulesTable(), NameListSource{}) {
  auto* layout = new QGridLayout(this);
  layout->addWidget(makeLabel(QStringLiteral("UnicodeLabel1"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器攻擊力上限"))), 0, 0);
  layout->addWidget(fields().widget(QStringLiteral("ATKLimit")), 0, 1);
  layout->addWidget(makeLabel(QStringLiteral("UnicodeLabel2"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "經驗值獲得上限"))), 1, 0);
  layout->addWidget(fields().widget(QStringLiteral("ExpLimit")), 1, 1);
  layout->addWidget(saveButton(), 0, 2);
  layout->addWidget(exitButton(), 1, 2);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(1, 1);
}

}  // namespace rt
