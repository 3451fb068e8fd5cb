#include "editors/economy/registry.h"

#include "editors/layout.h"

#include "model/table_registry.h"
#include "editors/economy/money_table.h"
#include "editors/economy/price_table.h"
#include "editors/economy/rules_table.h"

namespace rt {
namespace {

// A fixed table whose records are not laid out the usual way; the listing says how.
class NotedTable final : public FixedTable {
 public:
  NotedTable(TableDef def, NameListSource names, QString note)
      : FixedTable(std::move(def), std::move(names)), note_(std::move(note)) {}
  QString note() const override { return note_; }

 private:
  QString note_;
};

}  // namespace

void registerEconomyTables(TableRegistry& registry) {
  registry.add(std::make_shared<NotedTable>(moneyTable(), moneyColumnNames(),
                                            QStringLiteral("a record is column c; Value(k) is int32 at base + 4c + 40k")));
  for (const PriceTable& prices : {partPrices(), skillItemPrices()})
    registry.add(std::make_shared<FixedTable>(priceTableDef(prices), prices.names));
  registry.add(std::make_shared<NotedTable>(rulesTable(), NameListSource{},
                                            QStringLiteral("ATKLimit: u16 at 0x%1; ExpLimit: u16 at 0x%2")
                                                .arg(QString::number(layout::kWeaponAttackLimit, 16).toUpper(),
                                                     QString::number(layout::kExpGainLimit, 16).toUpper())));
}

const FormPlace& moneyPlace() {
  static const FormPlace place{QStringLiteral("money"), QStringLiteral("Money"), MenuKind::Main, 1};
  return place;
}

const FormPlace& rulesPlace() {
  static const FormPlace place{QStringLiteral("Rules"), QStringLiteral("Rules"), MenuKind::Main, 7};
  return place;
}

void registerEconomyMenus(MenuRows& menus) {
  menus.add(moneyPlace());
  menus.add(rulesPlace());
  menus.add({partPrices().form, partPrices().form, MenuKind::Main, 10});
  menus.add({skillItemPrices().form, skillItemPrices().form, MenuKind::Main, 11});
}

}  // namespace rt
