#pragma once
// A table as the table view shows it: a row per record (its keys, name and
// offset, a few columns of what other tables say about it) and a column per
// control. Most tables are shown as the command line sees them; a table
// reached through others declares a source of its own (the weapons with the
// units that hold them, the pilot skills as pointers and as level records).

#include "model/table_registry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace rt {

struct GridRow {
  RecordRef ref;
  QStringList info;         // one text per info column of the source
  RecordState state;        // as read, aligned with the source's controls
  std::vector<int> stored;  // per control, the byte a combo box stands for (-1 otherwise)
  // The records of the source's table() a save of this row is recorded under
  // in the history; empty for the row's own keys.
  QList<QVariantMap> history;
  // The record's bytes as read (a fixed table's rows): a save that finds the
  // same bytes in the image knows the row is as read without decoding it again.
  // Empty when not kept.
  QByteArray bytes;
};

class GridSource {
 public:
  virtual ~GridSource() = default;
  // The view's name: the table's form name, or another name for a second view of it.
  virtual QString id() const = 0;
  // The registered table a save is recorded under in the history.
  virtual QString table() const = 0;
  virtual QStringList keyNames() const { return {QStringLiteral("index")}; }
  virtual QStringList infoColumns() const { return {}; }
  virtual const std::vector<ControlRef>& controls() const = 0;
  virtual const std::vector<Field>& fields() const = 0;

  // Every row, read from `rom` (readGrid hands it a snapshot of the image).
  virtual Result<std::vector<GridRow>> read(RomImage& rom, const QString& namesDir) const = 0;
  // The rows `wanted` as `rom` holds them now, for a save (their info
  // columns may be left empty); a row no longer there may be left out, and
  // other rows may come too. By default every row is read.
  virtual Result<std::vector<GridRow>> readRows(RomImage& rom, const QString& namesDir,
                                                const std::vector<const GridRow*>& /*wanted*/) const {
    return read(rom, namesDir);
  }
  // For each of `rows`, whether `rom` still holds the bytes the row was read
  // from (GridRow::bytes); false where they were not kept.
  virtual std::vector<bool> unchanged(RomImage& /*rom*/, const std::vector<const GridRow*>& rows) const {
    return std::vector<bool>(rows.size(), false);
  }
  // Whether encode() depends on nothing but the row's offset and the values
  // (it reads nothing of the image): then an encoding made earlier of the
  // same row and values still holds.
  virtual bool encodesAlone() const { return false; }
  // Converts and checks a row's values as its form's save does; never writes.
  virtual bool encode(RomImage& rom, const GridRow& row, const RecordState& state, std::vector<ByteWrite>* writes,
                      FieldError* error) const = 0;
  // The table a CSV export of this view imports back into with the command
  // line (its control names are the view's), or nullptr when there is none.
  virtual const TableAdapter* exportTable() const { return nullptr; }
  // Views opened from this one by a button.
  struct Link {
    QString id;
    QString button;  // the button's objectName
    QString caption;
  };
  virtual std::vector<Link> linked() const { return {}; }
};

// A registered table shown as the command line sees it.
class AdapterGrid : public GridSource {
 public:
  explicit AdapterGrid(std::shared_ptr<const TableAdapter> table);
  QString id() const override { return table_->name(); }
  QString table() const override { return table_->name(); }
  QStringList keyNames() const override { return table_->keyNames(); }
  const std::vector<ControlRef>& controls() const override { return controls_; }
  const std::vector<Field>& fields() const override { return fields_; }
  Result<std::vector<GridRow>> read(RomImage& rom, const QString& namesDir) const override;
  // A fixed table's rows are read alone, by offset; any other table whole.
  Result<std::vector<GridRow>> readRows(RomImage& rom, const QString& namesDir,
                                        const std::vector<const GridRow*>& wanted) const override;
  bool encode(RomImage& rom, const GridRow& row, const RecordState& state, std::vector<ByteWrite>* writes,
              FieldError* error) const override;
  const TableAdapter* exportTable() const override { return table_.get(); }
  bool encodesAlone() const override;
  std::vector<bool> unchanged(RomImage& rom, const std::vector<const GridRow*>& rows) const override;

 protected:
  const TableAdapter& adapter() const { return *table_; }

 private:
  std::shared_ptr<const TableAdapter> table_;
  std::vector<ControlRef> controls_;
  std::vector<Field> fields_;
  std::int64_t recordBytes_ = 0;  // a fixed table's record, from its first byte to the end of its last field
};

// The views of a run: a table gets the source its editor declared, or an
// AdapterGrid over the registered table.
class GridViews {
 public:
  using Factory = std::function<std::shared_ptr<const GridSource>(const TableRegistry&)>;
  void add(const QString& id, Factory factory) { factories_[id] = std::move(factory); }
  // nullptr when `id` is neither declared nor a registered table.
  std::shared_ptr<const GridSource> make(const QString& id, const TableRegistry& tables) const;

 private:
  std::map<QString, Factory> factories_;
};

// Reads every row of `source` from one snapshot of the chosen image: the file
// is opened once and each page of it read at most once, however many sessions
// the table's own reads open.
Result<std::vector<GridRow>> readGrid(const GridSource& source, RomImage& rom, const QString& namesDir);
// GridSource::unchanged through a snapshot of the image, as readGrid reads.
Result<std::vector<bool>> unchangedGridRows(const GridSource& source, RomImage& rom,
                                            const std::vector<const GridRow*>& rows);
// GridSource::readRows through a snapshot of the image, as readGrid reads.
Result<std::vector<GridRow>> readGridRows(const GridSource& source, RomImage& rom, const QString& namesDir,
                                          const std::vector<const GridRow*>& wanted);
// A read-only image over `rom`'s chosen file, for reading many records.
class GridSnapshot {
 public:
  explicit GridSnapshot(RomImage& rom);
  const Status& status() const { return status_; }
  RomImage& image() { return *view_; }

 private:
  Status status_;
  std::unique_ptr<RomImage> view_;
};

}  // namespace rt
