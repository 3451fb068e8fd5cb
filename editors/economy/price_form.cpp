#include "editors/economy/price_form.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace rt {

PriceForm::PriceForm(AppContext& context, const PriceTable& prices)
    : RecordForm(context, prices.form, prices.form, priceTableDef(prices), prices.names) {
  auto* side = new QGridLayout;
  side->addWidget(makeLabel(QStringLiteral("UnicodeLabel1"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "售價"))), 0, 0);
  side->addWidget(fields().widget(QStringLiteral("sell")), 0, 1);
  side->setRowStretch(1, 1);
  side->addWidget(saveButton(), 2, 0, 1, 2);
  side->addWidget(exitButton(), 3, 0, 1, 2);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addLayout(side);
  resize(440, 420);
}

}  // namespace rt
