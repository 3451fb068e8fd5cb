#pragma once
// The main menu `Main` (the program's only entry; it owns the choice of the ROM
// image) and the skill sub-menu `Main_2`. Both open the form of the selected
// row: row k of "Main.txt" (of "main_2.txt") opens the form the editors placed
// at row k of that menu (AppContext::menus()). Dispatch goes by row, not by text.
// "Table view" (Ctrl+T) opens the selected row's table as a grid instead.

#include "ui/app_context.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace rt {

class MainMenu : public QWidget {
  Q_OBJECT
 public:
  explicit MainMenu(AppContext& context);
  // Form_Load: the rows of "Main.txt", one per placed form, none selected.
  void load();

 signals:
  void quitRequested();

 public slots:
  void openClicked();  // Open_Click
  void editClicked();  // Edit_Click
  void exitClicked();  // Exit_Click
  void historyClicked();  // the History window (also Ctrl+H)
  // Makes `path` the image, as Open NDS, a recent image or a dropped file do:
  // shows its header, warns about a file that may not be a DS image, and
  // remembers it among the recent images.
  void chooseImage(const QString& path);
  void tableClicked();    // the table view of the selected row (also Ctrl+T)

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A new language: the texts made with the image's path and the lists' folders.
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void showPath(const QString& path);
  void showNameLists();
  void fillRecent();
  AppContext& context_;
  QListWidget* rows_;
  QLabel* path_;
  QLabel* header_;
  QPushButton* recent_;
  bool ending_ = false;
};

// The last images chosen, newest first, at most kRecentImages.
inline constexpr int kRecentImages = 8;
QStringList recentImages(AppContext& context);

class SkillMenu : public QWidget {
  Q_OBJECT
 public:
  explicit SkillMenu(AppContext& context);
  bool load();  // the rows of "main_2.txt", one per placed form, none selected

 public slots:
  void editClicked();
  void exitClicked();
  void tableClicked();  // the table view of the selected row (also Ctrl+T)

 private:
  AppContext& context_;
  QListWidget* rows_;
};

// Registers `Main_2` with the context, and makes "Main" name the main menu.
void registerMenus(AppContext& context, MainMenu* mainMenu);

}  // namespace rt
