#pragma once
// Records as the command line's CSV: a header of the record keys, "name" and
// the control names, then one row per record. Text boxes give their text,
// combo boxes their row, check boxes 0/1. The command line's export and the
// table view's export both write it, so either file imports back.

#include "model/record_bytes.h"
#include "model/table_registry.h"
#include "model/text_buffer.h"

#include <QByteArray>

#include <vector>

namespace rt {

struct ExportedRecord {
  RecordRef ref;
  RecordState state;
  // Per control, the byte a combo box stands for (-1 for other controls). A
  // byte its row cannot store back exactly is exported as "(n)", so that the
  // unchanged file imports without changing it.
  std::vector<int> stored = {};
};

// The stored byte of every combo control of a record (-1 for other controls).
Result<std::vector<int>> storedComboBytes(RomImage& rom, const TableAdapter& table, const RecordRef& ref);
// The same inside an open session, for a table's controls and fields already at hand.
std::vector<int> storedComboBytes(RomImage& rom, const std::vector<ControlRef>& controls,
                                  const std::vector<Field>& fields, std::int64_t recordOffset);

// "(n)" when the combo's row would not store its stored byte n back unchanged; empty otherwise.
QString exactComboText(const Field& field, const ControlValue& value, int stored);
// n when exactComboText is "(n)"; -1 otherwise.
int exactComboByte(const Field& field, const ControlValue& value, int stored);
// The same for a combo box showing `row`.
int exactComboByte(const Field& field, int row, int stored);

QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records);

// The same written a record at a time: the header when made, then a row per
// write(), appended to `out` (its size is the text's once finish() returns).
// `controls` and `fields` must outlive it.
class CsvTableWriter {
 public:
  CsvTableWriter(const QStringList& keyNames, const std::vector<ControlRef>& controls, const std::vector<Field>& fields,
                 std::vector<int> shown, QByteArray* out);
  // `place`, when not -1, is the record's index, its keys left empty (TableAdapter::listedRecords).
  void write(const ExportedRecord& record, qsizetype place = -1);
  // The same for the record whose bytes `bytes` has at hand (`shown` must be every control).
  void write(const RecordRef& ref, const RecordBytes& bytes, qsizetype place = -1);
  void finish();
  TextBuffer& text() { return out_; }

 private:
  void keyCells(const RecordRef& ref, qsizetype place);
  QStringList keyNames_;
  const std::vector<ControlRef>& controls_;
  const std::vector<Field>& fields_;
  std::vector<int> shown_;
  TextBuffer out_;
};
// Only the controls `shown` (indexes into `controls`, in that order); `state`
// of each record is aligned with `controls`.
QByteArray recordsToCsv(const QStringList& keyNames, const std::vector<ControlRef>& controls,
                        const std::vector<Field>& fields, const std::vector<ExportedRecord>& records,
                        const std::vector<int>& shown);

}  // namespace rt
