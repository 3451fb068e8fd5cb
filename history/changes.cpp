#include "history/changes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rt {
namespace {

constexpr size_t kDecodingsKept = 4;  // a record's state before and after its last saves
// Bounds on what a reader keeps across a long history: past them a cache is
// dropped and refilled, so memory stays bounded whatever the history holds
// (hundreds of whole-folder imports decode every record of every table).
constexpr size_t kMaxDecodings = 8192;
constexpr qsizetype kMaxKeyLists = 64;

}  // namespace

const std::vector<ChangeReader::Keyed>& ChangeReader::keysOf(const Transaction& tx) {
  auto it = keysByText_.find(tx.info.records);
  if (it == keysByText_.end()) {
    if (keysByText_.size() >= kMaxKeyLists) keysByText_.clear();
    std::vector<Keyed> keyed;
    QSet<QString> seen;
    const QJsonArray array = QJsonDocument::fromJson(tx.info.records).array();
    for (const QJsonValue& v : array) {
      QVariantMap keys = v.toObject().toVariantMap();
      const QString table = keys.contains(QStringLiteral("table")) ? keys.take(QStringLiteral("table")).toString() : QString();
      QString text = recordKeyText(keys);
      if (seen.contains(table + QLatin1Char(':') + text)) continue;
      seen.insert(table + QLatin1Char(':') + text);
      keyed.push_back({std::move(keys), std::move(text), table});
    }
    it = keysByText_.insert(tx.info.records, std::move(keyed));
  }
  return *it;
}

std::shared_ptr<const RecordState> ChangeReader::readRecord(const TableAdapter& table, const Keyed& record,
                                                            RomImage& rom, ImageView& view) {
  if (decodings_ >= kMaxDecodings) {
    decoded_.clear();
    decodings_ = 0;
  }
  std::vector<Decoded>& known = decoded_[&table][record.text];
  for (size_t i = 0; i < known.size(); ++i) {
    if (!view.holds(known[i].seen)) continue;
    if (i > 0) std::rotate(known.begin(), known.begin() + static_cast<std::ptrdiff_t>(i), known.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    return known.front().state;
  }
  // Finding the record (it may follow pointers) and reading it both depend on the bytes seen.
  std::vector<SeenBytes> seen;
  view.setReadLog(&seen);
  auto ref = table.resolve(rom, record.keys);
  auto state = ref ? table.read(rom, *ref) : Result<RecordState>::failure(ref.message());
  view.setReadLog(nullptr);
  if (!state) return nullptr;
  auto shared = std::make_shared<const RecordState>(std::move(state.value()));
  known.insert(known.begin(), {std::move(seen), shared});
  ++decodings_;
  if (known.size() > kDecodingsKept) {
    known.pop_back();
    --decodings_;
  }
  return shared;
}

ChangeReader::ChangeReader(const TableRegistry& registry, QString imagePath, QString namesDir)
    : registry_(registry), imagePath_(std::move(imagePath)), namesDir_(std::move(namesDir)) {}

QString ChangeReader::recordName(const TableAdapter& table, const QString& key) {
  auto known = names_.find(table.name());
  if (known == names_.end()) {
    QHash<QString, QString> byKey;
    RomImage rom(std::make_shared<ImageView>(pages_, std::vector<Run>{}, true), nullptr);
    rom.setRomPath(imagePath_);
    if (auto refs = table.records(rom, namesDir_))
      for (const RecordRef& ref : *refs) byKey.insert(recordKeyText(ref.keys), ref.name);
    known = names_.insert(table.name(), byKey);
  }
  return known->value(key);
}

const ChangeReader::Shape& ChangeReader::shapeOf(const TableAdapter& table) {
  auto it = shapes_.find(&table);
  if (it == shapes_.end()) it = shapes_.emplace(&table, Shape{table.controls(), table.fields()}).first;
  return it->second;
}

Result<std::vector<FieldChange>> ChangeReader::compare(const Transaction& tx, ImageView& before, ImageView& after) {
  std::vector<FieldChange> out;
  if (Status s = compare(tx, before, after, [&out](FieldChange&& c) { out.push_back(std::move(c)); }); !s) return s;
  return out;
}

Status ChangeReader::compare(const Transaction& tx, ImageView& beforeLayer, ImageView& afterLayer,
                             const std::function<void(FieldChange&&)>& take) {
  // Views never write, so they need no history of their own.
  RomImage before(std::shared_ptr<FileLayer>(&beforeLayer, [](FileLayer*) {}), nullptr);
  RomImage after(std::shared_ptr<FileLayer>(&afterLayer, [](FileLayer*) {}), nullptr);
  before.setRomPath(imagePath_);
  after.setRomPath(imagePath_);
  for (const Keyed& keyed : keysOf(tx)) {
    const QVariantMap& keys = keyed.keys;
    const QString& key = keyed.text;
    // A transaction over several tables (a folder import) names each record's table.
    const TableAdapter* table = registry_.find(keyed.table.isEmpty() ? tx.info.table : keyed.table);
    if (!table) continue;
    const std::vector<ControlRef>& controls = shapeOf(*table).controls;
    const std::vector<Field>& fields = shapeOf(*table).fields;
    const auto oldState = readRecord(*table, keyed, before, beforeLayer);
    const auto newState = readRecord(*table, keyed, after, afterLayer);
    if (!oldState || !newState) continue;
    QString name;
    for (size_t c = 0; c < controls.size() && c < oldState->size() && c < newState->size(); ++c) {
      if ((*oldState)[c] == (*newState)[c]) continue;
      const Field& field = fields[static_cast<size_t>(controls[c].field)];
      const QStringList* items = field.kind == FieldKind::Combo && !field.list.file.isEmpty()
                                     ? lists_.items(namesDir_, field.list)
                                     : nullptr;
      const QString oldText = shownValue(controls[c], field, (*oldState)[c], items);
      const QString newText = shownValue(controls[c], field, (*newState)[c], items);
      if (oldText == newText) continue;
      if (name.isNull()) name = recordName(*table, key);
      take({table->name(), keys, name, controls[c].name, field.caption, oldText, newText});
    }
  }
  return Status::ok();
}

Result<std::vector<FieldChange>> ChangeReader::changes(const Transaction& tx, const Rewind* rewind) {
  std::vector<FieldChange> out;
  if (Status s = eachChange(tx, rewind, [&out](FieldChange&& c) { out.push_back(std::move(c)); }); !s) return s;
  return out;
}

Status ChangeReader::eachChange(const Transaction& tx, const Rewind* rewind, const std::function<void(FieldChange&&)>& take) {
  if (!pages_) {
    auto pages = PageCache::open(imagePath_);
    if (!pages) return pages.status();
    pages_ = *pages;
  }
  ImageView before(pages_, tx.runs, false, rewind);
  ImageView after(pages_, tx.runs, true, rewind);
  return compare(tx, before, after, take);
}

Result<std::vector<FieldChange>> ChangeReader::drift(const Transaction& tx, bool expectAfter) {
  // Read fresh: the image may have changed since the last look.
  auto pages = PageCache::open(imagePath_);
  if (!pages) return pages.status();
  pages_ = *pages;
  decoded_.clear();  // decodings hold no file size: a fresh look may find another
  decodings_ = 0;
  ImageView expected(pages_, tx.runs, expectAfter);
  ImageView now(pages_, {}, true);
  return compare(tx, expected, now);
}

QJsonObject changeToJson(const FieldChange& c) {
  QJsonObject o;
  o.insert(QStringLiteral("table"), c.table);
  for (auto it = c.keys.begin(); it != c.keys.end(); ++it) o.insert(it.key(), QJsonValue::fromVariant(it.value()));
  o.insert(QStringLiteral("name"), c.name);
  o.insert(QStringLiteral("field"), c.field);
  o.insert(QStringLiteral("caption"), c.caption);
  o.insert(QStringLiteral("old"), c.oldValue);
  o.insert(QStringLiteral("new"), c.newValue);
  return o;
}

QString ChangeReader::where(const FieldChange& c) {
  QStringList keys;
  for (auto it = c.keys.begin(); it != c.keys.end(); ++it)
    keys << (it.key() == QLatin1String("index") ? it.value().toString() : it.key() + QLatin1Char(' ') + it.value().toString());
  QString record = c.table + QLatin1Char(' ') + keys.join(QStringLiteral(", "));
  if (!c.name.isEmpty()) record += QStringLiteral(" (%1)").arg(c.name);
  if (c.caption.isEmpty() || c.caption == c.field) return QStringLiteral("%1, %2").arg(record, c.field);
  return QStringLiteral("%1, %2 [%3]").arg(record, c.caption, c.field);
}

std::function<QStringList(const Transaction&)> ChangeReader::namer(const TableRegistry& registry,
                                                                  const QString& imagePath, const QString& namesDir) {
  return [&registry, imagePath, namesDir](const Transaction& tx) {
    ChangeReader reader(registry, imagePath, namesDir);
    QStringList named;
    if (auto changes = reader.changes(tx))
      for (const FieldChange& c : *changes) named << where(c);
    return named;
  };
}

}  // namespace rt
