#include "model/table_registry.h"

#include "model/conversions.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace rt {

QString recordKeyText(const QVariantMap& keys) {
  QStringList parts;
  for (auto it = keys.begin(); it != keys.end(); ++it) parts << it.key() + QLatin1Char('=') + it.value().toString();
  return parts.join(QLatin1Char(','));
}

Result<QStringList> loadNames(const QString& dir, const NameListSource& list) {
  auto items = loadNameList(dir, list.file, list.count + list.skip, list.style);
  if (!items) return items;
  return items->mid(list.skip);
}

std::int64_t TableAdapter::requiredSize() const {
  if (const std::int64_t known = requiredSize_.load(std::memory_order_relaxed); known >= 0) return known;
  const std::int64_t size = lastRecordEnd(base(), stride(), count(), fields());
  requiredSize_.store(size, std::memory_order_relaxed);
  return size;
}

std::vector<RecordRef> TableAdapter::checkedRecords(RomImage&) const {
  std::vector<RecordRef> out;
  out.reserve(static_cast<size_t>(std::max(count(), 0)));
  for (int i = 0; i < count(); ++i) {
    RecordRef r;
    r.keys.insert(QStringLiteral("index"), i);
    r.offset = base() + stride() * i;
    out.push_back(std::move(r));
  }
  return out;
}

Result<int> recordKey(const QVariantMap& keys, const QString& key, int limit) {
  const QVariant v = keys.value(key);
  if (!v.isValid()) return Result<int>::failure(QStringLiteral("the record has no \"%1\"").arg(key));
  // Only a whole number addresses a record: 1.5, true or "2x" are refused,
  // never rounded or converted into some record.
  bool ok = false;
  qlonglong n = -1;
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: n = v.toLongLong(&ok); break;
    case QMetaType::Double: {
      const double d = v.toDouble();
      ok = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15;
      if (ok) n = static_cast<qlonglong>(d);
      break;
    }
    case QMetaType::QString: {
      const QString text = v.toString().trimmed();
      static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,15}$"));
      ok = whole.match(text).hasMatch();
      if (ok) n = text.toLongLong(&ok);
      break;
    }
    default: break;
  }
  if (!ok || n < 0 || n >= limit)
    return Result<int>::failure(
        QStringLiteral("\"%1\" is %2; it must be a whole number from 0 to %3")
            .arg(key, v.typeId() == QMetaType::Bool ? v.toString() : quotedValue(v.toString()))
            .arg(limit - 1));
  return static_cast<int>(n);
}

Result<std::vector<RecordRef>> FixedTable::records(RomImage&, const QString& namesDir) const {
  return listed(namesDir, true);
}

Result<std::vector<RecordRef>> FixedTable::listedRecords(RomImage&, const QString& namesDir, bool* byPlace) const {
  *byPlace = true;
  return listed(namesDir, false);
}

Result<std::vector<RecordRef>> FixedTable::listed(const QString& namesDir, bool keys) const {
  QStringList names;
  if (!names_.file.isEmpty()) {
    auto loaded = loadNames(namesDir, names_);
    if (!loaded) return loaded.status();
    names = *loaded;
  }
  std::vector<RecordRef> out;
  out.reserve(static_cast<size_t>(def_.count));
  for (int i = 0; i < def_.count; ++i) {
    RecordRef r;
    if (keys) r.keys.insert(QStringLiteral("index"), i);
    r.name = i < names.size() ? names[i] : def_.id;
    r.offset = def_.recordOffset(i);
    out.push_back(std::move(r));
  }
  return out;
}

Result<RecordRef> FixedTable::resolve(RomImage&, const QVariantMap& keys) const {
  auto index = recordKey(keys, QStringLiteral("index"), def_.count);
  if (!index) return index.status();
  RecordRef r;
  r.keys.insert(QStringLiteral("index"), *index);
  r.offset = def_.recordOffset(*index);
  return r;
}

Result<RecordState> FixedTable::read(RomImage& rom, const RecordRef& record) const {
  return readRecord(rom, def_, record.offset);
}

Result<std::vector<RecordState>> TableAdapter::readMany(RomImage& rom, const std::vector<RecordRef>& records) const {
  std::vector<RecordState> states;
  states.reserve(records.size());
  for (const RecordRef& r : records) {
    auto state = read(rom, r);
    if (!state) return state.status();
    states.push_back(std::move(state.value()));
  }
  return states;
}

Result<FetchedRecord> TableAdapter::fetch(RomImage& rom, const QVariantMap& keys) const {
  auto ref = resolve(rom, keys);
  if (!ref) return ref.status();
  auto state = read(rom, *ref);
  if (!state) return state.status();
  return FetchedRecord{std::move(ref.value()), std::move(state.value())};
}

Result<std::vector<RecordState>> FixedTable::readMany(RomImage& rom, const std::vector<RecordRef>& records) const {
  return readRecords(rom, def_, records);
}

Result<std::vector<RecordState>> readRecords(RomImage& rom, const TableDef& def, const std::vector<RecordRef>& records) {
  // The bytes of a record's fields: one span when they lie together, else one per field.
  const auto [lo, hi] = fieldsExtent(def.fields);
  std::vector<ByteSpan> spans;
  for (const RecordRef& r : records) {
    if (hi - lo <= 4096) {
      spans.push_back({r.offset + lo, hi - lo});
      continue;
    }
    for (const Field& f : def.fields) spans.push_back({r.offset + f.offset, widthOf(f.kind)});
  }
  return readSession(rom, [&](RomImage& open) {
    open.prefetchSpans(std::move(spans));
    std::vector<RecordState> states;
    states.reserve(records.size());
    for (const RecordRef& r : records) states.push_back(readFields(open, def, r.offset));
    return states;
  });
}

RecordRef FixedTable::recordAt(int index) const {
  RecordRef r;
  r.keys.insert(QStringLiteral("index"), index);
  r.offset = def_.recordOffset(index);
  return r;
}

SaveResult saveRecord(RomImage& rom, const TableAdapter& table, const RecordRef& record, const RecordState& state,
                      const TxInfo& info) {
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!table.encode(rom, record, state, &writes, &error)) return rejectedSave(error);
  return applyWrites(rom, writes, info);
}

std::vector<int> editedControls(const RecordState& read, const RecordState& edited) {
  std::vector<int> out;
  for (size_t c = 0; c < edited.size(); ++c)
    if (c >= read.size() || !(edited[c] == read[c])) out.push_back(static_cast<int>(c));
  return out;
}

std::vector<StaleControl> staleControls(const RecordState& read, const RecordState& edited, const RecordState& now) {
  std::vector<StaleControl> out;
  for (int c : editedControls(read, edited)) {
    const auto at = static_cast<size_t>(c);
    // A value saved elsewhere that is the one this window would write is no quarrel.
    if (at >= read.size() || at >= now.size() || now[at] == read[at] || now[at] == edited[at]) continue;
    out.push_back({c, now[at], edited[at]});
  }
  return out;
}

RecordState withEdits(const RecordState& now, const RecordState& read, const RecordState& edited) {
  RecordState out = now;
  for (int c : editedControls(read, edited))
    if (static_cast<size_t>(c) < out.size()) out[static_cast<size_t>(c)] = edited[static_cast<size_t>(c)];
  return out;
}

std::vector<ByteWrite> changedWrites(const std::vector<ByteWrite>& before, std::vector<ByteWrite> after) {
  bool aligned = before.size() == after.size();
  for (size_t i = 0; aligned && i < after.size(); ++i) aligned = before[i].offset == after[i].offset;
  if (!aligned) return after;
  std::vector<ByteWrite> out;
  for (size_t i = 0; i < after.size(); ++i)
    if (after[i].value != before[i].value || after[i].mask != before[i].mask) out.push_back(after[i]);
  return out;
}

Result<EditCheck> checkEdits(RomImage& rom, const TableAdapter& table, const RecordRef& record,
                             const RecordState& read, const RecordState& edited) {
  auto now = table.read(rom, record);
  if (!now) return now.status();
  EditCheck check;
  check.stale = staleControls(read, edited, *now);
  check.now = std::move(now.value());
  return check;
}

EditSave saveEdits(RomImage& rom, const TableAdapter& table, const RecordRef& record, const RecordState& read,
                   const RecordState& edited, const TxInfo& info, bool overwrite) {
  EditSave out;
  {
    // A refused value is named before the image is locked, as saveRecord names it.
    std::vector<ByteWrite> ignored;
    FieldError error;
    if (!table.encode(rom, record, edited, &ignored, &error)) {
      out.result = rejectedSave(error);
      return out;
    }
  }
  if (editedControls(read, edited).empty()) {
    out.now = read;
    return out;  // nothing edited, nothing written
  }
  WriteTransaction tx(rom, info);
  if (!tx.status()) {
    out.result.status = tx.status();
    return out;
  }
  auto check = checkEdits(rom, table, record, read, edited);
  if (!check) {
    out.result.status = check.status();
    return out;
  }
  out.now = check->now;
  if (!overwrite && !check->stale.empty()) {
    out.stale = std::move(check->stale);
    out.result.status = Status::error(QStringLiteral("The record was saved elsewhere since it was read; nothing was saved."));
    return out;
  }
  const RecordState target = withEdits(check->now, read, edited);
  std::vector<ByteWrite> before, after;
  FieldError error;
  if (!table.encode(rom, record, target, &after, &error)) {
    out.result = rejectedSave(error);
    return out;
  }
  if (!table.encode(rom, record, check->now, &before, &error)) before.clear();
  out.result = applyWrites(rom, changedWrites(before, std::move(after)), info);
  if (!out.result.status) return out;
  // The record as read back: a typed "-256" is the "0" a later read shows.
  auto saved = table.read(rom, record);
  out.now = saved ? std::move(saved.value()) : target;
  return out;
}

bool FixedTable::encode(RomImage&, const RecordRef& record, const RecordState& state,
                        std::vector<ByteWrite>* writes, FieldError* error) const {
  return encodeRecord(def_, record.offset, state, writes, error);
}

const TableAdapter* TableRegistry::find(const QString& name) const {
  for (const auto& t : tables_)
    if (t->name() == name) return t.get();
  return nullptr;
}

}  // namespace rt
