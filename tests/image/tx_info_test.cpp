// A transaction's records are written as Qt's compact JSON of their keys,
// whichever way the text is made.
#include "image/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(RecordTx, TheRecordsAreQtsCompactJsonOfTheirKeys) {
  const QList<QList<QVariantMap>> cases{
      {},
      {{{QStringLiteral("index"), 0}}},
      {{{QStringLiteral("index"), 988}}, {{QStringLiteral("index"), -3}}, {}},
      {{{QStringLiteral("stage"), 12}, {QStringLiteral("index"), 2147483647}}},
      {{{QStringLiteral("index"), 1u}, {QStringLiteral("Stage_2"), 4}}},
      {{{QStringLiteral("name"), QStringLiteral("a \"b\"")}}},                   // a text: Qt's writer
      {{{QStringLiteral("n\u00e4me"), 1}}, {{QStringLiteral("index"), 2.5}}},  // a key beyond ASCII, a fraction
  };
  for (const QList<QVariantMap>& records : cases) {
    QJsonArray keys;
    for (const QVariantMap& r : records) keys.append(QJsonObject::fromVariantMap(r));
    const TxInfo info = recordTx(QStringLiteral("test"), QStringLiteral("T"), records);
    EXPECT_EQ(info.records, QJsonDocument(keys).toJson(QJsonDocument::Compact)) << info.records.toStdString();
    EXPECT_EQ(info.recordCount, records.size());
  }
}

}  // namespace
}  // namespace rt
