#include "editors/skills/skill_grid_form.h"

#include "editors/skills/registry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

SkillGridForm::SkillGridForm(AppContext& context, const SkillGrid& grid)
    : ChoiceForm(context, grid.form, grid.caption, skillGridTable(grid), grid.blockNames, QStringLiteral("Main_2")) {
  auto* cells = new QGridLayout;
  cells->setHorizontalSpacing(6);
  cells->setVerticalSpacing(4);
  auto* corner = makeLabel(QStringLiteral("corner"), grid.corner);
  cells->addWidget(corner, 0, 0);
  for (int c = 0; c < grid.columnCount(); ++c) {
    auto* label = makeLabel(elementName(QStringLiteral("columnLabel"), c), grid.columns[c]);
    label->setAlignment(Qt::AlignCenter);
    cells->addWidget(label, 0, c + 1);
  }
  const int boxWidth = grid.width == 2 ? 72 : 52;
  for (int r = 0; r < grid.rowCount(); ++r) {
    cells->addWidget(makeLabel(elementName(QStringLiteral("rowLabel"), r), grid.rows[r]), r + 1, 0);
    for (int c = 0; c < grid.columnCount(); ++c) {
      QLineEdit* box = fields().text(elementName(QStringLiteral("val"), grid.valueIndex(r, c)));
      box->setMinimumWidth(boxWidth);
      box->setMaximumWidth(boxWidth + 24);
      box->setAlignment(Qt::AlignRight);
      cells->addWidget(box, r + 1, c + 1);
    }
  }

  auto* left = new QVBoxLayout;
  if (choices()) left->addWidget(choices(), 0, Qt::AlignLeft);
  left->addLayout(cells);
  left->addStretch(1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  if (grid.refresh) {
    QPushButton* refresh = makeButton(QStringLiteral("Refresh"), tr("Refresh"));
    connect(refresh, &QPushButton::clicked, this, &ChoiceForm::readSelected);  // Refresh_Click
    buttons->addWidget(refresh);
  }
  buttons->addWidget(exitButton());
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addSpacing(12);
  layout->addLayout(buttons);
}

}  // namespace rt
