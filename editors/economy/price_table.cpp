#include "editors/economy/price_table.h"

#include "editors/layout.h"

namespace rt {

PriceTable partPrices() {
  // Item 0 of "parts.txt" is the "no part" entry of other lists, not a record here.
  return {QStringLiteral("Parts"), layout::kPartBase, layout::kPartStride, layout::kPartCount, layout::kPartPriceAt,
          {QStringLiteral("parts.txt"), layout::kPartCount, 1}};
}

PriceTable skillItemPrices() {
  return {QStringLiteral("Parts_2"), layout::kSkillItemBase, layout::kSkillItemStride, layout::kSkillItemCount,
          layout::kSkillItemPriceAt, {QStringLiteral("skills.txt"), layout::kSkillItemCount}};
}

TableDef priceTableDef(const PriceTable& prices) {
  TableDef t{prices.form, prices.base, prices.stride, prices.count, {}};
  t.fields = {int32Field(QStringLiteral("sell"), prices.priceOffset, QStringLiteral(QT_TRANSLATE_NOOP("Caption", "售價")))};  // selling price
  return t;
}

}  // namespace rt
