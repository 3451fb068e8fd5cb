#include "image/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace rt {
namespace {

// Keys of records are names and whole numbers: written here as Qt's compact
// JSON writes them, without a document per record. Anything else (a text, a
// name needing escapes) is left to Qt.
bool plainKeyName(const QString& key) {
  if (key.size() > 32) return false;  // the room kept for a key
  for (QChar c : key)
    if (c.unicode() >= 0x80 || !(c.isLetterOrNumber() || c == u'_')) return false;
  return true;
}

bool wholeNumber(const QVariant& value, std::int64_t* number) {
  if (value.typeId() == QMetaType::Int) *number = *static_cast<const int*>(value.constData());
  else if (value.typeId() == QMetaType::UInt) *number = *static_cast<const unsigned*>(value.constData());
  else return false;
  return true;
}

bool writeKeysDirectly(const std::vector<const QVariantMap*>& records, QByteArray* out) {
  // Every record of a table has the same key names: each is checked and
  // written once into `names`, not once per record (a save of 989 rows spent
  // a tenth of its time here). The text goes straight into its array, which
  // is grown only when a record could overflow it.
  struct Name {
    QString key;
    std::string text;  // "key":
  };
  std::vector<Name> names;
  out->resize(static_cast<qsizetype>(records.size()) * 24 + 16);
  char* at = out->data();
  *at++ = '[';
  for (size_t i = 0; i < records.size(); ++i) {
    const QVariantMap& keys = *records[i];
    const auto room = static_cast<qsizetype>(keys.size()) * 48 + 8;
    const qsizetype size = at - out->constData();
    if (size + room > out->size()) {
      out->resize(std::max(out->size() * 2, size + room));
      at = out->data() + size;
    }
    if (i) *at++ = ',';
    *at++ = '{';
    size_t k = 0;
    for (auto it = keys.cbegin(); it != keys.cend(); ++it, ++k) {
      const QString& key = it.key();
      if (k == names.size() || names[k].key != key) {
        if (!plainKeyName(key)) return false;
        const Name name{key, '"' + key.toStdString() + "\":"};
        if (k == names.size()) names.push_back(name);
        else names[k] = name;
      }
      std::int64_t number;
      if (!wholeNumber(it.value(), &number)) return false;
      if (k) *at++ = ',';
      std::memcpy(at, names[k].text.data(), names[k].text.size());
      at += names[k].text.size();
      at = std::to_chars(at, at + 12, number).ptr;
    }
    *at++ = '}';
  }
  *at++ = ']';
  out->truncate(at - out->constData());
  return true;
}

}  // namespace

TxInfo recordTx(const QString& source, const QString& table, const QList<QVariantMap>& records) {
  std::vector<const QVariantMap*> keys;
  keys.reserve(static_cast<size_t>(records.size()));
  for (const QVariantMap& r : records) keys.push_back(&r);
  return recordTxOfKeys(source, table, keys);
}

QByteArray recordKeysText(const QVariantMap& keys) {
  // A few names of at most 32 letters and whole numbers, as writeKeysDirectly
  // writes them; anything else is Qt's.
  char buffer[8 * 48 + 8];
  char* at = buffer;
  bool direct = keys.size() <= 8;
  if (direct) *at++ = '{';
  for (auto it = keys.cbegin(); direct && it != keys.cend(); ++it) {
    const QString& key = it.key();
    std::int64_t number = 0;
    direct = plainKeyName(key) && wholeNumber(it.value(), &number);
    if (!direct) break;
    if (it != keys.cbegin()) *at++ = ',';
    *at++ = '"';
    for (const QChar c : key) *at++ = static_cast<char>(c.unicode());
    *at++ = '"';
    *at++ = ':';
    at = std::to_chars(at, at + 12, number).ptr;
  }
  if (direct) {
    *at++ = '}';
    return QByteArray(buffer, at - buffer);
  }
  return QJsonDocument(QJsonObject::fromVariantMap(keys)).toJson(QJsonDocument::Compact);
}

TxInfo recordTxOfTexts(const QString& source, const QString& table, const std::vector<const QByteArray*>& texts) {
  TxInfo info;
  info.source = source;
  info.table = table;
  qsizetype size = 2 + static_cast<qsizetype>(texts.size());
  for (const QByteArray* t : texts) size += t->size();
  info.records.resize(size);
  char* at = info.records.data();
  *at++ = '[';
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i) *at++ = ',';
    std::memcpy(at, texts[i]->constData(), static_cast<size_t>(texts[i]->size()));
    at += texts[i]->size();
  }
  *at++ = ']';
  info.records.truncate(at - info.records.constData());
  info.recordCount = static_cast<int>(texts.size());
  return info;
}

TxInfo recordTxOfKeys(const QString& source, const QString& table, const std::vector<const QVariantMap*>& records) {
  TxInfo info;
  info.source = source;
  info.table = table;
  if (!writeKeysDirectly(records, &info.records)) {
    QJsonArray keys;
    for (const QVariantMap* r : records) keys.append(QJsonObject::fromVariantMap(*r));
    info.records = QJsonDocument(keys).toJson(QJsonDocument::Compact);
  }
  info.recordCount = static_cast<int>(records.size());
  return info;
}

}  // namespace rt
