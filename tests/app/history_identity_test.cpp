// A history belongs to one file's content: what is written from it, what is
// refused, and what a command that only reads does with an interrupted change.
#include "tests/support/test_support.h"

#include "image/rom_image.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <sqlite3.h>

#include <functional>

namespace rt::test {
namespace {

QByteArray pilotImport(int index, const QString& field, int value) {
  return QStringLiteral("{\"table\":\"Pilot\",\"records\":[{\"index\":%1,\"fields\":{\"%2\":\"%3\"}}]}")
      .arg(index)
      .arg(field)
      .arg(value)
      .toUtf8();
}

// Records 0 to count - 1 with `field` set to `value`.
QByteArray pilotImportFirst(int count, const QString& field, int value) {
  QStringList records;
  for (int i = 0; i < count; ++i)
    records << QStringLiteral("{\"index\":%1,\"fields\":{\"%2\":\"%3\"}}").arg(i).arg(field).arg(value);
  return QStringLiteral("{\"table\":\"Pilot\",\"records\":[%1]}").arg(records.join(u',')).toUtf8();
}

QString pilotField(const QString& rom, int index, const QString& field) {
  const QJsonValue v = exportRecords(rom, QStringLiteral("Pilot"))[index].toObject()[QStringLiteral("fields")].toObject()[field];
  return v.isString() ? v.toString() : QString::number(v.toInt());
}

// A pending transaction over [at, at + after.size()) of which `written` bytes reached the image.
void interrupt(TempRom& rom, std::int64_t at, const QByteArray& after, int written) {
  auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
  ASSERT_TRUE(journal && *journal);
  ASSERT_TRUE((*journal)->begin(recordTx(QStringLiteral("t"), QString(), {}), {rt::Run{at, rom.bytes().mid(at, after.size()), after}}));
  rom.poke(at, after.left(written));
}

void execSql(const QString& history, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(history).constData(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST(HistoryIdentity, NothingIsWrittenFromAHistoryThatDescribesAnotherFile) {
  const QByteArray sample = sampleImage();
  QByteArray otherHeader = sample;
  otherHeader[0] = static_cast<char>(otherHeader[0] ^ 1);
  struct Case {
    const char* what;
    std::function<void(TempRom&)> change;
    bool refused;       // every write
    bool patchRefused;  // a patch made from the history
  };
  const Case cases[] = {
      {"unchanged", [](TempRom&) {}, false, false},
      {"another image copied over it", [&](TempRom& r) { r.write(otherHeader); }, true, true},
      {"the saved byte changed by another program", [](TempRom& r) {
         const QByteArray b = r.bytes();
         const auto at = static_cast<qsizetype>(differences(sampleImage(), b).front());
         r.poke(at, QByteArray(1, static_cast<char>(b[at] ^ 0x40)));
       }, false, true},
  };
  for (const Case& c : cases) {
    TempRom rom(sample);
    ASSERT_EQ(importFile(rom.path(), pilotImport(0, QStringLiteral("Ab(0)"), 100)).code, 0) << c.what;
    c.change(rom);
    const QByteArray before = rom.bytes();
    const QString patch = rom.path() + QStringLiteral(".bps");
    const CliRun made = cli({QStringLiteral("patch"), rom.path(), QStringLiteral("--from-history"), QStringLiteral("--output"), patch});
    EXPECT_EQ(made.code, c.patchRefused ? 1 : 0) << c.what << made.err.toStdString();
    EXPECT_EQ(QFileInfo::exists(patch), !c.patchRefused) << c.what;
    const CliRun run = importFile(rom.path(), pilotImport(1, QStringLiteral("Ab(0)"), 101));
    EXPECT_EQ(run.code, c.refused ? 1 : 0) << c.what << run.err.toStdString();
    if (!c.refused) continue;
    EXPECT_EQ(cli({QStringLiteral("undo"), rom.path()}).code, 1) << c.what;
    EXPECT_EQ(rom.bytes(), before) << c.what;
    EXPECT_TRUE(run.err.contains(QStringLiteral(".history")) && run.err.contains(QStringLiteral("--restart")))
        << run.err.toStdString();
    // Restarting makes the file its own history's again; the old one is kept aside.
    ASSERT_EQ(cli({QStringLiteral("history"), rom.path(), QStringLiteral("--restart")}).code, 0) << c.what;
    EXPECT_EQ(importFile(rom.path(), pilotImport(1, QStringLiteral("Ab(0)"), 101)).code, 0) << c.what;
    EXPECT_EQ(QDir(QFileInfo(rom.path()).absolutePath()).entryList({QStringLiteral("*.history.old-*[0-9]")}).size(), 1);
  }
}

TEST(HistoryIdentity, ACopyMadeWithItsHistoryWorksOn) {
  TempRom rom(sampleImage());
  const QString original = pilotField(rom.path(), 0, QStringLiteral("Ab(0)"));
  ASSERT_EQ(importFile(rom.path(), pilotImport(0, QStringLiteral("Ab(0)"), 100)).code, 0);
  // The history file alone, without its log: the command that wrote copied the log into it.
  QTemporaryDir other;
  const QString copy = other.filePath(QStringLiteral("copy.nds"));
  ASSERT_TRUE(QFile::copy(rom.path(), copy));
  ASSERT_TRUE(QFile::copy(rom.path() + QStringLiteral(".history"), copy + QStringLiteral(".history")));
  const CliRun undo = cli({QStringLiteral("undo"), copy});
  EXPECT_EQ(undo.code, 0) << undo.err.toStdString();
  EXPECT_EQ(pilotField(copy, 0, QStringLiteral("Ab(0)")), original);
}

TEST(HistoryIdentity, ARenamedImageIsNotGivenAnEmptyHistory) {
  TempRom rom(sampleImage());
  ASSERT_EQ(importFile(rom.path(), pilotImport(0, QStringLiteral("Ab(0)"), 100)).code, 0);
  const QString renamed = QFileInfo(rom.path()).absolutePath() + QStringLiteral("/hack.nds");
  ASSERT_TRUE(QFile::rename(rom.path(), renamed));
  for (const QStringList& args : {QStringList{QStringLiteral("undo"), renamed},
                                  QStringList{QStringLiteral("patch"), renamed, QStringLiteral("--from-history"),
                                              QStringLiteral("--output"), renamed + QStringLiteral(".bps")}}) {
    const CliRun run = cli(args);
    EXPECT_EQ(run.code, 1) << run.err.toStdString();
  }
  const CliRun save = importFile(renamed, pilotImport(1, QStringLiteral("Ab(0)"), 101));
  EXPECT_EQ(save.code, 1);
  EXPECT_TRUE(save.err.contains(QFileInfo(rom.path()).fileName() + QStringLiteral(".history"))) << save.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(renamed + QStringLiteral(".history")));
  EXPECT_FALSE(QFileInfo::exists(renamed + QStringLiteral(".bps")));
}

TEST(HistoryIdentity, ReadersNeverWriteAndReadAsRecoveryWillLeaveTheImage) {
  TempRom rom(sampleImage());
  ASSERT_EQ(importFile(rom.path(), pilotImport(0, QStringLiteral("Ab(0)"), 100)).code, 0);
  const QByteArray saved = rom.bytes();
  const auto at = differences(sampleImage(), saved).front();
  // Torn: the first of its two bytes reached the image.
  ASSERT_NO_FATAL_FAILURE(interrupt(rom, at, QByteArray(1, static_cast<char>(120)) + QByteArray(1, saved[static_cast<qsizetype>(at + 1)] ^ 0x7F), 1));
  const QByteArray torn = rom.bytes();
  const CliRun exported = cli({QStringLiteral("export"), rom.path(), QStringLiteral("Pilot")});
  EXPECT_EQ(exported.code, 0);
  EXPECT_TRUE(exported.err.contains(QStringLiteral("recover"))) << exported.err.toStdString() << "|" << exported.out.left(100).toStdString();
  EXPECT_EQ(pilotField(rom.path(), 0, QStringLiteral("Ab(0)")), QStringLiteral("100"));
  EXPECT_EQ(rom.bytes(), torn);
  // Another file copied over the torn one: readers leave it alone, writers refuse.
  QByteArray other = sampleImage(2);
  rom.write(other);
  EXPECT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("Pilot")}).code, 0);
  EXPECT_EQ(cli({QStringLiteral("recover"), rom.path()}).code, 1);
  EXPECT_EQ(rom.bytes(), other);
  rom.write(torn);
  EXPECT_EQ(cli({QStringLiteral("recover"), rom.path()}).code, 0);
  EXPECT_EQ(rom.bytes(), saved);
}

// Recovery on raw bytes: each case is a set of interrupted transactions and
// the image as the crash left it.
TEST(HistoryIdentity, RecoveryRollsBackNewestFirstAndWritesNothingOverForeignBytes) {
  struct Pending {
    std::vector<rt::Run> runs;  // before is filled from the image
    int written;                // bytes of each run that reached the image
    bool failed;                // its save failed and was being put back: never kept
  };
  auto run = [](std::int64_t at, const char* after) { return rt::Run{at, {}, QByteArray(after)}; };
  struct Case {
    const char* what;
    std::vector<Pending> pending;
    QByteArray poke;  // written at 100 after the crash, by "another program"; empty for none
    bool refused;
  };
  const Case cases[] = {
      {"two over the same bytes", {{{run(100, "\x0F\x0F")}, 2, true}, {{run(100, "\xFF\xFF")}, 1, false}}, {}, false},
      {"torn in its first run, whole in its last", {{{run(100, "\x11\x22"), run(150, "\x33")}, 1, false}}, {}, false},
      {"a byte neither old nor new", {{{run(100, "\x0F")}, 1, false}}, "\xF0", true},
  };
  for (const Case& c : cases) {
    TempRom rom(QByteArray(256, '\0'));
    {
      RomImage first;  // the history records this file
      first.setRomPath(rom.path());
      ASSERT_TRUE(first.openRomImage(Access::Write));
      first.seek(10);
      first.writeU8(1);
      ASSERT_TRUE(first.closeRomImage());
    }
    const QByteArray clean = rom.bytes();
    {
      auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
      for (const Pending& p : c.pending) {
        std::vector<rt::Run> runs = p.runs;
        for (rt::Run& r : runs) r.before = rom.bytes().mid(r.offset, r.after.size());
        auto id = (*journal)->begin(recordTx(QStringLiteral("t"), QString(), {}), runs);
        ASSERT_TRUE(id);
        if (p.failed) ASSERT_TRUE((*journal)->finish(*id, TxState::RollingBack));
        // The first run torn as told, the others whole.
        for (size_t r = 0; r < runs.size(); ++r) rom.poke(runs[r].offset, r == 0 ? runs[r].after.left(p.written) : runs[r].after);
      }
    }
    if (!c.poke.isEmpty()) rom.poke(100, c.poke);
    const QByteArray crashed = rom.bytes();
    RomImage image;
    image.setRomPath(rom.path());
    const Status recovered = image.recover();
    EXPECT_EQ(recovered.isOk(), !c.refused) << c.what << recovered.message().toStdString();
    EXPECT_EQ(rom.bytes(), c.refused ? crashed : clean) << c.what;
  }
}

TEST(HistoryIdentity, UndoFlipsBackOnlyTheBitsItsTransactionFlipped) {
  TempRom rom(sampleImage());
  auto import = [&](const QByteArray& fields) {
    return importFile(rom.path(), "{\"table\":\"Pilot\",\"records\":[{\"index\":0,\"fields\":{" + fields + "}}]}").code;
  };
  const QString ab1 = pilotField(rom.path(), 0, QStringLiteral("Ab(1)"));
  ASSERT_EQ(import("\"Ab(0)\":\"100\",\"Ab(2)\":\"100\""), 0);
  ASSERT_EQ(import("\"Ab(1)\":\"101\""), 0);
  ASSERT_NE(ab1, QStringLiteral("101"));
  const CliRun reverted = cli({QStringLiteral("revert"), rom.path(), QStringLiteral("1")});
  EXPECT_EQ(reverted.code, 0) << reverted.err.toStdString();
  EXPECT_EQ(pilotField(rom.path(), 0, QStringLiteral("Ab(1)")), QStringLiteral("101"));
  EXPECT_NE(pilotField(rom.path(), 0, QStringLiteral("Ab(0)")), QStringLiteral("100"));
}

TEST(HistoryIdentity, ADamagedHistoryIsNeverAppliedAndDoesNotStopReaders) {
  struct Case {
    const char* what;
    std::function<void(const QString& history)> damage;
    int records = 1;  // imported; the history packs the runs of many into one row
  };
  const Case cases[] = {
      {"a flipped bit in a stored run", [](const QString& h) { execSql(h, "UPDATE runs SET old = CAST(x'77' AS BLOB)"); }},
      {"a flipped bit in a packed row",
       [](const QString& h) { execSql(h, "UPDATE runs SET new = CAST(x'77' AS BLOB) || substr(new, 2)"); }, 200},
      {"overwritten", [](const QString& h) {
         QFile f(h);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray(4096, 'x'));
       }},
      {"a folder", [](const QString& h) {
         QFile::remove(h);
         QFile::remove(h + QStringLiteral("-wal"));
         QFile::remove(h + QStringLiteral("-shm"));
         ASSERT_TRUE(QDir().mkpath(h));
       }},
  };
  for (const Case& c : cases) {
    TempRom rom(sampleImage());
    ASSERT_EQ(importFile(rom.path(), pilotImportFirst(c.records, QStringLiteral("Ab(0)"), 100)).code, 0);
    const QString history = rom.path() + QStringLiteral(".history");
    QFile::remove(history + QStringLiteral("-wal"));
    QFile::remove(history + QStringLiteral("-shm"));
    ASSERT_NO_FATAL_FAILURE(c.damage(history));
    const QByteArray before = rom.bytes();
    const CliRun undo = cli({QStringLiteral("undo"), rom.path()});
    EXPECT_EQ(undo.code, 1) << c.what;
    EXPECT_TRUE(undo.err.contains(history)) << c.what << undo.err.toStdString();
    EXPECT_EQ(rom.bytes(), before) << c.what;
    EXPECT_EQ(cli({QStringLiteral("export"), rom.path(), QStringLiteral("Pilot")}).code, 0) << c.what;
  }
}

TEST(HistoryIdentity, WritersThroughAnyNameShareOneLockAndOneHistory) {
  TempRom rom(QByteArray(256, '\0'));
  const QString link = QFileInfo(rom.path()).absolutePath() + QStringLiteral("/link.nds");
  ASSERT_TRUE(QFile::link(rom.path(), link));
  auto save = [](const QString& path, int value) {
    RomImage image;
    image.setRomPath(path);
    image.setLockTimeout(300);
    if (Status s = image.openRomImage(Access::Write); !s) return s;
    image.seek(20);
    image.writeU8(value);
    return image.closeRomImage();
  };
  ASSERT_TRUE(save(rom.path(), 1));
  {
    auto holder = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE((*holder)->lock(0));
    const Status refused = save(link, 2);
    EXPECT_FALSE(refused.isOk());
    EXPECT_EQ(rom.bytes()[20], 1);
  }
  ASSERT_TRUE(save(link, 3));
  EXPECT_EQ(rom.bytes()[20], 3);
  EXPECT_FALSE(QFileInfo::exists(link + QStringLiteral(".history")));
}

// POSIX record locks belong to the process: any descriptor of the history
// closed in this process drops SQLite's locks on it. Another program that then
// writes and closes must not delete or reset the log this process still writes.
TEST(HistoryIdentity, ADescriptorClosedInThisProcessLosesNoTransactionOfAnother) {
  TempRom rom(sampleImage());
  RomImage image;
  image.setRomPath(rom.path());
  const std::int64_t last = rom.bytes().size() - 1;
  auto save = [&](int value) {
    ASSERT_TRUE(image.openRomImage(Access::Write));
    image.seek(last);
    image.writeU8(value);
    ASSERT_TRUE(image.closeRomImage());
  };
  auto other = [&](const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(RT_BIN_DIR "/romtables-cli"), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
  };
  save(0x11);
  {
    QFile stray(rom.path() + QStringLiteral(".history"));
    ASSERT_TRUE(stray.open(QIODevice::ReadOnly));
  }
  QTemporaryDir dir;
  const QString body = writeFile(dir, QStringLiteral("p.json"), pilotImport(0, QStringLiteral("Ab(0)"), 100));
  other({QStringLiteral("import"), rom.path(), body});
  other({QStringLiteral("undo"), rom.path()});
  save(0x22);
  const QJsonArray list = QJsonDocument::fromJson(other({QStringLiteral("history"), rom.path(), QStringLiteral("--format"),
                                                         QStringLiteral("json")}))
                              .object()[QStringLiteral("transactions")]
                              .toArray();
  QStringList states;
  for (const QJsonValue& t : list) states << t.toObject()[QStringLiteral("state")].toString();
  EXPECT_EQ(states, (QStringList{"done", "done", "undone", "done"}));
  EXPECT_EQ(byteAt(rom.bytes(), last), 0x22);
  EXPECT_EQ(pilotField(rom.path(), 0, QStringLiteral("Ab(0)")), pilotField(TempRom(sampleImage()).path(), 0, QStringLiteral("Ab(0)")));
}

}  // namespace
}  // namespace rt::test
