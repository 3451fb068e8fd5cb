#include "editors/skills/registry.h"

#include "model/table_registry.h"
#include "editors/skills/skill_grid.h"

namespace rt {

void registerSkillsTables(TableRegistry& registry) {
  registry.add(pilotSkillAdapter());
  for (const SkillGrid& grid : skillGrids()) registry.add(skillGridAdapter(grid));
}

const FormPlace& pilotSkillPlace() {
  static const FormPlace place{QStringLiteral("PSkills"), QStringLiteral("PSkills"), MenuKind::Main, 8};
  return place;
}

void registerSkillsMenus(MenuRows& menus) {
  menus.add(pilotSkillPlace());
  // Row 13 of the main menu opens the skill sub-menu, whose rows open the grids.
  menus.add({QStringLiteral("Main_2"), QStringLiteral("Main_2"), MenuKind::Main, 13});
  const std::vector<SkillGrid>& grids = skillGrids();
  for (size_t k = 0; k < grids.size(); ++k)
    menus.add({grids[k].form, grids[k].caption, MenuKind::Skills, static_cast<int>(k)});
}

}  // namespace rt
