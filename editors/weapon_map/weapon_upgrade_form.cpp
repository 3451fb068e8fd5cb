#include "editors/weapon_map/weapon_upgrade_form.h"

#include "editors/weapon_map/registry.h"

#include "editors/weapon_map/weapon_upgrade_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

WeaponUpgradeForm::WeaponUpgradeForm(AppContext& context)
    : ChoiceForm(context, weaponUpgradePlace().id, weaponUpgradePlace().caption, weaponUpgradeTable(),
                 weaponUpgradeNameList()) {
  // LV1..LV8 in the left column, LV9..LV15 in the right.
  auto* grid = new QGridLayout;
  for (int k = 0; k < 15; ++k) {
    const int row = k % 8, col = k / 8;
    grid->addWidget(makeLabel(QStringLiteral("Label%1").arg(k + 1), QStringLiteral("LV%1").arg(k + 1)), row, 2 * col);
    grid->addWidget(fields().widget(elementName(QStringLiteral("Value"), k)), row, 2 * col + 1);
  }
  grid->setColumnMinimumWidth(2, 48);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(choices());
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);
  resize(420, 360);
}

}  // namespace rt
