#include "app/record_io.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csv.h>

#include "core/conversions.h"

#include <QRegularExpression>

#include <algorithm>

#include <climits>
#include <cmath>

namespace rt {
namespace {

// "(n)" when the combo's row would not store its byte back unchanged.
QString exactComboText(const Field& field, const ControlValue& value, int stored) {
  if (stored < 0) return {};
  const bool pastList = field.list.count > 0 && value.row >= field.list.count;
  if (!pastList && byteForRow(field.combo, value.row) == stored) return {};
  return QStringLiteral("(%1)").arg(stored);
}

int storedAt(const std::vector<int>& stored, size_t c) { return c < stored.size() ? stored[c] : -1; }

QJsonValue jsonOf(const ControlRef& control, const Field& field, const ControlValue& value, int stored) {
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Combo: {
      const QString exact = exactComboText(field, value, stored);
      return exact.isEmpty() ? QJsonValue(value.row) : QJsonValue(exact);
    }
    case ControlKind::Check: return value.checked;
  }
  return {};
}

QByteArray csvCell(const QString& text) {
  const QByteArray raw = text.toUtf8();
  QByteArray out(static_cast<qsizetype>(csv_write(nullptr, 0, raw.constData(), static_cast<size_t>(raw.size()))), '\0');
  csv_write(out.data(), static_cast<size_t>(out.size()), raw.constData(), static_cast<size_t>(raw.size()));
  return out;
}

QString cellText(const ControlRef& control, const Field& field, const ControlValue& value, int stored) {
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Combo: {
      const QString exact = exactComboText(field, value, stored);
      return exact.isEmpty() ? QString::number(value.row) : exact;
    }
    case ControlKind::Check: return value.checked ? QStringLiteral("1") : QStringLiteral("0");
  }
  return {};
}

struct CsvRows {
  std::vector<QStringList> rows;
  QStringList current;
};

void onCsvField(void* data, size_t length, void* context) {
  auto* rows = static_cast<CsvRows*>(context);
  rows->current.append(QString::fromUtf8(static_cast<const char*>(data), static_cast<qsizetype>(length)));
}

void onCsvRow(int, void* context) {
  auto* rows = static_cast<CsvRows*>(context);
  rows->rows.push_back(rows->current);
  rows->current.clear();
}

}  // namespace

QByteArray recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  QJsonArray list;
  for (const ExportedRecord& r : records) {
    QJsonObject object;
    for (const QString& key : table.keyNames()) object.insert(key, QJsonValue::fromVariant(r.ref.keys.value(key)));
    object.insert(QStringLiteral("name"), r.ref.name);
    object.insert(QStringLiteral("offset"), static_cast<qint64>(r.ref.offset));
    QJsonObject values;
    for (size_t c = 0; c < controls.size() && c < r.state.size(); ++c)
      values.insert(controls[c].name, jsonOf(controls[c], fields[static_cast<size_t>(controls[c].field)], r.state[c],
                                            storedAt(r.stored, c)));
    object.insert(QStringLiteral("fields"), values);
    list.append(object);
  }
  QJsonObject root;
  root.insert(QStringLiteral("table"), table.name());
  root.insert(QStringLiteral("records"), list);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  QByteArray out;
  QStringList header = table.keyNames();
  header << QStringLiteral("name");
  for (const ControlRef& c : controls) header << c.name;
  auto appendRow = [&out](const QStringList& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
      if (i) out += ',';
      out += csvCell(cells[i]);
    }
    out += "\r\n";
  };
  appendRow(header);
  for (const ExportedRecord& r : records) {
    QStringList cells;
    for (const QString& key : table.keyNames()) cells << r.ref.keys.value(key).toString();
    cells << r.ref.name;
    for (size_t c = 0; c < controls.size() && c < r.state.size(); ++c) cells << cellText(controls[c], fields[static_cast<size_t>(controls[c].field)], r.state[c], storedAt(r.stored, c));
    appendRow(cells);
  }
  return out;
}

QString lineAndColumn(const QByteArray& text, qsizetype offset) {
  offset = std::clamp<qsizetype>(offset, 0, text.size());
  int line = 1;
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  // Columns count characters, not bytes: UTF-8 continuation bytes are skipped.
  int column = 1;
  for (qsizetype i = lineStart; i < offset; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
  return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

Result<ImportFile> parseJsonImport(const QByteArray& bytes) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (doc.isNull())
    return Result<ImportFile>::failure(QStringLiteral("The JSON file is not valid at %1: %2.")
                                           .arg(lineAndColumn(bytes, error.offset), error.errorString()));
  if (doc.isArray())
    return Result<ImportFile>::failure(QStringLiteral(
        "The JSON file holds an array; an import needs an object: {\"table\": ..., \"records\": [...]}, as export writes."));
  if (!doc.isObject() || !doc.object().value(QStringLiteral("records")).isArray())
    return Result<ImportFile>::failure(QStringLiteral("The JSON file needs an object with a \"records\" array."));
  ImportFile file;
  const QJsonValue table = doc.object().value(QStringLiteral("table"));
  if (!table.isUndefined() && !table.isString())
    return Result<ImportFile>::failure(QStringLiteral("The JSON file's \"table\" is not a text."));
  file.table = table.toString();
  const QJsonArray records = doc.object().value(QStringLiteral("records")).toArray();
  for (qsizetype i = 0; i < records.size(); ++i) {
    const QString where = QStringLiteral("record %1 of the file").arg(i);
    if (!records[i].isObject()) return Result<ImportFile>::failure(where + QStringLiteral(" is not an object."));
    const QJsonObject object = records[i].toObject();
    ImportedRecord r;
    r.where = where;
    for (auto it = object.begin(); it != object.end(); ++it) {
      if (it.key() == QLatin1String("fields")) {
        if (!it.value().isObject())
          return Result<ImportFile>::failure(where + QStringLiteral(": \"fields\" is not an object."));
        const QJsonObject fields = it.value().toObject();
        for (auto f = fields.begin(); f != fields.end(); ++f) r.fields.insert(f.key(), f.value().toVariant());
      } else if (it.key() != QLatin1String("name") && it.key() != QLatin1String("offset")) {
        r.keys.insert(it.key(), it.value().toVariant());
      }
    }
    file.records.push_back(std::move(r));
  }
  return file;
}

namespace {

// Where each CSV record starts: its physical line (quoted fields may span
// lines), skipping blank lines as the reader does.
std::vector<int> csvRecordLines(const QByteArray& bytes) {
  std::vector<int> starts;
  int line = 1;
  bool quoted = false, empty = true;
  int start = 1;
  for (char c : bytes) {
    if (c == '"') quoted = !quoted;
    if (c == '\n') {
      if (!quoted) {
        if (!empty) starts.push_back(start);
        empty = true;
        start = line + 1;
      }
      ++line;
      continue;
    }
    if (!quoted && empty && c != '\r' && c != ' ' && c != '\t') {
      empty = false;
      start = line;
    } else if (quoted) {
      empty = false;
    }
  }
  if (!empty) starts.push_back(start);
  return starts;
}

}  // namespace

int countCsvRecords(const QByteArray& bytes) { return static_cast<int>(csvRecordLines(bytes).size()); }

Result<ImportFile> parseCsvImport(const QByteArray& input, const TableAdapter& table) {
  QByteArray bytes = input;
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
    return Result<ImportFile>::failure(QStringLiteral("The CSV reader could not start."));
  CsvRows rows;
  const size_t parsed = csv_parse(&parser, bytes.constData(), static_cast<size_t>(bytes.size()), onCsvField, onCsvRow, &rows);
  const bool bad = parsed != static_cast<size_t>(bytes.size()) || csv_fini(&parser, onCsvField, onCsvRow, &rows) != 0;
  const QString why = QString::fromUtf8(csv_strerror(csv_error(&parser)));
  csv_free(&parser);
  if (bad)
    return Result<ImportFile>::failure(QStringLiteral("The CSV file is not valid at %1: %2.")
                                           .arg(lineAndColumn(bytes, static_cast<qsizetype>(parsed)), why));
  if (rows.rows.empty()) return Result<ImportFile>::failure(QStringLiteral("The CSV file is empty."));
  const std::vector<int> lines = csvRecordLines(bytes);

  const QStringList header = rows.rows.front();
  const QStringList keys = table.keyNames();
  for (const QString& key : keys)
    if (!header.contains(key))
      return Result<ImportFile>::failure(QStringLiteral("The CSV header has no \"%1\" column.").arg(key));
  ImportFile file;
  for (size_t row = 1; row < rows.rows.size(); ++row) {
    const QStringList& cells = rows.rows[row];
    const int line = row < lines.size() ? lines[row] : static_cast<int>(row) + 1;
    const QString where = QStringLiteral("line %1 of the file").arg(line);
    if (cells.size() != header.size())
      return Result<ImportFile>::failure(
          QStringLiteral("%1 has %2 cells; the header has %3.").arg(where).arg(cells.size()).arg(header.size()));
    ImportedRecord r;
    r.where = where;
    for (qsizetype c = 0; c < header.size(); ++c) {
      if (keys.contains(header[c])) r.keys.insert(header[c], cells[c]);
      else if (header[c] != QLatin1String("name") && header[c] != QLatin1String("offset")) r.fields.insert(header[c], cells[c]);
    }
    file.records.push_back(std::move(r));
  }
  return file;
}

namespace {

// Inside an open session: the stored byte of every combo control of a record.
std::vector<int> comboBytes(RomImage& rom, const std::vector<ControlRef>& controls, const std::vector<Field>& fields,
                            const RecordRef& ref) {
  std::vector<int> out(controls.size(), -1);
  for (size_t c = 0; c < controls.size(); ++c) {
    if (controls[c].kind != ControlKind::Combo) continue;
    rom.seek(ref.offset + fields[static_cast<size_t>(controls[c].field)].offset);
    out[c] = rom.readU8();
  }
  return out;
}

bool hasCombo(const std::vector<ControlRef>& controls) {
  return std::any_of(controls.begin(), controls.end(), [](const ControlRef& c) { return c.kind == ControlKind::Combo; });
}

}  // namespace

Result<std::vector<int>> storedComboBytes(RomImage& rom, const TableAdapter& table, const RecordRef& ref) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  if (!hasCombo(controls)) return std::vector<int>(controls.size(), -1);
  return readSession(rom, [&](RomImage& open) {
    open.prefetch(ref.offset, table.stride());
    return comboBytes(open, controls, fields, ref);
  });
}

Result<std::vector<ExportedRecord>> exportedRecords(RomImage& rom, const TableAdapter& table,
                                                    const std::vector<RecordRef>& refs) {
  auto states = table.readMany(rom, refs);
  if (!states) return states.status();
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  std::vector<std::vector<int>> stored;
  if (hasCombo(controls)) {
    std::vector<ByteSpan> spans;
    spans.reserve(refs.size());
    for (const RecordRef& ref : refs) spans.push_back({ref.offset, table.stride()});
    auto read = readSession(rom, [&](RomImage& open) {
      open.prefetchSpans(std::move(spans));
      std::vector<std::vector<int>> out;
      out.reserve(refs.size());
      for (const RecordRef& ref : refs) out.push_back(comboBytes(open, controls, fields, ref));
      return out;
    });
    if (!read) return read.status();
    stored = std::move(read.value());
  }
  std::vector<ExportedRecord> out;
  out.reserve(refs.size());
  for (size_t i = 0; i < refs.size(); ++i)
    out.push_back({refs[i], std::move((*states)[i]),
                   stored.empty() ? std::vector<int>(controls.size(), -1) : std::move(stored[i])});
  return out;
}

Result<RecordState> overlayFields(const TableAdapter& table, RecordState state, const QHash<QString, QVariant>& fields,
                                  const std::vector<int>* stored) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> defs = table.fields();
  static const QRegularExpression storedForm(QStringLiteral("^\\s*\\((\\d{1,3})\\)\\s*$"));
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    size_t c = 0;
    while (c < controls.size() && controls[c].name != it.key()) ++c;
    if (c == controls.size())
      return Result<RecordState>::failure(QStringLiteral("%1 has no field \"%2\".").arg(table.name(), it.key()));
    const QVariant& v = it.value();
    ControlValue& target = state[c];
    switch (controls[c].kind) {
      case ControlKind::Text:
        if (v.typeId() == QMetaType::Bool || v.typeId() == QMetaType::QVariantMap || v.typeId() == QMetaType::QVariantList)
          return Result<RecordState>::failure(QStringLiteral("field \"%1\" takes a text").arg(it.key()));
        target.text = v.toString();
        break;
      case ControlKind::Combo: {
        const Field& field = defs[static_cast<size_t>(controls[c].field)];
        const int have = stored && c < stored->size() ? (*stored)[c] : -1;
        const auto match = v.typeId() == QMetaType::QString ? storedForm.match(v.toString()) : QRegularExpressionMatch();
        if (match.hasMatch()) {
          const int n = match.captured(1).toInt();
          if (n != have)
            return Result<RecordState>::failure(
                QStringLiteral("field \"%1\": %2 stands for the stored byte %3, but the image holds %4; give a row "
                               "of the list instead")
                    .arg(it.key(), quotedValue(v.toString()))
                    .arg(n)
                    .arg(have < 0 ? QStringLiteral("another value") : QString::number(have)));
          break;  // the byte already stored: the current row keeps it
        }
        bool ok = false;
        const double d = v.toDouble(&ok);
        // Range before converting: a double beyond int (or NaN) has no int value.
        if (!ok || v.typeId() == QMetaType::Bool || !(d >= -1 && d <= INT_MAX) || d != std::trunc(d))
          return Result<RecordState>::failure(
              QStringLiteral("field \"%1\": %2 is not a row number").arg(it.key(), quotedValue(v.toString())));
        const int row = static_cast<int>(d);
        if (field.list.count > 0 && row >= field.list.count) {
          // A row past the list is how a plain combo shows a byte without a
          // row: accepted only as the byte already there.
          if (field.combo.kind == ComboRule::Plain && row == have) break;
          return Result<RecordState>::failure(
              QStringLiteral("field \"%1\": row %2 is past its list (%3, rows 0 to %4)")
                  .arg(it.key())
                  .arg(row)
                  .arg(field.list.file)
                  .arg(field.list.count - 1));
        }
        target.row = row;
        break;
      }
      case ControlKind::Check: {
        const QString text = v.toString().trimmed().toLower();
        if (v.typeId() == QMetaType::Bool) target.checked = v.toBool();
        else if (text == QLatin1String("1") || text == QLatin1String("true")) target.checked = true;
        else if (text == QLatin1String("0") || text == QLatin1String("false")) target.checked = false;
        else
          return Result<RecordState>::failure(
              QStringLiteral("field \"%1\": %2 is not true/false or 1/0").arg(it.key(), quotedValue(v.toString())));
        break;
      }
    }
  }
  return state;
}

}  // namespace rt
