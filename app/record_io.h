#pragma once
// Records as JSON and CSV for the command line. A field is keyed by its control
// name and holds what the control shows: a text box's text (a string), a combo
// box's row (an integer) or a check box's state (true/false; 0/1 in CSV).

#include "core/table_registry.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>

#include <vector>

namespace rt {

struct ExportedRecord {
  RecordRef ref;
  RecordState state;
};

QByteArray recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records);
QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records);

struct ImportedRecord {
  QVariantMap keys;
  QHash<QString, QVariant> fields;  // only the fields the file names
  QString where;                    // "record 3" / "line 5", for messages
};

struct ImportFile {
  QString table;  // empty when the file does not say (CSV)
  std::vector<ImportedRecord> records;
};

Result<ImportFile> parseJsonImport(const QByteArray& bytes);
Result<ImportFile> parseCsvImport(const QByteArray& bytes, const TableAdapter& table);

// Puts the imported fields over a record's current state; unknown names and
// values of the wrong kind are errors naming the field.
Result<RecordState> overlayFields(const TableAdapter& table, RecordState current,
                                  const QHash<QString, QVariant>& fields);
// A table's controls and their positions by name, made once: an import
// overlays every record twice, and building the controls' names and searching
// them one by one cost more than the rest of the overlay.
struct ControlIndex {
  explicit ControlIndex(const TableAdapter& table);
  std::vector<ControlRef> controls;
  QHash<QString, size_t> byName;  // the first control of each name
};
Result<RecordState> overlayFields(const TableAdapter& table, const ControlIndex& index, RecordState current,
                                  const QHash<QString, QVariant>& fields);

}  // namespace rt
