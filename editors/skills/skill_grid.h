#pragma once
// The effect tables of single pilot skills: small grids of unsigned values,
// rows being skill levels (or morale, or levels against remaining HP) and
// columns the statistics the skill changes. Each grid is shown in the text-box
// array `val`; row captions, column captions and a corner caption head it.

#include "model/table_registry.h"

#include <QStringList>

#include <vector>

namespace rt {

struct SkillGrid {
  QString form;     // form name, also the table's name on the command line
  QString caption;  // window caption
  QString corner;   // names the two axes
  QStringList rows;
  QStringList columns;
  std::int64_t base = 0;  // first byte of block 0
  // Grids that come in several blocks of one shape: the distance between them
  // (the bytes between two grids belong to neither) and the names of the blocks.
  std::int64_t blockStride = 0;
  int blocks = 1;
  NameListSource blockNames;
  int width = 1;  // bytes per value
  // Empty: one run of bytes, row after row. Otherwise each column is an array
  // of its own, starting this far from `base`, and `val` runs column by column.
  std::vector<std::int64_t> columnStarts;
  bool refresh = false;  // has a `Refresh` button that rereads the grid

  int rowCount() const { return static_cast<int>(rows.size()); }
  int columnCount() const { return static_cast<int>(columns.size()); }
  int valueCount() const { return rowCount() * columnCount(); }
  // The `val` element shown in row r, column c.
  int valueIndex(int r, int c) const {
    return columnStarts.empty() ? columnCount() * r + c : rowCount() * c + r;
  }
};

// The seven grids, in the order of the skill menu.
const std::vector<SkillGrid>& skillGrids();
const SkillGrid* findSkillGrid(const QString& form);
TableDef skillGridTable(const SkillGrid& grid);

}  // namespace rt
