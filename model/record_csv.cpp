#include "model/record_csv.h"

#include <csv.h>

namespace rt {
namespace {

int storedAt(const std::vector<int>& stored, size_t c) { return c < stored.size() ? stored[c] : -1; }

}  // namespace

int exactComboByte(const Field& field, int row, int stored) {
  if (stored < 0) return -1;
  const bool pastList = field.list.count > 0 && row >= field.list.count;
  if (!pastList && byteForRow(field.combo, row) == stored) return -1;
  return stored;
}

int exactComboByte(const Field& field, const ControlValue& value, int stored) {
  return exactComboByte(field, value.row, stored);
}

QString exactComboText(const Field& field, const ControlValue& value, int stored) {
  const int byte = exactComboByte(field, value, stored);
  return byte < 0 ? QString() : QStringLiteral("(%1)").arg(byte);
}

std::vector<int> storedComboBytes(RomImage& rom, const std::vector<ControlRef>& controls,
                                  const std::vector<Field>& fields, std::int64_t recordOffset) {
  std::vector<int> out(controls.size(), -1);
  for (size_t c = 0; c < controls.size(); ++c) {
    if (controls[c].kind != ControlKind::Combo) continue;
    rom.seek(recordOffset + fields[static_cast<size_t>(controls[c].field)].offset);
    out[c] = rom.readU8();
  }
  return out;
}

Result<std::vector<int>> storedComboBytes(RomImage& rom, const TableAdapter& table, const RecordRef& ref) {
  const std::vector<ControlRef> controls = table.controls();
  const std::vector<Field> fields = table.fields();
  bool any = false;
  for (const ControlRef& c : controls) any = any || c.kind == ControlKind::Combo;
  if (!any) return std::vector<int>(controls.size(), -1);
  RomSession session(rom, Access::Read);
  if (!session.status()) return session.status();
  rom.prefetch(ref.offset, table.stride());
  std::vector<int> out = storedComboBytes(rom, controls, fields, ref.offset);
  if (Status closed = session.close(); !closed) return closed;
  return out;
}

namespace {

// A cell as csv_write writes it: quoted, quotes doubled.
void csvCell(TextBuffer& out, QStringView text) {
  // Most cells are digits and names in ASCII without quotes: copied as they are.
  const qsizetype n = text.size();
  const char16_t* from = text.utf16();
  char* to = out.room(n + 2);
  *to++ = '"';
  qsizetype i = 0;
  for (; i < n; ++i) {
    const char16_t u = from[i];
    if (u >= 0x80 || u == '"') break;
    to[i] = static_cast<char>(u);
  }
  if (i == n) {
    to[n] = '"';
    out.commit(to + n + 1);
    return;
  }
  out.commit(to - 1);
  const QByteArray raw = text.toUtf8();
  const size_t length = csv_write(nullptr, 0, raw.constData(), static_cast<size_t>(raw.size()));
  char* cell = out.room(static_cast<qsizetype>(length));
  out.commit(cell + csv_write(cell, length, raw.constData(), static_cast<size_t>(raw.size())));
}

}  // namespace

CsvTableWriter::CsvTableWriter(const QStringList& keyNames, const std::vector<ControlRef>& controls,
                               const std::vector<Field>& fields, std::vector<int> shown, QByteArray* out)
    : keyNames_(keyNames), controls_(controls), fields_(fields), shown_(std::move(shown)), out_(out) {
  bool first = true;
  auto cell = [&](const QString& text) {
    if (!first) out_ += ',';
    first = false;
    csvCell(out_, text);
  };
  for (const QString& key : keyNames_) cell(key);
  cell(QStringLiteral("name"));
  for (int c : shown_) cell(controls_[static_cast<size_t>(c)].name);
  out_ += "\r\n";
}

void CsvTableWriter::keyCells(const RecordRef& ref, qsizetype place) {
  for (const QString& key : keyNames_) {
    if (place >= 0) {  // the index alone: digits, which need no escape
      out_ += '"';
      out_.number(place);
      out_ += '"';
    } else {
      csvCell(out_, ref.keys.value(key).toString());
    }
    out_ += ',';
  }
  csvCell(out_, ref.name);
}

void CsvTableWriter::write(const RecordRef& ref, const RecordBytes& bytes, qsizetype place) {
  keyCells(ref, place);
  for (int c : shown_) {
    const auto at = static_cast<size_t>(c);
    char* to = out_.room(32);
    *to++ = ',';
    *to++ = '"';
    to = shownTextInline(to, bytes.shown(at));
    *to++ = '"';
    out_.commit(to);
  }
  out_ += "\r\n";
}

void CsvTableWriter::write(const ExportedRecord& r, qsizetype place) {
  keyCells(r.ref, place);
  for (int c : shown_) {
    const auto at = static_cast<size_t>(c);
    if (at >= r.state.size()) break;
    out_ += ',';
    const ControlValue& value = r.state[at];
    switch (controls_[at].kind) {
      case ControlKind::Text: csvCell(out_, value.text); break;
      case ControlKind::Combo: {
        const Field& field = fields_[static_cast<size_t>(controls_[at].field)];
        if (const int stored = storedAt(r.stored, at); exactComboByte(field, value, stored) >= 0) {
          csvCell(out_, exactComboText(field, value, stored));
          break;
        }
        out_ += '"';
        out_.number(value.row);
        out_ += '"';
        break;
      }
      case ControlKind::Check:
        if (value.checked) out_ += "\"1\"";
        else out_ += "\"0\"";
        break;
    }
  }
  out_ += "\r\n";
}

void CsvTableWriter::finish() { out_.finish(); }

QByteArray recordsToCsv(const QStringList& keyNames, const std::vector<ControlRef>& controls,
                        const std::vector<Field>& fields, const std::vector<ExportedRecord>& records,
                        const std::vector<int>& shown) {
  QByteArray out;
  CsvTableWriter csv(keyNames, controls, fields, shown, &out);
  for (const ExportedRecord& r : records) csv.write(r);
  csv.finish();
  return out;
}

QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records) {
  const std::vector<ControlRef> controls = table.controls();
  std::vector<int> all(controls.size());
  for (size_t c = 0; c < all.size(); ++c) all[c] = static_cast<int>(c);
  return recordsToCsv(table.keyNames(), controls, table.fields(), records, all);
}

}  // namespace rt
