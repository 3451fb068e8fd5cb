#pragma once
// Records as JSON and CSV for the command line. A field is keyed by its control
// name and holds what the control shows: a text box's text (a string), a combo
// box's row (an integer) or a check box's state (true/false; 0/1 in CSV).

#include "model/record_csv.h"
#include "model/table_registry.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace rt {

// A table's controls and fields with a look-up by control name, made once for
// the many records of an export or import rather than once per record.
struct TableShape {
  explicit TableShape(const TableAdapter& table);
  const TableAdapter& table;
  std::vector<ControlRef> controls;
  std::vector<Field> fields;
  QHash<QString, int> byName;  // control name -> index
  bool hasCombo = false;
  // The control named `name`; controls.size() when none is.
  size_t indexOf(const QString& name) const;
  mutable std::unordered_map<const QChar*, std::pair<QString, size_t>> seenNames;
};

// The stored byte of every combo control of a record (-1 for other controls).
Result<std::vector<int>> storedComboBytes(RomImage& rom, const TableShape& shape, const RecordRef& ref);
// The records `refs` address with their stored combo bytes, as export writes
// them: the table reads them all in one session (TableAdapter::readMany), the
// combo bytes come in one more.
Result<std::vector<ExportedRecord>> exportedRecords(RomImage& rom, const TableAdapter& table,
                                                    const std::vector<RecordRef>& refs);

// spans: where each record's object lies in the text ({ to }).
QByteArray recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records,
                         std::vector<std::pair<qsizetype, qsizetype>>* spans = nullptr);
// The same text in `out`, which keeps its room from one table to the next.
void recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records,
                   std::vector<std::pair<qsizetype, qsizetype>>* spans, QByteArray* out);

// recordsToJson of exportedRecords(refs) in `out` (which keeps its room),
// each record's span appended to `spans`: made straight from the records'
// bytes where the table reads its records as parts of fields.
Status exportJson(RomImage& rom, const TableAdapter& table, const std::vector<RecordRef>& refs,
                  std::vector<std::pair<qsizetype, qsizetype>>* spans, QByteArray* out);

enum class ExportFormat { Json, Csv };
// export --all's manifest.json: the image's file name, size and CRC-32 (as
// text), the format, and each table's file and number of records.
struct ExportManifest {
  struct Table {
    QString table, file;
    int records = 0;
  };
  QString image;
  qint64 size = 0;
  QString crc32, format;
  std::vector<Table> tables;
};
// Its text, byte for byte what QJsonDocument::toJson(Indented) makes of it.
QByteArray manifestJson(const ExportManifest& manifest);

// One table's export file as export --all writes it, appended to `out`: every
// record table.records() gives (names from `namesDir`), the same text as
// recordsToJson / recordsToCsv of exportedRecords, read and written a batch of
// records at a time. Gives the number of records; on failure `out` holds no
// more than it did. `drain`, when given, is called with `out` after each batch
// and may take text from it (empty it): a reader of the text as it is made.
Result<int> appendTableExport(RomImage& rom, const TableAdapter& table, const QString& namesDir, ExportFormat format,
                              QByteArray* out, const std::function<void(QByteArray&)>& drain = {});
// recordsToCsv, ExportedRecord and storedComboBytes: model/record_csv.h.

struct ImportedRecord {
  QVariantMap keys;
  QHash<QString, QVariant> fields;  // only the fields the file names
  QString where;                    // "record 3" / "line 5", for messages
  // Where the record's object lies in a JSON file ({ to }), and its "fields"
  // object while `fields` is not read yet (readExportedJson with deferFields).
  qsizetype textBegin = 0, textEnd = 0;
  qsizetype fieldsBegin = -1, fieldsEnd = -1;
  bool deferred() const { return fieldsBegin >= 0; }
};

struct ImportFile {
  QString table;  // empty when the file does not say (CSV)
  std::vector<ImportedRecord> records;
  QByteArray text;  // the JSON read, kept while a record's fields are deferred
  bool anyDeferred() const;
};

Result<ImportFile> parseJsonImport(const QByteArray& bytes);
// The JSON export writes, read without building a document: what
// parseJsonImport gives, or nothing when the text is anything else (an error,
// values only Qt's parser reads as it does) or holds more than maxRecords
// records; the caller then parses with parseJsonImport.
// deferFields: a record whose fields are named as the record before named
// them has them checked but not read (an import reads them only for a record
// whose text differs from what export writes now); readDeferredFields reads them.
std::optional<ImportFile> readExportedJson(const QByteArray& bytes, int maxRecords, bool deferFields = false);
Status readDeferredFields(const ImportFile& file, ImportedRecord& record);
Result<ImportFile> parseCsvImport(const QByteArray& bytes, const TableAdapter& table);
// Records in a CSV file (rows other than blank lines, the header included),
// counted without parsing, so an oversized file is refused cheaply.
int countCsvRecords(const QByteArray& bytes);

// Puts the imported fields over a record's current state; unknown names and
// values of the wrong kind are errors naming the field. A combo takes a row of
// its list; "(n)", or a row past the list, only where it is the byte `stored`
// already holds (what export writes for such a byte), and then keeps it.
Result<RecordState> overlayFields(const TableShape& shape, RecordState current,
                                  const QHash<QString, QVariant>& fields, const std::vector<int>* stored = nullptr);
Result<RecordState> overlayFields(const TableAdapter& table, RecordState current,
                                  const QHash<QString, QVariant>& fields, const std::vector<int>* stored = nullptr);

// "line 3, column 7" of a byte offset in a text.
QString lineAndColumn(const QByteArray& text, qsizetype offset);

}  // namespace rt
