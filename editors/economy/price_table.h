#pragma once
#include "model/table_registry.h"

namespace rt {
// A price list: records of `stride` bytes at `base`, each holding one signed
// 32-bit selling price at `priceOffset`; the rest of a record is left alone.
struct PriceTable {
  QString form;
  std::int64_t base = 0;
  std::int64_t stride = 0;
  int count = 0;
  std::int64_t priceOffset = 0;
  NameListSource names;
};

PriceTable partPrices();       // Parts: 47 part records of 28 bytes at 0x76804
PriceTable skillItemPrices();  // Parts_2: 22 skill item records of 20 bytes at 0x75E8C
TableDef priceTableDef(const PriceTable& prices);
}  // namespace rt
