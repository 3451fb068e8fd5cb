#pragma once
#include "ui/choice_form.h"
#include "editors/skills/skill_grid.h"

namespace rt {
// One form for every skill effect grid: the grid under its corner, row and
// column captions; `choices` above it when the grid comes in several blocks;
// `Refresh` beside `Save` when the grid has one.
class SkillGridForm : public ChoiceForm {
  Q_OBJECT
 public:
  SkillGridForm(AppContext& context, const SkillGrid& grid);
};
}  // namespace rt
