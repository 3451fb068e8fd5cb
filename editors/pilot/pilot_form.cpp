#include "editors/pilot/pilot_form.h"

#include "editors/pilot/registry.h"

#include "editors/pilot/pilot_table.h"

#include "model/caption.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {
namespace {

constexpr int kCaptionCount = 19;  // 3 two-state flags + 8 + 8 special skill bits

// A text box that serves as a caption: it looks like a label and is skipped by Tab.
QLineEdit* captionBox(QWidget* parent, int k) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(elementName(QStringLiteral("nameT"), k));
  box->setReadOnly(true);
  box->setFrame(false);
  box->setFocusPolicy(Qt::NoFocus);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  box->setPalette(palette);
  return box;
}

}  // namespace

PilotForm::PilotForm(AppContext& context)
    : RecordForm(context, pilotPlace().id, pilotPlace().caption, pilotTable(), pilotNames()) {
  for (int k = 0; k < kCaptionCount; ++k) captionBoxes_.push_back(captionBox(this, k));
  auto w = [this](const QString& name) { return fields().widget(name); };
  auto at = [](const char* array, int k) { return elementName(QString::fromLatin1(array), k); };

  // Stats grid: one row per combat stat with its spirit command and the level
  // it is learnt at; below it the personality, boarding and series rows with
  // the three two-state flags beside the first three.
  auto* grid = new QGridLayout;
  grid->addWidget(makeLabel(QString(), QStringLiteral("SP")), 0, 0);
  grid->addWidget(w(QStringLiteral("PSP")), 0, 1);
  grid->addWidget(makeLabel(QString(), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "精神"))), 0, 2);
  grid->addWidget(makeLabel(QString(), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "修得等級"))), 0, 3);
  const QStringList stats = pilotStatCaptions();
  for (int k = 0; k < 6; ++k) {
    grid->addWidget(makeLabel(QString(), stats[k]), 1 + k, 0);
    grid->addWidget(w(at("Ab", k)), 1 + k, 1);
    grid->addWidget(w(at("SP", k)), 1 + k, 2);
    grid->addWidget(w(at("SP_LV", k)), 1 + k, 3);
  }
  const QStringList rowLabels = {QStringLiteral(QT_TRANSLATE_NOOP("Caption", "性格")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "搭乘限制")), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "關注作品")),
                                 QStringLiteral(QT_TRANSLATE_NOOP("Caption", "登場作品"))};
  const QStringList rowFields = {QStringLiteral("character"), QStringLiteral("sit"), QStringLiteral("story1"),
                                 QStringLiteral("story2")};
  for (int r = 0; r < 4; ++r) {
    grid->addWidget(makeLabel(QString(), rowLabels[r]), 7 + r, 0);
    grid->addWidget(w(rowFields[r]), 7 + r, 1);
    if (r < 3) {
      grid->addWidget(captionBoxes_[static_cast<size_t>(r)], 7 + r, 2);
      grid->addWidget(w(at("SpAP", r)), 7 + r, 3);
    }
  }
  grid->setColumnStretch(4, 1);

  // The two special-skill flag bytes, each check box captioned by its nameT box.
  auto flagFrame = [&](const QString& frameName, const QString& title, const char* array, int firstCaption) {
    auto* frame = new QGroupBox(shownCaption(title), this);
    frame->setObjectName(frameName);
    auto* boxes = new QGridLayout(frame);
    for (int k = 0; k < 8; ++k) {
      auto* row = new QHBoxLayout;
      row->setSpacing(2);
      row->addWidget(w(at(array, k)));
      row->addWidget(captionBoxes_[static_cast<size_t>(firstCaption + k)], 1);
      boxes->addLayout(row, k % 4, k / 4);
    }
    return frame;
  };
  auto* frames = new QHBoxLayout;
  frames->addWidget(flagFrame(QStringLiteral("Frame3"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "特殊技能A")), "PSpA", 3));
  frames->addWidget(flagFrame(QStringLiteral("Frame1"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "特殊技能B")), "PSpB", 11));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());

  auto* right = new QVBoxLayout;
  right->addLayout(grid);
  right->addLayout(frames);
  right->addStretch();
  right->addLayout(buttons);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addLayout(right);
  recordList()->setMinimumWidth(160);
  resize(sizeHint());  // the fields at their natural width; a larger window widens the list
}

bool PilotForm::loadLists() {
  QStringList captions;
  // In this order: SP.txt, SpAp.txt, name_pilot.txt, character.txt.
  if (!fillCombos(fields(), {QStringLiteral("SP(0)"), QStringLiteral("SpAP(0)")})) return false;
  if (!loadList({QStringLiteral("name_pilot.txt"), kCaptionCount}, &captions)) return false;
  for (int k = 0; k < kCaptionCount; ++k) {
    QLineEdit* box = captionBoxes_[static_cast<size_t>(k)];
    box->setText(captions[k]);
    box->setCursorPosition(0);
    // Wide enough for the whole caption: a caption must never be cut off.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(captions[k]) + 12);
  }
  return fillCombos(fields(), {QStringLiteral("character")});
}

}  // namespace rt
