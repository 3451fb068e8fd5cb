#include "editors/unit/registry.h"

#include "core/table_registry.h"
#include "editors/unit/unit_ability_table.h"
#include "editors/unit/unit_picture_table.h"
#include "editors/unit/unit_table.h"

namespace rt {

void registerUnitTables(TableRegistry& registry) {
  registry.add(std::make_shared<FixedTable>(unitTable(), unitNames()));
  registry.add(std::make_shared<FixedTable>(unitAbilityTable(), unitNames()));
  registry.add(std::make_shared<FixedTable>(unitPictureTable(), unitNames()));
}

}  // namespace rt
