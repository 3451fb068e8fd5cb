#include "core/ui/menus.h"

#include "core/name_list.h"
#include "core/ui/editor_form.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

namespace rt {

const QStringList& mainMenuForms() {
  static const QStringList forms = {
      QStringLiteral("SPEdit"),  QStringLiteral("money"),   QStringLiteral("Pilot"),  QStringLiteral("Unit"),
      QStringLiteral("Weapon"),  QStringLiteral("EWeapon"), QStringLiteral("UnitSP"), QStringLiteral("Rules"),
      QStringLiteral("PSkills"), QStringLiteral("MAP"),     QStringLiteral("Parts"),  QStringLiteral("Parts_2"),
      QStringLiteral("Unit_Pic"), QStringLiteral("Main_2"), QStringLiteral("character")};
  return forms;
}

const QStringList& skillMenuForms() {
  static const QStringList forms = {QStringLiteral("Skills_Edit"),       QStringLiteral("Skills_Edit_Atk"),
                                    QStringLiteral("Skills_Edit_Hp"),    QStringLiteral("skills_edit_xin"),
                                    QStringLiteral("Skills_edit_super"), QStringLiteral("Skills_Edit_Fire"),
                                    QStringLiteral("Skills_Edit_OverSkill")};
  return forms;
}

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

MainMenu::MainMenu(AppContext& context)
    : QWidget(nullptr, Qt::Window), context_(context), list1_(new QListWidget(this)), path_(new QLabel(this)) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(QStringLiteral("Main"));
  list1_->setObjectName(QStringLiteral("List1"));
  path_->setObjectName(QStringLiteral("romPathLabel"));
  path_->setWordWrap(true);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* open = button(this, QStringLiteral("Open"), QStringLiteral("Open NDS"));
  auto* edit = button(this, QStringLiteral("Edit"), QStringLiteral("Edit"));
  auto* exit = button(this, QStringLiteral("Exit"), QStringLiteral("Exit"));
  auto* history = button(this, QStringLiteral("History"), QStringLiteral("History"));
  history->setToolTip(QStringLiteral("The saved changes of the image (Ctrl+H)"));
  connect(open, &QPushButton::clicked, this, &MainMenu::openClicked);
  connect(edit, &QPushButton::clicked, this, &MainMenu::editClicked);
  connect(exit, &QPushButton::clicked, this, &MainMenu::exitClicked);
  connect(history, &QPushButton::clicked, this, &MainMenu::historyClicked);
  auto* historyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
  connect(historyKey, &QShortcut::activated, this, &MainMenu::historyClicked);
  // Double-click or Enter on a row acts like "Edit".
  connect(list1_, &QListWidget::itemActivated, this, &MainMenu::editClicked);

  auto* credits = new QVBoxLayout;
  const QStringList lines = {QStringLiteral("RomTables"), QStringLiteral("ROM table editor")};
  for (int i = 0; i < lines.size(); ++i) {
    auto* label = new QLabel(lines[i], this);
    label->setObjectName(QStringLiteral("Credits%1").arg(i + 1));
    label->setWordWrap(true);
    credits->addWidget(label);
  }

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(open);
  buttons->addWidget(edit);
  buttons->addStretch();
  buttons->addLayout(credits);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(history);
  bottom->addWidget(exit);
  buttons->addLayout(bottom);

  auto* top = new QHBoxLayout;
  top->addWidget(list1_, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(path_);
  auto* lists = new QLabel(QStringLiteral("Name lists: %1").arg(QDir::toNativeSeparators(context_.namesDir())), this);
  lists->setObjectName(QStringLiteral("Credits3"));
  lists->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lists);
  resize(520, 420);
  showPath(context_.rom().romPath());
}

void MainMenu::load() {
  list1_->clear();
  auto rows = loadNameList(context_.namesDir(), QStringLiteral("Main.txt"), mainMenuForms().size());
  if (!rows) {
    context_.reportError(this, windowTitle(), rows.message());
    return;
  }
  list1_->addItems(*rows);
  list1_->setCurrentRow(-1);
}

void MainMenu::showPath(const QString& path) {
  path_->setText(path.isEmpty() ? QStringLiteral("no ROM image chosen")
                                : QStringLiteral("ROM image: %1").arg(QDir::toNativeSeparators(path)));
}

void MainMenu::openClicked() {
  const QString chosen = context_.chooser().chooseRomImage(this, context_.rom().romPath());
  if (chosen.isEmpty()) return;  // cancelled: keep the image chosen before
  showPath(chosen);
  context_.openImage(this, chosen);
}

void MainMenu::historyClicked() { context_.showForm(QStringLiteral("History")); }

void MainMenu::editClicked() {
  const int row = list1_->currentRow();
  if (row < 0 || row >= mainMenuForms().size() || !list1_->currentItem() || !list1_->currentItem()->isSelected())
    return;
  if (context_.rom().romPath().isEmpty()) return;  // nothing to edit before a ROM image is chosen
  context_.showForm(mainMenuForms()[row]);
}

void MainMenu::exitClicked() {
  ending_ = true;
  context_.closeAllForms();
  close();
  emit quitRequested();
}

void MainMenu::closeEvent(QCloseEvent* event) {
  // Closing the main menu ends the program, like its Exit.
  if (!ending_) {
    ending_ = true;
    context_.closeAllForms();
    emit quitRequested();
  }
  event->accept();
}

SkillMenu::SkillMenu(AppContext& context) : QWidget(nullptr, Qt::Window), context_(context), list1_(new QListWidget(this)) {
  setObjectName(QStringLiteral("Main_2"));
  setWindowTitle(QStringLiteral("Main_2"));
  list1_->setObjectName(QStringLiteral("List1"));
  auto* edit = button(this, QStringLiteral("Edit"), QStringLiteral("Edit"));
  auto* exit = button(this, QStringLiteral("Exit"), QStringLiteral("Exit"));
  connect(edit, &QPushButton::clicked, this, &SkillMenu::editClicked);
  connect(exit, &QPushButton::clicked, this, &SkillMenu::exitClicked);
  connect(list1_, &QListWidget::itemActivated, this, &SkillMenu::editClicked);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(edit);
  buttons->addStretch();
  buttons->addWidget(exit);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list1_, 1);
  layout->addLayout(buttons);
  resize(420, 260);
}

bool SkillMenu::load() {
  auto rows = loadNameList(context_.namesDir(), QStringLiteral("main_2.txt"), skillMenuForms().size());
  if (!rows) {
    context_.reportError(nullptr, QStringLiteral("Main_2"), rows.message());
    return false;
  }
  list1_->addItems(*rows);
  list1_->setCurrentRow(-1);
  return true;
}

void SkillMenu::editClicked() {
  const int row = list1_->currentRow();
  if (row < 0 || row >= skillMenuForms().size() || !list1_->currentItem() || !list1_->currentItem()->isSelected())
    return;
  context_.showForm(skillMenuForms()[row]);
}

void SkillMenu::exitClicked() {
  AppContext& context = context_;
  close();
  context.showForm(QStringLiteral("Main"));
}

void registerMenus(AppContext& context, MainMenu* mainMenu) {
  context.registerWindow(QStringLiteral("Main"), mainMenu);
  context.registerForm(QStringLiteral("Main_2"), formFactory<SkillMenu>());
}

}  // namespace rt
