#include "editors/economy/price_table.h"

namespace rt {

PriceTable partPrices() {
  // Item 0 of "parts.txt" is the "no part" entry of other lists, not a record here.
  return {QStringLiteral("Parts"), 0x76804, 28, 47, 0x14, {QStringLiteral("parts.txt"), 47, 1}};
}

PriceTable skillItemPrices() {
  return {QStringLiteral("Parts_2"), 0x75E8C, 20, 22, 0x10, {QStringLiteral("skills.txt"), 22}};
}

TableDef priceTableDef(const PriceTable& prices) {
  TableDef t{prices.form, prices.base, prices.stride, prices.count, {}};
  t.fields = {int32Field(QStringLiteral("sell"), prices.priceOffset, QStringLiteral("售價"))};  // selling price
  return t;
}

}  // namespace rt
