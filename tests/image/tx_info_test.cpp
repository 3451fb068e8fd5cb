// A transaction's records are written as Qt's compact JSON of their keys,
// whichever way the text is made, all at once or a record at a time.
#include "image/journal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(RecordTx, TheRecordsAreQtsCompactJsonOfTheirKeys) {
  QList<QList<QVariantMap>> cases{
      {},
      {{{QStringLiteral("index"), 0}}},
      {{{QStringLiteral("index"), 988}}, {{QStringLiteral("index"), -3}}, {}},
      {{{QStringLiteral("stage"), 12}, {QStringLiteral("index"), 2147483647}}},
      {{{QStringLiteral("index"), 1u}, {QStringLiteral("Stage_2"), 4}}},
      {{{QStringLiteral("name"), QStringLiteral("a \"b\"")}}},                   // a text: Qt's writer
      {{{QStringLiteral("n\u00e4me"), 1}}, {{QStringLiteral("index"), 2.5}}},  // a key beyond ASCII, a fraction
      {{{QStringLiteral("index"), 1}}, {{QStringLiteral("Stage_2"), -7}, {QStringLiteral("index"), 3}}},  // keys that change
  };
  QList<QVariantMap> many;  // more text than the room first kept for it
  for (int i = 0; i < 300; ++i) many.append({{QStringLiteral("index"), -2000000000 + i}, {QStringLiteral("stage"), i}});
  cases.append(many);
  for (const QList<QVariantMap>& records : cases) {
    QJsonArray keys;
    for (const QVariantMap& r : records) keys.append(QJsonObject::fromVariantMap(r));
    const TxInfo info = recordTx(QStringLiteral("test"), QStringLiteral("T"), records);
    EXPECT_EQ(info.records, QJsonDocument(keys).toJson(QJsonDocument::Compact)) << info.records.toStdString();
    EXPECT_EQ(info.recordCount, records.size());
    // Each record's text made alone, then joined, as a table view saves.
    std::vector<QByteArray> texts;
    for (const QVariantMap& r : records) texts.push_back(recordKeysText(r));
    std::vector<const QByteArray*> joined;
    for (const QByteArray& t : texts) joined.push_back(&t);
    EXPECT_EQ(recordTxOfTexts(QStringLiteral("test"), QStringLiteral("T"), joined).records, info.records);
  }
}

}  // namespace
}  // namespace rt
