#pragma once
// The table view's model: one row per record and one column per control over
// a GridSource, read once, each cell formatted only when the view asks for it.
// Edits are staged in GridEdits until Save. The proxy sorts (numbers by
// value, combo boxes by their list's order) and filters; the delegate edits a
// combo cell with a combo box of its list.

#include "grid/grid_edits.h"
#include "grid/grid_filter.h"
#include "model/references.h"
#include "model/shown_value.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>

#include <optional>
#include <utility>

namespace rt {

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class ColumnKind { Key, Name, Offset, Info, Control, UsedBy };
  struct Column {
    ColumnKind kind;
    int index;  // key, info or control number
    QString caption;
    QString tip;
  };

  GridModel(std::shared_ptr<const GridSource> source, RomImage& rom, QString namesDir, QObject* parent = nullptr);

  // Reads every row; edits are dropped.
  Status load();
  // Reads every row again, keeping the edits of records still there.
  Status reload();

  const GridSource& source() const { return edits_.source(); }
  GridEdits& edits() { return edits_; }
  const GridEdits& edits() const { return edits_; }
  const std::vector<Column>& columns() const { return columns_; }
  // The key and name columns, which stay in view when scrolling sideways.
  int frozenColumns() const { return static_cast<int>(keyNames_.size()) + 1; }
  int columnOfControl(int control) const { return firstControl_ + control; }
  int controlOf(int column) const;  // -1 when the column holds no control
  // A cell's number (keys, offsets, numeric text, a combo's row, a check box
  // as 0/1); false when the cell holds no number.
  bool number(int row, int column, double* value) const;
  bool numeric(int column) const;
  // A column of words: notes (info columns) and combo boxes, whose items a filter word may name.
  bool textColumn(int column) const;
  // The value `text` stands for in `column` as it shows values: hex in a hex
  // column or the offset, a list's item (its name or row number) in a combo
  // column, a number elsewhere; nullopt and why when it stands for none.
  std::optional<double> valueOf(int column, const QString& text, QString* why) const;
  // A cell as it is shown and copied: a combo box's item, a check box as 1/0.
  QString text(int row, int column) const;
  // "Weapon 12 (name)": a row in messages.
  QString rowName(int row) const;
  // "攻擊力 [ATK]": a column in messages.
  QString columnName(int column) const;
  // What a cell would hold for pasted `text`; fails, saying why, for text
  // no control of the column could hold. A read-only column takes only its own text (nullopt).
  Result<std::optional<ControlValue>> parseCell(int row, int column, const QString& text) const;
  // The loaded items of a combo control's list; null when there is none.
  const QStringList* listOf(int control) const { return lists_[static_cast<size_t>(control)]; }

  // How many records of other tables name each row's record (a column after
  // the controls, added the first time it is given), and the check's problems:
  // each shades the cell of the field it names, the message in its tooltip.
  void setLinks(const std::vector<int>* usedBy, const std::vector<Problem>& problems);
  // The problem a cell shows; null when none.
  const Problem* problemAt(int row, int column) const;

  void setShade(bool on);
  bool shade() const { return shade_; }
  // Stages values and repaints the rows they change.
  void take(const std::vector<CellValue>& values);
  void revert();
  // Saves the edits (GridEdits::save); `overwrite` writes over cells saved elsewhere since read.
  GridSaveResult save(const QString& txSource, bool overwrite = false);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void editsChanged();

 private:
  void buildColumns();
  void changed();
  std::pair<double, double> rangeOf(int column) const;  // of a numeric column, for shading

  GridEdits edits_;
  QString namesDir_;
  QStringList keyNames_;
  std::vector<Column> columns_;
  int firstControl_ = 0;
  ListCache listCache_;
  std::vector<const QStringList*> lists_;  // per control
  bool shade_ = false;
  std::vector<int> usedBy_;           // by record index
  QHash<QString, Problem> problems_;  // by record keys and control name
  QString problemKey(int row, int control) const;
  mutable std::vector<std::optional<std::pair<double, double>>> ranges_;  // per column
};

// Sorts by numbers where a column holds them, and keeps the rows the filter accepts.
class GridProxy : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit GridProxy(GridModel* model, QObject* parent = nullptr);
  void setFilter(GridFilter filter);
  const GridFilter& filter() const { return filter_; }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  GridModel* model_;
  GridFilter filter_;
};

// A combo cell is edited with a combo box of its list; other cells as usual.
class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit GridDelegate(GridModel* model, QObject* parent = nullptr) : QStyledItemDelegate(parent), model_(model) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  GridModel* model_;
};

}  // namespace rt
