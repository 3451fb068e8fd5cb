#include "ui/menus.h"
#include "ui/named_button.h"

#include "model/name_list.h"
#include "image/nds_header.h"
#include "ui/check_window.h"
#include "ui/compare_window.h"
#include "ui/merge_window.h"
#include "ui/editor_form.h"
#include "ui/language.h"
#include "ui/table_view.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

namespace rt {

namespace {

const QString kRecentKey = QStringLiteral("recentImages");

// The one local .nds file (any letter case) a drag carries; empty otherwise.
QString droppedImage(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return QFileInfo(path).suffix().compare(QLatin1String("nds"), Qt::CaseInsensitive) == 0 ? path : QString();
}

// The form of the selected row, or nothing when no row is selected.
QString selectedForm(QListWidget* rows, const QStringList& forms) {
  const int row = rows->currentRow();
  if (row < 0 || row >= forms.size() || !rows->currentItem() || !rows->currentItem()->isSelected()) return {};
  return forms[row];
}

// The table view of a row's form; the skill sub-menu's own row has no table of its own.
void openTableOf(AppContext& context, QWidget* menu, const QString& form) {
  if (context.gridViews().make(form, context.tables())) {
    showTableView(context, form);
    return;
  }
  context.messages().info(menu, MainMenu::tr("Table view"),
                          MainMenu::tr("This row opens a menu, not a table; choose one of its rows."));
}

}  // namespace

QStringList recentImages(AppContext& context) {
  return context.settings()->value(kRecentKey).toStringList().mid(0, kRecentImages);
}

MainMenu::MainMenu(AppContext& context)
    : QWidget(nullptr, Qt::Window), context_(context), rows_(new QListWidget(this)), path_(new QLabel(this)) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(QStringLiteral("RomTables"));
  rows_->setObjectName(QStringLiteral("List1"));
  path_->setObjectName(QStringLiteral("romPathLabel"));
  path_->setWordWrap(true);
  path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  header_ = new QLabel(this);
  header_->setObjectName(QStringLiteral("romHeaderLabel"));
  header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setAcceptDrops(true);  // an .nds file dropped on the menu is chosen

  auto* open = namedButton(this, QStringLiteral("Open"), MainMenu::tr("&Open NDS"));
  open->setToolTip(MainMenu::tr("Choose the ROM image (Ctrl+O)"));
  connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, &MainMenu::openClicked);
  auto* edit = namedButton(this, QStringLiteral("Edit"), MainMenu::tr("&Edit"));
  auto* exit = namedButton(this, QStringLiteral("Exit"), MainMenu::tr("E&xit"));
  recent_ = namedButton(this, QStringLiteral("Recent"), MainMenu::tr("&Recent images"));
  recent_->setToolTip(MainMenu::tr("The last images chosen"));
  recent_->setMenu(new QMenu(recent_));
  auto* table = namedButton(this, QStringLiteral("Table"), MainMenu::tr("&Table view"));
  table->setToolTip(MainMenu::tr("The selected row's table as a grid (Ctrl+T)"));
  connect(table, &QPushButton::clicked, this, &MainMenu::tableClicked);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, &MainMenu::tableClicked);
  auto* history = namedButton(this, QStringLiteral("History"), MainMenu::tr("&History"));
  history->setToolTip(MainMenu::tr("The saved changes of the image (Ctrl+H)"));
  connect(open, &QPushButton::clicked, this, &MainMenu::openClicked);
  connect(edit, &QPushButton::clicked, this, &MainMenu::editClicked);
  connect(exit, &QPushButton::clicked, this, &MainMenu::exitClicked);
  connect(history, &QPushButton::clicked, this, &MainMenu::historyClicked);
  auto* historyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
  connect(historyKey, &QShortcut::activated, this, &MainMenu::historyClicked);
  // Double-click or Enter on a row acts like "Edit".
  connect(rows_, &QListWidget::itemActivated, this, &MainMenu::editClicked);

  auto* credits = new QVBoxLayout;
  const QStringList lines = {QStringLiteral("RomTables"), MainMenu::tr("ROM table editor")};
  for (int i = 0; i < lines.size(); ++i) {
    auto* label = new QLabel(lines[i], this);
    label->setObjectName(QStringLiteral("Credits%1").arg(i + 1));
    label->setWordWrap(true);
    credits->addWidget(label);
  }

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(open);
  buttons->addWidget(recent_);
  buttons->addWidget(edit);
  addCompareButtons(context_, this, buttons);
  addMergeButton(context_, this, buttons);
  addCheckButton(context_, this, buttons);
  buttons->addWidget(table);
  buttons->addStretch();
  buttons->addLayout(credits);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(languageButton(this, context_));
  bottom->addWidget(history);
  bottom->addWidget(exit);
  buttons->addLayout(bottom);

  auto* top = new QHBoxLayout;
  top->addWidget(rows_, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  auto* where = new QHBoxLayout;
  where->addWidget(path_, 1);
  where->addWidget(header_);
  layout->addLayout(where);
  auto* lists = new QLabel(this);
  lists->setWordWrap(true);
  lists->setObjectName(QStringLiteral("Credits3"));
  lists->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lists);
  resize(560, 440);
  showPath(context_.rom().romPath());
  showNameLists();
  fillRecent();
}

void MainMenu::fillRecent() {
  QMenu* menu = recent_->menu();
  menu->clear();
  const QStringList recent = recentImages(context_);
  for (int i = 0; i < recent.size(); ++i) {
    QAction* action = menu->addAction(QStringLiteral("&%1  %2").arg(i + 1).arg(QDir::toNativeSeparators(recent[i])));
    action->setObjectName(QStringLiteral("Recent(%1)").arg(i));
    const QString path = recent[i];
    connect(action, &QAction::triggered, this, [this, path] { chooseImage(path); });
  }
  recent_->setEnabled(!recent.isEmpty());
}

void MainMenu::chooseImage(const QString& path) {
  if (!context_.openImage(this, path)) return;  // edits kept: the image stays
  showPath(path);
  header_->clear();
  QStringList recent = recentImages(context_);
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  context_.settings()->setValue(kRecentKey, recent.mid(0, kRecentImages));
  fillRecent();

  auto header = readNdsHeader(context_.rom());
  if (!header) return;  // openImage has said why the file cannot be read
  header_->setText(headerSummary(*header));
  std::int64_t needed = 0;
  for (const auto& table : context_.tables().all()) needed = std::max(needed, table->requiredSize());
  const QStringList warnings = imageWarnings(*header, QFileInfo(path).size(), needed);
  if (!warnings.isEmpty()) context_.reportError(this, MainMenu::tr("Open NDS"), warnings.join(QStringLiteral("\n\n")));
}

void MainMenu::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedImage(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainMenu::dropEvent(QDropEvent* event) {
  const QString path = droppedImage(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  chooseImage(path);
}

void MainMenu::load() {
  rows_->clear();
  auto rows = loadNameList(context_.namesDir(), QStringLiteral("Main.txt"), context_.menus().forms(MenuKind::Main).size());
  if (!rows) {
    context_.reportError(this, windowTitle(), rows.message());
    return;
  }
  rows_->addItems(*rows);
  rows_->setCurrentRow(-1);
}

void MainMenu::showNameLists() {
  QStringList folders;
  for (const QString& folder : context_.namesDir().split(QDir::listSeparator(), Qt::SkipEmptyParts))
    folders << QDir::toNativeSeparators(folder);
  if (auto* lists = findChild<QLabel*>(QStringLiteral("Credits3")))
    lists->setText(MainMenu::tr("Name lists: %1").arg(folders.join(MainMenu::tr(", then "))));
}

void MainMenu::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    showPath(context_.rom().romPath());
    showNameLists();
  }
  QWidget::changeEvent(event);
}

void MainMenu::showPath(const QString& path) {
  path_->setText(path.isEmpty() ? MainMenu::tr("no ROM image chosen")
                                : MainMenu::tr("ROM image: %1").arg(QDir::toNativeSeparators(path)));
}

void MainMenu::openClicked() {
  const QString chosen = context_.chooser().chooseRomImage(this, context_.rom().romPath());
  if (chosen.isEmpty()) return;  // cancelled: keep the image chosen before
  chooseImage(chosen);
}

void MainMenu::historyClicked() { context_.showForm(QStringLiteral("History")); }

void MainMenu::editClicked() {
  const int row = rows_->currentRow();
  const QStringList forms = context_.menus().forms(MenuKind::Main);
  if (row < 0 || row >= forms.size() || !rows_->currentItem() || !rows_->currentItem()->isSelected()) return;
  if (context_.rom().romPath().isEmpty()) {
    context_.reportError(this, MainMenu::tr("Edit"), MainMenu::tr("Choose a ROM image first: press Open NDS."));
    return;
  }
  context_.showForm(forms[row]);
}

void MainMenu::tableClicked() {
  const QString form = selectedForm(rows_, context_.menus().forms(MenuKind::Main));
  if (form.isEmpty()) return;
  if (context_.rom().romPath().isEmpty()) {
    context_.reportError(this, MainMenu::tr("Table view"), MainMenu::tr("Choose a ROM image first: press Open NDS."));
    return;
  }
  openTableOf(context_, this, form);
}

void MainMenu::exitClicked() {
  if (!context_.mayDropEdits(true)) return;  // edits kept: the program goes on
  ending_ = true;
  context_.closeAllForms();
  close();
  emit quitRequested();
}

void MainMenu::closeEvent(QCloseEvent* event) {
  // Closing the main menu ends the program, like its Exit.
  if (!ending_) {
    if (!context_.mayDropEdits(true)) {
      event->ignore();  // edits kept: the program goes on
      return;
    }
    ending_ = true;
    context_.closeAllForms();
    emit quitRequested();
  }
  event->accept();
}

SkillMenu::SkillMenu(AppContext& context) : QWidget(nullptr, Qt::Window), context_(context), rows_(new QListWidget(this)) {
  setObjectName(QStringLiteral("Main_2"));
  setWindowTitle(context.captionOf(QStringLiteral("Main_2")));
  rows_->setObjectName(QStringLiteral("List1"));
  auto* edit = namedButton(this, QStringLiteral("Edit"), MainMenu::tr("&Edit"));
  auto* exit = namedButton(this, QStringLiteral("Exit"), MainMenu::tr("E&xit"));
  auto* table = namedButton(this, QStringLiteral("Table"), MainMenu::tr("&Table view"));
  table->setToolTip(MainMenu::tr("The selected row's table as a grid (Ctrl+T)"));
  connect(table, &QPushButton::clicked, this, &SkillMenu::tableClicked);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this), &QShortcut::activated, this, &SkillMenu::tableClicked);
  connect(edit, &QPushButton::clicked, this, &SkillMenu::editClicked);
  connect(exit, &QPushButton::clicked, this, &SkillMenu::exitClicked);
  connect(rows_, &QListWidget::itemActivated, this, &SkillMenu::editClicked);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(edit);
  buttons->addWidget(table);
  buttons->addStretch();
  buttons->addWidget(exit);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(rows_, 1);
  layout->addLayout(buttons);
  resize(420, 260);
}

bool SkillMenu::load() {
  auto rows = loadNameList(context_.namesDir(), QStringLiteral("main_2.txt"), context_.menus().forms(MenuKind::Skills).size());
  if (!rows) {
    context_.reportError(nullptr, QStringLiteral("Main_2"), rows.message());
    return false;
  }
  rows_->addItems(*rows);
  rows_->setCurrentRow(-1);
  return true;
}

void SkillMenu::editClicked() {
  const int row = rows_->currentRow();
  const QStringList forms = context_.menus().forms(MenuKind::Skills);
  if (row < 0 || row >= forms.size() || !rows_->currentItem() || !rows_->currentItem()->isSelected()) return;
  context_.showForm(forms[row]);
}

void SkillMenu::tableClicked() {
  const QString form = selectedForm(rows_, context_.menus().forms(MenuKind::Skills));
  if (!form.isEmpty()) openTableOf(context_, this, form);
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
