#include "app/record_io.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csv.h>

#include "model/conversions.h"
#include "model/record_bytes.h"
#include "model/text_buffer.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>
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
// four spaces a level), straight into the file's bytes: a document of objects
// inserted one key at a time costs several times the reads themselves on
// tables of many records and fields.

void indent(TextBuffer& out, int level) {
  static const char spaces[] = "                        ";  // six levels
  out.append(spaces, 4 * level);
}

// `text` as a JSON string at `to` when it needs no escape (room for its
// length + 2); the end of what was written, or nullptr when it needs one.
constexpr std::array<bool, 128> kPlainAscii = [] {
  std::array<bool, 128> plain{};
  for (int c = 0x20; c < 0x80; ++c) plain[static_cast<size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

char* plainString(char* to, QStringView text) {
  const qsizetype n = text.size();
  const char16_t* from = text.utf16();
  *to++ = '"';
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t u = from[i];
    if (u >= 0x80 || !kPlainAscii[u]) return nullptr;
    to[i] = static_cast<char>(u);
  }
  to[n] = '"';
  return to + n + 1;
}

// A JSON string of `text`, escaped as Qt escapes it.
void jsonString(TextBuffer& out, QStringView text) {
  if (char* end = plainString(out.room(text.size() + 2), text)) {
    out.commit(end);
    return;
  }
  // Names in other scripts: their UTF-8 as it is, escapes where needed,
  // encoded straight into the text (a QByteArray a name cost an allocation a
  // record). A lone surrogate, which no name list read as UTF-8 holds, has no
  // UTF-8: Qt's writer escapes it (\ud800), and so does this.
  const qsizetype n = text.size();
  const char16_t* from = text.utf16();
  char* to = out.room(6 * n + 2);  // "\u00XX" at most a unit; three bytes at most a unit in UTF-8
  *to++ = '"';
  for (qsizetype i = 0; i < n; ++i) {
    const char32_t u = from[i];
    if (u >= 0x80) {
      if (u < 0x800) {
        *to++ = static_cast<char>(0xC0 | (u >> 6));
        *to++ = static_cast<char>(0x80 | (u & 0x3F));
      } else if (u < 0xD800 || u > 0xDFFF) {
        *to++ = static_cast<char>(0xE0 | (u >> 12));
        *to++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (u & 0x3F));
      } else if (u < 0xDC00 && i + 1 < n && from[i + 1] >= 0xDC00 && from[i + 1] <= 0xDFFF) {
        const char32_t c = 0x10000 + ((u - 0xD800) << 10) + (from[++i] - 0xDC00);
        *to++ = static_cast<char>(0xF0 | (c >> 18));
        *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
      } else {
        static const char digits[] = "0123456789abcdef";
        to = std::copy_n("\\u", 2, to);
        for (int shift = 12; shift >= 0; shift -= 4) *to++ = digits[(u >> shift) & 0xF];
      }
      continue;
    }
    const auto c = static_cast<unsigned char>(u);
    const char ch = static_cast<char>(u);
    if (kPlainAscii[c]) {
      *to++ = ch;
      continue;
    }
    *to++ = '\\';
    switch (c) {
      case '"': *to++ = '"'; break;
      case '\\': *to++ = '\\'; break;
      case '\b': *to++ = 'b'; break;
      case '\f': *to++ = 'f'; break;
      case '\n': *to++ = 'n'; break;
      case '\r': *to++ = 'r'; break;
      case '\t': *to++ = 't'; break;
      default: {
        static const char digits[] = "0123456789abcdef";
        to = std::copy_n("u00", 3, to);
        *to++ = digits[c >> 4];
        *to++ = digits[c & 0xF];
      }
    }
  }
  *to++ = '"';
  out.commit(to);
}

void jsonScalar(TextBuffer& out, const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Bool:
      if (v.toBool()) out += "true";
      else out += "false";
      break;
    case QMetaType::Int: out.number(*static_cast<const int*>(v.constData())); break;  // keys: no conversion each
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: out.number(v.toLongLong()); break;
    case QMetaType::Double: out.append(QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest)); break;
    case QMetaType::UnknownType: out += "null"; break;
    default: jsonString(out, v.toString());
  }
}

// What control c of the record `bytes` has at hand shows, as a JSON value at
// `to` (32 bytes of room): texts and "(n)" as strings, rows as numbers, check
// boxes as true or false.
inline char* shownJson(char* to, const RecordBytes& bytes, size_t c) {
  const RecordBytes::Shown shown = bytes.shown(c);
  switch (shown.kind) {
    case RecordBytes::Shown::Row: return shownTextInline(to, shown);
    case RecordBytes::Shown::Check: return shown.value ? std::copy_n("true", 4, to) : std::copy_n("false", 5, to);
    default:
      *to++ = '"';
      to = shownTextInline(to, shown);
      *to++ = '"';
      return to;
  }
}

// A member's `"name": ` at `level`.
void memberKey(TextBuffer& out, int level, QStringView name) {
  indent(out, level);
  jsonString(out, name);
  out += ": ";
}

// The same as bytes.
QByteArray keyText(int level, const QString& name) {
  QByteArray text;
  TextBuffer out(&text);
  memberKey(out, level, name);
  out.finish();
  return text;
}

// A table's file being written: its records one after another, each with its
// members and fields in the order of their names, as Qt orders an object's keys.
class JsonTableWriter {
 public:
  JsonTableWriter(const TableAdapter& table, const std::vector<ControlRef>& controls, const std::vector<Field>& fields,
                  QByteArray* out)
      : controls_(controls), out_(out) {
    std::vector<size_t> order(controls.size());
    for (size_t c = 0; c < order.size(); ++c) order[c] = c;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return controls[a].name < controls[b].name; });
    // Each field's `"name": ` once per table, not once per record.
    for (size_t c : order) {
      const QByteArray key = keyText(4, controls[c].name);
      order_.push_back({c, controls[c].kind, &fields[static_cast<size_t>(controls[c].field)], keyPool_.size(), key.size()});
      fieldsRoom_ += std::max(key.size(), kKeyCopy) + 32;  // a value and ",\n" in 32
      keyPool_ += key;
    }
    keyPool_.append(kKeyCopy, ' ');  // a copy of kKeyCopy bytes from the last key stays inside
    QStringList names = table.keyNames();
    names << QStringLiteral("name") << QStringLiteral("offset") << QStringLiteral("fields");
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
      const Member::Kind kind = name == QLatin1String("fields") ? Member::Fields
                                : name == QLatin1String("name") ? Member::Name
                                : name == QLatin1String("offset") ? Member::Offset
                                                                  : Member::Key;
      members_.push_back({kind, name, keyText(3, name)});
    }
    out_ += "{\n";
    memberKey(out_, 1, u"records");
    out_ += "[\n";
  }

  // Gives where the record's object lies in the text ({ to }). `place`, when
  // not -1, is the record's index, its keys left empty (listedRecords).
  std::pair<qsizetype, qsizetype> write(const ExportedRecord& r, qsizetype place = -1) {
    return record(r.ref, place, [&] { fields(r); });
  }
  // The same for the record whose bytes `bytes` has at hand.
  std::pair<qsizetype, qsizetype> write(const RecordRef& ref, const RecordBytes& bytes, qsizetype place = -1) {
    return record(ref, place, [&] { fields(bytes); });
  }

  TextBuffer& text() { return out_; }

  void finish(const QString& tableName) {
    if (written_ > 0) out_ += "\n";
    indent(out_, 1);
    out_ += "],\n";
    memberKey(out_, 1, u"table");
    jsonString(out_, tableName);
    out_ += "\n}\n";
    out_.finish();
  }

 private:
  struct Member {
    enum Kind { Fields, Name, Offset, Key } kind;
    QString name;
    QByteArray key;
  };

  template <typename Fields>
  std::pair<qsizetype, qsizetype> record(const RecordRef& ref, qsizetype place, const Fields& fields) {
    if (written_++ > 0) out_ += ",\n";
    indent(out_, 2);
    const qsizetype begin = out_.size();
    out_ += "{\n";
    for (size_t m = 0; m < members_.size(); ++m) {
      const Member& member = members_[m];
      out_.append(member.key);
      switch (member.kind) {
        case Member::Fields: fields(); break;
        case Member::Name: jsonString(out_, ref.name); break;
        case Member::Offset: out_.number(ref.offset); break;
        case Member::Key: {
          if (place >= 0) {  // a table whose one key is the index
            out_.number(place);
            break;
          }
          const auto key = ref.keys.constFind(member.name);  // not copied, as value() would
          if (key == ref.keys.cend()) out_ += "null";
          else jsonScalar(out_, *key);
          break;
        }
      }
      next(m + 1 == members_.size());
    }
    indent(out_, 2);
    out_ += '}';
    return {begin, out_.size()};
  }

  // Between members: ",\n"; after the last one: "\n".
  void next(bool last) {
    if (last) out_ += "\n";
    else out_ += ",\n";
  }

  void fields(const ExportedRecord& r) {
    out_ += "{\n";
    const size_t shown = std::min(controls_.size(), r.state.size());
    size_t written = 0;
    const char* keys = keyPool_.constData();
    for (const FieldOut& f : order_) {
      if (f.control >= shown) continue;
      const ControlValue& value = r.state[f.control];
      const bool last = ++written == shown;
      // The key, the value and what follows in room made once: 24 bytes hold
      // any number, true or false.
      const qsizetype text = f.kind == ControlKind::Text ? value.text.size() : 0;
      char* to = out_.room(std::max(f.keyLength, kKeyCopy) + text + 28);
      // Most keys in one copy of a fixed size, which the compiler makes a few moves.
      if (f.keyLength <= kKeyCopy) std::memcpy(to, keys + f.keyAt, kKeyCopy);
      else std::memcpy(to, keys + f.keyAt, static_cast<size_t>(f.keyLength));
      to += f.keyLength;
      switch (f.kind) {
        case ControlKind::Text:
          if (char* end = plainString(to, value.text)) {
            to = end;
          } else {
            out_.commit(to);
            jsonString(out_, value.text);
            to = out_.room(2);
          }
          break;
        case ControlKind::Check:
          if (value.checked) to = std::copy_n("true", 4, to);
          else to = std::copy_n("false", 5, to);
          break;
        case ControlKind::Combo: {
          const int stored = storedAt(r.stored, f.control);
          if (exactComboByte(*f.field, value, stored) < 0) {
            to = std::to_chars(to, to + 24, value.row).ptr;
            break;
          }
          out_.commit(to);
          jsonString(out_, exactComboText(*f.field, value, stored));
          to = out_.room(2);
          break;
        }
      }
      *to++ = last ? '\n' : ',';
      if (!last) *to++ = '\n';
      out_.commit(to);
    }
    indent(out_, 3);
    out_ += '}';
  }

  // The fields straight from the record's bytes: what fields(r) writes for
  // the record a read would give, without the record.
  void fields(const RecordBytes& bytes) {
    out_ += "{\n";
    // Room for every field at once: no check a field.
    char* to = out_.room(fieldsRoom_);
    const char* keys = keyPool_.constData();
    for (const FieldOut& f : order_) {
      if (f.keyLength <= kKeyCopy) std::memcpy(to, keys + f.keyAt, kKeyCopy);
      else std::memcpy(to, keys + f.keyAt, static_cast<size_t>(f.keyLength));
      to += f.keyLength;
      to = shownJson(to, bytes, f.control);
      to[0] = ',';
      to[1] = '\n';
      to += 2;
    }
    if (!order_.empty()) *(--to - 1) = '\n';  // the last field ends with "\n" alone
    out_.commit(to);
    indent(out_, 3);
    out_ += '}';
  }

  static constexpr qsizetype kKeyCopy = 48;

  // A field in the order of its name: its control and its `"name": ` in keyPool_.
  struct FieldOut {
    size_t control;
    ControlKind kind;
    const Field* field;
    qsizetype keyAt, keyLength;
  };

  const std::vector<ControlRef>& controls_;
  TextBuffer out_;
  std::vector<FieldOut> order_;
  QByteArray keyPool_;
  qsizetype fieldsRoom_ = 0;
  std::vector<Member> members_;
  size_t written_ = 0;
};

}  // namespace

QByteArray recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records,
                         std::vector<std::pair<qsizetype, qsizetype>>* spans) {
  QByteArray out;
  recordsToJson(table, records, spans, &out);
  return out;
}

void recordsToJson(const TableAdapter& table, const std::vector<ExportedRecord>& records,
                   std::vector<std::pair<qsizetype, qsizetype>>* spans, QByteArray* out) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  out->resize(0);  // keeps its room
  JsonTableWriter json(table, controls, fields, out);
  for (const ExportedRecord& r : records) {
    const auto span = json.write(r);
    if (spans) spans->push_back(span);
  }
  json.finish(table.name());
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
  std::int64_t lo = INT64_MAX, hi = INT64_MIN;
  for (const ControlRef& c : controls) {
    if (c.kind != ControlKind::Combo) continue;
    lo = std::min(lo, fields[static_cast<size_t>(c.field)].offset);
    hi = std::max(hi, fields[static_cast<size_t>(c.field)].offset + 1);
  }
  // The record's bytes are in memory when they were fetched with it: read there.
  const std::uint8_t* bytes = lo < hi ? rom.peek(ref.offset + lo, hi - lo) : nullptr;
  for (size_t c = 0; c < controls.size(); ++c) {
    if (controls[c].kind != ControlKind::Combo) continue;
    const std::int64_t at = fields[static_cast<size_t>(controls[c].field)].offset;
    if (bytes) {
      out[c] = bytes[at - lo];
      continue;
    }
    rom.seek(ref.offset + at);
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

namespace {

// The records `refs` address with their stored combo bytes (none when the
// table has no combo box): the table reads them all in one session
// (TableAdapter::readMany), the combo bytes come in one more.
Result<std::vector<ExportedRecord>> readExported(RomImage& rom, const TableAdapter& table,
                                                 const std::vector<ControlRef>& controls, const std::vector<Field>& fields,
                                                 std::vector<RecordRef> refs) {
  auto states = table.readMany(rom, refs);
  if (!states) return states.status();
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
    out.push_back({std::move(refs[i]), std::move((*states)[i]), stored.empty() ? std::vector<int>() : std::move(stored[i])});
  return out;
}

// Records read and written this many at a time: their values stay in the
// processor's cache between the read and the write.
constexpr size_t kExportBatch = 64;

}  // namespace

Result<std::vector<ExportedRecord>> exportedRecords(RomImage& rom, const TableAdapter& table,
                                                    const std::vector<RecordRef>& refs) {
  const std::vector<ControlRef> controls = table.controls();
  auto out = readExported(rom, table, controls, table.fields(), refs);
  if (!out) return out;
  for (ExportedRecord& r : *out)
    if (r.stored.empty()) r.stored.assign(controls.size(), -1);
  return out;
}

namespace {

// The text of `refs` in `format` appended to `out`, a batch at a time, each
// JSON record's place appended to `spans` when given; `drain` as for
// appendTableExport. On failure `out` holds no more than it did.
Status appendRecordsText(RomImage& rom, const TableAdapter& table, const std::vector<RecordRef>& refs, bool byPlace,
                         ExportFormat format, QByteArray* out, std::vector<std::pair<qsizetype, qsizetype>>* spans,
                         const std::function<void(QByteArray&)>& drain) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  std::optional<JsonTableWriter> json;
  std::optional<CsvTableWriter> csv;
  if (format == ExportFormat::Csv) {
    std::vector<int> all(controls.size());
    for (size_t c = 0; c < all.size(); ++c) all[c] = static_cast<int>(c);
    csv.emplace(table.keyNames(), controls, fields, std::move(all), out);
  } else {
    json.emplace(table, controls, fields, out);
  }
  auto placed = [&](std::pair<qsizetype, qsizetype> span) {
    if (spans) spans->push_back(span);
  };
  const qsizetype before = out->size();
  // Most tables' text is made straight from their bytes; a table read some
  // other way goes through its records' states.
  RecordBytes bytes(table, controls);
  for (size_t from = 0; from < refs.size(); from += kExportBatch) {
    const size_t to = std::min(refs.size(), from + kExportBatch);
    Status read;
    if (bytes.ok()) {
      read = bytes.read(rom, refs, from, to, [&](size_t i) {
        const qsizetype place = byPlace ? static_cast<qsizetype>(i) : -1;
        if (json) placed(json->write(refs[i], bytes, place));
        else csv->write(refs[i], bytes, place);
      });
    } else {
      std::vector<RecordRef> batch(refs.begin() + static_cast<std::ptrdiff_t>(from),
                                   refs.begin() + static_cast<std::ptrdiff_t>(to));
      auto records = readExported(rom, table, controls, fields, std::move(batch));
      if (records) {
        for (size_t k = 0; k < records->size(); ++k) {
          const qsizetype place = byPlace ? static_cast<qsizetype>(from + k) : -1;
          if (json) placed(json->write((*records)[k], place));
          else csv->write((*records)[k], place);
        }
      }
      read = records.status();
    }
    if (!read) {
      if (json) json->finish(table.name());
      if (csv) csv->finish();
      out->truncate(before);
      return read;
    }
    if (drain) {
      TextBuffer& text = json ? json->text() : csv->text();
      text.finish();
      drain(*out);
      text.resume();
    }
  }
  if (json) json->finish(table.name());
  else csv->finish();
  return Status::ok();
}

}  // namespace

Status exportJson(RomImage& rom, const TableAdapter& table, const std::vector<RecordRef>& refs,
                  std::vector<std::pair<qsizetype, qsizetype>>* spans, QByteArray* out) {
  out->resize(0);  // keeps its room
  return appendRecordsText(rom, table, refs, false, ExportFormat::Json, out, spans, {});
}

QByteArray manifestJson(const ExportManifest& m) {
  // Written directly: Qt's document of it took a tenth of a millisecond of an
  // export's last step, on one thread.
  QByteArray bytes;
  {
    TextBuffer out(&bytes);
    auto member = [&out](int level, QStringView name, QStringView text) {  // not the last
      memberKey(out, level, name);
      jsonString(out, text);
      out += ",\n";
    };
    out += "{\n";
    member(1, u"crc32", m.crc32);
    member(1, u"format", m.format);
    member(1, u"image", m.image);
    memberKey(out, 1, u"size");
    out.number(m.size);
    out += ",\n";
    memberKey(out, 1, u"tables");
    out += "[\n";
    for (size_t i = 0; i < m.tables.size(); ++i) {
      const ExportManifest::Table& t = m.tables[i];
      indent(out, 2);
      out += "{\n";
      member(3, u"file", t.file);
      memberKey(out, 3, u"records");
      out.number(t.records);
      out += ",\n";
      memberKey(out, 3, u"table");
      jsonString(out, t.table);
      out += "\n";
      indent(out, 2);
      out.append(i + 1 < m.tables.size() ? QByteArrayView("},\n") : QByteArrayView("}\n"));
    }
    indent(out, 1);
    out += "]\n}\n";
  }
  return bytes;
}

Result<int> appendTableExport(RomImage& rom, const TableAdapter& table, const QString& namesDir, ExportFormat format,
                              QByteArray* out, const std::function<void(QByteArray&)>& drain) {
  bool byPlace = false;
  auto refs = table.listedRecords(rom, namesDir, &byPlace);
  if (!refs) return refs.status();
  if (Status made = appendRecordsText(rom, table, *refs, byPlace, format, out, nullptr, drain); !made) return made;
  return static_cast<int>(refs->size());
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
