#pragma once
#include "model/form_place.h"
#include "model/table_registry.h"

#include <functional>
#include <memory>
#include <vector>

namespace rt {
// Every table of every editor, for the command line and the tests.
TableRegistry allTables();
// Which form each row of the main menu and of the skill sub-menu opens.
MenuRows allMenuRows();

// A table declared where it is defined instead of in a subsystem's register
// functions: one object at namespace scope,
//   const DeclaredTable kTable{place, [] { return std::make_shared<FixedTable>(def, names); }};
// puts it on the command line (allTables), at its place in the menus
// (allMenuRows) and, for a FixedTable, behind a form laid out from its fields
// (registerAllForms). Its name is the place's id.
class DeclaredTable {
 public:
  using Make = std::function<std::shared_ptr<const TableAdapter>()>;
  DeclaredTable(FormPlace place, Make make);

  struct Entry {
    FormPlace place;
    Make make;
  };
  static const std::vector<Entry>& all();
};
}  // namespace rt
