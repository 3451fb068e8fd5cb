#include "editors/pilot/spirit_cost_table.h"

namespace rt {

TableDef spiritCostTable() {
  TableDef t{QStringLiteral("SPEdit"), 0xD4424, 28, 35, {}};
  t.fields = {
      byteField(QStringLiteral("SP_VAL"), 0x00, QStringLiteral("消耗SP")),  // SP the command consumes
      // 0x01..0x1B: the rest of the command's data, left alone
  };
  return t;
}

NameListSource spiritCostNames() { return {QStringLiteral("SP.txt"), 35}; }

}  // namespace rt
