#include "core/table_registry.h"

namespace rt {

Result<QStringList> loadNames(const QString& dir, const NameListSource& list) {
  auto items = loadNameList(dir, list.file, list.count + list.skip, list.style);
  if (!items) return items;
  return items->mid(list.skip);
}

Result<int> recordKey(const QVariantMap& keys, const QString& key, int limit) {
  const QVariant v = keys.value(key);
  bool ok = false;
  const qlonglong n = v.toLongLong(&ok);
  if (!v.isValid()) return Result<int>::failure(QStringLiteral("the record has no \"%1\"").arg(key));
  if (!ok || n < 0 || n >= limit)
    return Result<int>::failure(
        QStringLiteral("\"%1\" is %2; it must be a whole number from 0 to %3").arg(key, v.toString()).arg(limit - 1));
  return static_cast<int>(n);
}

Result<std::vector<RecordRef>> FixedTable::records(RomImage&, const QString& namesDir) const {
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
    r.keys.insert(QStringLiteral("index"), i);
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
