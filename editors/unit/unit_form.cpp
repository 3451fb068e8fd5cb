#include "editors/unit/unit_form.h"

#include "editors/unit/registry.h"

#include "editors/unit/check_caption.h"
#include "editors/unit/unit_table.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

namespace {
const QString kLabel1 = QStringLiteral("UnicodeLabel1");
}

UnitForm::UnitForm(AppContext& context)
    : RecordForm(context, unitPlace().id, unitPlace().caption, unitTable(), unitNames()) {
  int labelIndex = 0;
  auto addRows = [&](QGridLayout* grid, const QStringList& controls) {
    for (const QString& name : controls) {
      const int row = grid->rowCount();
      grid->addWidget(makeLabel(elementName(kLabel1, labelIndex++), fields().caption(name)), row, 0);
      grid->addWidget(fields().widget(name), row, 1);
    }
  };

  // First column: statistics, then the movement types in their frame.
  auto* first = new QGridLayout;
  addRows(first, {QStringLiteral("HP"), QStringLiteral("EN"), QStringLiteral("VIT"), QStringLiteral("DEX"),
                  QStringLiteral("AGI"), QStringLiteral("MOV"), QStringLiteral("money"), QStringLiteral("sit"),
                  QStringLiteral("BGM"), QStringLiteral("noOfPilots"), QStringLiteral("size"),
                  QStringLiteral("story1"), QStringLiteral("story2"), QStringLiteral("EXP"), QStringLiteral("Item"),
                  QStringLiteral("MWeapon")});
  const int moveRow = first->rowCount();
  first->addWidget(makeLabel(elementName(kLabel1, labelIndex++), fields().caption(QStringLiteral("MoveT"))), moveRow, 0, 1, 2);
  auto* frame2 = new QGroupBox(this);
  frame2->setObjectName(QStringLiteral("Frame2"));
  auto* moves = new QHBoxLayout(frame2);
  static const char* const kMoveCaptions[] = {"空", "陸", "海"};
  for (int k = 0; k < 3; ++k) {
    QCheckBox* box = fields().check(elementName(QStringLiteral("MoveT"), k));
    moves->addWidget(box);
    moves->addWidget(new CheckCaption(elementName(QStringLiteral("UnicodeLabel2"), k),
                                      QString::fromUtf8(kMoveCaptions[k]), box, frame2));
    moves->addSpacing(12);
  }
  moves->addStretch(1);
  first->addWidget(frame2, moveRow + 1, 0, 1, 2);
  first->setRowStretch(first->rowCount(), 1);

  // Second column: terrain ranks, upgrades, weapons, name pointers.
  auto* second = new QGridLayout;
  QStringList secondControls;
  for (int k = 0; k < 4; ++k) secondControls << elementName(QStringLiteral("ground"), k);
  for (int k = 0; k < 6; ++k) secondControls << elementName(QStringLiteral("UEdit"), k);
  secondControls << QStringLiteral("first_weapon") << QStringLiteral("noOfWeapon");
  for (int k = 0; k < 3; ++k) secondControls << elementName(QStringLiteral("name_ptr"), k);
  addRows(second, secondControls);
  second->setRowStretch(second->rowCount(), 1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addSpacing(8);
  layout->addLayout(first);
  layout->addSpacing(16);
  layout->addLayout(second);
  layout->addSpacing(16);
  layout->addLayout(buttons);
  resize(900, 640);
}

bool UnitForm::loadLists() {
  // In this order: ground.txt, MWeapon.txt, Size.txt.
  return fillCombos(fields(), {QStringLiteral("ground(0)"), QStringLiteral("MWeapon"), QStringLiteral("size")});
}

}  // namespace rt
