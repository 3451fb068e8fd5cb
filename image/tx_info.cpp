#include "image/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rt {

TxInfo recordTx(const QString& source, const QString& table, const QList<QVariantMap>& records) {
  TxInfo info;
  info.source = source;
  info.table = table;
  QJsonArray keys;
  for (const QVariantMap& r : records) keys.append(QJsonObject::fromVariantMap(r));
  info.records = QJsonDocument(keys).toJson(QJsonDocument::Compact);
  info.recordCount = static_cast<int>(records.size());
  return info;
}

}  // namespace rt
