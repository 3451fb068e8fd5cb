#include "image/journal.h"

#include "image/packed_keys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cstring>

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

// One record's keys written at `at` ("{...}"), in at most keys.size() * 48 + 2
// bytes (a quoted name of 32 letters, a colon, eleven characters of a number,
// a comma); null when they are not plain names and whole numbers.
char* writeRecordKeys(const QVariantMap& keys, char* at) {
  *at++ = '{';
  for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
    const QString& key = it.key();
    std::int64_t number = 0;
    if (!plainKeyName(key) || !wholeNumber(it.value(), &number)) return nullptr;
    if (it != keys.cbegin()) *at++ = ',';
    *at++ = '"';
    for (const QChar c : key) *at++ = static_cast<char>(c.unicode());
    *at++ = '"';
    *at++ = ':';
    at = std::to_chars(at, at + 12, number).ptr;
  }
  *at++ = '}';
  return at;
}

// The text goes straight into its array, grown only when a record could
// overflow it (a save of 989 rows spent a tenth of its time making a
// document per record).
bool writeKeysDirectly(const std::vector<const QVariantMap*>& records, QByteArray* out) {
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
    at = writeRecordKeys(keys, at);
    if (!at) return false;
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
  char buffer[8 * 48 + 2];
  if (keys.size() <= 8)
    if (const char* end = writeRecordKeys(keys, buffer)) return QByteArray(buffer, end - buffer);
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

namespace rt {

bool recordIndexOnly(const QVariantMap& keys, std::int64_t* index) {
  return keys.size() == 1 && keys.firstKey() == QLatin1String("index") && wholeNumber(keys.first(), index) &&
         *index >= 0;
}

TxInfo recordTxOfIndices(const QString& source, const QString& table, const std::vector<std::int64_t>& indices) {
  TxInfo info;
  info.source = source;
  info.table = table;
  info.recordCount = static_cast<int>(indices.size());
  // Each record takes 13 bytes or more written out: most lists are known long before their digits are counted.
  const qsizetype least = 13 * static_cast<qsizetype>(indices.size()) + 1;
  const qsizetype size = least > kRecordsInRow ? least : indexListSize(indices);
  if (size > kRecordsInRow) {
    info.records = packedIndices(indices);
    return info;
  }
  info.records.resize(size);
  char* at = info.records.data();
  *at++ = '[';
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i) *at++ = ',';
    at = std::copy_n("{\"index\":", 9, at);
    at = std::to_chars(at, at + 20, indices[i]).ptr;
    *at++ = '}';
  }
  *at++ = ']';
  return info;
}

}  // namespace rt
