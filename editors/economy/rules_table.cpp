#include "editors/economy/rules_table.h"

#include "editors/layout.h"

#include "editors/economy/registry.h"

namespace rt {

TableDef rulesTable() {
  TableDef t{rulesPlace().id, 0, 0, 1, {}};
  t.fields = {
      wordField(QStringLiteral("ATKLimit"), layout::kWeaponAttackLimit, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器攻擊力上限"))),  // weapon attack power cap
      wordField(QStringLiteral("ExpLimit"), layout::kExpGainLimit, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "經驗值獲得上限"))),  // experience gain cap
  };
  return t;
}

}  // namespace rt
