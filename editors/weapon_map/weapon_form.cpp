#include "editors/weapon_map/weapon_form.h"

#include "editors/weapon_map/registry.h"

#include "model/table_registry.h"
#include "editors/weapon_map/weapon_table.h"

#include "model/caption.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace rt {

namespace {

// Field captions stand to the left of their controls, in two columns of ten.
const char* const kLeftColumn[] = {"ATK", "EN", "Shoot", "CT", "Bullet", "Bullet_N", "chiu", "BGM", "max_S", "min_S"};
const char* const kRightColumn[] = {"MAP", "gotha1", "gotha2", "special", "sp_lv",
                                    "EWeapon", "ground(0)", "ground(1)", "ground(2)", "ground(3)"};

}  // namespace

WeaponForm::WeaponForm(AppContext& context)
    : TableForm(context, weaponPlace().id, weaponPlace().caption, weaponRecords(), QStringLiteral("Main")),
      units_(new QListWidget(this)),
      weapons_(new QListWidget(this)) {
  units_->setObjectName(QStringLiteral("List1"));
  weapons_->setObjectName(QStringLiteral("List2"));
  connect(units_, &QListWidget::currentRowChanged, this, &WeaponForm::showUnitWeapons);
  connect(weapons_, &QListWidget::currentRowChanged, this, &WeaponForm::readWeaponRecord);
  focusFirst({units_, weapons_});

  units_->setMinimumWidth(170);
  weapons_->setMinimumWidth(170);
  auto* lists = new QVBoxLayout;
  lists->addWidget(units_, 3);
  lists->addWidget(makeLabel(QStringLiteral("UnicodeLabel1(7)"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器"))));
  lists->addWidget(weapons_, 2);

  auto* grid = new QGridLayout;
  for (int row = 0; row < 10; ++row) {
    for (int col = 0; col < 2; ++col) {
      const QString name = QString::fromLatin1(col == 0 ? kLeftColumn[row] : kRightColumn[row]);
      grid->addWidget(makeLabel(QString(), fields().caption(name)), row, 2 * col);
      grid->addWidget(fields().widget(name), row, 2 * col + 1);
    }
  }
  grid->setRowStretch(10, 1);

  // Flag captions: text boxes filled from name lists, or fixed labels.
  QList<QWidget*> a, b, fixedB, d, fixedNoneB;
  for (int i = 0; i < 8; ++i) {
    captionA_ << makeCaptionBox(elementName(QStringLiteral("EPropertyA"), i));
    captionB_ << makeCaptionBox(elementName(QStringLiteral("EPropertyB"), i));
    captionD_ << makeCaptionBox(elementName(QStringLiteral("EPropertyD"), i));
    a << captionA_.back();
    b << captionB_.back();
    d << captionD_.back();
    fixedNoneB << makeLabel(elementName(QStringLiteral("UnicodeLabel2"), 32 + i), QStringLiteral("?"));
  }
  fixedB << makeLabel(QStringLiteral("Label1"), QStringLiteral("ミラ"));
  for (int i = 1; i <= 5; ++i)
    fixedB << makeLabel(elementName(QStringLiteral("UnicodeLabel2"), 16 + i), WeaponForm::tr("OSkill L%1").arg(i + 1));
  for (int i = 22; i <= 23; ++i) fixedB << makeLabel(elementName(QStringLiteral("UnicodeLabel2"), i), QStringLiteral("---"));

  auto* frames = new QGridLayout;
  frames->addWidget(makeFlagFrame(1, QStringLiteral("EProperty"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "武器屬性")), a), 0, 0);
  frames->addWidget(makeFlagFrame(2, QStringLiteral("RequirementA"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "必要條件A")), b), 0, 1);
  frames->addWidget(makeFlagFrame(3, QStringLiteral("RequirementB"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "必要條件B")), fixedB), 1, 0);
  frames->addWidget(makeFlagFrame(4, QStringLiteral("noneA"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "無效化A")), d), 1, 1);
  frames->addWidget(makeFlagFrame(5, QStringLiteral("noneB"), QStringLiteral(QT_TRANSLATE_NOOP("Caption", "無效化B")), fixedNoneB), 2, 0);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveButton());
  buttons->addWidget(exitButton());
  frames->addLayout(buttons, 2, 1);
  frames->setRowStretch(3, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addLayout(grid);
  layout->addLayout(frames);
  resize(1240, 560);
}

QLineEdit* WeaponForm::makeCaptionBox(const QString& name) {
  auto* box = new QLineEdit(this);
  box->setObjectName(name);
  box->setReadOnly(true);  // a caption only: never read back or saved
  box->setFocusPolicy(Qt::NoFocus);
  box->setMinimumWidth(96);
  return box;
}

QWidget* WeaponForm::makeFlagFrame(int frame, const QString& group, const QString& caption,
                                   const QList<QWidget*>& captions) {
  auto* box = new QGroupBox(shownCaption(caption), this);
  box->setObjectName(QStringLiteral("Frame%1").arg(frame));
  auto* grid = new QGridLayout(box);
  // Box 0 top left, box 1 top right, box 2 second row left, ... box 7 bottom right.
  for (int i = 0; i < 8; ++i) {
    QWidget* check = fields().widget(elementName(group, i));
    check->setParent(box);
    captions[i]->setParent(box);
    grid->addWidget(check, i / 2, 2 * (i % 2));
    grid->addWidget(captions[i], i / 2, 2 * (i % 2) + 1);
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return box;
}

bool WeaponForm::load() {
  QStringList units, a, b, d;
  // The combo lists in this order: EWeapon.txt, ground.txt, special.txt.
  if (!loadList(weaponUnitNameList(), &units) || !loadList(weaponNameList(), &weaponNames_) ||
      !fillCombos(fields(), {QStringLiteral("EWeapon"), QStringLiteral("ground(0)"), QStringLiteral("special")}) ||
      !loadList({QStringLiteral("ERequirementA.txt"), 8}, &a) || !loadList({QStringLiteral("ERequirementB.txt"), 8}, &b) ||
      !loadList({QStringLiteral("ERequirementD.txt"), 8}, &d))
    return false;
  units_->addItems(units);
  for (int i = 0; i < 8; ++i) {
    captionA_[i]->setText(a[i]);
    captionB_[i]->setText(b[i]);
    captionD_[i]->setText(d[i]);
    captionA_[i]->setCursorPosition(0);
    captionB_[i]->setCursorPosition(0);
    captionD_[i]->setCursorPosition(0);
  }
  units_->setCurrentRow(0);  // shows unit 0 and its first weapon
  return true;
}

void WeaponForm::reread() {
  const int weapon = weapons_->currentRow();
  showUnitWeapons();  // where the unit's weapons start comes from the image
  if (weapon > 0 && weapon < weapons_->count()) weapons_->setCurrentRow(weapon);
}

bool WeaponForm::showRecord(const QVariantMap& keys) {
  bool ok = false;
  const int weapon = keys.value(QStringLiteral("index")).toInt(&ok);
  if (!ok) return false;
  for (int unit = 0; unit < units_->count(); ++unit) {
    auto weapons = readUnitWeapons(context().rom(), unit);
    if (!weapons || weapon < weapons->first || weapon >= weapons->first + weapons->count) continue;
    units_->setCurrentRow(unit);
    weapons_->setCurrentRow(weapon - weapons->first);
    return true;
  }
  return false;
}

void WeaponForm::showUnitWeapons() {
  weapons_->clear();
  fields().clear();
  firstWeapon_ = -1;
  weaponCount_ = 0;
  const int unit = units_->currentRow();
  if (unit < 0) return;
  auto weapons = readUnitWeapons(context().rom(), unit);
  if (!weapons) {
    reportError(weapons.message());
    return;
  }
  firstWeapon_ = weapons->first;
  weaponCount_ = weapons->count;
  QStringList rows;
  for (int k = 0; k < weaponCount_; ++k) rows << weaponListText(weaponNames_, firstWeapon_ + k);
  weapons_->addItems(rows);
  if (weaponCount_ > 0) weapons_->setCurrentRow(0);  // shows the first weapon
}

void WeaponForm::readWeaponRecord() {
  const int row = weapons_->currentRow();
  if (row < 0 || firstWeapon_ < 0) return;
  // A unit's weapons may run past the table; those show the bytes they land in.
  showRecord(weaponRecords()->recordAt(firstWeapon_ + row));
}

void WeaponForm::writeWeaponRecord() {
  const int row = weapons_->currentRow();
  const QString unit = units_->currentItem() ? units_->currentItem()->text() : QString();
  if (firstWeapon_ >= 0 && weaponCount_ == 0) {
    reportError(WeaponForm::tr("%1 has no weapons; there is nothing to save.").arg(unit));
    return;
  }
  if (row < 0 || firstWeapon_ < 0) {
    reportError(WeaponForm::tr("No weapon is selected; nothing was saved."));
    return;
  }
  if (!savesWhereRead()) return;
  const int weapon = firstWeapon_ + row;
  if (!weaponInTable(weapon)) {
    reportError(WeaponForm::tr("Weapon %1 of %2 lies past the weapon table (%3 records, 0 to %4): its bytes belong "
                               "to the unit table, so it cannot be saved here. Nothing was saved.")
                    .arg(weapon)
                    .arg(unit)
                    .arg(weapon_layout::kCount)
                    .arg(weapon_layout::kCount - 1));
    return;
  }
  saveShown(weaponRecords()->recordAt(weapon));
}

QVariantMap WeaponForm::shownRecord() const {
  const int weapon = firstWeapon_ + weapons_->currentRow();
  if (firstWeapon_ < 0 || weapons_->currentRow() < 0 || !weaponInTable(weapon)) return {};
  return {{QStringLiteral("index"), weapon}};
}

}  // namespace rt
