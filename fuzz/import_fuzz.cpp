// The command line's import readers: any bytes as a JSON or CSV file of any
// registered table. A file is refused with a message or read into records;
// putting a record's fields over a state is refused with a message or gives a
// full state, and doing it twice changes nothing; a state exported and read
// back gives the same state (and, for CSV, the same record keys).
//
// Input: 1 byte format and table (JSON files that name a table are read as
// that table), the rest is the file.

#include "app/record_io.h"
#include "editors/all_tables.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <optional>

namespace {

using rt::fuzz::quoted;

const rt::TableRegistry& registry() {
  static const rt::TableRegistry r = rt::allTables();
  return r;
}

// Two starting states that differ in every control, so an export that left a
// control out shows up as a difference after reading it back.
rt::RecordState baseState(size_t controls, bool second) {
  rt::ControlValue v;
  if (second) {
    v.text = QStringLiteral("x");
    v.row = 7;
    v.checked = true;
  }
  return rt::RecordState(controls, v);
}

// What each control holds by its kind: a text box's text, a combo box's row,
// a check box's state. The other members of a value mean nothing for it.
rt::RecordState shown(const rt::TableAdapter& table, const rt::RecordState& state) {
  const std::vector<rt::ControlRef> controls = table.controls();
  rt::RecordState out(state.size());
  for (size_t c = 0; c < state.size() && c < controls.size(); ++c) {
    switch (controls[c].kind) {
      case rt::ControlKind::Text: out[c].text = state[c].text; break;
      case rt::ControlKind::Combo: out[c].row = state[c].row; break;
      case rt::ControlKind::Check: out[c].checked = state[c].checked; break;
    }
  }
  return out;
}

bool textsWellFormed(const rt::RecordState& state) {
  for (const rt::ControlValue& v : state)
    if (!rt::fuzz::isWellFormedUtf16(v.text)) return false;
  return true;
}

QString describe(const rt::RecordState& state) {
  QStringList parts;
  for (const rt::ControlValue& v : state)
    parts << QStringLiteral("%1/%2/%3").arg(quoted(v.text)).arg(v.row).arg(v.checked ? 1 : 0);
  return parts.join(u' ');
}

// Overlays `fields` on a blank state; returns the state, or nothing when refused.
std::optional<rt::RecordState> overlay(const rt::TableAdapter& table, const rt::ImportedRecord& record,
                                       const QString& what) {
  const size_t controls = table.controls().size();
  auto state = rt::overlayFields(table, baseState(controls, false), record.fields);
  if (!state) {
    FUZZ_CHECK(!state.message().isEmpty(), what + QStringLiteral(": fields refused without a message"));
    return std::nullopt;
  }
  FUZZ_CHECK(state->size() == controls, what + QStringLiteral(": %1 values for %2 controls").arg(state->size()).arg(controls));
  auto twice = rt::overlayFields(table, *state, record.fields);
  FUZZ_CHECK(twice && *twice == *state, what + QStringLiteral(": putting the fields on twice differs from once"));
  return *state;
}

void checkJson(const rt::TableAdapter& chosen, const QByteArray& bytes) {
  const auto file = rt::parseJsonImport(bytes);
  if (!file) {
    FUZZ_CHECK(!file.message().isEmpty(), QStringLiteral("JSON refused without a message"));
    return;
  }
  // As on the command line, a file that names a table is read as that table.
  const rt::TableAdapter* named = registry().find(file->table);
  const rt::TableAdapter& table = named ? *named : chosen;
  const size_t limit = std::min<size_t>(file->records.size(), 64);
  for (size_t i = 0; i < limit; ++i) {
    const rt::ImportedRecord& record = file->records[i];
    const QString what = QStringLiteral("JSON %1 of %2").arg(record.where, table.name());
    const auto state = overlay(table, record, what);
    if (!state || !textsWellFormed(*state)) continue;

    rt::ExportedRecord exported;
    exported.ref.keys = record.keys;
    exported.state = *state;
    const QByteArray json = rt::recordsToJson(table, {exported});
    const auto back = rt::parseJsonImport(json);
    FUZZ_CHECK(back && back->records.size() == 1 && back->table == table.name(),
               what + QStringLiteral(": its export does not read back: ") + (back ? QString() : back.message()));
    for (const QString& key : table.keyNames())
      FUZZ_CHECK(back->records[0].keys.contains(key), what + QStringLiteral(": the export lost key ") + key);
    auto again = rt::overlayFields(table, baseState(state->size(), true), back->records[0].fields);
    FUZZ_CHECK(again && shown(table, *again) == shown(table, *state), what + QStringLiteral(": exported %1, read back %2")
                                                     .arg(describe(*state), again ? describe(*again) : again.message()));
  }
}

void checkCsv(const rt::TableAdapter& table, const QByteArray& bytes) {
  const auto file = rt::parseCsvImport(bytes, table);
  if (!file) {
    FUZZ_CHECK(!file.message().isEmpty(), QStringLiteral("CSV refused without a message"));
    return;
  }
  const QStringList keyNames = table.keyNames();
  const size_t limit = std::min<size_t>(file->records.size(), 64);
  for (size_t i = 0; i < limit; ++i) {
    const rt::ImportedRecord& record = file->records[i];
    const QString what = QStringLiteral("CSV %1 of %2").arg(record.where, table.name());
    for (const QString& key : keyNames)
      FUZZ_CHECK(record.keys.contains(key), what + QStringLiteral(": no key ") + key);
    for (auto it = record.fields.begin(); it != record.fields.end(); ++it)
      FUZZ_CHECK(!keyNames.contains(it.key()) && it.key() != QLatin1String("name"),
                 what + QStringLiteral(": column %1 taken as a field").arg(quoted(it.key())));
    const auto state = overlay(table, record, what);
    if (!state) continue;

    rt::ExportedRecord exported;
    exported.ref.keys = record.keys;
    exported.state = *state;
    const QByteArray csv = rt::recordsToCsv(table, {exported});
    const auto back = rt::parseCsvImport(csv, table);
    FUZZ_CHECK(back && back->records.size() == 1,
               what + QStringLiteral(": its export does not read back: ") + (back ? QString() : back.message()));
    FUZZ_CHECK(back->records[0].keys == record.keys, what + QStringLiteral(": the export changed the record keys"));
    auto again = rt::overlayFields(table, baseState(state->size(), true), back->records[0].fields);
    FUZZ_CHECK(again && shown(table, *again) == shown(table, *state), what + QStringLiteral(": exported %1, read back %2")
                                                     .arg(describe(*state), again ? describe(*again) : again.message()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  rt::fuzz::FuzzInput in(data, size);
  const std::uint8_t choice = in.byte();
  const auto& tables = registry().all();
  FUZZ_CHECK(!tables.empty(), QStringLiteral("no table is registered"));
  const rt::TableAdapter& table = *tables[(choice >> 1) % tables.size()];
  const QByteArray bytes = in.rest();
  if (choice & 1) checkCsv(table, bytes);
  else checkJson(table, bytes);
  return 0;
}
