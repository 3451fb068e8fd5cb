// The records many transactions name, stored packed and read back as written.
#include "history/packed_keys.h"
#include "tests/support/test_support.h"

#include "history/sqlite_journal.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

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

TEST(PackedKeys, TheHistoryStoresATableViewsSavePackedAndReadsItBackAsWritten) {
  TempRom rom(4096, 5);
  std::vector<int> indices(989);
  for (int i = 0; i < 989; ++i) indices[static_cast<size_t>(i)] = i;
  indices[500] = 7;  // a grid sorted by hand breaks a run
  TxInfo info = recordTx(QStringLiteral("TableView Weapon"), QStringLiteral("Weapon"), {});
  info.records = indexList(indices);
  info.recordCount = 989;
  {
    auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE(journal && *journal);
    ASSERT_TRUE((*journal)->begin(info, {rt::Run{100, "\x01", "\x02"}}));
    auto page = (*journal)->page(0, 1, false);
    ASSERT_TRUE(page && page->size() == 1);
    EXPECT_EQ(page->front().info.records, info.records);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(rom.path() + QStringLiteral(".history")).constData(), &db), SQLITE_OK);
  sqlite3_stmt* q = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT keys FROM tx_records", -1, &q, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)), R"({"index":[[0,499],7,[501,988]]})");
  sqlite3_finalize(q);
  sqlite3_close(db);
}

}  // namespace
}  // namespace rt::test
