#include "editors/pilot/spirit_cost_form.h"

#include "editors/pilot/registry.h"

#include "editors/pilot/spirit_cost_table.h"

#include <QGridLayout>
#include <QHBoxLayout>

namespace rt {

SpiritCostForm::SpiritCostForm(AppContext& context)
    : RecordForm(context, spiritCostPlace().id, spiritCostPlace().caption, spiritCostTable(), spiritCostNames()) {
  auto* grid = new QGridLayout;
  grid->addWidget(makeLabel(QStringLiteral("UnicodeLabel1"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "消耗SP"))), 0, 0);
  grid->addWidget(fields().widget(QStringLiteral("SP_VAL")), 0, 1);
  grid->setRowStretch(1, 1);
  grid->addWidget(saveButton(), 2, 0, 1, 2);
  grid->addWidget(exitButton(), 3, 0, 1, 2);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addLayout(grid);
  resize(420, 360);
}

}  // namespace rt
