#include "image/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <string>

namespace rt {
namespace {

// Keys of records are names and whole numbers: written here as Qt's compact
// JSON writes them, without a document per record. Anything else (a text, a
// name needing escapes) is left to Qt: false.
bool writeKeysDirectly(const std::vector<const QVariantMap*>& records, QByteArray* out) {
  // Into a std::string, whose appends are inlined, then copied once.
  std::string text;
  text.reserve(records.size() * 16 + 2);
  text += '[';
  // Every record of a table has the same key names: each is checked and
  // converted once, not once per record (a save of 989 rows spent a tenth of
  // its time here).
  QString lastKey;
  std::string lastName;
  char digits[24];
  for (size_t i = 0; i < records.size(); ++i) {
    if (i) text += ',';
    text += '{';
    bool first = true;
    for (auto it = records[i]->begin(); it != records[i]->end(); ++it) {
      const QString& key = it.key();
      if (lastName.empty() || key != lastKey) {
        for (QChar c : key)
          if (c.unicode() >= 0x80 || !(c.isLetterOrNumber() || c == u'_')) return false;
        lastKey = key;
        lastName = '"' + key.toStdString() + "\":";
      }
      const QVariant& value = it.value();
      std::int64_t number;
      if (value.typeId() == QMetaType::Int) number = *static_cast<const int*>(value.constData());
      else if (value.typeId() == QMetaType::UInt) number = *static_cast<const unsigned*>(value.constData());
      else return false;
      if (!first) text += ',';
      first = false;
      text += lastName;
      text.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
    }
    text += '}';
  }
  text += ']';
  *out = QByteArray(text.data(), static_cast<qsizetype>(text.size()));
  return true;
}

}  // namespace

TxInfo recordTx(const QString& source, const QString& table, const QList<QVariantMap>& records) {
  std::vector<const QVariantMap*> keys;
  keys.reserve(static_cast<size_t>(records.size()));
  for (const QVariantMap& r : records) keys.push_back(&r);
  return recordTxOfKeys(source, table, keys);
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
