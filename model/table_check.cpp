#include "model/table_check.h"

#include "model/conversions.h"

#include <QCoreApplication>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <tuple>

namespace rt {
namespace {

const QString kIndex = QStringLiteral("index");

const Field* fieldNamed(const std::vector<Field>& fields, const QString& control) {
  for (const Field& f : fields)
    if (f.control == control) return &f;
  return nullptr;
}

// A field's stored value, read in the open session (from the bytes a
// prefetch holds, so no system call).
std::int64_t rawValue(RomImage& open, std::int64_t at, FieldKind kind) {
  open.seek(at);
  switch (widthOf(kind)) {
    case 1: return open.readU8();
    case 2: return open.readU16();
    default: return open.readU32();
  }
}

QString valueText(const Field& f, std::int64_t value) {
  return f.kind == FieldKind::HexWord ? hexText(static_cast<int>(value)) : QString::number(value);
}

// One declared reference's value in one record.
struct RefValue {
  const TableAdapter* table = nullptr;
  const RecordRef* record = nullptr;
  const Reference* ref = nullptr;
  const Field* field = nullptr;
  std::int64_t value = 0;  // the code, or the first index
  std::int64_t count = 1;  // Range: how many records
};

// A coded byte whose row is past its list.
struct ComboValue {
  const TableAdapter* table = nullptr;
  const RecordRef* record = nullptr;
  const Field* field = nullptr;
  int byte = 0;
};

struct TableWalk {
  const TableAdapter* table = nullptr;
  std::vector<Field> fields;
  std::vector<Reference> refs;
  std::vector<RecordRef> records;
};

// Every reference value (and, with `combos`, every coded byte past its list)
// of every table, read in one session: each table's record spans are fetched
// once and the values taken from them.
struct Walk {
  std::vector<TableWalk> tables;  // filled first, then only read: the values point into it
  std::vector<RefValue> values;
  std::vector<ComboValue> combos;
};

void readTable(RomImage& open, TableWalk& t, bool combos, Walk* walk) {
  struct Wanted {
    const Field* field;
    const Reference* ref;  // null: a combo byte checked against its list
    const Field* count = nullptr;
  };
  std::vector<Wanted> wanted;
  QSet<QString> referenced;
  for (const Reference& r : t.refs) {
    const Field* f = fieldNamed(t.fields, r.field);
    if (!f) continue;  // the contract test names it
    Wanted w{f, &r};
    if (r.kind == Reference::Range) {
      w.count = fieldNamed(t.fields, r.countField);
      if (!w.count) continue;
    }
    wanted.push_back(w);
    referenced.insert(r.field);
  }
  if (combos) {
    for (const Field& f : t.fields)
      if (f.kind == FieldKind::Combo && f.list.count > 0 && !referenced.contains(f.control) &&
          (f.combo.kind == ComboRule::Plain || f.combo.kind == ComboRule::NoneByte))
        wanted.push_back({&f, nullptr});
  }
  if (wanted.empty()) return;
  std::int64_t lo = INT64_MAX, hi = 0;
  for (const Wanted& w : wanted) {
    for (const Field* f : {w.field, w.count}) {
      if (!f) continue;
      lo = std::min(lo, f->offset);
      hi = std::max(hi, f->offset + widthOf(f->kind));
    }
  }
  const std::int64_t size = open.fileSize();
  std::vector<ByteSpan> spans;
  spans.reserve(t.records.size());
  for (const RecordRef& r : t.records)
    if (r.offset + hi <= size) spans.push_back({r.offset + lo, hi - lo});
  open.prefetchSpans(std::move(spans));
  for (const RecordRef& r : t.records) {
    if (r.offset < 0 || r.offset + hi > size) continue;  // a record the file does not hold has nothing to follow
    for (const Wanted& w : wanted) {
      const std::int64_t v = rawValue(open, r.offset + w.field->offset, w.field->kind);
      if (!w.ref) {
        if (rowForByte(w.field->combo, static_cast<int>(v)) >= w.field->list.count)
          walk->combos.push_back({t.table, &r, w.field, static_cast<int>(v)});
        continue;
      }
      RefValue rv{t.table, &r, w.ref, w.field, v};
      if (w.count) rv.count = rawValue(open, r.offset + w.count->offset, w.count->kind);
      walk->values.push_back(rv);
    }
  }
}

Result<Walk> walkTables(RomImage& rom, const TableRegistry& registry, bool combos, const QString& only = {}) {
  auto walk = std::make_unique<Walk>();
  walk->tables.reserve(registry.all().size());
  for (const auto& table : registry.all()) {
    if (!only.isEmpty() && table->name() != only) continue;
    TableWalk t{table.get(), table->fields(), table->references(), {}};
    if (t.refs.empty() && !combos) continue;
    walk->tables.push_back(std::move(t));
  }
  auto read = readSession(rom, [&](RomImage& open) {
    for (TableWalk& t : walk->tables) {
      t.records = t.table->checkedRecords(open);
      readTable(open, t, combos, walk.get());
    }
    return true;
  });
  if (!read) return read.status();
  return std::move(*walk);
}

// The tables' spans, to say which one holds an offset a pointer selects.
class Spans {
 public:
  explicit Spans(const TableRegistry& registry) {
    for (const auto& t : registry.all()) {
      // Each field's run over the records: a table of a few values far apart
      // (the limits) holds only their bytes, not everything between.
      for (const Field& f : t->fields()) {
        const std::int64_t from = t->base() + f.offset;
        spans_.push_back({t->name(), from, from + t->stride() * (t->count() - 1) + widthOf(f.kind)});
      }
    }
    for (const auto& t : registry.all())
      for (const Reference& r : t->references())
        if (r.areaBase >= 0) spans_.push_back({r.target, r.areaBase, r.areaBase + r.areaStride * r.count});
  }
  QString at(std::int64_t offset, const QString& except) const {
    for (const Span& s : spans_)
      if (s.name != except && offset >= s.from && offset < s.to) return s.name;
    return {};
  }

 private:
  struct Span {
    QString name;
    std::int64_t from, to;
  };
  std::vector<Span> spans_;
};

QString recordNoun(const RefTarget& target, std::int64_t record) {
  return QStringLiteral("%1 %2").arg(target.name).arg(record);
}

// A reference value naming a record past its target: where its bytes would be.
void pastTarget(const RefValue& v, const RefTarget& target, std::int64_t record, const Spans& spans,
                std::vector<Problem>* out) {
  Problem p{v.table->name(), v.record->keys, v.ref->field, QStringLiteral("past-table"), Severity::Error, {}};
  const QString named = QCoreApplication::translate("rt::TableCheck", "%1 %2 names %3, past the %4 records of %5")
                            .arg(v.ref->field, valueText(*v.field, v.value), recordNoun(target, record))
                            .arg(v.ref->count)
                            .arg(target.name);
  const QString lands = record >= 0 ? spans.at(target.base + target.stride * record, target.name) : QString();
  if (!lands.isEmpty()) {
    p.rule = QStringLiteral("into-table");
    p.message = QCoreApplication::translate("rt::TableCheck", "%1: its bytes lie inside %2.").arg(named, lands);
  } else {
    p.message = QCoreApplication::translate("rt::TableCheck", "%1.").arg(named);
  }
  out->push_back(std::move(p));
}

void checkValues(const Walk& walk, const TableRegistry& registry, const Spans& spans, std::vector<Problem>* out) {
  // Ranges whose first record lies in the table, for the overlap warning.
  QMap<QString, std::vector<const RefValue*>> ranges;
  for (const RefValue& v : walk.values) {
    const RefTarget target = targetOf(registry, *v.ref);
    if (v.ref->isNone(v.value)) continue;
    const std::int64_t record = v.ref->recordOf(v.value);
    if (v.ref->kind == Reference::Range && v.count <= 0) continue;
    if (record < 0 || record >= v.ref->count) {
      pastTarget(v, target, record, spans, out);
      continue;
    }
    if (v.ref->kind != Reference::Range) continue;
    if (record + v.count > v.ref->count) {
      out->push_back({v.table->name(), v.record->keys, v.ref->field, QStringLiteral("past-table"), Severity::Error,
                      QCoreApplication::translate("rt::TableCheck", "%1 %2 and %3 %4 name %5 %6..%7, past the %8 records of %5.")
                          .arg(v.ref->field)
                          .arg(v.value)
                          .arg(v.ref->countField)
                          .arg(v.count)
                          .arg(target.name)
                          .arg(record)
                          .arg(record + v.count - 1)
                          .arg(v.ref->count)});
      continue;
    }
    ranges[v.table->name() + QLatin1Char('/') + v.ref->field].push_back(&v);
  }
  for (auto& group : ranges) {
    std::sort(group.begin(), group.end(), [](const RefValue* a, const RefValue* b) { return a->value < b->value; });
    std::vector<std::vector<const RefValue*>> overlaps(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
      const std::int64_t end = group[i]->value + group[i]->count;
      for (size_t j = i + 1; j < group.size() && group[j]->value < end; ++j) {
        overlaps[i].push_back(group[j]);
        overlaps[j].push_back(group[i]);
      }
    }
    for (size_t i = 0; i < group.size(); ++i) {
      if (overlaps[i].empty()) continue;
      const RefValue& v = *group[i];
      QStringList others;
      for (const RefValue* o : overlaps[i]) others << linkRecordText(o->table->name(), o->record->keys);
      const int shown = 8;
      QString names = others.mid(0, shown).join(QStringLiteral(", "));
      if (others.size() > shown) names += QCoreApplication::translate("rt::TableCheck", " and %1 more").arg(others.size() - shown);
      out->push_back({v.table->name(), v.record->keys, v.ref->field, QStringLiteral("range-overlap"),
                      Severity::Warning,
                      (v.count == 1 ? QCoreApplication::translate("rt::TableCheck", "%1 overlaps those of %2 (shared on purpose?).") : QCoreApplication::translate("rt::TableCheck", "%1 overlap those of %2 (shared on purpose?)."))
                          .arg(v.count == 1 ? QStringLiteral("%1 %2").arg(targetOf(registry, *v.ref).name).arg(v.value)
                                            : QStringLiteral("%1 %2..%3")
                                                  .arg(targetOf(registry, *v.ref).name)
                                                  .arg(v.value)
                                                  .arg(v.value + v.count - 1),
                               names)});
    }
  }
  for (const ComboValue& c : walk.combos) {
    out->push_back({c.table->name(), c.record->keys, c.field->control, QStringLiteral("combo-past-list"),
                    Severity::Warning,
                    QCoreApplication::translate("rt::TableCheck", "%1 holds %2, past the %3 rows of \"%4\".")
                        .arg(c.field->control)
                        .arg(c.byte)
                        .arg(c.field->list.count)
                        .arg(c.field->list.file)});
  }
}

bool sameRecord(const QVariantMap& a, const QVariantMap& b) { return recordKeyText(a) == recordKeyText(b); }

}  // namespace

RefTarget targetOf(const TableRegistry& registry, const Reference& ref) {
  if (ref.areaBase >= 0) return {ref.target, ref.areaBase, ref.areaStride, ref.count};
  if (const TableAdapter* t = registry.find(ref.target)) return {t->name(), t->base(), t->stride(), t->count()};
  return {};
}

QStringList referencedTables(const TableRegistry& registry) {
  QStringList out;
  for (const auto& t : registry.all())
    for (const Reference& r : t->references())
      if (!out.contains(r.target)) out << r.target;
  return out;
}

QString linkRecordText(const QString& table, const QVariantMap& keys) {
  if (keys.contains(QStringLiteral("stage")))
    return QStringLiteral("%1 %2/%3").arg(table, keys.value(QStringLiteral("stage")).toString(),
                                          keys.value(kIndex).toString());
  if (keys.contains(kIndex)) return QStringLiteral("%1 %2").arg(table, keys.value(kIndex).toString());
  return table;
}

Result<RecordLinks> linksOf(RomImage& rom, const TableRegistry& registry, const QString& table,
                            const QVariantMap& keys) {
  // The record must exist: a table resolves its keys; an area checks its index.
  int index = -1;
  if (const TableAdapter* t = registry.find(table)) {
    auto found = t->resolve(rom, keys);
    if (!found) return found.status();
    index = keys.contains(kIndex) && !keys.contains(QStringLiteral("stage")) ? keys.value(kIndex).toInt() : -1;
  } else {
    int areaCount = -1;
    for (const auto& src : registry.all())
      for (const Reference& r : src->references())
        if (r.areaBase >= 0 && r.target == table) areaCount = r.count;
    if (areaCount < 0)
      return Result<RecordLinks>::failure(QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.").arg(table));
    auto i = recordKey(keys, kIndex, areaCount);
    if (!i) return i.status();
    index = *i;
  }
  auto walk = walkTables(rom, registry, false);
  if (!walk) return walk.status();
  RecordLinks links;
  for (const RefValue& v : walk->values) {
    if (v.ref->isNone(v.value)) continue;
    const std::int64_t record = v.ref->recordOf(v.value);
    const std::int64_t last = v.ref->kind == Reference::Range ? record + v.count - 1 : record;
    if (v.table->name() == table && sameRecord(v.record->keys, keys)) {
      for (std::int64_t r = record; r <= last; ++r)
        links.refersTo.push_back({v.ref->target, QVariantMap{{kIndex, static_cast<qlonglong>(r)}}, v.ref->field});
    }
    if (v.ref->target == table && index >= record && index <= last)
      links.usedBy.push_back({v.table->name(), v.record->keys, v.ref->field});
  }
  return links;
}

Result<std::vector<int>> usedByCounts(RomImage& rom, const TableRegistry& registry, const QString& table, int count) {
  auto walk = walkTables(rom, registry, false);
  if (!walk) return walk.status();
  std::vector<int> counts(static_cast<size_t>(std::max(count, 0)), 0);
  for (const RefValue& v : walk->values) {
    if (v.ref->target != table || v.ref->isNone(v.value)) continue;
    const std::int64_t record = v.ref->recordOf(v.value);
    const std::int64_t last = v.ref->kind == Reference::Range ? record + v.count - 1 : record;
    for (std::int64_t r = std::max<std::int64_t>(record, 0); r <= last && r < count; ++r) ++counts[static_cast<size_t>(r)];
  }
  return counts;
}

Result<std::vector<Problem>> checkImage(RomImage& rom, const TableRegistry& registry, const QString& namesDir,
                                        const QStringList& only) {
  for (const QString& name : only)
    if (!registry.find(name))
      return Result<std::vector<Problem>>::failure(
          QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.").arg(name));
  const Spans spans(registry);
  std::vector<Problem> problems;
  auto walk = walkTables(rom, registry, true);
  if (!walk) return walk.status();
  checkValues(*walk, registry, spans, &problems);
  auto layout = readSession(rom, [&](RomImage& open) {
    const TableAt at = [&spans](std::int64_t offset, const QString& except) { return spans.at(offset, except); };
    for (const auto& t : registry.all()) t->layoutProblems(open, at, &problems);
    return true;
  });
  if (!layout) return layout.status();
  // A list shorter than its table leaves records without a name in every form.
  QSet<QString> seen;
  for (const auto& t : registry.all()) {
    const NameListSource list = t->recordNames();
    if (list.file.isEmpty() || seen.contains(list.file + QString::number(list.count + list.skip))) continue;
    seen.insert(list.file + QString::number(list.count + list.skip));
    if (auto names = loadNames(namesDir, list); !names)
      problems.push_back({t->name(), {}, list.file, QStringLiteral("short-name-list"), Severity::Warning, names.message()});
  }
  if (!only.isEmpty())
    std::erase_if(problems, [&](const Problem& p) { return !only.contains(p.table); });
  // Errors first, then in the order of the tables and their records.
  QHash<QString, int> order;
  for (const auto& t : registry.all()) order.insert(t->name(), static_cast<int>(order.size()));
  auto rank = [&](const Problem& p) {
    return std::make_tuple(p.severity == Severity::Error ? 0 : 1, order.value(p.table),
                           p.keys.value(QStringLiteral("stage"), -1).toInt(), p.keys.value(kIndex, -1).toInt());
  };
  std::stable_sort(problems.begin(), problems.end(), [&](const Problem& a, const Problem& b) { return rank(a) < rank(b); });
  return problems;
}

Result<std::vector<Problem>> recordProblems(RomImage& rom, const TableRegistry& registry, const QString& table,
                                            const QVariantMap& keys) {
  auto walk = walkTables(rom, registry, true, table);
  if (!walk) return walk.status();
  std::vector<Problem> problems;
  checkValues(*walk, registry, Spans(registry), &problems);
  std::erase_if(problems, [&](const Problem& p) { return !sameRecord(p.keys, keys); });
  return problems;
}

std::vector<Problem> newProblems(const std::vector<Problem>& before, const std::vector<Problem>& after) {
  QMap<QString, int> had;
  auto key = [](const Problem& p) {
    return p.table + QLatin1Char('|') + recordKeyText(p.keys) + QLatin1Char('|') + p.field + QLatin1Char('|') + p.rule;
  };
  for (const Problem& p : before) ++had[key(p)];
  std::vector<Problem> out;
  for (const Problem& p : after) {
    int& n = had[key(p)];
    if (n > 0) --n;
    else out.push_back(p);
  }
  return out;
}

}  // namespace rt
