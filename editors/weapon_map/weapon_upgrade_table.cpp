#include "editors/weapon_map/weapon_upgrade_table.h"

#include "editors/layout.h"

#include "editors/weapon_map/registry.h"

namespace rt {

namespace {
constexpr int kLevels = layout::kUpgradeLevels;
constexpr std::int64_t kLevelStride = 8;  // four u16 per level
}  // namespace

TableDef weaponUpgradeTable() {
  // Column c starts at the table + 2c; level k + 1 of it at + 8k.
  TableDef t{weaponUpgradePlace().id, layout::kWeaponUpgradeBase, 2, layout::kUpgradeStepTypes, {}};
  for (int k = 0; k < kLevels; ++k)
    t.fields.push_back(wordField(elementName(QStringLiteral("Value"), k), kLevelStride * k,
                                 QStringLiteral("LV%1").arg(k + 1)));
  return t;
}

NameListSource weaponUpgradeNameList() { return {QStringLiteral("EWeapon.txt"), layout::kUpgradeStepTypes}; }

}  // namespace rt
