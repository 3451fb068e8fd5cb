// romtables: the editor. Starts at the main menu; the name lists are read from
// the folder that holds this program.
#include "core/ui/menus.h"
#include "editors/all_forms.h"
#include "editors/all_tables.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("RomTables"));
  app.setQuitOnLastWindowClosed(false);  // the main menu decides when the run ends

  rt::AppContext context(QCoreApplication::applicationDirPath(), rt::dialogFileChooser(), rt::dialogMessageSink());
  context.setTables(rt::allTables());
  context.setMenus(rt::allMenuRows());
  rt::registerAllForms(context);
  auto* menu = new rt::MainMenu(context);
  rt::registerMenus(context, menu);
  QObject::connect(menu, &rt::MainMenu::quitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
  menu->load();
  menu->show();
  const int code = app.exec();
  context.closeAllForms();
  delete menu;
  return code;
}
