#include "app/record_io.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csv.h>

#include <climits>
#include <cmath>

namespace rt {
namespace {

QJsonValue jsonOf(const ControlRef& control, const ControlValue& value) {
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Combo: return value.row;
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

QString cellText(const ControlRef& control, const ControlValue& value) {
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Combo: return QString::number(value.row);
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
  QJsonArray list;
  for (const ExportedRecord& r : records) {
    QJsonObject object;
    for (const QString& key : table.keyNames()) object.insert(key, QJsonValue::fromVariant(r.ref.keys.value(key)));
    object.insert(QStringLiteral("name"), r.ref.name);
    object.insert(QStringLiteral("offset"), static_cast<qint64>(r.ref.offset));
    QJsonObject fields;
    for (size_t c = 0; c < controls.size() && c < r.state.size(); ++c)
      fields.insert(controls[c].name, jsonOf(controls[c], r.state[c]));
    object.insert(QStringLiteral("fields"), fields);
    list.append(object);
  }
  QJsonObject root;
  root.insert(QStringLiteral("table"), table.name());
  root.insert(QStringLiteral("records"), list);
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records) {
  const std::vector<ControlRef> controls = table.controls();
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
    for (size_t c = 0; c < controls.size() && c < r.state.size(); ++c) cells << cellText(controls[c], r.state[c]);
    appendRow(cells);
  }
  return out;
}

Result<ImportFile> parseJsonImport(const QByteArray& bytes) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
  if (doc.isNull())
    return Result<ImportFile>::failure(
        QStringLiteral("The JSON file is not valid at byte %1: %2.").arg(error.offset).arg(error.errorString()));
  if (!doc.isObject() || !doc.object().value(QStringLiteral("records")).isArray())
    return Result<ImportFile>::failure(QStringLiteral("The JSON file needs an object with a \"records\" array."));
  ImportFile file;
  file.table = doc.object().value(QStringLiteral("table")).toString();
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
  if (bad) return Result<ImportFile>::failure(QStringLiteral("The CSV file is not valid: %1.").arg(why));
  if (rows.rows.empty()) return Result<ImportFile>::failure(QStringLiteral("The CSV file is empty."));

  const QStringList header = rows.rows.front();
  const QStringList keys = table.keyNames();
  for (const QString& key : keys)
    if (!header.contains(key))
      return Result<ImportFile>::failure(QStringLiteral("The CSV header has no \"%1\" column.").arg(key));
  ImportFile file;
  for (size_t line = 1; line < rows.rows.size(); ++line) {
    const QStringList& cells = rows.rows[line];
    const QString where = QStringLiteral("line %1 of the file").arg(line + 1);
    if (cells.size() != header.size())
      return Result<ImportFile>::failure(
          QStringLiteral("%1 has %2 cells; the header has %3.").arg(where).arg(cells.size()).arg(header.size()));
    ImportedRecord r;
    r.where = where;
    for (qsizetype c = 0; c < header.size(); ++c) {
      if (keys.contains(header[c])) r.keys.insert(header[c], cells[c]);
      else if (header[c] != QLatin1String("name")) r.fields.insert(header[c], cells[c]);
    }
    file.records.push_back(std::move(r));
  }
  return file;
}

ControlIndex::ControlIndex(const TableAdapter& table) : controls(table.controls()) {
  for (size_t c = 0; c < controls.size(); ++c)
    if (!byName.contains(controls[c].name)) byName.insert(controls[c].name, c);
}

Result<RecordState> overlayFields(const TableAdapter& table, RecordState state, const QHash<QString, QVariant>& fields) {
  return overlayFields(table, ControlIndex(table), std::move(state), fields);
}

Result<RecordState> overlayFields(const TableAdapter& table, const ControlIndex& index, RecordState state,
                                  const QHash<QString, QVariant>& fields) {
  const std::vector<ControlRef>& controls = index.controls;
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    const auto found = index.byName.constFind(it.key());
    if (found == index.byName.constEnd())
      return Result<RecordState>::failure(QStringLiteral("%1 has no field \"%2\".").arg(table.name(), it.key()));
    const size_t c = *found;
    const QVariant& v = it.value();
    ControlValue& target = state[c];
    switch (controls[c].kind) {
      case ControlKind::Text:
        if (v.typeId() == QMetaType::Bool || v.typeId() == QMetaType::QVariantMap || v.typeId() == QMetaType::QVariantList)
          return Result<RecordState>::failure(QStringLiteral("field \"%1\" takes a text").arg(it.key()));
        target.text = v.toString();
        break;
      case ControlKind::Combo: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        // Range before converting: a double beyond int (or NaN) has no int value.
        if (!ok || v.typeId() == QMetaType::Bool || !(d >= -1 && d <= INT_MAX) || d != std::trunc(d))
          return Result<RecordState>::failure(
              QStringLiteral("field \"%1\": '%2' is not a row number").arg(it.key(), v.toString()));
        target.row = static_cast<int>(d);
        break;
      }
      case ControlKind::Check: {
        const QString text = v.toString().trimmed().toLower();
        if (v.typeId() == QMetaType::Bool) target.checked = v.toBool();
        else if (text == QLatin1String("1") || text == QLatin1String("true")) target.checked = true;
        else if (text == QLatin1String("0") || text == QLatin1String("false")) target.checked = false;
        else
          return Result<RecordState>::failure(
              QStringLiteral("field \"%1\": '%2' is not true/false or 1/0").arg(it.key(), v.toString()));
        break;
      }
    }
  }
  return state;
}

}  // namespace rt
