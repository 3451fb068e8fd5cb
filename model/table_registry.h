#pragma once
// Every table the program knows, as the command line sees it: how records are
// found and named, and the codec that reads and writes them. Forms use the
// same definitions, so the command line shows a record exactly as its form does.

#include "model/name_list.h"
#include "model/record_codec.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <atomic>
#include <optional>
#include <vector>

namespace rt {

// Loads the items of a list as its form would show them.
Result<QStringList> loadNames(const QString& dir, const NameListSource& list);

struct RecordRef {
  QVariantMap keys;  // how the record is addressed: {"index": 3}, or stage and index
  QString name;
  std::int64_t offset = 0;
};

// "index=3" or "index=1,stage=4": a record's keys as one text, to find it by.
QString recordKeyText(const QVariantMap& keys);

// A record as the command line reads one: its address and its values.
struct FetchedRecord {
  RecordRef ref;
  RecordState state;
};

class TableAdapter {
 public:
  virtual ~TableAdapter() = default;
  virtual QString name() const = 0;  // the form's name
  virtual std::int64_t base() const = 0;
  virtual std::int64_t stride() const = 0;
  virtual int count() const = 0;
  virtual QString note() const { return {}; }  // how records are found, when not base + stride * i
  virtual std::vector<ControlRef> controls() const = 0;
  // The fields controls() refers to (ControlRef::field indexes them): captions and kinds.
  virtual std::vector<Field> fields() const = 0;
  virtual QStringList keyNames() const { return {QStringLiteral("index")}; }
  // The image size every record's bytes fit in.
  virtual std::int64_t requiredSize() const;
  // The most records an import of this table may hold.
  virtual int maxRecords() const { return count(); }

  virtual Result<std::vector<RecordRef>> records(RomImage& rom, const QString& namesDir) const = 0;
  // records() for a listing of them all, as export writes it: where a record's
  // only key is its index and that is its place in the list, `keys` is left
  // empty and *byPlace set (a map of keys a record cost more than the rest of
  // an export's record list). Else records() as it is.
  virtual Result<std::vector<RecordRef>> listedRecords(RomImage& rom, const QString& namesDir, bool* byPlace) const {
    *byPlace = false;
    return records(rom, namesDir);
  }
  virtual Result<RecordRef> resolve(RomImage& rom, const QVariantMap& keys) const = 0;
  virtual Result<RecordState> read(RomImage& rom, const RecordRef& record) const = 0;
  // Reads many records, states in the order of `records`. Tables read them in
  // one session, each byte once (an export); this default reads one by one.
  virtual Result<std::vector<RecordState>> readMany(RomImage& rom, const std::vector<RecordRef>& records) const;
  // resolve + read, in one session where finding the record reads the image
  // (a list to walk); the messages are resolve's and read's.
  virtual Result<FetchedRecord> fetch(RomImage& rom, const QVariantMap& keys) const;
  // Converts and checks a record; produces the bytes to store. May read the
  // image (a record that points elsewhere), never writes.
  virtual bool encode(RomImage& rom, const RecordRef& record, const RecordState& state,
                      std::vector<ByteWrite>* writes, FieldError* error) const = 0;
  // For a record whose fields point elsewhere: rereads what the pointers in
  // `state` now select (an import changed a pointer but maybe not the values it
  // selects). Tables without such fields have nothing to follow.
  virtual Result<RecordState> follow(RomImage&, const RecordRef&, const RecordState& state) const { return state; }
  // Every byte a read of `record` depends on, found without decoding it, for a
  // table whose records are not one run of bytes each: a comparison reads only
  // the records such bytes of which differ. Nothing when not known.
  virtual std::optional<std::vector<ByteSpan>> readSpans(RomImage&, const RecordRef&) const { return std::nullopt; }

  // The tables of fields a record is read as, in the order of its controls
  // (each part's controls after the part before's): what read and readMany
  // decode, for a writer that makes many records' text straight from their
  // bytes. Empty when records are read another way.
  virtual std::vector<const TableDef*> recordParts() const { return {}; }
  // Where each part of `record` starts (at[k] for part k), inside an open session.
  virtual void partOffsets(RomImage& /*open*/, const RecordRef& record, std::int64_t* at) const { at[0] = record.offset; }

  // Which of its fields name records of other tables.
  virtual std::vector<Reference> references() const { return {}; }
  // The list that names its records (none: the table's own name).
  virtual NameListSource recordNames() const { return {}; }
  // Every record the image holds, without names, inside an open session (the
  // check and "used by" walk them); by default record i at base + stride * i.
  virtual std::vector<RecordRef> checkedRecords(RomImage& open) const;
  // What is wrong with how the table itself lies (lists that run on, pointers
  // to them that land in another table), inside an open session.
  virtual void layoutProblems(RomImage& /*open*/, const TableAt& /*tableAt*/, std::vector<Problem>* /*out*/) const {}

 private:
  // requiredSize() by default walks fields(), which some tables build anew each call.
  mutable std::atomic<std::int64_t> requiredSize_{-1};
};

// Reads the fields of `table` in each record, in one session that fetches the
// records' bytes first: one span a record when its fields lie together.
Result<std::vector<RecordState>> readRecords(RomImage& rom, const TableDef& table, const std::vector<RecordRef>& records);

// A table of `count` records at base + stride * i, named by a name list (or by
// the table's own name when it has one record).
class FixedTable : public TableAdapter {
 public:
  FixedTable(TableDef def, NameListSource names) : def_(std::move(def)), names_(std::move(names)) {}
  const TableDef& def() const { return def_; }
  const NameListSource& names() const { return names_; }

  QString name() const override { return def_.id; }
  std::int64_t base() const override { return def_.base; }
  std::int64_t stride() const override { return def_.stride; }
  int count() const override { return def_.count; }
  std::vector<ControlRef> controls() const override { return controlsOf(def_); }
  std::vector<Field> fields() const override { return def_.fields; }
  std::vector<Reference> references() const override { return def_.references; }
  NameListSource recordNames() const override { return names_; }
  std::vector<const TableDef*> recordParts() const override { return {&def_}; }
  Result<std::vector<RecordRef>> records(RomImage& rom, const QString& namesDir) const override;
  Result<std::vector<RecordRef>> listedRecords(RomImage& rom, const QString& namesDir, bool* byPlace) const override;
  Result<RecordRef> resolve(RomImage& rom, const QVariantMap& keys) const override;
  Result<RecordState> read(RomImage& rom, const RecordRef& record) const override;
  Result<std::vector<RecordState>> readMany(RomImage& rom, const std::vector<RecordRef>& records) const override;
  bool encode(RomImage& rom, const RecordRef& record, const RecordState& state,
              std::vector<ByteWrite>* writes, FieldError* error) const override;

  // Record `index` where base + stride * index puts it, without the range
  // check of resolve: for a pointer of another table that may reach past
  // this one's end (its bytes are shown, never saved as this table's).
  RecordRef recordAt(int index) const;

 private:
  Result<std::vector<RecordRef>> listed(const QString& namesDir, bool keys) const;
  TableDef def_;
  NameListSource names_;
};

// The one save of a record, for the forms and the command line alike: the
// table converts and checks the values (nothing is written when one is
// rejected: badControl and the message say which), then every byte is written
// in one transaction described by `info`.
SaveResult saveRecord(RomImage& rom, const TableAdapter& table, const RecordRef& record, const RecordState& state,
                      const TxInfo& info);

// A window's save writes only the fields edited in it, and only over what it
// read: the record is read again inside the write transaction (no other
// writer can slip in while the lock is held), and an edited field whose value
// in the image is no longer the one the window read stops the save. Forms,
// the table view and anything else that keeps a record on show share this.

// An edited control whose value in the image changed since the window read it.
struct StaleControl {
  int control = -1;
  ControlValue now;   // what the image holds
  ControlValue mine;  // what the window would write
};

// The controls whose value in `edited` differs from `read`.
std::vector<int> editedControls(const RecordState& read, const RecordState& edited);
// The edited controls whose value in `now` is neither the one read nor the one edited.
std::vector<StaleControl> staleControls(const RecordState& read, const RecordState& edited, const RecordState& now);
// `now` with the edited controls' values laid over it: what a save of the edits leaves.
RecordState withEdits(const RecordState& now, const RecordState& read, const RecordState& edited);
// The bytes of `after` whose value or mask differs from `before`, two
// encodings of one record; all of `after` when their bytes do not line up (a
// pointer moved them).
std::vector<ByteWrite> changedWrites(const std::vector<ByteWrite>& before, std::vector<ByteWrite> after);

struct EditCheck {
  RecordState now;                  // the record as the image holds it
  std::vector<StaleControl> stale;  // edited controls changed since read
};
// Reads `record` again and names the edited controls whose value changed
// since `read`. Called inside a write transaction, so what it finds holds
// until the transaction's write.
Result<EditCheck> checkEdits(RomImage& rom, const TableAdapter& table, const RecordRef& record,
                             const RecordState& read, const RecordState& edited);

struct EditSave {
  SaveResult result;
  std::vector<StaleControl> stale;  // set when these stopped the save; nothing was written
  RecordState now;                  // the record as read back after the save (or now, when stopped)
};
// The save of a window's edits of one record (`read` as the window read it,
// `edited` as it shows it now): values are checked as saveRecord checks them;
// then, in one transaction, the record is read again and, unless
// `overwrite`, a stale edited control stops the save; otherwise only the bytes
// the edited controls change over the record as it is now are written.
EditSave saveEdits(RomImage& rom, const TableAdapter& table, const RecordRef& record, const RecordState& read,
                   const RecordState& edited, const TxInfo& info, bool overwrite);

class TableRegistry {
 public:
  void add(std::shared_ptr<const TableAdapter> table) { tables_.push_back(std::move(table)); }
  const TableAdapter* find(const QString& name) const;
  const std::vector<std::shared_ptr<const TableAdapter>>& all() const { return tables_; }

 private:
  std::vector<std::shared_ptr<const TableAdapter>> tables_;
};

// Reads the integer key `key` of a record address, checking 0 <= value < limit.
Result<int> recordKey(const QVariantMap& keys, const QString& key, int limit);

}  // namespace rt
