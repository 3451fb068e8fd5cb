#include "editors/weapon_map/map_form.h"

#include "editors/weapon_map/registry.h"

#include "model/conversions.h"
#include "model/table_registry.h"
#include "editors/weapon_map/deployment_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

namespace {

// The three field columns, top to bottom; an entry naming a name box has no caption.
const char* const kLeader[] = {"pilot_code", "pilot_name", "unit_code", "unit_name", "MUlv", "MWlv",
                               "MX", "MY", "Morder", "Mlv", "Maction", "Mene"};
const char* const kMiddle[] = {"Mparts(0)", "Mparts(1)", "MSkills(0)", "MSkills(1)", "pilot_code_2", "pilot_name_2",
                               "unit_code_2", "unit_name_2", "Ulv", "Wlv", "X", "Y"};
const char* const kRight[] = {"order", "lv", "action", "ene",
                              "minor_part(0)", "minor_part(1)", "minor_skill(0)", "minor_skill(1)"};

}  // namespace

MapForm::MapForm(AppContext& context)
    : TableForm(context, mapPlace().id, mapPlace().caption, deployments(), QStringLiteral("Main")),
      stages_(new QListWidget(this)),
      deployments_(new QListWidget(this)),
      leaderPilotName_(makeNameBox(QStringLiteral("pilot_name"))),
      leaderUnitName_(makeNameBox(QStringLiteral("unit_name"))),
      partnerPilotName_(makeNameBox(QStringLiteral("pilot_name_2"))),
      partnerUnitName_(makeNameBox(QStringLiteral("unit_name_2"))) {
  stages_->setObjectName(QStringLiteral("List1"));
  deployments_->setObjectName(QStringLiteral("List2"));
  connect(stages_, &QListWidget::currentRowChanged, this, &MapForm::listStageRecords);
  connect(deployments_, &QListWidget::currentRowChanged, this, &MapForm::readDeployment);
  focusFirst({stages_, deployments_});

  auto* deployments = new QVBoxLayout;
  deployments->addWidget(makeLabel(QStringLiteral("UnicodeLabel1(0)"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "戰場配置"))));
  deployments->addWidget(deployments_, 1);

  auto* grid = new QGridLayout;
  int label = 1;  // captions are UnicodeLabel1(1)..(28), column by column
  auto place = [&](const char* const* names, int count, int column) {
    for (int row = 0; row < count; ++row) {
      const QString name = QString::fromLatin1(names[row]);
      if (QWidget* field = fields().widget(name)) {
        const QString caption = fields().caption(name);
        grid->addWidget(makeLabel(elementName(QStringLiteral("UnicodeLabel1"), label++), caption), row, 2 * column);
        grid->addWidget(field, row, 2 * column + 1);
      } else {
        grid->addWidget(findChild<QLineEdit*>(name), row, 2 * column + 1);  // a name box has no caption
      }
    }
  };
  place(kLeader, 12, 0);
  place(kMiddle, 12, 1);
  place(kRight, 8, 2);
  for (int c : {1, 3, 5}) grid->setColumnMinimumWidth(c, 150);
  grid->setRowStretch(12, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());
  grid->addLayout(buttons, 10, 4, 2, 2, Qt::AlignBottom);

  // A larger window widens the two lists; the fields keep their width.
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(stages_, 1);
  layout->addLayout(deployments, 1);
  layout->addLayout(grid);
  resize(1240, 460);
}

QLineEdit* MapForm::makeNameBox(const QString& name) {
  auto* box = new QLineEdit(this);
  box->setObjectName(name);
  box->setReadOnly(true);  // shows the name of a code; never written
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

bool MapForm::load() {
  QStringList stages;
  // The combo lists in this order: parts.txt, skills.txt, tene.txt.
  if (!loadList(stageNameList(), &stages) || !loadList(mapPilotNameList(), &pilotNames_) ||
      !loadList(mapUnitNameList(), &unitNames_) ||
      !fillCombos(fields(), {QStringLiteral("Mparts(0)"), QStringLiteral("MSkills(0)"), QStringLiteral("Mene")}))
    return false;
  stages_->addItems(stages);
  fields().clear();

  auto offsets = readStageOffsets(context().rom());
  if (!offsets) {
    reportError(QStringLiteral("%1 cannot open.\n%2").arg(objectName(), offsets.message()));
    return false;
  }
  stageOffsets_ = *offsets;
  return true;  // nothing selected: the user picks a stage, then a record
}

void MapForm::reread() {
  const int record = deployments_->currentRow();
  auto offsets = readStageOffsets(context().rom());
  if (!offsets) {
    stageOffsets_.clear();  // lists nothing rather than another image's stages
    reportError(offsets.message());
  } else {
    stageOffsets_ = *offsets;
  }
  listStageRecords();  // the leader codes listed come from the image too
  if (record >= 0 && record < deployments_->count()) deployments_->setCurrentRow(record);
}

bool MapForm::showRecord(const QVariantMap& keys) {
  bool stageOk = false, indexOk = false;
  const int stage = keys.value(QStringLiteral("stage")).toInt(&stageOk);
  const int index = keys.value(QStringLiteral("index")).toInt(&indexOk);
  if (!stageOk || !indexOk || stage < 0 || stage >= stages_->count()) return false;
  if (stages_->currentRow() != stage) stages_->setCurrentRow(stage);
  if (index < 0 || index >= deployments_->count()) return false;
  deployments_->setCurrentRow(index);
  return true;
}

void MapForm::listStageRecords() {
  deployments_->clear();
  stageRecords_.clear();
  fields().clear();
  showNames();
  const int stage = stages_->currentRow();
  if (stage < 0 || stage >= static_cast<int>(stageOffsets_.size())) return;
  // Where the stage's records lie is the deployment table's to say; the stage
  // offset is the one read when the form opened.
  auto records = deployments()->stageRecords(context().rom(), stage, stageOffsets_[static_cast<size_t>(stage)]);
  if (!records) {
    reportError(records.message());
    return;
  }
  stageRecords_ = std::move(records.value());
  QStringList rows;
  rows.reserve(static_cast<qsizetype>(stageRecords_.size()));
  for (const RecordRef& r : stageRecords_) rows << r.name;
  deployments_->addItems(rows);
}

const RecordRef* MapForm::selectedRecord() const {
  const int row = deployments_->currentRow();
  if (row < 0 || row >= static_cast<int>(stageRecords_.size())) return nullptr;
  return &stageRecords_[static_cast<size_t>(row)];
}

void MapForm::showNames() {
  auto nameOf = [](const QString& code, const QStringList& names) {
    auto n = parseHexWord(code);
    return n ? codeName(names, *n) : QString();
  };
  leaderPilotName_->setText(nameOf(fields().text(QStringLiteral("pilot_code"))->text(), pilotNames_));
  leaderUnitName_->setText(nameOf(fields().text(QStringLiteral("unit_code"))->text(), unitNames_));
  partnerPilotName_->setText(nameOf(fields().text(QStringLiteral("pilot_code_2"))->text(), pilotNames_));
  partnerUnitName_->setText(nameOf(fields().text(QStringLiteral("unit_code_2"))->text(), unitNames_));
}

void MapForm::readDeployment() {
  const RecordRef* record = selectedRecord();
  if (!record) return;
  showRecord(*record);
  showNames();
}

void MapForm::writeDeployment() {
  const RecordRef* record = selectedRecord();
  if (!record) {
    reportError(MapForm::tr("No deployment record is selected; nothing was saved."));
    return;
  }
  if (!saveShown(*record)) return;
  showNames();
  // A record's row names its leader's code: the list shows what was just saved.
  const int stage = stages_->currentRow();
  auto records = deployments()->stageRecords(context().rom(), stage, stageOffsets_[static_cast<size_t>(stage)]);
  if (!records || records->size() != stageRecords_.size()) return;
  stageRecords_ = std::move(records.value());
  for (size_t i = 0; i < stageRecords_.size(); ++i)
    deployments_->item(static_cast<int>(i))->setText(stageRecords_[i].name);
}

QVariantMap MapForm::shownRecord() const {
  if (!selectedRecord()) return {};
  return {{QStringLiteral("stage"), stages_->currentRow()}, {QStringLiteral("index"), deployments_->currentRow()}};
}

}  // namespace rt
