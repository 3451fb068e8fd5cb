#pragma once
// The main menu `Main` (the program's only entry; it owns the choice of the ROM
// image) and the skill sub-menu `Main_2`. Both open the form of the selected row.

#include "core/ui/app_context.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

namespace rt {

// Row k of "Main.txt" opens mainMenuForms()[k]; row k of "main_2.txt" opens
// skillMenuForms()[k]. Dispatch goes by row, not by text.
const QStringList& mainMenuForms();
const QStringList& skillMenuForms();

class MainMenu : public QWidget {
  Q_OBJECT
 public:
  explicit MainMenu(AppContext& context);
  // Form_Load: the 15 rows of "Main.txt", none selected.
  void load();

 signals:
  void quitRequested();

 public slots:
  void openClicked();  // Open_Click
  void editClicked();  // Edit_Click
  void exitClicked();  // Exit_Click
  void historyClicked();  // the History window (also Ctrl+H)

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void showPath(const QString& path);
  AppContext& context_;
  QListWidget* list1_;
  QLabel* path_;
  bool ending_ = false;
};

class SkillMenu : public QWidget {
  Q_OBJECT
 public:
  explicit SkillMenu(AppContext& context);
  bool load();  // the 7 rows of "main_2.txt", none selected

 public slots:
  void editClicked();
  void exitClicked();

 private:
  AppContext& context_;
  QListWidget* list1_;
};

// Registers `Main_2` with the context, and makes "Main" name the main menu.
void registerMenus(AppContext& context, MainMenu* mainMenu);

}  // namespace rt
