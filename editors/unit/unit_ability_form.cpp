#include "editors/unit/unit_ability_form.h"

#include "editors/unit/registry.h"

#include "editors/unit/check_caption.h"
#include "editors/unit/unit_ability_table.h"
#include "editors/unit/unit_table.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace rt {

int abilityFrameNumber(int b) {
  // Frames were numbered as they were drawn, not in byte order.
  static const int kFrames[kAbilityBytes] = {3, 1, 2, 4, 5, 10, 9, 8, 7, 6, 14, 13, 12, 11};
  return kFrames[b];
}

UnitAbilityForm::UnitAbilityForm(AppContext& context)
    : RecordForm(context, unitAbilityPlace().id, unitAbilityPlace().caption, unitAbilityTable(), unitNames()) {
  // Bytes A..E in the first column, F..J in the second, K..N in the third
  // below the buttons.
  QVBoxLayout* columns[3] = {new QVBoxLayout, new QVBoxLayout, new QVBoxLayout};
  columns[2]->addWidget(saveButton());
  columns[2]->addWidget(exitButton());
  columns[2]->addSpacing(8);

  std::vector<QGridLayout*> grids;
  QSize largest{0, 0};  // the largest box-and-caption pair
  for (int b = 0; b < kAbilityBytes; ++b) {
    const int n = abilityFrameNumber(b);
    // Captions follow the frame numbers: UnicodeLabel1(n-1) above frame n,
    // UnicodeLabel2(8(n-1)+k) beside box k inside it.
    auto* caption = makeLabel(elementName(QStringLiteral("UnicodeLabel1"), n - 1), abilityByteCaption(b));
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame%1").arg(n));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(4);
    for (int k = 0; k < 8; ++k) {
      QCheckBox* box = fields().check(elementName(abilityArrayName(b), k));
      auto* cell = new QHBoxLayout;
      cell->setSpacing(3);
      cell->addWidget(box);
      cell->addWidget(new CheckCaption(elementName(QStringLiteral("UnicodeLabel2"), 8 * (n - 1) + k),
                                       abilityCaption(b, k), box, frame));
      cell->addStretch(1);
      // Row r holds bit 2r on the left and bit 2r + 1 on the right.
      grid->addLayout(cell, k / 2, k % 2);
      largest = largest.expandedTo(cell->sizeHint());
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grids.push_back(grid);
    QVBoxLayout* column = columns[b < 5 ? 0 : b < 10 ? 1 : 2];
    column->addWidget(caption);
    column->addWidget(frame);
  }

  // Every cell of every frame as large as the largest pair needs: equal
  // frames, and the boxes line up from frame to frame.
  for (QGridLayout* grid : grids) {
    for (int c = 0; c < 2; ++c) grid->setColumnMinimumWidth(c, largest.width());
    for (int r = 0; r < 4; ++r) grid->setRowMinimumHeight(r, largest.height());
  }

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  // A larger window widens the list; the frames keep the width they need.
  layout->addWidget(recordList(), 1);
  for (QVBoxLayout* column : columns) {
    column->addStretch(1);
    layout->addLayout(column);
  }
  recordList()->setMinimumWidth(130);
  resize(minimumSizeHint());
}

}  // namespace rt
