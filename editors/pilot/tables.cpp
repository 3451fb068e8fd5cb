#include "editors/pilot/registry.h"

#include "model/table_registry.h"

#include "editors/pilot/personality_table.h"
#include "editors/pilot/pilot_table.h"
#include "editors/pilot/spirit_cost_table.h"

namespace rt {

void registerPilotTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(spiritCostTable(), spiritCostNames()));
  registry.add(std::make_shared<FixedTable>(pilotTable(), pilotNames()));
  registry.add(std::make_shared<FixedTable>(personalityTable(), personalityNames()));
}

const FormPlace& spiritCostPlace() {
  static const FormPlace place{QStringLiteral("SPEdit"), QStringLiteral("SPEdit"), MenuKind::Main, 0};
  return place;
}

const FormPlace& pilotPlace() {
  static const FormPlace place{QStringLiteral("Pilot"), QStringLiteral("Pilot"), MenuKind::Main, 2};
  return place;
}

const FormPlace& personalityPlace() {
  static const FormPlace place{QStringLiteral("character"), QStringLiteral("character"), MenuKind::Main, 14};
  return place;
}

void registerPilotMenus(MenuRows& menus) {
  menus.add(spiritCostPlace());
  menus.add(pilotPlace());
  menus.add(personalityPlace());
}

}  // namespace rt
