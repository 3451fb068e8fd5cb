#include "editors/pilot/spirit_cost_table.h"

#include "editors/layout.h"
#include "editors/pilot/registry.h"

namespace rt {

TableDef spiritCostTable() {
  TableDef t{spiritCostPlace().id, layout::kSpiritBase, layout::kSpiritStride, layout::kSpiritCount, {}};
  t.fields = {
      byteField(QStringLiteral("SP_VAL"), 0x00, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "消耗SP"))),  // SP the command consumes
      // 0x01..0x1B: the rest of the command's data, left alone
  };
  return t;
}

NameListSource spiritCostNames() { return {QStringLiteral("SP.txt"), layout::kSpiritCount}; }

}  // namespace rt
