// romtables [IMAGE]: the editor. Starts at the main menu, with IMAGE chosen as
// Open NDS chooses it when one is given; the name lists are read from the
// folder that holds this program, the user's data folder or the installed ones;
// the translations beside the program or among the installed files.
#include "history/sqlite_journal.h"
#include "ui/language.h"
#include "ui/menus.h"
#include "editors/all_forms.h"
#include "editors/all_tables.h"

#include "model/name_list.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("RomTables"));
  app.setQuitOnLastWindowClosed(false);  // the main menu decides when the run ends
  rt::setDefaultJournalStore(rt::systemJournalStore());  // every image journals into its SQLite history

  const QString names = rt::nameListSearchPath(QCoreApplication::applicationDirPath(),
                                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  rt::AppContext context(names, rt::dialogFileChooser(), rt::dialogMessageSink());
  // The language chosen on the main menu, else the system's.
  rt::useLanguage(rt::chosenLanguage(*context.settings()),
                  rt::translationFolders(QCoreApplication::applicationDirPath()));
  context.setTables(rt::allTables());
  context.setMenus(rt::allMenuRows());
  rt::registerAllForms(context);
  auto* menu = new rt::MainMenu(context);
  rt::registerMenus(context, menu);
  QObject::connect(menu, &rt::MainMenu::quitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
  menu->load();
  menu->show();
  // The file a desktop or a file manager hands over: recovery, the header check
  // and the recent images, as for Open NDS.
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (!args.isEmpty()) menu->chooseImage(QFileInfo(args.front()).absoluteFilePath());
  const int code = app.exec();
  context.closeAllForms();
  delete menu;
  return code;
}
