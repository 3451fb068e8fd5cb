#include "core/history/changes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rt {
namespace {

QString keyText(const QVariantMap& keys) {
  QStringList parts;
  for (auto it = keys.begin(); it != keys.end(); ++it) parts << it.key() + QLatin1Char('=') + it.value().toString();
  return parts.join(QLatin1Char(','));
}

QList<QVariantMap> recordKeys(const Transaction& tx) {
  QList<QVariantMap> keys;
  const QJsonArray array = QJsonDocument::fromJson(tx.info.records).array();
  for (const QJsonValue& v : array) keys << v.toObject().toVariantMap();
  return keys;
}

}  // namespace

ChangeReader::ChangeReader(const TableRegistry& registry, QString imagePath, QString namesDir)
    : registry_(registry), imagePath_(std::move(imagePath)), namesDir_(std::move(namesDir)) {}

QString ChangeReader::recordName(const TableAdapter& table, const QString& key) {
  auto known = names_.find(table.name());
  if (known == names_.end()) {
    QHash<QString, QString> byKey;
    RomImage rom(std::make_shared<ImageView>(pages_, std::vector<Run>{}, true), nullptr);
    rom.setRomPath(imagePath_);
    if (auto refs = table.records(rom, namesDir_))
      for (const RecordRef& ref : *refs) byKey.insert(keyText(ref.keys), ref.name);
    known = names_.insert(table.name(), byKey);
  }
  return known->value(key);
}

const ChangeReader::Shape& ChangeReader::shapeOf(const TableAdapter& table) {
  auto it = shapes_.find(&table);
  if (it == shapes_.end()) it = shapes_.emplace(&table, Shape{table.controls(), table.fields()}).first;
  return it->second;
}

Result<std::vector<FieldChange>> ChangeReader::compare(const Transaction& tx, FileLayer& beforeLayer,
                                                       FileLayer& afterLayer) {
  std::vector<FieldChange> out;
  // Views never write, so they need no history of their own.
  RomImage before(std::shared_ptr<FileLayer>(&beforeLayer, [](FileLayer*) {}), nullptr);
  RomImage after(std::shared_ptr<FileLayer>(&afterLayer, [](FileLayer*) {}), nullptr);
  before.setRomPath(imagePath_);
  after.setRomPath(imagePath_);
  QSet<QString> seen;
  for (QVariantMap keys : recordKeys(tx)) {
    // A transaction over several tables (a folder import) names each record's table.
    const QString tableName = keys.contains(QStringLiteral("table")) ? keys.take(QStringLiteral("table")).toString()
                                                                      : tx.info.table;
    const TableAdapter* table = registry_.find(tableName);
    if (!table) continue;
    const std::vector<ControlRef>& controls = shapeOf(*table).controls;
    const std::vector<Field>& fields = shapeOf(*table).fields;
    const QString key = keyText(keys);  // once: the history makes it for every record of every transaction
    if (seen.contains(tableName + QLatin1Char(':') + key)) continue;
    seen.insert(tableName + QLatin1Char(':') + key);
    auto refOld = table->resolve(before, keys);
    auto refNew = table->resolve(after, keys);
    if (!refOld || !refNew) continue;
    auto oldState = table->read(before, *refOld);
    auto newState = table->read(after, *refNew);
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
      out.push_back({table->name(), keys, name, controls[c].name, field.caption, oldText, newText});
    }
  }
  return out;
}

Result<std::vector<FieldChange>> ChangeReader::changes(const Transaction& tx) {
  if (!pages_) {
    auto pages = PageCache::open(imagePath_);
    if (!pages) return pages.status();
    pages_ = *pages;
  }
  ImageView before(pages_, tx.runs, false);
  ImageView after(pages_, tx.runs, true);
  return compare(tx, before, after);
}

Result<std::vector<FieldChange>> ChangeReader::drift(const Transaction& tx, bool expectAfter) {
  // Read fresh: the image may have changed since the last look.
  auto pages = PageCache::open(imagePath_);
  if (!pages) return pages.status();
  pages_ = *pages;
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
