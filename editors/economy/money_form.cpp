#include "editors/economy/money_form.h"

#include "editors/economy/registry.h"

#include "editors/economy/money_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

MoneyForm::MoneyForm(AppContext& context)
    : ChoiceForm(context, moneyPlace().id, moneyPlace().caption, moneyTable(), moneyColumnNames()) {
  // LV1..LV8 on the left, LV9..LV15 on the right, each box with its label before it.
  auto* levels = new QGridLayout;
  levels->setHorizontalSpacing(8);
  for (int k = 0; k < 15; ++k) {
    const int row = k % 8;
    const int col = k < 8 ? 0 : 2;
    levels->addWidget(makeLabel(QStringLiteral("Label%1").arg(k + 1), QStringLiteral("LV%1").arg(k + 1)), row, col);
    auto* value = fields().text(elementName(QStringLiteral("Value"), k));
    value->setMinimumWidth(110);
    levels->addWidget(value, row, col + 1);
  }
  levels->setColumnMinimumWidth(2, 48);

  auto* left = new QVBoxLayout;
  left->addWidget(choices(), 0, Qt::AlignLeft);
  left->addLayout(levels);
  left->addStretch(1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addSpacing(12);
  layout->addLayout(buttons);
}

}  // namespace rt
