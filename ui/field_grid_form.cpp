#include "ui/field_grid_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {
namespace {
constexpr int kRowsPerColumn = 12;
}

FieldGridForm::FieldGridForm(AppContext& context, const FormPlace& place, std::shared_ptr<const FixedTable> table)
    : RecordForm(context, place.id, place.caption, std::move(table),
                 place.menu == MenuKind::Skills ? QStringLiteral("Main_2") : QStringLiteral("Main")) {
  auto* grid = new QGridLayout;
  const std::vector<Field>& declared = fields().table().fields;
  for (int i = 0; i < static_cast<int>(declared.size()); ++i) {
    const Field& f = declared[static_cast<size_t>(i)];
    const int row = i % kRowsPerColumn, column = 2 * (i / kRowsPerColumn);
    grid->addWidget(makeLabel(QString(), f.caption.isEmpty() ? f.control : f.caption), row, column);
    if (f.kind != FieldKind::Flags) {
      grid->addWidget(fields().widget(f.control), row, column + 1);
      continue;
    }
    auto* boxes = new QHBoxLayout;
    for (int bit = 0; bit < 8; ++bit) {
      if (QCheckBox* box = fields().check(elementName(f.control, bit))) {
        box->setText(QString::number(bit));
        boxes->addWidget(box);
      }
    }
    boxes->addStretch(1);
    grid->addLayout(boxes, row, column + 1);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());
  auto* right = new QVBoxLayout;
  right->addLayout(grid);
  right->addStretch(1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addLayout(right, 3);
  recordList()->setMinimumWidth(160);
}

bool FieldGridForm::loadLists() {
  QStringList firstOfEachList;
  QList<NameListSource> seen;
  for (const ControlRef& c : fields().controls()) {
    const NameListSource& list = fields().table().fields[static_cast<size_t>(c.field)].list;
    if (c.kind != ControlKind::Combo || list.file.isEmpty() || seen.contains(list)) continue;
    seen << list;
    firstOfEachList << c.name;
  }
  return fillCombos(fields(), firstOfEachList);
}

}  // namespace rt
