#pragma once
// Where a form is reached from: its name (the window's objectName and the
// table's name on the command line), its window caption, and the row of a menu
// that opens it. Each editor declares its own; the menus only read them.

#include <QString>
#include <QStringList>

#include <vector>

namespace rt {

// The two menus: `Main` (rows of "Main.txt") and its skill sub-menu `Main_2`
// (rows of "main_2.txt").
enum class MenuKind { Main, Skills };

struct FormPlace {
  QString id;       // the form's name
  QString caption;  // its window caption
  MenuKind menu = MenuKind::Main;
  int row = 0;  // the row of that menu's name list that opens it
};

class MenuRows {
 public:
  void add(FormPlace place) { places_.push_back(std::move(place)); }
  // The form of each row of `menu`, row 0 first; a row nobody declared is empty.
  QStringList forms(MenuKind menu) const;
  const std::vector<FormPlace>& all() const { return places_; }
  // Why the rows are not one form per row from 0 up (a gap, a row taken
  // twice, a negative row, a form placed twice); empty when they are.
  QString problem() const;

 private:
  std::vector<FormPlace> places_;
};

}  // namespace rt
