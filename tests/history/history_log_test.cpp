// The history's log between saves: the editor's idle step copies it into the
// history file and starts it over, so that the next save only appends to it;
// a long list of the records a save wrote goes into it packed.
#include "tests/support/test_support.h"

#include "history/sqlite_journal.h"
#include "image/packed_keys.h"
#include "model/record_codec.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace rt::test {
namespace {

// Bytes 12-19 of the log's header: its checkpoint sequence and first salt,
// which change each time the log starts over.
QByteArray logStart(const QString& romPath) {
  QFile log(romPath + QStringLiteral(".history-wal"));
  return log.open(QIODevice::ReadOnly) ? log.read(32).mid(12, 8) : QByteArray();
}

TEST(HistoryLog, TheIdleStepStartsTheLogOverSoTheNextSaveOnlyAppends) {
  TempRom rom(1024, 5);
  RomImage image;
  image.setRomPath(rom.path());
  auto save = [&](std::uint8_t value) {
    return applyWrites(image, {{100, value, 0xFF}}, recordTx(QStringLiteral("t"), QString(), {})).status;
  };
  ASSERT_TRUE(save(1));
  const QByteArray first = logStart(rom.path());
  ASSERT_EQ(first.size(), 8);
  image.checkpointHistory(Journal::LogStart::Now);
  const QByteArray idle = logStart(rom.path());
  EXPECT_NE(idle, first);
  // A save started over again would write (and flush) the header once more.
  ASSERT_TRUE(save(2));
  EXPECT_EQ(logStart(rom.path()), idle);
}

TEST(HistoryLog, ATableViewsSaveOfManyRowsIsStoredPackedAndReadBackAsWritten) {
  TempRom rom(4096, 5);
  std::vector<int> indices(989);
  for (int i = 0; i < 989; ++i) indices[static_cast<size_t>(i)] = i;
  indices[500] = 7;  // a grid sorted by hand breaks a run
  // As a list of keys (an import's) and as the table view makes it, from the indices.
  const std::vector<std::int64_t> wide(indices.begin(), indices.end());
  const TxInfo made = recordTxOfIndices(QStringLiteral("TableView Weapon"), QStringLiteral("Weapon"), wide);
  TxInfo info = made;
  info.records = unpackedKeys(made.records, 989);
  ASSERT_TRUE(info.records.startsWith(R"([{"index":0},{"index":1},)"));
  {
    auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE(journal && *journal);
    ASSERT_TRUE((*journal)->begin(info, {rt::Run{100, "\x01", "\x02"}}));
    ASSERT_TRUE((*journal)->begin(made, {rt::Run{101, "\x01", "\x02"}}));
    auto page = (*journal)->page(0, 2, false);
    ASSERT_TRUE(page && page->size() == 2);
    for (const Transaction& t : *page) EXPECT_EQ(t.info.records, info.records);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(rom.path() + QStringLiteral(".history")).constData(), &db), SQLITE_OK);
  sqlite3_stmt* q = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT keys FROM tx_records", -1, &q, nullptr), SQLITE_OK);
  for (int row = 0; row < 2; ++row) {
    ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)), R"({"index":[[0,499],7,[501,988]]})");
  }
  sqlite3_finalize(q);
  sqlite3_close(db);
}

}  // namespace
}  // namespace rt::test
