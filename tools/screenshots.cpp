// romtables_screenshots IMAGE OUTPUT_DIR [--names DIR] [--language en|zh_TW]: renders every window of
// the editor to OUTPUT_DIR/<window>.png, reached as a user reaches it: the main
// menu on a copy of IMAGE, each row's editor and table view, the skill
// sub-menu's, the history after a few saves and the comparison of the copy with
// IMAGE, the merge of another hack of IMAGE into the copy, in the language given (English when none is). Prints one line per window, "<file> <width>x<height>"; exits 1 when a
// window did not open or a message reported a failure.
//
// Runs on the offscreen platform unless the environment names another, so every
// run renders alike, without a display.

#include "history/sqlite_journal.h"
#include "ui/check_window.h"
#include "ui/compare_window.h"
#include "ui/editor_form.h"
#include "ui/language.h"
#include "ui/menus.h"
#include "ui/merge_window.h"
#include "ui/table_view.h"
#include "editors/all_forms.h"
#include "editors/all_tables.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

QTextStream& err() {
  static QTextStream stream(stderr);
  return stream;
}

// Answers the file dialogs with the files queued, in turn, then with the file set last.
class PresetChooser final : public rt::FileChooser {
 public:
  QString next;
  QStringList queued;
  QString chooseRomImage(QWidget*, const QString&) override { return queued.isEmpty() ? next : queued.takeFirst(); }
};

// Prints every message; a failure makes the run fail. Questions are answered No,
// leaving a record with edits discards them.
class PrintingSink final : public rt::MessageSink {
 public:
  int failures = 0;
  void error(QWidget*, const QString& title, const QString& text) override {
    ++failures;
    err() << "error: " << title << ": " << text << Qt::endl;
  }
  void info(QWidget*, const QString& title, const QString& text) override {
    err() << "note: " << title << ": " << text << Qt::endl;
  }
  bool ask(QWidget*, const QString& title, const QString& question) override {
    err() << "asked (No): " << title << ": " << question << Qt::endl;
    return false;
  }
  Unsaved askUnsaved(QWidget*, const QString&, const QString&) override { return Unsaved::Discard; }
};

class Shooter {
 public:
  Shooter(PrintingSink& sink, const QString& outDir) : sink_(sink), out_(outDir) {}

  // Shows `window` at its own size, lets it lay out and paint, and saves it.
  void shoot(QWidget* window, const QString& name) {
    if (!window) {
      missing(name);
      return;
    }
    window->show();
    settle();
    const QString file = name + QStringLiteral(".png");
    const QPixmap pixmap = window->grab();
    if (!pixmap.save(out_.filePath(file))) {
      err() << "error: cannot write " << out_.filePath(file) << Qt::endl;
      ++sink_.failures;
      return;
    }
    QTextStream(stdout) << file << ' ' << window->width() << 'x' << window->height() << Qt::endl;
  }
  void missing(const QString& name) {
    err() << "error: the window " << name << " did not open" << Qt::endl;
    ++sink_.failures;
  }
  static void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

 private:
  PrintingSink& sink_;
  QDir out_;
};

// Selects `row` of a menu and presses one of its buttons, as a user would.
void press(QWidget* menu, int row, const QString& button) {
  auto* rows = menu->findChild<QListWidget*>(QStringLiteral("List1"));
  auto* b = menu->findChild<QPushButton*>(button);
  if (!rows || !b) return;
  rows->setCurrentRow(row);
  b->click();
}

// Picks record `row` of an editor, sets the number box `control` to `text` (or
// the next number, when it holds `text` already) and saves.
void saveThrough(QWidget* form, int row, const QString& control, const QString& text, PrintingSink& sink) {
  auto* list = form ? form->findChild<QListWidget*>(QStringLiteral("List1")) : nullptr;
  auto* box = form ? form->findChild<QLineEdit*>(control) : nullptr;
  auto* save = form ? form->findChild<QPushButton*>(QStringLiteral("Save")) : nullptr;
  if (!list || !box || !save) {
    err() << "error: cannot save " << control << " through its form" << Qt::endl;
    ++sink.failures;
    return;
  }
  list->setCurrentRow(row);
  box->setText(box->text() == text ? QString::number(text.toInt() + 1) : text);
  save->click();
}

// An editor that opens with no record picked (MAP's stage list waits for a
// click on a record) is shown its table's first record.
void showARecord(rt::AppContext& context, QWidget* window) {
  auto* editor = qobject_cast<rt::EditorForm*>(window);
  const rt::TableAdapter* table = editor ? context.tables().find(editor->objectName()) : nullptr;
  if (!table || !editor->shownRecord().isEmpty()) return;
  auto records = table->records(context.rom(), context.namesDir());
  if (records && !records->empty()) editor->showRecord(records->front().keys);
}

// The offscreen platform warns of every window feature it lacks; the rest is said.
QtMessageHandler platformMessages = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& where, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  if (platformMessages) {
    platformMessages(type, where, text);
  } else {
    err() << text << Qt::endl;
  }
}

int usage(const QString& problem) {
  err() << "romtables_screenshots: " << problem << "\n"
        << "usage: romtables_screenshots IMAGE OUTPUT_DIR [--names DIR]" << Qt::endl;
  return 2;
}

// Sets controls of one record and saves it through its table, as an import
// would: the links a careless edit breaks, for the Check window to show.
void saveValues(rt::AppContext& context, const QString& table, const QVariantMap& keys,
                const std::vector<std::pair<QString, QString>>& values, PrintingSink& sink) {
  const rt::TableAdapter* t = context.tables().find(table);
  auto fetched = t ? t->fetch(context.rom(), keys) : rt::Result<rt::FetchedRecord>::failure(table + QStringLiteral(": no such table"));
  if (!fetched) {
    sink.error(nullptr, QStringLiteral("Check"), fetched.message());
    return;
  }
  rt::RecordState state = fetched->state;
  const std::vector<rt::ControlRef> controls = t->controls();
  for (const auto& [name, text] : values)
    for (size_t i = 0; i < controls.size(); ++i)
      if (controls[i].name == name) state[i].text = text;
  const rt::SaveResult saved = rt::saveRecord(context.rom(), *t, fetched->ref, state,
                                              rt::recordTx(QStringLiteral("screenshots"), table, {keys}));
  if (!saved.status) sink.error(nullptr, QStringLiteral("Check"), saved.status.message());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  platformMessages = qInstallMessageHandler(quietPlatform);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  rt::setDefaultJournalStore(rt::systemJournalStore());  // every image journals into its SQLite history

  QStringList args = QApplication::arguments().mid(1);
  QString names = QApplication::applicationDirPath();
  if (const qsizetype at = args.indexOf(QStringLiteral("--names")); at >= 0) {
    if (at + 1 >= args.size()) return usage(QStringLiteral("--names needs a folder"));
    names = args[at + 1];
    args.remove(at, 2);
  }
  rt::Language language = rt::Language::English;
  if (const qsizetype at = args.indexOf(QStringLiteral("--language")); at >= 0) {
    if (at + 1 >= args.size()) return usage(QStringLiteral("--language needs en or zh_TW"));
    if (args[at + 1] == rt::languageCode(rt::Language::Chinese)) language = rt::Language::Chinese;
    else if (args[at + 1] != rt::languageCode(rt::Language::English)) return usage(QStringLiteral("--language needs en or zh_TW"));
    args.remove(at, 2);
  }
  if (!rt::useLanguage(language, rt::translationFolders(QApplication::applicationDirPath())))
    return usage(QStringLiteral("no translation file for ") + rt::languageCode(language));
  if (args.size() != 2) return usage(QStringLiteral("an image and an output folder are needed"));
  const QString clean = QFileInfo(args[0]).absoluteFilePath();
  const QDir outDir(args[1]);
  if (!QDir().mkpath(outDir.absolutePath())) return usage(QStringLiteral("cannot make ") + outDir.absolutePath());

  // The windows edit a copy, so the image given stays the clean side of the comparison.
  QTemporaryDir work;
  const QString image = work.filePath(QStringLiteral("sample.nds"));
  if (!work.isValid() || !QFile::copy(clean, image)) return usage(QStringLiteral("cannot copy ") + clean);

  auto chooser = std::make_shared<PresetChooser>();
  auto sink = std::make_shared<PrintingSink>();
  rt::AppContext context(names, chooser, sink);
  context.setSettingsFile(work.filePath(QStringLiteral("settings.ini")));  // the user's recent images stay as they are
  context.setTables(rt::allTables());
  context.setMenus(rt::allMenuRows());
  rt::registerAllForms(context);
  rt::MainMenu menu(context);
  rt::registerMenus(context, &menu);
  menu.load();
  chooser->next = image;
  press(&menu, -1, QStringLiteral("Open"));
  Shooter shooter(*sink, outDir.absolutePath());

  // A few saves, for the history and the comparison to show.
  const QStringList mainForms = context.menus().forms(rt::MenuKind::Main);
  const QStringList skillForms = context.menus().forms(rt::MenuKind::Skills);
  const auto editorAt = [&](int row) {
    press(&menu, row, QStringLiteral("Edit"));
    return context.openForm(mainForms.value(row));
  };
  QWidget* spirit = editorAt(int(mainForms.indexOf(QStringLiteral("SPEdit"))));
  saveThrough(spirit, 2, QStringLiteral("SP_VAL"), QStringLiteral("45"), *sink);
  saveThrough(spirit, 5, QStringLiteral("SP_VAL"), QStringLiteral("12"), *sink);
  saveThrough(editorAt(int(mainForms.indexOf(QStringLiteral("Pilot")))), 1, QStringLiteral("PSP"), QStringLiteral("80"),
              *sink);
  context.closeAllForms();

  shooter.shoot(&menu, QStringLiteral("Main"));
  // Each row's editor, then its table view; the sub-menu's row opens the sub-menu.
  const auto shootRow = [&](QWidget* owner, int row, const QString& form) {
    press(owner, row, QStringLiteral("Edit"));
    QWidget* window = context.openForm(form);
    showARecord(context, window);
    shooter.shoot(window, form);
    if (window) window->close();
    if (!context.gridViews().make(form, context.tables())) return;
    press(owner, row, QStringLiteral("Table"));
    QWidget* view = context.openForm(rt::tableViewName(form));
    shooter.shoot(view, QStringLiteral("Table-") + form);
    if (view) view->close();
  };
  for (int row = 0; row < mainForms.size(); ++row) {
    if (mainForms[row] != QLatin1String("Main_2")) {
      shootRow(&menu, row, mainForms[row]);
      continue;
    }
    press(&menu, row, QStringLiteral("Edit"));
    QWidget* skills = context.openForm(QStringLiteral("Main_2"));
    shooter.shoot(skills, QStringLiteral("Main_2"));
    if (!skills) continue;
    for (int sub = 0; sub < skillForms.size(); ++sub) shootRow(skills, sub, skillForms[sub]);
    skills->close();
  }

  menu.findChild<QPushButton*>(QStringLiteral("History"))->click();
  shooter.shoot(context.openForm(QStringLiteral("History")), QStringLiteral("History"));

  chooser->next = clean;
  menu.findChild<QPushButton*>(QStringLiteral("Compare"))->click();
  auto* compare = qobject_cast<rt::CompareWindow*>(context.openForm(QStringLiteral("Compare")));
  if (compare && compare->busy()) {
    // The comparison runs on a thread of its own; the tree fills when it is done.
    QEventLoop loop;
    QObject::connect(compare, &rt::CompareWindow::compared, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (compare && compare->busy()) {
    err() << "error: the comparison did not finish within a minute" << Qt::endl;
    ++sink->failures;
  }
  shooter.shoot(compare, QStringLiteral("Compare"));
  context.closeAllForms();

  // Merge: another hack of the same clean image, made from the copy as it is
  // now, with a change of its own and one the copy made differently.
  const QString other = work.filePath(QStringLiteral("other_hack.nds"));
  if (!QFile::copy(image, other)) return usage(QStringLiteral("cannot copy ") + image);
  chooser->next = other;
  press(&menu, -1, QStringLiteral("Open"));
  QWidget* otherSpirit = editorAt(int(mainForms.indexOf(QStringLiteral("SPEdit"))));
  saveThrough(otherSpirit, 2, QStringLiteral("SP_VAL"), QStringLiteral("50"), *sink);
  saveThrough(otherSpirit, 7, QStringLiteral("SP_VAL"), QStringLiteral("30"), *sink);
  context.closeAllForms();
  chooser->next = image;
  press(&menu, -1, QStringLiteral("Open"));
  chooser->queued = {other, clean};
  menu.findChild<QPushButton*>(QStringLiteral("Merge"))->click();
  auto* merge = qobject_cast<rt::MergeWindow*>(context.openForm(QStringLiteral("Merge")));
  if (merge && merge->busy()) {
    QEventLoop loop;
    QObject::connect(merge, &rt::MergeWindow::ready, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (merge && merge->busy()) {
    err() << "error: the merge did not read the changes within a minute" << Qt::endl;
    ++sink->failures;
  }
  shooter.shoot(merge, QStringLiteral("Merge"));
  context.closeAllForms();

  // Check, on a few links broken: a pilot code past the pilots, a unit's
  // weapons past the weapon table, two units sharing weapons.
  saveValues(context, QStringLiteral("MAP"), {{QStringLiteral("stage"), 0}, {QStringLiteral("index"), 0}},
             {{QStringLiteral("pilot_code"), QStringLiteral("1F0")}}, *sink);
  saveValues(context, QStringLiteral("Unit"), {{QStringLiteral("index"), 302}},
             {{QStringLiteral("first_weapon"), QStringLiteral("987")}, {QStringLiteral("noOfWeapon"), QStringLiteral("5")}},
             *sink);
  saveValues(context, QStringLiteral("Unit"), {{QStringLiteral("index"), 1}}, {{QStringLiteral("first_weapon"), QStringLiteral("0")}},
             *sink);
  menu.findChild<QPushButton*>(QStringLiteral("Check"))->click();
  shooter.shoot(context.openForm(QStringLiteral("Check")), QStringLiteral("Check"));

  context.closeAllForms();
  return sink->failures == 0 ? 0 : 1;
}
