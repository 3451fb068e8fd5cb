// What opening an image does with a transaction it finds unfinished: a save
// cut short is put back; one whose every byte reached the image is kept, unless
// it had failed and was being put back.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace rt::test {
namespace {

TEST(Recovery, UnfinishedTransactionsEndAllOldOrAllNew) {
  struct Case {
    const char* what;
    int written;  // quarters of the transaction's bytes that reached the image, in the order of its runs
    bool failed;  // marked as being rolled back
    bool keep;
  };
  const Case cases[] = {
      {"nothing written", 0, false, false}, {"torn", 2, false, false},          {"all written", 4, false, true},
      {"failed, torn", 2, true, false},     {"failed, all written", 4, true, false},
  };
  // One run of 4 bytes, and 40 (which the history packs into one row) 8 bytes apart.
  for (const int count : {1, 40}) {
    for (const Case& c : cases) {
      const std::string what = std::string(c.what) + ", " + std::to_string(count) + " runs";
      TempRom rom(1024, 9);
      const QByteArray original = rom.bytes();
      std::vector<rt::Run> runs;
      for (int r = 0; r < count; ++r) {
        const std::int64_t at = 100 + 8 * r;
        QByteArray after = original.mid(at, 4);
        for (char& b : after) b = static_cast<char>(b ^ 0x33);
        runs.push_back(rt::Run{at, original.mid(at, 4), after});
      }
      std::int64_t id = 0;
      {
        auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
        ASSERT_TRUE(journal);
        auto begun = (*journal)->begin(recordTx(QStringLiteral("t"), QString(), {}), runs);
        ASSERT_TRUE(begun);
        id = *begun;
        if (c.failed) {
          ASSERT_TRUE((*journal)->finish(id, TxState::RollingBack));
        }
      }
      int left = 4 * count * c.written / 4;
      for (const rt::Run& run : runs) {
        rom.poke(run.offset, run.after.left(std::min(left, 4)));
        left -= std::min(left, 4);
      }
      RomImage image;
      image.setRomPath(rom.path());
      ASSERT_TRUE(image.recover()) << what;
      QByteArray expected = original;
      if (c.keep)
        for (const rt::Run& run : runs) expected.replace(run.offset, 4, run.after);
      EXPECT_EQ(rom.bytes(), expected) << what;
      auto tx = image.journal()->get(id);
      ASSERT_TRUE(tx) << what;
      EXPECT_EQ(tx->state, c.keep ? TxState::Done : TxState::RolledBack) << what;
      EXPECT_FALSE(tx->damaged) << what;
      ASSERT_EQ(tx->runs.size(), runs.size()) << what;  // read back as written
      for (size_t r = 0; r < runs.size(); ++r) {
        EXPECT_EQ(tx->runs[r].offset, runs[r].offset) << what;
        EXPECT_EQ(tx->runs[r].before, runs[r].before) << what;
        EXPECT_EQ(tx->runs[r].after, runs[r].after) << what;
      }
      const QStringList notices = image.takeNotices();
      ASSERT_EQ(notices.size(), 1) << what;
      EXPECT_TRUE(notices[0].contains(c.keep ? QStringLiteral("kept") : QStringLiteral("rolled back"))) << what;
    }
  }
}

// The editor's saves are durable once their history record is; the image is
// flushed when it idles. A power cut before that may leave the disk with old
// bytes, or some of two saves of the same byte: opening it writes the newest
// again, leaves a byte another program wrote since, and after the flush has
// nothing to redo.
TEST(Recovery, CommittedSavesTheDiskLostAreWrittenAgain) {
  struct Case {
    const char* what;
    const char* disk;  // bytes 600-601 as the disk held them after the cut
    bool flushed;      // the idle flush came before the cut
    const char* now;   // bytes 600-601 after opening
    const char* notice;
  };
  // Two saves (past the header the history knows the file by): 600-601 from "AB" to "CD", then 600 from "C" to "E".
  const Case cases[] = {
      {"both lost", "AB", false, "ED", "written again"},
      {"the second lost", "CD", false, "ED", "written again"},
      {"none lost", "ED", false, "ED", nullptr},
      {"another program's byte", "GD", false, "GD", "left as they are"},
      {"flushed, then changed by another program", "AB", true, "AB", nullptr},
  };
  for (const Case& c : cases) {
    TempRom rom(1024, 4);
    rom.poke(600, "AB");
    {
      auto files = std::make_shared<ScriptedFileLayer>();
      RomImage image(files);
      image.setRomPath(rom.path());
      image.setDeferredFlush(true);
      ASSERT_TRUE(applyWrites(image, {{600, 'C', 0xFF}, {601, 'D', 0xFF}}, recordTx(QStringLiteral("t"), {}, {})).status);
      ASSERT_TRUE(applyWrites(image, {{600, 'E', 0xFF}}, recordTx(QStringLiteral("t"), {}, {})).status);
      if (!c.flushed) files->faultAt = files->operations;  // the idle flush fails: the disk may have lost anything
      EXPECT_EQ(image.flushImage().isOk(), c.flushed) << c.what;
      rom.poke(600, c.disk);
    }
    EXPECT_EQ(recoveryOverlay(rom.path()).empty(), QByteArray(c.disk) == c.now) << c.what;  // a reader sees it too
    RomImage image;
    image.setRomPath(rom.path());
    const Status recovered = image.recover();
    ASSERT_TRUE(recovered) << c.what << ": " << recovered.message().toStdString();
    EXPECT_EQ(rom.bytes().mid(600, 2), QByteArray(c.now)) << c.what;
    const QString notices = image.takeNotices().join(QLatin1Char('\n'));
    EXPECT_EQ(notices.isEmpty(), c.notice == nullptr) << c.what << ": " << notices.toStdString();
    if (c.notice) EXPECT_TRUE(notices.contains(QLatin1String(c.notice))) << c.what << ": " << notices.toStdString();
    auto left = image.journal()->pending();
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->empty()) << c.what;  // recovery flushed and marked them
  }
}

// The keys of a save of many records are kept beside its row; they read back
// whole whatever state the transaction is in, and a few stay in the row.
TEST(Recovery, RecordKeysReadBackWholeThroughEveryState) {
  for (const int count : {2, 300}) {
    TempRom rom(256, 9);
    QList<QVariantMap> records;
    for (int i = 0; i < count; ++i) records << QVariantMap{{QStringLiteral("index"), i}};
    const TxInfo info = recordTx(QStringLiteral("TableView Weapon"), QStringLiteral("Weapon"), records);
    auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE(journal);
    auto id = (*journal)->begin(info, {rt::Run{10, rom.bytes().mid(10, 1), QByteArray(1, '\x5A')}});
    ASSERT_TRUE(id);
    for (const TxState state : {TxState::Pending, TxState::Done, TxState::Undone}) {
      if (state != TxState::Pending) {
        ASSERT_TRUE((*journal)->finish(*id, state));
      }
      auto tx = (*journal)->get(*id);
      ASSERT_TRUE(tx) << count;
      EXPECT_EQ(tx->info.records, info.records) << count;
      EXPECT_EQ(tx->info.recordCount, count);
      auto listed = (*journal)->list(1, false);
      ASSERT_TRUE(listed);
      ASSERT_EQ(listed->size(), 1u);
      EXPECT_EQ(listed->front().info.records, info.records) << count;
    }
  }
}

// An image kept open (as the editor keeps it) skips the look-up for interrupted
// transactions while none can exist; a writer that died in the meantime, after
// this one's own saves, must still be found before the next save.
TEST(Recovery, ALongLivedImageFindsAnotherWritersInterruptedTransaction) {
  TempRom rom(256, 9);
  RomImage image;
  image.setRomPath(rom.path());
  auto save = [&](int value) {
    ASSERT_TRUE(image.openRomImage(Access::Write));
    image.seek(10);
    image.writeU8(value);
    ASSERT_TRUE(image.closeRomImage());
  };
  save(1);
  save(2);
  const QByteArray before = rom.bytes().mid(100, 2);
  {
    auto other = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE(other);
    ASSERT_TRUE((*other)->begin(recordTx(QStringLiteral("other"), QString(), {}), {rt::Run{100, before, "\x55\x55"}}));
  }
  rom.poke(100, QByteArray("\x55"));  // torn: one byte of two
  save(3);
  EXPECT_EQ(rom.bytes().mid(100, 2), before);
  EXPECT_EQ(rom.bytes()[10], 3);
  const QStringList notices = image.takeNotices();
  ASSERT_EQ(notices.size(), 1);
  EXPECT_TRUE(notices[0].contains(QStringLiteral("rolled back"))) << notices[0].toStdString();
}

// A save whose rollback failed too stays "rolling back"; the same image, kept
// open as the editor keeps it, finishes that rollback before its next save.
TEST(Recovery, AFailedRollbackIsFinishedBeforeTheSameImagesNextSave) {
  TempRom rom(QByteArray(4096, '\0'));
  auto files = std::make_shared<ScriptedFileLayer>();
  RomImage image(files);
  image.setRomPath(rom.path());
  auto save = [&](std::int64_t at, int value) {
    if (Status s = image.openRomImage(Access::Write); !s) return s;
    image.seek(at);
    image.writeU8(value);
    image.writeU8(value);
    return image.closeRomImage();
  };
  ASSERT_TRUE(save(1000, 1));
  const int start = files->operations;
  ASSERT_TRUE(save(1000, 2));
  const auto firstWrite = std::find(files->trace.begin() + start, files->trace.end(), FileOp::Write) - files->trace.begin();
  const QByteArray kept = rom.bytes();
  // The next save's write is torn and every write after it fails: the old bytes cannot be put back.
  files->faultAt = files->operations + static_cast<int>(firstWrite - start);
  files->fault = Fault::Torn;
  files->laterWritesFail = true;
  const Status failed = save(1000, 3);
  ASSERT_FALSE(failed.isOk());
  ASSERT_TRUE(failed.message().contains(QStringLiteral("back failed too"))) << failed.message().toStdString();
  files->laterWritesFail = false;
  files->failingWrites = 0;
  ASSERT_TRUE(save(2000, 4));
  QByteArray expected = kept;
  expected[2000] = expected[2001] = 4;
  EXPECT_EQ(rom.bytes(), expected);
}

}  // namespace
}  // namespace rt::test
