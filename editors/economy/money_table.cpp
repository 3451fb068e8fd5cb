#include "editors/economy/money_table.h"

#include "editors/layout.h"

#include "editors/economy/registry.h"

namespace rt {
namespace {
constexpr int kLevels = layout::kMoneyLevels;
constexpr int kColumns = layout::kMoneyColumns;
constexpr std::int64_t kLevelSize = 4 * kColumns;  // one row of the table
}  // namespace

TableDef moneyTable() {
  TableDef t{moneyPlace().id, layout::kMoneyBase, 4, kColumns, {}};
  // Column c starts at the table + 4c; level n+1 of it lies n rows further.
  for (int k = 0; k < kLevels; ++k)
    t.fields.push_back(int32Field(elementName(QStringLiteral("Value"), k), kLevelSize * k,
                                  QStringLiteral("LV%1").arg(k + 1)));
  return t;
}

NameListSource moneyColumnNames() { return {QStringLiteral("choices.txt"), kColumns}; }

}  // namespace rt
