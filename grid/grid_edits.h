#pragma once
// The edits of a table view, staged until Save. Each edited row is checked
// whole, as its form's save checks a record, whenever one of its cells
// changes; the bytes it would write are kept with it. Only the bits an edit
// changes are written, so a field nobody edited keeps whatever the image holds
// (a "none" byte a row would store differently, a change another window made
// since). Save writes every edited row as one transaction.

#include "grid/grid_source.h"

#include <memory>
#include <optional>
#include <vector>

namespace rt {

struct CellValue {
  int row = 0;  // index into rows()
  int control = 0;
  ControlValue value;
};

// A refused value: the row, the control (-1: the row as a whole) and why.
struct GridRejection {
  int row = -1;
  int control = -1;
  QString message;
};

// An edited cell whose value in the image changed since the view read it.
struct GridStale {
  int row = -1;
  StaleControl cell;
};

struct GridSaveResult {
  Status status;
  std::optional<GridRejection> rejected;  // set when an edited row does not convert
  std::vector<GridStale> stale;           // set when these stopped the save; nothing was written
  int records = 0;                        // rows written
  std::int64_t bytesChanged = 0;
};

class GridEdits {
 public:
  // `rom` is what encoding may read (a pointer's target, the image's size) and where Save writes.
  GridEdits(std::shared_ptr<const GridSource> source, RomImage& rom) : source_(std::move(source)), rom_(rom) {}

  const GridSource& source() const { return *source_; }
  RomImage& rom() const { return rom_; }
  const std::vector<GridRow>& rows() const { return rows_; }
  // New rows; every edit is dropped.
  void setRows(std::vector<GridRow> rows);
  // New rows read again from the image. An edited record that is still there
  // keeps its edited values over what was read; the others' edits are dropped.
  void rebase(std::vector<GridRow> rows);

  const ControlValue& value(int row, int control) const;
  const RecordState& state(int row) const;
  bool edited(int row, int control) const;
  bool rowEdited(int row) const { return edits_[static_cast<size_t>(row)] != nullptr; }
  // The reason a cell (or, for control -1, its row) is refused; null when it is not.
  const QString* rejection(int row, int control) const;
  int editedCells() const { return editedCells_; }
  int editedRows() const;
  // Rows whose values changed since the last call (for repainting).
  std::vector<int> takeChangedRows() { return std::exchange(changedRows_, {}); }

  // Whether every value may be taken: each row they touch is checked whole
  // with them. Returns the first refused one; nothing is taken either way.
  std::optional<GridRejection> check(const std::vector<CellValue>& values) const;
  // Takes the values (typing into a cell takes even a refused value, which is
  // then marked; a paste checks first).
  void take(const std::vector<CellValue>& values);
  // Drops every edit.
  void revert();
  // Writes every edited row in one transaction named `txSource` in the
  // history, or nothing when a row is refused or the write fails. Inside the
  // transaction the rows are read again (names from `namesDir`); unless
  // `overwrite`, an edited cell whose value changed since the view read it
  // stops the save. Only the bytes the edited cells change over the rows as
  // they are now are written.
  GridSaveResult save(const QString& txSource, const QString& namesDir, bool overwrite = false);
  // Edited cells whose value in the image changed since they were read (a
  // save elsewhere, seen by a later read): the row and the control.
  std::vector<std::pair<int, int>> changedUnderneath() const;

 private:
  struct RowEdit {
    RecordState state;
    // The values the edits were made over, kept for edited cells across a
    // reread; empty while they are the row's state.
    RecordState read;
    std::vector<ByteWrite> writes;  // the bits the edits change
    std::vector<int> cells;         // the controls whose value differs from the row's
    int changed = 0;                // how many
    std::optional<FieldError> refused;
  };
  void refresh(int row);
  // An edit of no cells yet, from the spares when there is one; retire()
  // keeps a finished edit's room (its state's vector, its lists) for the next:
  // a save of every row frees and the next edits allocate nothing.
  std::unique_ptr<RowEdit> freshEdit();
  void retire(std::unique_ptr<RowEdit>& edit);
  const RecordState& readOf(size_t row) const;
  // What the history says a save of `rows` (each its own record) wrote.
  TxInfo ownRecordsTx(const QString& txSource, const std::vector<size_t>& rows);
  bool encodes(int row, const RecordState& state, FieldError* error) const;

  std::shared_ptr<const GridSource> source_;
  RomImage& rom_;
  std::vector<GridRow> rows_;
  bool sharedRecords_ = false;  // some row stands for others' records (its history list)
  std::vector<QByteArray> keyTexts_;  // per row, its keys as the history keeps them, made at its first save
  static constexpr std::int64_t kIndexUnknown = -2, kNoIndex = -1;
  std::vector<std::int64_t> keyIndex_;  // per row, the index that alone addresses its record, found at its first save
  std::vector<std::unique_ptr<RowEdit>> edits_;
  std::vector<std::unique_ptr<RowEdit>> spare_;  // at most one a row
  int editedCells_ = 0;
  std::vector<int> changedRows_;
};

}  // namespace rt
