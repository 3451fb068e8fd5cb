// The records many transactions name, stored packed and read back as written.
#include "image/packed_keys.h"

#include "image/journal.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

QByteArray indexList(const std::vector<int>& indices) {
  QByteArray text = "[";
  for (int i : indices) text += (text.size() > 1 ? ",{\"index\":" : "{\"index\":") + QByteArray::number(i) + '}';
  return text + ']';
}

TEST(PackedKeys, IndicesPackToRunsAndBackAndAnythingElseStaysAsItIs) {
  struct Case {
    QByteArray records, stored;  // stored empty: kept as it is
  };
  const Case cases[] = {
      {indexList({0, 1, 2, 5, 7, 8, 3, 4, 5, 6}), R"({"index":[[0,2],5,7,8,[3,6]]})"},
      {indexList({9}), R"({"index":[9]})"},
      {indexList({4, 3, 2}), R"({"index":[4,3,2]})"},
      {R"([{"index":1,"stage":2}])", {}},
      {R"([{"index":01}])", {}},
      {R"([{"index":-1}])", {}},
      {R"([{"index":1.5}])", {}},
      {R"([{"index":1}] )", {}},
      {R"([{"index":1},])", {}},
      {"[]", {}},
  };
  for (const Case& c : cases) {
    const QByteArray stored = packedKeys(c.records);
    EXPECT_EQ(stored, c.stored.isEmpty() ? c.records : c.stored) << c.records.constData();
    const auto count = c.records.count("{\"index\":");
    EXPECT_EQ(unpackedKeys(stored, count), c.records) << c.records.constData();
  }
}

TEST(PackedKeys, AStoredListThatDisagreesWithItsCountIsNotUnpacked) {
  for (const char* damaged : {R"({"index":[[0,2000000000]]})", R"({"index":[[5,3]]})", R"({"index":[1,2)",
                              R"({"index":[[1,2],3]}x)", R"({"index":[]})"})
    EXPECT_EQ(unpackedKeys(damaged, 3), QByteArray(damaged)) << damaged;
  EXPECT_EQ(unpackedKeys(R"({"index":[[1,3]]})", 2), QByteArray(R"({"index":[[1,3]]})"));
}

TEST(PackedKeys, AListMadeFromIndicesIsTheListOfTheirKeysPackedWhenLong) {
  for (const int count : {3, 40, 989}) {
    std::vector<std::int64_t> indices;
    std::vector<QByteArray> texts;
    for (int i = 0; i < count; ++i) {
      indices.push_back(i == 20 ? 1000 : i);  // a run broken once
      texts.push_back(recordKeysText({{QStringLiteral("index"), static_cast<int>(indices.back())}}));
    }
    std::vector<const QByteArray*> pointers;
    for (const QByteArray& t : texts) pointers.push_back(&t);
    const QByteArray list = recordTxOfTexts(QStringLiteral("t"), QStringLiteral("T"), pointers).records;
    const TxInfo made = recordTxOfIndices(QStringLiteral("t"), QStringLiteral("T"), indices);
    EXPECT_EQ(made.recordCount, count);
    EXPECT_EQ(isPackedKeys(made.records), list.size() > kRecordsInRow) << count;
    EXPECT_EQ(unpackedKeys(made.records, count), list) << count;
  }
  struct Case {
    QVariantMap keys;
    std::int64_t index;  // -1: not addressed by an index alone
  };
  const Case cases[] = {{{{QStringLiteral("index"), 3}}, 3},
                        {{{QStringLiteral("index"), -1}}, -1},
                        {{{QStringLiteral("index"), QStringLiteral("3")}}, -1},
                        {{{QStringLiteral("index"), 1}, {QStringLiteral("stage"), 2}}, -1},
                        {{{QStringLiteral("stage"), 3}}, -1}};
  for (const Case& c : cases) {
    std::int64_t index = -1;
    EXPECT_EQ(recordIndexOnly(c.keys, &index), c.index >= 0) << c.keys.keys().join(u',').toStdString();
    if (c.index >= 0) EXPECT_EQ(index, c.index);
  }
}

}  // namespace
}  // namespace rt::test
