#include "model/record_csv.h"

#include <csv.h>

namespace rt {
namespace {

int storedAt(const std::vector<int>& stored, size_t c) { return c < stored.size() ? stored[c] : -1; }

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

}  // namespace

QString exactComboText(const Field& field, const ControlValue& value, int stored) {
  if (stored < 0) return {};
  const bool pastList = field.list.count > 0 && value.row >= field.list.count;
  if (!pastList && byteForRow(field.combo, value.row) == stored) return {};
  return QStringLiteral("(%1)").arg(stored);
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

QByteArray recordsToCsv(const QStringList& keyNames, const std::vector<ControlRef>& controls,
                        const std::vector<Field>& fields, const std::vector<ExportedRecord>& records,
                        const std::vector<int>& shown) {
  QByteArray out;
  auto appendRow = [&out](const QStringList& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
      if (i) out += ',';
      out += csvCell(cells[i]);
    }
    out += "\r\n";
  };
  QStringList header = keyNames;
  header << QStringLiteral("name");
  for (int c : shown) header << controls[static_cast<size_t>(c)].name;
  appendRow(header);
  for (const ExportedRecord& r : records) {
    QStringList cells;
    for (const QString& key : keyNames) cells << r.ref.keys.value(key).toString();
    cells << r.ref.name;
    for (int c : shown) {
      const auto at = static_cast<size_t>(c);
      if (at >= r.state.size()) break;
      cells << cellText(controls[at], fields[static_cast<size_t>(controls[at].field)], r.state[at], storedAt(r.stored, at));
    }
    appendRow(cells);
  }
  return out;
}

QByteArray recordsToCsv(const TableAdapter& table, const std::vector<ExportedRecord>& records) {
  const std::vector<ControlRef> controls = table.controls();
  std::vector<int> all(controls.size());
  for (size_t c = 0; c < all.size(); ++c) all[c] = static_cast<int>(c);
  return recordsToCsv(table.keyNames(), controls, table.fields(), records, all);
}

}  // namespace rt
