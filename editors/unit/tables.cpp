#include "editors/unit/registry.h"

#include "model/table_registry.h"
#include "editors/unit/unit_ability_table.h"
#include "editors/unit/unit_picture_table.h"
#include "editors/unit/unit_table.h"

namespace rt {

void registerUnitTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(unitTable(), unitNames()));
  registry.add(std::make_shared<FixedTable>(unitAbilityTable(), unitNames()));
  registry.add(std::make_shared<FixedTable>(unitPictureTable(), unitNames()));
}

const FormPlace& unitPlace() {
  static const FormPlace place{QStringLiteral("Unit"), QStringLiteral("Units"), MenuKind::Main, 3};
  return place;
}

const FormPlace& unitAbilityPlace() {
  static const FormPlace place{QStringLiteral("UnitSP"), QStringLiteral("UnitSP"), MenuKind::Main, 6};
  return place;
}

const FormPlace& unitPicturePlace() {
  static const FormPlace place{QStringLiteral("Unit_Pic"), QStringLiteral("Unit_Pic"), MenuKind::Main, 12};
  return place;
}

void registerUnitMenus(MenuRows& menus) {
  menus.add(unitPlace());
  menus.add(unitAbilityPlace());
  menus.add(unitPicturePlace());
}

}  // namespace rt
