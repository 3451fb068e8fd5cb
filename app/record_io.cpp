#include "app/record_io.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csv.h>

#include "model/conversions.h"

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include <climits>
#include <cmath>

namespace rt {
namespace {

int storedAt(const std::vector<int>& stored, size_t c) { return c < stored.size() ? stored[c] : -1; }

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

namespace {

// JSON written as QJsonDocument::Indented writes it (object keys in order,
// four spaces a level), straight into one buffer: a document of objects
// inserted one key at a time costs several times the reads themselves on
// tables of many records and fields.
// The text being written: appends of a few bytes each, inlined; QByteArray's
// own append goes through its general insert, which was most of an export.
class TextBuffer {
 public:
  void reserve(qsizetype n) { s_.reserve(static_cast<size_t>(n)); }
  void append(const char* data, qsizetype n) { s_.append(data, static_cast<size_t>(n)); }
  TextBuffer& operator+=(const char* text) {
    s_.append(text);
    return *this;
  }
  TextBuffer& operator+=(char c) {
    s_.push_back(c);
    return *this;
  }
  TextBuffer& operator+=(const QByteArray& b) {
    s_.append(b.constData(), static_cast<size_t>(b.size()));
    return *this;
  }
  TextBuffer& operator+=(const TextBuffer& b) {
    s_.append(b.s_);
    return *this;
  }
  qsizetype size() const { return static_cast<qsizetype>(s_.size()); }
  void resize(qsizetype n) { s_.resize(static_cast<size_t>(n)); }
  char* data() { return s_.data(); }
  QByteArray bytes() const { return QByteArray(s_.data(), size()); }

 private:
  std::string s_;
};

class JsonWriter {
 public:
  explicit JsonWriter(TextBuffer& out) : out_(out) {}
  void indent(int level) {
    static const char spaces[] = "                        ";  // six levels
    out_.append(spaces, 4 * level);
  }
  void key(int level, const QString& key) {
    indent(level);
    string(key);
    out_ += ": ";
  }
  void string(const QString& text) {
    // Most texts are digits and names in plain ASCII: copied as they are.
    const QChar* chars = text.constData();
    const qsizetype n = text.size();
    bool plain = true;
    for (qsizetype i = 0; i < n && plain; ++i) {
      const char16_t u = chars[i].unicode();
      plain = u >= 0x20 && u < 0x80 && u != '"' && u != '\\';
    }
    if (plain) {
      const qsizetype at = out_.size();
      out_.resize(at + n + 2);
      char* to = out_.data() + at;
      *to++ = '"';
      for (qsizetype i = 0; i < n; ++i) *to++ = static_cast<char>(chars[i].unicode());
      *to = '"';
      return;
    }
    out_ += '"';
    const QByteArray utf8 = text.toUtf8();
    for (char ch : utf8) {
      const auto c = static_cast<unsigned char>(ch);
      switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\b': out_ += "\\b"; break;
        case '\f': out_ += "\\f"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
          if (c < 0x20) {
            static const char digits[] = "0123456789abcdef";
            out_ += "\\u00";
            out_ += digits[c >> 4];
            out_ += digits[c & 0xF];
          } else {
            out_ += ch;
          }
      }
    }
    out_ += '"';
  }
  void number(qint64 n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out_.append(digits, end - digits);
  }
  void boolean(bool b) { out_ += b ? "true" : "false"; }
  void scalar(const QVariant& v) {
    switch (v.typeId()) {
      case QMetaType::Bool: boolean(v.toBool()); break;
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::LongLong:
      case QMetaType::ULongLong: number(v.toLongLong()); break;
      case QMetaType::Double: out_ += QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest); break;
      case QMetaType::UnknownType: out_ += "null"; break;
      default: string(v.toString());
    }
  }
  // Between members: ",\n"; after the last one: "\n".
  void next(bool last) { out_ += last ? "\n" : ",\n"; }
  TextBuffer& raw() { return out_; }

 private:
  TextBuffer& out_;
};

}  // namespace

QByteArray recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records,
                         std::vector<std::pair<qsizetype, qsizetype>>* spans) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  std::vector<size_t> order(controls.size());
  for (size_t c = 0; c < order.size(); ++c) order[c] = c;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return controls[a].name < controls[b].name; });
  QStringList members = table.keyNames();
  members << QStringLiteral("name") << QStringLiteral("offset") << QStringLiteral("fields");
  std::sort(members.begin(), members.end());

  TextBuffer out;
  out.reserve(static_cast<qsizetype>(records.size()) * (96 + 24 * static_cast<qsizetype>(controls.size())));
  JsonWriter json(out);
  // Each field's `    "name": ` once per table, not once per record.
  std::vector<TextBuffer> fieldKeys(controls.size());
  for (size_t c = 0; c < controls.size(); ++c) {
    JsonWriter key(fieldKeys[c]);
    key.key(4, controls[c].name);
  }
  out += "{\n";
  json.key(1, QStringLiteral("records"));
  out += "[\n";
  for (size_t i = 0; i < records.size(); ++i) {
    const ExportedRecord& r = records[i];
    json.indent(2);
    const qsizetype begin = out.size();
    out += "{\n";
    for (qsizetype m = 0; m < members.size(); ++m) {
      const QString& member = members[m];
      json.key(3, member);
      if (member == QLatin1String("fields")) {
        out += "{\n";
        const size_t shown = std::min(controls.size(), r.state.size());
        size_t written = 0;
        for (size_t c : order) {
          if (c >= shown) continue;
          out += fieldKeys[c];
          const Field& field = fields[static_cast<size_t>(controls[c].field)];
          const ControlValue& value = r.state[c];
          switch (controls[c].kind) {
            case ControlKind::Text: json.string(value.text); break;
            case ControlKind::Check: json.boolean(value.checked); break;
            case ControlKind::Combo: {
              const QString exact = exactComboText(field, value, storedAt(r.stored, c));
              if (exact.isEmpty()) json.number(value.row);
              else json.string(exact);
              break;
            }
          }
          json.next(++written == shown);
        }
        json.indent(3);
        out += '}';
      } else if (member == QLatin1String("name")) {
        json.string(r.ref.name);
      } else if (member == QLatin1String("offset")) {
        json.number(r.ref.offset);
      } else {
        json.scalar(r.ref.keys.value(member));
      }
      json.next(m + 1 == members.size());
    }
    json.indent(2);
    out += '}';
    if (spans) spans->emplace_back(begin, out.size());
    json.next(i + 1 == records.size());
  }
  json.indent(1);
  out += "],\n";
  json.key(1, QStringLiteral("table"));
  json.string(table.name());
  out += "\n}\n";
  return out.bytes();
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

namespace {

// A reader of the JSON export writes, straight into ImportedRecords: no
// document, no QJsonValue per field. It takes only JSON it reads exactly as
// Qt's parser does (whole numbers of up to 15 digits, texts in valid UTF-8
// without \u escapes, true and false, no key twice) and gives up on anything
// else, an error included: the caller then parses with Qt, whose messages an
// import reports.
class FastJson {
 public:
  FastJson(const QByteArray& bytes, int maxRecords, bool deferFields = false)
      : begin_(bytes.constData()), p_(begin_), end_(begin_ + bytes.size()), maxRecords_(maxRecords), defer_(deferFields) {}

  bool read(ImportFile* file) {
    if (!next('{')) return false;
    bool seenTable = false, seenRecords = false;
    if (peek() == '}') return false;  // no "records": Qt says so
    do {
      QString key;
      if (!string(&key) || !next(':')) return false;
      if (key == QLatin1String("records")) {
        if (seenRecords || !records(file)) return false;
        seenRecords = true;
      } else if (key == QLatin1String("table")) {
        if (seenTable || !string(&file->table)) return false;
        seenTable = true;
      } else {
        return false;
      }
    } while (next(','));
    if (!next('}') || !seenRecords) return false;
    skipSpace();
    return p_ == end_;
  }

 private:
  void skipSpace() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }
  char peek() {
    skipSpace();
    return p_ < end_ ? *p_ : '\0';
  }
  bool next(char c) {
    if (peek() != c) return false;
    ++p_;
    return true;
  }
  // A text; with out null, only checked.
  bool string(QString* out) {
    if (!next('"')) return false;
    const char* start = p_;
    bool ascii = true, escaped = false;
    for (; p_ < end_ && *p_ != '"'; ++p_) {
      const auto c = static_cast<unsigned char>(*p_);
      if (c < 0x20) return false;
      if (c >= 0x80) ascii = false;
      if (c == '\\') {
        escaped = true;
        if (++p_ >= end_) return false;
        if (!std::strchr("\"\\/bfnrt", *p_) || *p_ == '\0') return false;
      }
    }
    if (p_ >= end_) return false;
    const QByteArrayView raw(start, p_ - start);
    ++p_;
    if (!ascii && !QUtf8StringView(raw).isValidUtf8()) return false;
    if (!out) return true;
    if (!escaped) {
      *out = ascii ? QString::fromLatin1(raw) : QString::fromUtf8(raw);
      return true;
    }
    QByteArray plain;
    plain.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
      char c = raw[i];
      if (c == '\\') {
        switch (raw[++i]) {
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case 'n': c = '\n'; break;
          case 'r': c = '\r'; break;
          case 't': c = '\t'; break;
          default: c = raw[i];
        }
      }
      plain += c;
    }
    *out = QString::fromUtf8(plain);
    return true;
  }
  // A text, a whole number or true/false, as QJsonValue::toVariant gives it;
  // with out null, only checked.
  bool scalar(QVariant* out) {
    const char c = peek();
    if (c == '"') {
      if (!out) return string(nullptr);
      QString text;
      if (!string(&text)) return false;
      *out = std::move(text);
      return true;
    }
    if (c == 't' || c == 'f') {
      const std::string_view word = c == 't' ? "true" : "false";
      if (end_ - p_ < static_cast<std::ptrdiff_t>(word.size()) || std::string_view(p_, word.size()) != word) return false;
      p_ += word.size();
      if (out) *out = c == 't';
      return true;
    }
    const char* start = p_;
    if (p_ < end_ && *p_ == '-') ++p_;
    const char* digits = p_;
    while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
    const std::ptrdiff_t n = p_ - digits;
    if (n == 0 || n > 15 || (n > 1 && *digits == '0') || (start != digits && n == 1 && *digits == '0')) return false;
    if (p_ < end_ && (*p_ == '.' || *p_ == 'e' || *p_ == 'E')) return false;
    if (!out) return true;
    qint64 value = 0;
    std::from_chars(start, p_, value);
    *out = QVariant(value);
    return true;
  }
  bool records(ImportFile* file) {
    if (!next('[')) return false;
    if (next(']')) return true;
    do {
      ImportedRecord r;
      r.where = QStringLiteral("record %1 of the file").arg(file->records.size());
      if (peek() != '{') return false;
      r.textBegin = p_ - begin_;
      ++p_;
      bool seenFields = false;
      if (peek() != '}') {
        do {
          QString key;
          if (!string(&key) || !next(':')) return false;
          if (key == QLatin1String("fields")) {
            if (std::exchange(seenFields, true) || peek() != '{') return false;
            const char* at = p_;
            if (defer_ && skimFields()) {
              r.fieldsBegin = at - begin_;
              r.fieldsEnd = p_ - begin_;
            } else {
              p_ = at;
              if (!fields(&r)) return false;
            }
          } else {
            QVariant value;
            if (!scalar(&value)) return false;
            const bool isKey = key != QLatin1String("name") && key != QLatin1String("offset");
            // A key given as a text is an error, which Qt's path words.
            if (isKey && (value.typeId() == QMetaType::QString || r.keys.contains(key))) return false;
            if (isKey) r.keys.insert(key, std::move(value));
          }
        } while (next(','));
      }
      if (!next('}')) return false;
      r.textEnd = p_ - begin_;
      if (static_cast<qsizetype>(file->records.size()) >= maxRecords_) return false;  // the caller counts and refuses
      file->records.push_back(std::move(r));
    } while (next(','));
    return next(']');
  }

 public:
  // A record's "fields" object, read into r->fields.
  bool fields(ImportedRecord* r) {
    if (!next('{')) return false;
    r->fields.reserve(static_cast<qsizetype>(names_.size()));
    size_t n = 0;
    if (peek() != '}') {
      do {
        QVariant value;
        if (!name(n) || !next(':') || !fieldValue(n, &value) || r->fields.contains(names_[n].text)) return false;
        r->fields.insert(names_[n++].text, std::move(value));
        namesChecked_ = false;
      } while (next(','));
    }
    return next('}');
  }
  bool atEnd() {
    skipSpace();
    return p_ == end_;
  }

 private:
  // A "fields" object checked as fields() would read it, without reading it:
  // only when it names its fields as records before did, none twice.
  bool skimFields() {
    if (!next('{')) return false;
    if (!namesChecked_) {
      std::vector<std::string_view> raw;
      for (const Name& n : names_) raw.push_back(n.raw);
      std::sort(raw.begin(), raw.end());
      namesDistinct_ = std::adjacent_find(raw.begin(), raw.end()) == raw.end();
      namesChecked_ = true;
    }
    if (!namesDistinct_) return false;
    size_t n = 0;
    if (peek() != '}') {
      do {
        if (n >= names_.size() || peek() != '"') return false;
        const std::string_view known = names_[n++].raw;
        const char* start = p_ + 1;
        if (static_cast<size_t>(end_ - start) <= known.size() || std::string_view(start, known.size()) != known ||
            start[known.size()] != '"' || known.find('\\') != std::string_view::npos)
          return false;
        p_ = start + known.size() + 1;
        if (!next(':') || !scalar(nullptr)) return false;
      } while (next(','));
    }
    return next('}');
  }

  // The n-th field name of a record: the records of a file name their fields
  // alike, so the text of the record before is shared when the bytes match.
  bool name(size_t n) {
    if (peek() != '"') return false;
    const char* start = p_ + 1;
    const char* close = static_cast<const char*>(std::memchr(start, '"', static_cast<size_t>(end_ - start)));
    if (n < names_.size() && close && !names_[n].raw.empty() && names_[n].raw == std::string_view(start, close - start) &&
        names_[n].raw.find('\\') == std::string_view::npos) {
      p_ = close + 1;
      return true;
    }
    QString text;
    if (!string(&text)) return false;
    if (n >= names_.size()) names_.resize(n + 1);
    names_[n].text = std::move(text);
    names_[n].raw = std::string_view(start, p_ - 1 - start);
    return true;
  }

  // The n-th field's value: a text the same as the record before's shares its string.
  bool fieldValue(size_t n, QVariant* out) {
    if (peek() != '"') return scalar(out);
    Name& cached = names_[n];
    const char* start = p_ + 1;
    const char* close = static_cast<const char*>(std::memchr(start, '"', static_cast<size_t>(end_ - start)));
    if (close && cached.value.isValid() && cached.valueRaw == std::string_view(start, close - start) &&
        cached.valueRaw.find('\\') == std::string_view::npos) {
      p_ = close + 1;
      *out = cached.value;
      return true;
    }
    if (!scalar(out)) return false;
    cached.valueRaw = std::string_view(start, p_ - 1 - start);
    cached.value = *out;
    return true;
  }

  struct Name {
    std::string_view raw;  // into the file's bytes
    QString text;
    std::string_view valueRaw;  // the last text value, and what it read as
    QVariant value;
  };
  const char* begin_;
  const char* p_;
  const char* end_;
  qsizetype maxRecords_;
  bool defer_ = false;
  std::vector<Name> names_;
  bool namesChecked_ = false, namesDistinct_ = false;
};

}  // namespace

std::optional<ImportFile> readExportedJson(const QByteArray& bytes, int maxRecords, bool deferFields) {
  ImportFile file;
  if (!FastJson(bytes, maxRecords, deferFields).read(&file)) return std::nullopt;
  if (file.anyDeferred()) file.text = bytes;
  return file;
}

bool ImportFile::anyDeferred() const {
  return std::any_of(records.begin(), records.end(), [](const ImportedRecord& r) { return r.deferred(); });
}

Status readDeferredFields(const ImportFile& file, ImportedRecord& record) {
  if (!record.deferred()) return Status::ok();
  const QByteArray object = file.text.mid(record.fieldsBegin, record.fieldsEnd - record.fieldsBegin);
  FastJson reader(object, 0);
  // The object was checked as it was read; a failure here is this reader's fault.
  if (!reader.fields(&record) || !reader.atEnd())
    return Status::error(QStringLiteral("%1: its fields could not be read again.").arg(record.where));
  record.fieldsBegin = record.fieldsEnd = -1;
  return Status::ok();
}

Result<ImportFile> parseJsonImport(const QByteArray& bytes) {
  if (auto file = readExportedJson(bytes, INT_MAX)) return std::move(*file);
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
        // A key in JSON is a number, as export writes it: "4" is a text that
        // only looks like one (CSV, having no numbers, takes digits).
        if (it.value().isString())
          return Result<ImportFile>::failure(
              QStringLiteral("%1: \"%2\" is the text %3; a record's key is a whole JSON number, without quotes.")
                  .arg(where, it.key(), quotedValue(it.value().toString())));
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

// "(n)" with n of one to three digits, blanks allowed around: how an export
// writes a combo's stored byte that no row stands for. -1 for any other text.
int storedByteForm(const QString& text) {
  const QStringView t = QStringView(text).trimmed();
  if (t.size() < 3 || t.size() > 5 || t.front() != u'(' || t.back() != u')') return -1;
  int n = 0;
  for (QChar c : t.mid(1, t.size() - 2)) {
    if (c < u'0' || c > u'9') return -1;
    n = n * 10 + (c.unicode() - u'0');
  }
  return n;
}

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

TableShape::TableShape(const TableAdapter& t) : table(t), controls(t.controls()), fields(t.fields()) {
  byName.reserve(static_cast<qsizetype>(controls.size()));
  for (size_t c = 0; c < controls.size(); ++c) {
    byName.insert(controls[c].name, static_cast<int>(c));
    hasCombo = hasCombo || controls[c].kind == ControlKind::Combo;
  }
}

size_t TableShape::indexOf(const QString& name) const {
  // The records of one file share their field names' strings: the string's
  // own address finds it without hashing its text. The cache keeps each
  // string it saw, so no address is reused for another text meanwhile.
  if (const auto seen = seenNames.find(name.constData()); seen != seenNames.end() && seen->second.first.size() == name.size())
    return seen->second.second;
  const auto found = byName.constFind(name);
  const size_t c = found == byName.cend() ? controls.size() : static_cast<size_t>(*found);
  if (!name.isEmpty() && seenNames.size() < 4 * controls.size() + 64) seenNames.emplace(name.constData(), std::make_pair(name, c));
  return c;
}

Result<std::vector<int>> storedComboBytes(RomImage& rom, const TableShape& shape, const RecordRef& ref) {
  if (!shape.hasCombo) return std::vector<int>(shape.controls.size(), -1);
  return readSession(rom, [&](RomImage& open) {
    open.prefetch(ref.offset, shape.table.stride());
    return comboBytes(open, shape.controls, shape.fields, ref);
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
  return overlayFields(TableShape(table), std::move(state), fields, stored);
}

Result<RecordState> overlayFields(const TableShape& shape, RecordState state, const QHash<QString, QVariant>& fields,
                                  const std::vector<int>* stored) {
  const TableAdapter& table = shape.table;
  const std::vector<ControlRef>& controls = shape.controls;
  const std::vector<Field>& defs = shape.fields;
  for (auto it = fields.begin(); it != fields.end(); ++it) {
    const size_t c = shape.indexOf(it.key());
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
        const int n = v.typeId() == QMetaType::QString ? storedByteForm(v.toString()) : -1;
        if (n >= 0) {
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
        if (v.typeId() == QMetaType::Bool) {
          target.checked = v.toBool();
          break;
        }
        const QString text = v.toString().trimmed().toLower();
        if (text == QLatin1String("1") || text == QLatin1String("true")) target.checked = true;
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
