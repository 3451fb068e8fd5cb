#include "compare/change_set.h"

#include "compare/image_diff.h"
#include "compare/patch_stream.h"
#include "image/byte_source.h"
#include "image/nds_header.h"
#include "image/output_file.h"
#include "model/record_csv.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <map>

namespace rt {
namespace {

const QString kFormat = QStringLiteral("romtables-changes");
constexpr int kVersion = 1;

// A table's controls and fields with a look-up by control name.
struct Shape {
  explicit Shape(const TableAdapter& t) : controls(t.controls()), fields(t.fields()) {
    for (size_t c = 0; c < controls.size(); ++c) byName.insert(controls[c].name, static_cast<int>(c));
  }
  const Field& fieldOf(int c) const { return fields[static_cast<size_t>(controls[static_cast<size_t>(c)].field)]; }
  std::vector<ControlRef> controls;
  std::vector<Field> fields;
  QHash<QString, int> byName;
};

// A control's value as the export writes it.
QJsonValue exportValue(const ControlRef& control, const Field& field, const ControlValue& value, int stored) {
  switch (control.kind) {
    case ControlKind::Text: return value.text;
    case ControlKind::Check: return value.checked;
    case ControlKind::Combo: {
      const QString exact = exactComboText(field, value, stored);
      return exact.isEmpty() ? QJsonValue(value.row) : QJsonValue(exact);
    }
  }
  return {};
}

bool sameValue(const QJsonValue& a, const QJsonValue& b) {
  if (a.isDouble() && b.isDouble()) return a.toDouble() == b.toDouble();
  return a == b;
}

// The byte a combo's "(n)" stands for; -1 for any other value.
int exactByteOf(const QJsonValue& value) {
  if (!value.isString()) return -1;
  const QString t = value.toString().trimmed();
  if (t.size() < 3 || t.size() > 5 || !t.startsWith(u'(') || !t.endsWith(u')')) return -1;
  bool ok = false;
  const int n = t.mid(1, t.size() - 2).toInt(&ok);
  return ok && n >= 0 && n <= 255 ? n : -1;
}

// Puts a change's new value into a control; `exactByte` gets the byte a "(n)" names.
Status setControl(const ControlRef& control, const Field& field, const QJsonValue& value, ControlValue* out,
                  int* exactByte) {
  switch (control.kind) {
    case ControlKind::Text:
      if (!value.isString()) return Status::error(QStringLiteral("%1 is a text box; its value is a text").arg(control.name));
      out->text = value.toString();
      return Status::ok();
    case ControlKind::Check:
      if (!value.isBool()) return Status::error(QStringLiteral("%1 is a check box; its value is true or false").arg(control.name));
      out->checked = value.toBool();
      return Status::ok();
    case ControlKind::Combo: {
      if (const int n = exactByteOf(value); n >= 0) {
        *exactByte = n;
        out->row = rowForByte(field.combo, n);
        return Status::ok();
      }
      const double d = value.toDouble(-1);
      if (!value.isDouble() || d < 0 || d != std::trunc(d) || d > 65535)
        return Status::error(QStringLiteral("%1 takes a row number or \"(n)\", not %2")
                                 .arg(control.name, valueText(value)));
      const int row = static_cast<int>(d);
      if (field.list.count > 0 && row >= field.list.count)
        return Status::error(QStringLiteral("%1: row %2 is past its list (%3, rows 0 to %4)")
                                 .arg(control.name)
                                 .arg(row)
                                 .arg(field.list.file)
                                 .arg(field.list.count - 1));
      out->row = row;
      return Status::ok();
    }
  }
  return Status::ok();
}

QString hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex()); }

// A value as one line of JSON.
QByteArray jsonText(const QJsonValue& value) {
  const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

// The keys other than the index first, as a record is named ("stage 3, index 1").
QByteArray keysJson(const QVariantMap& keys) {
  QByteArray out;
  for (auto it = keys.begin(); it != keys.end(); ++it)
    if (it.key() != QLatin1String("index"))
      out += ", " + jsonText(it.key()) + ": " + jsonText(QJsonValue::fromVariant(it.value()));
  if (keys.contains(QStringLiteral("index")))
    out += ", \"index\": " + jsonText(QJsonValue::fromVariant(keys.value(QStringLiteral("index"))));
  return out;
}

// The records of one table that the changes name, read with their combos' stored bytes.
struct ReadBack {
  std::vector<RecordRef> refs;
  std::vector<RecordState> states;
  std::vector<std::vector<int>> stored;
};

Result<ReadBack> readBack(RomImage& rom, const TableAdapter& table, const Shape& shape,
                          const std::vector<QVariantMap>& keys) {
  ReadBack out;
  out.refs.reserve(keys.size());
  for (const QVariantMap& k : keys) {
    auto ref = table.resolve(rom, k);
    if (!ref) return Status::error(QStringLiteral("%1: %2").arg(recordHeading(table.name(), k), ref.message()));
    out.refs.push_back(std::move(ref.value()));
  }
  auto states = table.readMany(rom, out.refs);
  if (!states) return states.status();
  out.states = std::move(states.value());
  std::vector<ByteSpan> spans;
  for (const RecordRef& r : out.refs) spans.push_back({r.offset, table.stride()});
  auto stored = readSession(rom, [&](RomImage& open) {
    open.prefetchSpans(std::move(spans));
    std::vector<std::vector<int>> bytes;
    for (const RecordRef& r : out.refs) bytes.push_back(storedComboBytes(open, shape.controls, shape.fields, r.offset));
    return bytes;
  });
  if (!stored) return stored.status();
  out.stored = std::move(stored.value());
  return out;
}

// Changes grouped by table, then by record, in the order first named.
struct RecordGroup {
  QVariantMap keys;
  std::vector<size_t> changes;
};
struct TableGroup {
  QString table;
  std::vector<RecordGroup> records;
};

std::vector<TableGroup> groupChanges(const std::vector<FieldEdit>& changes) {
  std::vector<TableGroup> groups;
  QHash<QString, size_t> tableAt;
  QHash<QString, std::pair<size_t, size_t>> recordAt;
  for (size_t i = 0; i < changes.size(); ++i) {
    const FieldEdit& e = changes[i];
    auto t = tableAt.constFind(e.table);
    if (t == tableAt.cend()) {
      t = tableAt.insert(e.table, groups.size());
      groups.push_back({e.table, {}});
    }
    const QString key = e.table + QLatin1Char('\n') + recordKeyText(e.keys);
    auto r = recordAt.constFind(key);
    if (r == recordAt.cend()) {
      TableGroup& g = groups[*t];
      r = recordAt.insert(key, {*t, g.records.size()});
      g.records.push_back({e.keys, {}});
    }
    groups[r->first].records[r->second].changes.push_back(i);
  }
  return groups;
}

struct Masked {
  std::uint8_t value = 0;
  std::uint8_t mask = 0;
};

Result<ImageDiff> diffOf(const TableRegistry& registry, const ChangeSetRequest& request) {
  ImageDiffRequest diff;
  diff.clean = request.clean;
  diff.modified = request.modified;
  diff.namesDir = request.namesDir;
  diff.files = request.files;
  return diffImages(registry, diff);
}

// A change set lists fields, not images: anything this large is not one.
constexpr qint64 kMaxChangeSetBytes = qint64{256} << 20;

Status writeFile(const QString& path, const QByteArray& bytes) {
  OutputFile file(path);
  Status s = file.open();
  if (s) s = file.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
  if (s) s = file.commit();
  return s;
}

Result<QByteArray> readRange(ByteSource& source, std::int64_t offset, std::int64_t length) {
  QByteArray bytes(static_cast<qsizetype>(length), '\0');
  if (Status s = source.read(offset, reinterpret_cast<std::uint8_t*>(bytes.data()), length); !s) return s;
  return bytes;
}

}  // namespace

int ApplyPlan::count(EditState state) const {
  int n = 0;
  for (const auto* list : {&changes, &bytes})
    for (const EditOutcome& o : *list) n += o.state == state;
  return n;
}

QString valueText(const QJsonValue& value) {
  if (value.isString()) return value.toString();
  if (value.isBool()) return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  if (value.isDouble()) return QString::number(value.toDouble(), 'g', 17);
  return QStringLiteral("-");
}

Result<ChangeSource> describeImage(const QString& path, const std::shared_ptr<FileLayer>& files) {
  auto source = FileSource::open(path, files);
  if (!source) return source.status();
  auto crc = crc32Of(**source);
  if (!crc) return crc.status();
  ChangeSource out;
  out.size = (*source)->size();
  out.crc32 = *crc;
  RomImage rom(files, nullptr);
  rom.setRomPath(path);
  if (auto header = readNdsHeader(rom)) {
    out.title = header->title;
    out.gameCode = header->gameCode;
  }
  return out;
}

Result<ChangeSet> makeChangeSet(const TableRegistry& registry, const ChangeSetRequest& request) {
  auto source = describeImage(request.clean, request.files);
  if (!source) return source.status();
  auto diff = diffOf(registry, request);
  if (!diff) return diff.status();
  if (diff->cleanSize != diff->modifiedSize)
    return Status::error(QStringLiteral("\"%1\" has %2 bytes and \"%3\" %4: a change set keeps an image's size.")
                             .arg(request.clean)
                             .arg(diff->cleanSize)
                             .arg(request.modified)
                             .arg(diff->modifiedSize));
  ChangeSet set;
  set.source = *source;
  set.changes.reserve(diff->changes.size());
  for (const FieldChange& c : diff->changes) set.changes.push_back({c.table, c.keys, c.field, {}, {}, c.name, c.caption});

  // The values as the export writes them, read from each side for the records that changed.
  RomImage clean(request.files, nullptr), modified(request.files, nullptr);
  clean.setRomPath(request.clean);
  modified.setRomPath(request.modified);
  for (const TableGroup& group : groupChanges(set.changes)) {
    const TableAdapter* table = registry.find(group.table);
    if (!table) return Status::error(QStringLiteral("Unknown table \"%1\".").arg(group.table));
    const Shape shape(*table);
    std::vector<QVariantMap> keys;
    for (const RecordGroup& r : group.records) keys.push_back(r.keys);
    auto before = readBack(clean, *table, shape, keys);
    if (!before) return before.status();
    auto after = readBack(modified, *table, shape, keys);
    if (!after) return after.status();
    for (size_t r = 0; r < group.records.size(); ++r) {
      for (size_t i : group.records[r].changes) {
        FieldEdit& e = set.changes[i];
        const int c = shape.byName.value(e.field, -1);
        if (c < 0) return Status::error(QStringLiteral("%1 has no field \"%2\".").arg(group.table, e.field));
        const ControlRef& control = shape.controls[static_cast<size_t>(c)];
        const size_t at = static_cast<size_t>(c);
        if (at < before->states[r].size())
          e.oldValue = exportValue(control, shape.fieldOf(c), before->states[r][at], before->stored[r][at]);
        if (at < after->states[r].size())
          e.newValue = exportValue(control, shape.fieldOf(c), after->states[r][at], after->stored[r][at]);
      }
    }
  }

  auto cleanBytes = FileSource::open(request.clean, request.files);
  if (!cleanBytes) return cleanBytes.status();
  auto modifiedBytes = FileSource::open(request.modified, request.files);
  if (!modifiedBytes) return modifiedBytes.status();
  for (const ByteRange& r : diff->outside) {
    auto oldBytes = readRange(**cleanBytes, r.offset, r.length);
    if (!oldBytes) return oldBytes.status();
    auto newBytes = readRange(**modifiedBytes, r.offset, r.length);
    if (!newBytes) return newBytes.status();
    set.bytes.push_back({r.offset, std::move(oldBytes.value()), std::move(newBytes.value())});
  }
  return set;
}

QByteArray changeSetToJson(const ChangeSet& set) {
  QByteArray out = "{\"format\": " + jsonText(kFormat) + ", \"version\": " + QByteArray::number(kVersion) + ",\n";
  out += " \"source\": {\"size\": " + QByteArray::number(set.source.size) + ", \"crc32\": " +
         jsonText(crcText(set.source.crc32)) + ", \"title\": " + jsonText(set.source.title) +
         ", \"game_code\": " + jsonText(set.source.gameCode) + "},\n";
  out += " \"changes\": [";
  for (size_t i = 0; i < set.changes.size(); ++i) {
    const FieldEdit& e = set.changes[i];
    out += i ? ",\n  " : "\n  ";
    out += "{\"table\": " + jsonText(e.table) + keysJson(e.keys) + ", \"field\": " + jsonText(e.field) +
           ", \"old\": " + jsonText(e.oldValue) + ", \"new\": " + jsonText(e.newValue) + "}";
  }
  out += set.changes.empty() ? "],\n" : "\n ],\n";
  out += " \"bytes\": [";
  for (size_t i = 0; i < set.bytes.size(); ++i) {
    const ByteEdit& b = set.bytes[i];
    out += i ? ",\n  " : "\n  ";
    out += "{\"offset\": " + QByteArray::number(b.offset) + ", \"old\": \"" + b.oldBytes.toHex() + "\", \"new\": \"" +
           b.newBytes.toHex() + "\"}";
  }
  out += set.bytes.empty() ? "]}\n" : "\n ]}\n";
  return out;
}

bool isChangeSetText(const QByteArray& text) {
  const QByteArray t = text.trimmed();
  if (!t.startsWith('{')) return false;
  const QJsonDocument doc = QJsonDocument::fromJson(t);
  return doc.isObject() && doc.object().value(QStringLiteral("format")).toString() == kFormat;
}

bool isChangeSetFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.peek(64).trimmed();
  if (!head.startsWith('{') || file.size() > kMaxChangeSetBytes) return false;
  return isChangeSetText(file.readAll());
}

Status writeChangeSet(const ChangeSet& set, const QString& path) { return writeFile(path, changeSetToJson(set)); }

Result<ChangeSet> parseChangeSet(const QByteArray& text) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
  if (doc.isNull())
    return Status::error(QStringLiteral("The change set is not valid JSON: %1 at byte %2.").arg(error.errorString()).arg(error.offset));
  const QJsonObject root = doc.object();
  if (root.value(QStringLiteral("format")).toString() != kFormat)
    return Status::error(QStringLiteral("The file is not a change set: its \"format\" is not \"%1\".").arg(kFormat));
  if (root.value(QStringLiteral("version")).toInt(-1) != kVersion)
    return Status::error(QStringLiteral("The change set's version is %1; this program reads version %2.")
                             .arg(valueText(root.value(QStringLiteral("version"))))
                             .arg(kVersion));
  ChangeSet set;
  const QJsonObject source = root.value(QStringLiteral("source")).toObject();
  set.source.size = source.value(QStringLiteral("size")).toInteger();
  set.source.crc32 = source.value(QStringLiteral("crc32")).toString().toUInt(nullptr, 16);
  set.source.title = source.value(QStringLiteral("title")).toString();
  set.source.gameCode = source.value(QStringLiteral("game_code")).toString();
  const QJsonArray changes = root.value(QStringLiteral("changes")).toArray();
  for (qsizetype i = 0; i < changes.size(); ++i) {
    const QJsonObject o = changes[i].toObject();
    const QString where = QStringLiteral("Change %1 of the change set").arg(i);
    FieldEdit e;
    e.table = o.value(QStringLiteral("table")).toString();
    e.field = o.value(QStringLiteral("field")).toString();
    if (e.table.isEmpty() || e.field.isEmpty())
      return Status::error(where + QStringLiteral(" needs a \"table\" and a \"field\"."));
    if (!o.contains(QStringLiteral("old")) || !o.contains(QStringLiteral("new")))
      return Status::error(where + QStringLiteral(" needs \"old\" and \"new\"."));
    e.oldValue = o.value(QStringLiteral("old"));
    e.newValue = o.value(QStringLiteral("new"));
    for (auto it = o.begin(); it != o.end(); ++it) {
      static const QStringList named = {QStringLiteral("table"), QStringLiteral("field"), QStringLiteral("old"),
                                        QStringLiteral("new")};
      if (named.contains(it.key())) continue;
      const double d = it.value().toDouble(-1);
      if (!it.value().isDouble() || d < 0 || d != std::trunc(d))
        return Status::error(where + QStringLiteral(": the key \"%1\" is not a whole number.").arg(it.key()));
      e.keys.insert(it.key(), static_cast<int>(d));
    }
    set.changes.push_back(std::move(e));
  }
  const QJsonArray bytes = root.value(QStringLiteral("bytes")).toArray();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const QJsonObject o = bytes[i].toObject();
    const QString where = QStringLiteral("Byte run %1 of the change set").arg(i);
    ByteEdit b;
    const double offset = o.value(QStringLiteral("offset")).toDouble(-1);
    if (offset < 0 || offset != std::trunc(offset)) return Status::error(where + QStringLiteral(" has no offset."));
    b.offset = static_cast<std::int64_t>(offset);
    const QByteArray oldHex = o.value(QStringLiteral("old")).toString().toLatin1();
    const QByteArray newHex = o.value(QStringLiteral("new")).toString().toLatin1();
    b.oldBytes = QByteArray::fromHex(oldHex);
    b.newBytes = QByteArray::fromHex(newHex);
    if (oldHex.isEmpty() || oldHex.size() != newHex.size() || oldHex.size() % 2 || b.oldBytes.size() * 2 != oldHex.size() ||
        b.newBytes.size() * 2 != newHex.size())
      return Status::error(where + QStringLiteral(": \"old\" and \"new\" are hexadecimal bytes of one length."));
    set.bytes.push_back(std::move(b));
  }
  return set;
}

Result<ChangeSet> readChangeSet(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Status::error(QStringLiteral("Cannot read \"%1\": %2.").arg(path, file.errorString()));
  if (file.size() > kMaxChangeSetBytes)
    return Status::error(QStringLiteral("\"%1\" holds %2 bytes; a change set holds at most %3.").arg(path).arg(file.size()).arg(kMaxChangeSetBytes));
  auto set = parseChangeSet(file.readAll());
  if (!set) return Status::error(QStringLiteral("%1: %2").arg(path, set.message()));
  return set;
}

Result<ApplyPlan> planChangeSet(RomImage& rom, const TableRegistry& registry, const ChangeSet& set, bool force,
                                const std::vector<bool>* take) {
  ApplyPlan plan;
  plan.changes.resize(set.changes.size());
  plan.bytes.resize(set.bytes.size());
  auto taken = [take](size_t i) { return !take || i >= take->size() || (*take)[i]; };
  std::map<std::int64_t, Masked> writes;
  std::map<std::int64_t, QString> writer;  // who wrote each byte, for a clash between records
  auto put = [&](const ByteWrite& w, const QString& who) -> Status {
    Masked& m = writes[w.offset];
    const std::uint8_t both = m.mask & w.mask;
    if ((m.value & both) != (w.value & both))
      return Status::error(QStringLiteral("%1 and %2 store different values in the byte at %3 (shared by both); leave "
                                          "one of the two changes out.")
                               .arg(writer[w.offset], who, hexOffset(w.offset)));
    m.value = static_cast<std::uint8_t>((m.value & ~w.mask) | (w.value & w.mask));
    m.mask |= w.mask;
    writer[w.offset] = who;
    return Status::ok();
  };

  for (const TableGroup& group : groupChanges(set.changes)) {
    const TableAdapter* table = registry.find(group.table);
    if (!table)
      return Status::error(QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.").arg(group.table));
    const Shape shape(*table);
    std::vector<QVariantMap> keys;
    for (const RecordGroup& r : group.records) keys.push_back(r.keys);
    auto read = readBack(rom, *table, shape, keys);
    if (!read) return read.status();
    for (size_t r = 0; r < group.records.size(); ++r) {
      const RecordRef& ref = read->refs[r];
      const RecordState& current = read->states[r];
      const QString where = recordHeading(group.table, ref.keys, ref.name);
      RecordState edited = current;
      std::vector<std::pair<size_t, int>> applied;  // change, control
      std::map<int, int> exact;                     // control -> the byte a "(n)" names
      for (size_t i : group.records[r].changes) {
        const FieldEdit& e = set.changes[i];
        const int c = shape.byName.value(e.field, -1);
        if (c < 0 || static_cast<size_t>(c) >= current.size())
          return Status::error(QStringLiteral("%1 has no field \"%2\".").arg(group.table, e.field));
        const size_t at = static_cast<size_t>(c);
        EditOutcome& o = plan.changes[i];
        o.record = where;
        o.found = exportValue(shape.controls[at], shape.fieldOf(c), current[at], read->stored[r][at]);
        o.state = sameValue(o.found, e.newValue)   ? EditState::Holds
                  : sameValue(o.found, e.oldValue) ? EditState::Applies
                                                   : EditState::Conflict;
        if (!taken(i) || o.state == EditState::Holds || (o.state == EditState::Conflict && !force)) continue;
        int byte = -1;
        if (Status s = setControl(shape.controls[at], shape.fieldOf(c), e.newValue, &edited[at], &byte); !s)
          return Status::error(QStringLiteral("%1: %2").arg(where, s.message()));
        if (byte >= 0) exact[c] = byte;
        applied.emplace_back(i, c);
      }
      if (applied.empty()) continue;
      // A pointer that changed selects other values: the new values go over what it selects.
      auto followed = table->follow(rom, ref, edited);
      if (!followed) return followed.status();
      if (*followed != edited) {
        edited = std::move(followed.value());
        for (const auto& [i, c] : applied) {
          int byte = -1;
          if (Status s = setControl(shape.controls[static_cast<size_t>(c)], shape.fieldOf(c), set.changes[i].newValue,
                                    &edited[static_cast<size_t>(c)], &byte);
              !s)
            return Status::error(QStringLiteral("%1: %2").arg(where, s.message()));
        }
      }
      std::vector<ByteWrite> before, after;
      FieldError error;
      if (!table->encode(rom, ref, current, &before, &error)) before.clear();
      if (!table->encode(rom, ref, edited, &after, &error)) {
        const QString field = error.control >= 0 ? shape.controls[static_cast<size_t>(error.control)].name : QString();
        return Status::error(field.isEmpty() ? QStringLiteral("%1: %2").arg(where, error.message)
                                             : QStringLiteral("%1, field %2: %3").arg(where, field, error.message));
      }
      for (const ByteWrite& w : changedWrites(before, std::move(after)))
        if (Status s = put(w, where); !s) return s;
      // A "(n)" is the byte itself, which its row may store otherwise ("none" rows).
      for (const auto& [c, byte] : exact)
        if (Status s = put({ref.offset + shape.fieldOf(c).offset, static_cast<std::uint8_t>(byte), 0xFF}, where); !s) return s;
      QVariantMap tagged = ref.keys;
      tagged.insert(QStringLiteral("table"), group.table);
      plan.records << tagged;
    }
  }

  if (!set.bytes.empty()) {
    std::vector<ByteSpan> spans;
    for (const ByteEdit& b : set.bytes) spans.push_back({b.offset, b.oldBytes.size()});
    auto held = readSession(rom, [&](RomImage& open) -> Result<std::vector<QByteArray>> {
      std::vector<QByteArray> out;
      for (const ByteEdit& b : set.bytes)
        if (b.offset + b.oldBytes.size() > open.fileSize())
          return Status::error(QStringLiteral("The change set changes bytes up to %1; the image has %2 bytes.")
                                   .arg(hexOffset(b.offset + b.oldBytes.size() - 1))
                                   .arg(open.fileSize()));
      open.prefetchSpans(spans);
      for (const ByteEdit& b : set.bytes) {
        QByteArray bytes(b.oldBytes.size(), '\0');
        open.seek(b.offset);
        for (qsizetype k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<char>(open.readU8());
        out.push_back(bytes);
      }
      return out;
    });
    if (!held) return held.status();
    if (!*held) return held->status();
    for (size_t i = 0; i < set.bytes.size(); ++i) {
      const ByteEdit& b = set.bytes[i];
      const QByteArray& now = (**held)[i];
      EditOutcome& o = plan.bytes[i];
      o.found = hex(now);
      bool conflict = false, holds = true;
      for (qsizetype k = 0; k < now.size(); ++k) {
        holds = holds && now[k] == b.newBytes[k];
        conflict = conflict || (now[k] != b.newBytes[k] && now[k] != b.oldBytes[k]);
      }
      o.state = holds ? EditState::Holds : conflict ? EditState::Conflict : EditState::Applies;
      if (!taken(set.changes.size() + i) || o.state == EditState::Holds || (conflict && !force)) continue;
      for (qsizetype k = 0; k < now.size(); ++k)
        if (now[k] != b.newBytes[k])
          if (Status s = put({b.offset + k, static_cast<std::uint8_t>(b.newBytes[k]), 0xFF},
                             QStringLiteral("the bytes at %1").arg(hexOffset(b.offset)));
              !s)
            return s;
    }
  }
  plan.writes.reserve(writes.size());
  for (const auto& [offset, m] : writes) plan.writes.push_back({offset, m.value, m.mask});
  return plan;
}

Result<ApplyPlan> applyChangeSet(RomImage& rom, const TableRegistry& registry, const ChangeSet& set, bool force,
                                 const QString& source, const std::vector<bool>* take) {
  // Read and written under one lock: no other writer changes a value between
  // the check against `old` and the write of `new`.
  WriteTransaction transaction(rom, recordTx(source, {}, {}));
  if (!transaction.status()) return transaction.status();
  auto plan = planChangeSet(rom, registry, set, force, take);
  if (!plan) return plan;
  if ((plan->count(EditState::Conflict) && !force) || plan->writes.empty()) return plan;
  QString table;
  for (const QVariantMap& r : plan->records) {
    const QString t = r.value(QStringLiteral("table")).toString();
    table = table.isNull() || table == t ? t : QString(QLatin1String(""));
  }
  QList<QVariantMap> records = plan->records;
  if (!table.isEmpty())
    for (QVariantMap& r : records) r.remove(QStringLiteral("table"));
  SaveResult saved = applyWrites(rom, plan->writes, recordTx(source, table, records));
  if (!saved.status) return saved.status;
  return plan;
}

Status writeImageWith(const QString& image, const std::vector<ByteWrite>& writes, const QString& output,
                      const std::shared_ptr<FileLayer>& files) {
  auto source = FileSource::open(image, files);
  if (!source) return source.status();
  OutputFile out(output);
  if (Status s = out.open(); !s) return s;
  std::vector<std::uint8_t> block;
  auto w = writes.begin();
  const std::int64_t size = (*source)->size();
  for (std::int64_t at = 0; at < size; at += kBlockBytes) {
    const std::int64_t length = std::min(kBlockBytes, size - at);
    block.resize(static_cast<size_t>(length));
    if (Status s = (*source)->read(at, block.data(), length); !s) return s;
    for (; w != writes.end() && w->offset < at + length; ++w) {
      if (w->offset < at) continue;
      std::uint8_t& b = block[static_cast<size_t>(w->offset - at)];
      b = static_cast<std::uint8_t>((b & ~w->mask) | (w->value & w->mask));
    }
    if (Status s = out.append(block.data(), length); !s) return s;
  }
  if (w != writes.end())
    return Status::error(QStringLiteral("A write at %1 lies past the end of \"%2\" (%3 bytes).")
                             .arg(hexOffset(w->offset), image)
                             .arg(size));
  return out.commit();
}

MergedSets mergeChangeSets(const ChangeSet& a, const ChangeSet& b, Prefer prefer) {
  MergedSets out;
  out.merged.source = a.source;
  auto keyOf = [](const FieldEdit& e) { return e.table + QLatin1Char('\n') + recordKeyText(e.keys) + QLatin1Char('\n') + e.field; };
  QHash<QString, size_t> inB;
  for (size_t i = 0; i < b.changes.size(); ++i) inB.insert(keyOf(b.changes[i]), i);
  std::vector<bool> usedB(b.changes.size(), false);
  for (const FieldEdit& e : a.changes) {
    auto it = inB.constFind(keyOf(e));
    if (it == inB.cend()) {
      out.merged.changes.push_back(e);
      continue;
    }
    const FieldEdit& other = b.changes[*it];
    usedB[*it] = true;
    if (sameValue(e.newValue, other.newValue)) {
      out.merged.changes.push_back(e);
      continue;
    }
    out.conflicts.push_back({e.table, e.keys, e.name.isEmpty() ? other.name : e.name, e.field, -1, e.oldValue,
                             e.newValue, other.newValue});
    if (prefer == Prefer::A) out.merged.changes.push_back(e);
    if (prefer == Prefer::B) out.merged.changes.push_back(other);
  }
  for (size_t i = 0; i < b.changes.size(); ++i)
    if (!usedB[i]) out.merged.changes.push_back(b.changes[i]);

  // Byte by byte: each side's new byte against what the other side holds there.
  struct Byte {
    std::uint8_t clean;
    int a = -1, b = -1;  // the side's new byte; -1 where it keeps the clean one
  };
  std::map<std::int64_t, Byte> bytes;
  for (const ByteEdit& e : a.bytes)
    for (qsizetype k = 0; k < e.oldBytes.size(); ++k)
      bytes[e.offset + k] = {static_cast<std::uint8_t>(e.oldBytes[k]), static_cast<std::uint8_t>(e.newBytes[k]), -1};
  for (const ByteEdit& e : b.bytes)
    for (qsizetype k = 0; k < e.oldBytes.size(); ++k) {
      auto [it, fresh] = bytes.try_emplace(e.offset + k, Byte{static_cast<std::uint8_t>(e.oldBytes[k])});
      it->second.b = static_cast<std::uint8_t>(e.newBytes[k]);
    }
  auto addByte = [](std::vector<ByteEdit>& runs, std::int64_t at, std::uint8_t before, std::uint8_t after) {
    if (runs.empty() || runs.back().offset + runs.back().oldBytes.size() != at) runs.push_back({at, {}, {}});
    runs.back().oldBytes.append(static_cast<char>(before));
    runs.back().newBytes.append(static_cast<char>(after));
  };
  std::vector<ByteEdit> clashes;  // as runs: clean in old, a in new
  QByteArray clashB;
  for (const auto& [at, byte] : bytes) {
    const int aByte = byte.a >= 0 ? byte.a : byte.clean, bByte = byte.b >= 0 ? byte.b : byte.clean;
    if (aByte == bByte || byte.a < 0 || byte.b < 0) {
      addByte(out.merged.bytes, at, byte.clean, static_cast<std::uint8_t>(byte.a >= 0 ? aByte : bByte));
      continue;
    }
    addByte(clashes, at, byte.clean, static_cast<std::uint8_t>(aByte));
    clashB.append(static_cast<char>(bByte));
    if (prefer != Prefer::Neither)
      addByte(out.merged.bytes, at, byte.clean, static_cast<std::uint8_t>(prefer == Prefer::A ? aByte : bByte));
  }
  qsizetype taken = 0;
  for (const ByteEdit& c : clashes) {
    const QByteArray bSide = clashB.mid(taken, c.oldBytes.size());
    taken += c.oldBytes.size();
    out.conflicts.push_back({{}, {}, {}, {}, c.offset, hex(c.oldBytes), hex(c.newBytes), hex(bSide)});
  }
  return out;
}

}  // namespace rt
