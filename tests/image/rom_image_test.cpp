#include "image/rom_image.h"
#include "image/image_view.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace rt::test {
namespace {

struct ReadCase {
  QByteArray bytes;
  int width;
  std::int64_t expected;
};

TEST(RomImage, AccessorsReadLittleEndianAndAdvance) {
  const ReadCase cases[] = {
      {QByteArray::fromHex("3412"), 2, 4660},     {QByteArray::fromHex("ffff"), 2, 65535},
      {QByteArray::fromHex("0080"), 2, 32768},    {QByteArray::fromHex("ffffffff"), 4, -1},
      {QByteArray::fromHex("78563412"), 4, 0x12345678}, {QByteArray::fromHex("00000080"), 4, INT32_MIN},
      {QByteArray::fromHex("ab"), 1, 0xAB},
  };
  for (const ReadCase& c : cases) {
    TempRom file(QByteArray(5, '\x11') + c.bytes + QByteArray(3, '\x22'));
    RomImage rom;
    rom.setRomPath(file.path());
    ASSERT_TRUE(rom.openRomImage());
    rom.seek(5);
    const std::int64_t got = c.width == 1 ? rom.readU8() : c.width == 2 ? rom.readU16() : rom.readU32();
    EXPECT_EQ(got, c.expected) << c.bytes.toHex().toStdString();
    EXPECT_EQ(rom.romCursor(), 5 + c.width);
    EXPECT_TRUE(rom.closeRomImage());
  }
}

TEST(RomImage, ReadsPastTheEndGiveZero) {
  TempRom file(QByteArray::fromHex("0102030405"));
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage());
  rom.seek(3);
  EXPECT_EQ(rom.readU32(), 0x0504);  // two bytes inside, two past the end
  rom.seek(100000);
  EXPECT_EQ(rom.readU8(), 0);
  EXPECT_EQ(rom.readU16(), 0);
  rom.seek(0);
  EXPECT_EQ(rom.readU8(), 1);
  EXPECT_EQ(rom.readU8(), 2);  // two reads in a row: consecutive bytes
  EXPECT_EQ(rom.romCursor(), 2);
  EXPECT_TRUE(rom.closeRomImage());
}

TEST(RomImage, ASetOfSpansIsReadOnceNearbySpansTogetherAndHeldUntilTheSessionEnds) {
  const QByteArray bytes = randomBytes(40000, 5);
  TempRom file(bytes);
  auto files = std::make_shared<ScriptedFileLayer>();
  RomImage rom(files);
  rom.setRomPath(file.path());
  auto reads = [&] { return std::count(files->trace.begin(), files->trace.end(), FileOp::Read); };
  ASSERT_TRUE(rom.openRomImage());
  // 100 and 3000 lie within 4 KiB of each other: one read; 20000 and the span
  // that runs past the end of the file: one read each; the duplicate: none.
  rom.prefetchSpans({{20000, 9}, {100, 10}, {3000, 4}, {100, 10}, {39990, 30}, {50000, 4}, {7, 0}});
  EXPECT_EQ(reads(), 3);
  const std::int64_t inside[] = {100, 109, 2000, 3003, 20008, 39999};
  for (std::int64_t at : inside) {
    rom.seek(at);
    EXPECT_EQ(rom.readU8(), byteAt(bytes, at)) << at;
    ASSERT_NE(rom.peek(at, 1), nullptr) << at;
    EXPECT_EQ(*rom.peek(at, 1), byteAt(bytes, at)) << at;
  }
  EXPECT_EQ(reads(), 3) << "held bytes are read without a system call";
  EXPECT_EQ(rom.peek(39999, 2), nullptr) << "past the end of the file";
  EXPECT_EQ(rom.peek(5000, 1), nullptr) << "not held";
  rom.seek(40005);
  EXPECT_EQ(rom.readU8(), 0);  // past the end still reads as 0
  rom.seek(30000);
  EXPECT_EQ(rom.readU8(), byteAt(bytes, 30000));  // elsewhere: read as before
  EXPECT_EQ(reads(), 4);
  EXPECT_TRUE(rom.closeRomImage());
  ASSERT_TRUE(rom.openRomImage());
  EXPECT_EQ(rom.peek(100, 1), nullptr) << "a new session holds nothing";
  EXPECT_TRUE(rom.closeRomImage());
}

TEST(RomImage, ReadSessionGivesTheValueOrWhyTheSessionFailed) {
  TempRom file(QByteArray::fromHex("0102"));
  RomImage rom;
  rom.setRomPath(file.path());
  auto value = readSession(rom, [](RomImage& open) { return open.readU16(); });
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, 0x0201);
  EXPECT_FALSE(rom.isOpen());
  auto bad = readSession(rom, [](RomImage& open) {
    open.seek(-1);  // a session that failed on the way
    return 0;
  });
  EXPECT_FALSE(bad);
  EXPECT_FALSE(rom.isOpen());
  rom.setRomPath(file.path() + QStringLiteral(".missing"));
  EXPECT_FALSE(readSession(rom, [](RomImage&) { return 1; }));
  EXPECT_FALSE(imageSize(rom));
  rom.setRomPath(file.path());
  EXPECT_EQ(*imageSize(rom), 2);
}

TEST(RomImage, WritesLandOnlyAtCloseAndAllOrNothing) {
  TempRom file(16, 1);
  const QByteArray before = file.bytes();
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage(Access::Write));
  rom.seek(2);
  rom.writeU16(65535);
  rom.writeU32(-1);
  rom.writeU8(0);
  rom.seek(12);
  rom.writeU16(4660);
  EXPECT_EQ(file.bytes(), before);  // staged, not yet written
  ASSERT_TRUE(rom.closeRomImage());
  QByteArray expected = before;
  expected.replace(2, 7, QByteArray::fromHex("ffffffffffff00"));
  expected.replace(12, 2, QByteArray::fromHex("3412"));
  EXPECT_EQ(file.bytes(), expected);
}

// The history keeps only the bytes that change (a run per group of changed
// bytes up to 8 apart); the image is read and written once per cluster of
// staged bytes up to 4 KiB apart, and a cluster that changes nothing is not written.
TEST(RomImage, ASaveJournalsOnlyChangedBytesAndWritesEachClusterOnce) {
  struct Expected {
    std::int64_t offset;
    QByteArray before, after;
  };
  struct Case {
    const char* what;
    std::vector<std::pair<std::int64_t, int>> writes;  // offset, byte
    std::vector<Expected> runs;
    int reads, writeCalls;
  };
  // The file holds 1 everywhere. Past the first 512 bytes: a save that writes
  // there also reads the header again, which the history knows the file by.
  const Case cases[] = {
      {"a record rewritten, one byte changed", {{600, 1}, {601, 9}, {602, 1}, {603, 1}}, {{601, "\x01", "\x09"}}, 1, 1},
      {"changes 8 apart are one run", {{600, 2}, {604, 1}, {608, 3}}, {{600, QByteArray(9, 1), QByteArray::fromHex("020101010101010103")}}, 1, 1},
      {"changes 9 apart are two", {{600, 2}, {609, 3}}, {{600, "\x01", "\x02"}, {609, "\x01", "\x03"}}, 1, 1},
      {"far apart: read and written apart", {{600, 2}, {9000, 3}}, {{600, "\x01", "\x02"}, {9000, "\x01", "\x03"}}, 2, 2},
      {"an unchanged cluster is read, not written", {{600, 1}, {9000, 3}}, {{9000, "\x01", "\x03"}}, 2, 1},
      {"a write into the header reads it again", {{100, 2}}, {{100, "\x01", "\x02"}}, 2, 1},
  };
  for (const Case& c : cases) {
    TempRom file(QByteArray(12000, 1));
    auto files = std::make_shared<ScriptedFileLayer>();
    RomImage rom(files);
    rom.setRomPath(file.path());
    ASSERT_TRUE(rom.openRomImage(Access::Write)) << c.what;
    for (const auto& [offset, value] : c.writes) {
      rom.seek(offset);
      rom.writeU8(value);
    }
    files->trace.clear();
    ASSERT_TRUE(rom.closeRomImage()) << c.what;
    EXPECT_EQ(std::count(files->trace.begin(), files->trace.end(), FileOp::Read), c.reads) << c.what;
    EXPECT_EQ(std::count(files->trace.begin(), files->trace.end(), FileOp::Write), c.writeCalls) << c.what;
    auto last = rom.journal()->list(1, true);
    ASSERT_TRUE(last && last->size() == 1) << c.what;
    const std::vector<rt::Run>& runs = last->front().runs;
    ASSERT_EQ(runs.size(), c.runs.size()) << c.what;
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].offset, c.runs[i].offset) << c.what;
      EXPECT_EQ(runs[i].before.toHex(), c.runs[i].before.toHex()) << c.what;
      EXPECT_EQ(runs[i].after.toHex(), c.runs[i].after.toHex()) << c.what;
    }
    QByteArray expected = QByteArray(12000, 1);
    for (const auto& [offset, value] : c.writes) expected[static_cast<qsizetype>(offset)] = static_cast<char>(value);
    EXPECT_EQ(file.bytes(), expected) << c.what;
  }
}

// Bytes a transaction read under its lock are its save's old bytes: the
// write reads nothing again. A file put in its place meanwhile is not written.
TEST(RomImage, ATransactionsHeldBytesAreItsSavesOldBytesWhileItsFileIsTheSame) {
  for (const bool replaced : {false, true}) {
    TempRom file(QByteArray(12000, 1));
    auto files = std::make_shared<ScriptedFileLayer>();
    RomImage rom(files);
    rom.setRomPath(file.path());
    WriteTransaction tx(rom, recordTx(QStringLiteral("t"), QString(), {}));
    ASSERT_TRUE(tx.status());
    ASSERT_TRUE(rom.holdSpans({{600, 100}}));
    if (replaced) {
      const QString other = file.path() + QStringLiteral(".new");
      QFile f(other);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QByteArray(12000, 2)) == 12000);
      f.close();
      ASSERT_EQ(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(file.path()).constData()), 0);
    }
    files->trace.clear();
    ASSERT_TRUE(rom.openRomImage(Access::Write));
    rom.seek(650);
    rom.writeU8(9);
    const Status saved = rom.closeRomImage();
    if (replaced) {
      EXPECT_FALSE(saved);
      EXPECT_EQ(file.bytes(), QByteArray(12000, 2));
      continue;
    }
    ASSERT_TRUE(saved) << saved.message().toStdString();
    EXPECT_EQ(std::count(files->trace.begin(), files->trace.end(), FileOp::Read), 0);
    auto last = rom.journal()->list(1, true);
    ASSERT_TRUE(last && last->size() == 1 && last->front().runs.size() == 1);
    EXPECT_EQ(last->front().runs[0].before, QByteArray(1, 1));
    EXPECT_EQ(file.bytes()[650], 9);
  }
}

// A save keeps what a strict check needs only while one is asked for:
// turning it on later still finds a byte another program changed since.
TEST(RomImage, AStrictCheckTurnedOnLaterFindsAByteChangedSinceTheLastSave) {
  TempRom file(QByteArray(12000, 1));
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage(Access::Write));
  rom.seek(600);
  rom.writeU8(9);
  ASSERT_TRUE(rom.closeRomImage());
  file.poke(600, QByteArray(1, 7));
  for (const bool strict : {false, true}) {
    rom.setStrictIdentity(strict);
    const Status opened = rom.openRomImage(Access::Write);
    EXPECT_EQ(opened.isOk(), !strict) << strict << ' ' << opened.message().toStdString();
    if (opened) rom.abortRomImage();
  }
}

// Older transactions folded over newer ones: each fold's old bytes win where
// spans overlap, whatever the overlap's shape; rolled-back ones change nothing.
TEST(Rewind, OlderOldBytesWinWhereSpansOverlap) {
  auto tx = [](TxState state, std::vector<rt::Run> runs) {
    Transaction t;
    t.state = state;
    t.runs = std::move(runs);
    return t;
  };
  struct Case {
    const char* what;
    std::vector<Transaction> newestFirst;
    QByteArray expected;  // over 12 bytes of '.'
  };
  const Case cases[] = {
      {"apart", {tx(TxState::Done, {{1, "ab", ""}}), tx(TxState::Done, {{6, "cd", ""}})}, ".ab...cd...."},
      {"inside a newer span", {tx(TxState::Done, {{1, "abcdef", ""}}), tx(TxState::Undone, {{3, "XY", ""}})}, ".abXYef....."},
      {"over a newer span's head and tail",
       {tx(TxState::Done, {{2, "ab", ""}, {6, "cd", ""}}), tx(TxState::Done, {{3, "XYZW", ""}})}, "..aXYZWd...."},
      {"over several", {tx(TxState::Done, {{1, "a", ""}, {3, "b", ""}, {5, "c", ""}}), tx(TxState::Done, {{0, "XYZWVU", ""}})},
       "XYZWVU......"},
      {"rolled back", {tx(TxState::Done, {{1, "ab", ""}}), tx(TxState::RolledBack, {{1, "XY", ""}})}, ".ab........."},
  };
  for (const Case& c : cases) {
    Rewind rewind;
    for (const Transaction& t : c.newestFirst) rewind.fold(t);
    QByteArray bytes(12, '.');
    rewind.apply(0, reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(bytes, c.expected) << c.what;
    QByteArray part(4, '.');  // a read of the middle sees the same
    rewind.apply(4, reinterpret_cast<std::uint8_t*>(part.data()), part.size());
    EXPECT_EQ(part, bytes.mid(4, 4)) << c.what;
  }
}

TEST(RomImage, RejectedValuesAndPastTheEndWritesWriteNothing) {
  struct Case {
    const char* what;
    std::function<void(RomImage&)> write;
  };
  const Case cases[] = {
      {"writeU16 65536", [](RomImage& r) { r.seek(0); r.writeU8(1); r.writeU16(65536); }},
      {"writeU16 -1", [](RomImage& r) { r.seek(0); r.writeU8(1); r.writeU16(-1); }},
      {"writeU8 256", [](RomImage& r) { r.seek(0); r.writeU8(256); }},
      {"past the end", [](RomImage& r) { r.seek(0); r.writeU8(1); r.seek(15); r.writeU16(7); }},
      {"cursor overflow", [](RomImage& r) { r.seek(0); r.writeU8(1); r.seek(INT32_MAX); r.skip(INT32_MAX); r.writeU8(1); }},
  };
  for (const Case& c : cases) {
    TempRom file(16, 2);
    const QByteArray before = file.bytes();
    RomImage rom;
    rom.setRomPath(file.path());
    ASSERT_TRUE(rom.openRomImage(Access::Write));
    c.write(rom);
    EXPECT_FALSE(rom.closeRomImage()) << c.what;
    EXPECT_EQ(file.bytes(), before) << c.what;  // nothing written, size unchanged
  }
}

TEST(RomImage, MaskedWritesKeepTheOtherBits) {
  TempRom file(QByteArray::fromHex("f0"));
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage(Access::Write));
  rom.writeU8Masked(0x05, 0x07);
  ASSERT_TRUE(rom.closeRomImage());
  EXPECT_EQ(file.bytes(), QByteArray::fromHex("f5"));
}

TEST(RomImage, OpeningFailsForMissingPathsFoldersAndAnEmptyPath) {
  QTemporaryDir dir;
  const QString missing = dir.filePath(QStringLiteral("none.nds"));
  for (const QString& path : {missing, dir.path(), QString()}) {
    for (Access access : {Access::Read, Access::Write}) {
      RomImage rom;
      rom.setRomPath(path);
      EXPECT_FALSE(rom.openRomImage(access)) << path.toStdString();
      EXPECT_FALSE(rom.isOpen());
    }
  }
  EXPECT_FALSE(QFile::exists(missing));  // never created
}

TEST(RomImage, WriteFailuresAreReportedAndLeaveTheFileAsItWas) {
  for (int fault = 0; fault < 2; ++fault) {
    TempRom file(64, 9);
    const QByteArray before = file.bytes();
    auto layer = std::make_shared<FaultyFileLayer>();
    layer->refuseWriteOpen = fault == 0;
    layer->failWrites = fault == 1;
    RomImage rom(layer);
    rom.setRomPath(file.path());
    Status opened = rom.openRomImage(Access::Write);
    if (fault == 0) {
      EXPECT_FALSE(opened);
      EXPECT_TRUE(opened.message().contains(QStringLiteral("cannot be written")));
      continue;
    }
    ASSERT_TRUE(opened);
    rom.seek(10);
    rom.writeU32(0x01020304);
    EXPECT_FALSE(rom.closeRomImage()) << fault;
    EXPECT_EQ(file.bytes(), before) << fault;
  }
}

TEST(RomImage, FailedFlushIsAFailure) {
  TempRom file(64, 9);
  auto layer = std::make_shared<FaultyFileLayer>();
  layer->failFlush = true;
  RomImage rom(layer);
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage(Access::Write));
  rom.writeU8(1);
  EXPECT_FALSE(rom.closeRomImage());
}

TEST(RomImage, EachSessionSeesChangesMadeByOthers) {
  TempRom file(QByteArray::fromHex("01020304"));
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage());
  EXPECT_EQ(rom.readU8(), 1);
  ASSERT_TRUE(rom.closeRomImage());
  file.poke(0, QByteArray::fromHex("09"));
  ASSERT_TRUE(rom.openRomImage());
  rom.seek(0);
  EXPECT_EQ(rom.readU8(), 9);
  ASSERT_TRUE(rom.closeRomImage());
}


// Two masked writes to one byte in one session: each keeps the other's bits.
TEST(RomImage, TwoMaskedWritesToOneByteInOneSessionBothLand) {
  TempRom file(QByteArray(1024, static_cast<char>(0xA5)));
  RomImage rom;
  rom.setRomPath(file.path());
  ASSERT_TRUE(rom.openRomImage(Access::Write));
  rom.seek(700);
  rom.writeU8Masked(0x02, 0x03);
  rom.seek(700);
  rom.writeU8Masked(0x40, 0xC0);
  ASSERT_TRUE(rom.closeRomImage());
  EXPECT_EQ(byteAt(file.bytes(), 700), 0x66);
}

}  // namespace
}  // namespace rt::test
