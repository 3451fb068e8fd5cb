// BPS and IPS patches from the command line. What the patches hold is checked
// by readers written here from the published descriptions of the two formats,
// not by the program's own: BPS ("BPS1", varint sizes, four actions, three
// CRC32s) and IPS ("PATCH", 24-bit offset and 16-bit size records, "EOF").
#include "tests/support/test_support.h"

#include "compare/patch.h"
#include "image/byte_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace rt::test {
namespace {

// CRC-32 (reflected polynomial 0xEDB88320), bit by bit.
std::uint32_t crc32(const QByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (char ch : bytes) {
    crc ^= static_cast<std::uint8_t>(ch);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

std::uint32_t le32(const QByteArray& b, qsizetype at) { return valueAt(b, at, 4); }

// BPS as described: numbers are 7 bits a byte with a continuation offset;
// actions SourceRead, TargetRead, SourceCopy, TargetCopy; CRCs at the end.
QByteArray applyBps(const QByteArray& patch, const QByteArray& source, QString* why) {
  qsizetype at = 4;
  auto number = [&]() -> std::uint64_t {
    std::uint64_t data = 0, shift = 1;
    for (;;) {
      const std::uint8_t x = static_cast<std::uint8_t>(patch.at(at++));
      data += (x & 0x7F) * shift;
      if (x & 0x80) return data;
      shift <<= 7;
      data += shift;
    }
  };
  if (!patch.startsWith("BPS1") || patch.size() < 19) return *why = QStringLiteral("header"), QByteArray();
  const qsizetype end = patch.size() - 12;
  if (crc32(patch.left(patch.size() - 4)) != le32(patch, patch.size() - 4)) return *why = QStringLiteral("patch crc"), QByteArray();
  const auto sourceSize = static_cast<qsizetype>(number());
  const auto targetSize = static_cast<qsizetype>(number());
  at += static_cast<qsizetype>(number());  // metadata
  if (sourceSize != source.size() || crc32(source) != le32(patch, end)) return *why = QStringLiteral("source"), QByteArray();
  QByteArray target;
  qsizetype sourceRelative = 0, targetRelative = 0;
  while (at < end) {
    const std::uint64_t data = number();
    const qsizetype length = static_cast<qsizetype>(data >> 2) + 1;
    switch (data & 3) {
      case 0: target += source.mid(target.size(), length); break;
      case 1: target += patch.mid(at, length); at += length; break;
      default: {
        const std::uint64_t o = number();
        const qsizetype offset = (o & 1 ? -1 : 1) * static_cast<qsizetype>(o >> 1);
        if ((data & 3) == 2) {
          sourceRelative += offset;
          target += source.mid(sourceRelative, length);
          sourceRelative += length;
        } else {
          targetRelative += offset;
          for (qsizetype i = 0; i < length; ++i) target += target.at(targetRelative++);
        }
      }
    }
  }
  if (target.size() != targetSize || crc32(target) != le32(patch, end + 4)) return *why = QStringLiteral("target"), QByteArray();
  return target;
}

// IPS as described: records until "EOF"; a size of 0 is a run of one byte.
QByteArray applyIps(const QByteArray& patch, QByteArray image) {
  qsizetype at = 5;
  while (patch.mid(at, 3) != "EOF") {
    const qsizetype offset = static_cast<qsizetype>(byteAt(patch, at) << 16 | byteAt(patch, at + 1) << 8 | byteAt(patch, at + 2));
    qsizetype size = byteAt(patch, at + 3) << 8 | byteAt(patch, at + 4);
    at += 5;
    QByteArray bytes;
    if (size == 0) {
      size = byteAt(patch, at) << 8 | byteAt(patch, at + 1);
      bytes = QByteArray(size, patch.at(at + 2));
      at += 3;
    } else {
      bytes = patch.mid(at, size);
      at += size;
    }
    if (image.size() < offset + size) image.resize(offset + size, '\0');
    image.replace(offset, size, bytes);
  }
  return image;
}

struct Pair {
  const char* name;
  QByteArray clean, modified;
  bool ips;  // an IPS patch can hold it
};

std::vector<Pair> pairs() {
  const QByteArray base = sampleImage();
  std::mt19937 random(14);
  QByteArray edited = base;
  for (int i = 0; i < 40; ++i) edited[static_cast<qsizetype>(random() % base.size())] = static_cast<char>(random());
  QByteArray eof = base;  // changes that a record would start at the offset spelling "EOF"
  eof[0x454F46] = static_cast<char>(~eof[0x454F46]);
  eof[0x454F40] = static_cast<char>(~eof[0x454F40]);
  QByteArray longRun = base;  // more changed bytes in a row than an IPS record holds
  for (qsizetype i = 0x100000; i < 0x100000 + 70000; ++i) longRun[i] = static_cast<char>(longRun[i] ^ 0x5A);
  return {
      {"few edits", base, edited, true},
      {"next to EOF", base, eof, true},
      {"long run", base, longRun, true},
      {"the same", base, base, true},
      {"grown by zeros", base, edited + QByteArray(300000, '\0') + "end", false},
      {"cut short", edited, base.left(base.size() - 5000), false},
  };
}

struct Files {
  QTemporaryDir dir;
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  QByteArray read(const char* name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST(Patch, BpsAndIpsPatchesTurnTheCleanImageIntoTheModifiedOne) {
  for (const Pair& p : pairs()) {
    SCOPED_TRACE(p.name);
    Files f;
    const QString clean = writeFile(f.dir, QStringLiteral("clean.nds"), p.clean);
    const QString modified = writeFile(f.dir, QStringLiteral("modified.nds"), p.modified);
    for (const char* name : {"out.bps", "out.ips"}) {
      const bool bps = QByteArray(name).endsWith("bps");
      const CliRun made = cli({QStringLiteral("patch"), clean, modified, QStringLiteral("--output"), f.path(name)});
      if (!bps && !p.ips) {
        EXPECT_EQ(made.code, 1);
        EXPECT_TRUE(made.err.contains(QStringLiteral("BPS"))) << made.err.toStdString();
        EXPECT_FALSE(QFile::exists(f.path(name)));
        continue;
      }
      ASSERT_EQ(made.code, 0) << made.err.toStdString();
      const QByteArray patch = f.read(name);
      QString why;
      EXPECT_EQ(bps ? applyBps(patch, p.clean, &why) : applyIps(patch, p.clean), p.modified) << name << " " << why.toStdString();
      if (!bps) {  // no record may start where its offset reads as "EOF"
        for (qsizetype at = 5; patch.mid(at, 3) != "EOF"; at += 5 + (byteAt(patch, at + 3) << 8 | byteAt(patch, at + 4)))
          EXPECT_NE(patch.mid(at, 3), QByteArray("EOF"));
      }
      // The program's own apply gives the same image.
      const QString out = f.path("applied.nds");
      const CliRun applied = cli({QStringLiteral("apply"), f.path(name), clean, QStringLiteral("--output"), out});
      ASSERT_EQ(applied.code, 0) << applied.err.toStdString();
      EXPECT_EQ(f.read("applied.nds"), p.modified);
      QFile::remove(out);
    }
  }
}

// A patch another tool could make: every action, copies from anywhere in the
// source (backwards too) and from target bytes written more than a block
// before. Built here from the format's description.
TEST(Patch, ApplyTakesEveryBpsAction) {
  auto number = [](std::uint64_t v) {
    QByteArray out;
    for (;;) {
      const char x = static_cast<char>(v & 0x7F);
      v >>= 7;
      if (v == 0) return out + static_cast<char>(x | 0x80);
      out += x;
      --v;
    }
  };
  auto action = [&](int kind, qsizetype length) { return number((static_cast<std::uint64_t>(length - 1) << 2) | kind); };
  auto offset = [&](qint64 delta) { return number((static_cast<std::uint64_t>(delta < 0 ? -delta : delta) << 1) | (delta < 0)); };
  const QByteArray source = randomBytes(3 << 20, 5), literal = randomBytes(1200000, 6);
  QByteArray target = source.left(1000);                                  // SourceRead
  QByteArray body = action(0, 1000);
  target += source.mid(2 << 20, 500000);                                  // SourceCopy, forwards
  body += action(2, 500000) + offset(2 << 20);
  target += literal;                                                      // TargetRead
  body += action(1, literal.size()) + literal;
  target += target.left(1500000);                                         // TargetCopy from the start
  body += action(3, 1500000) + offset(0);
  target += source.mid(7, 3000);                                          // SourceCopy, backwards
  body += action(2, 3000) + offset(7 - ((2 << 20) + 500000));
  QByteArray patch = "BPS1" + number(static_cast<std::uint64_t>(source.size())) + number(static_cast<std::uint64_t>(target.size())) +
                     number(0) + body + le(crc32(source), 4) + le(crc32(target), 4);
  patch += le(crc32(patch), 4);
  Files f;
  const QString in = writeFile(f.dir, QStringLiteral("source.nds"), source);
  const QString bps = writeFile(f.dir, QStringLiteral("hand.bps"), patch);
  const CliRun run = cli({QStringLiteral("apply"), bps, in, QStringLiteral("--output"), f.path("out.nds")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_TRUE(f.read("out.nds") == target);
}

// The source is read in place; one another program cuts short meanwhile is
// refused as such, and nothing is written.
TEST(Patch, ASourceCutShortWhileItIsAppliedIsRefused) {
  Files f;
  const QByteArray source = randomBytes(1 << 20, 8);
  QByteArray target = source;
  target[5000] = static_cast<char>(target[5000] ^ 1);
  target[900000] = static_cast<char>(target[900000] ^ 1);
  const QString in = writeFile(f.dir, QStringLiteral("source.nds"), source);
  const QString changed = writeFile(f.dir, QStringLiteral("target.nds"), target);
  ASSERT_EQ(cli({QStringLiteral("patch"), in, changed, QStringLiteral("--output"), f.path("p.bps")}).code, 0);
  auto patch = FileSource::open(f.path("p.bps"));
  auto opened = FileSource::open(in);
  ASSERT_TRUE(patch && opened);
  ASSERT_TRUE(QFile::resize(in, 4096));
  const auto applied = applyPatch(**patch, **opened, f.path("out.nds"));
  ASSERT_FALSE(applied);
  EXPECT_TRUE(applied.message().contains(QStringLiteral("cut short"))) << applied.message().toStdString();
  EXPECT_FALSE(QFileInfo::exists(f.path("out.nds")));
}

TEST(Patch, IpsRefusesChangesPast16MiB) {
  Files f;
  QByteArray big(0x1000010, '\0');
  const QString clean = writeFile(f.dir, QStringLiteral("clean.nds"), big);
  big[0x1000004] = 1;
  const QString modified = writeFile(f.dir, QStringLiteral("modified.nds"), big);
  const CliRun run = cli({QStringLiteral("patch"), clean, modified, QStringLiteral("--output"), f.path("out.ips")});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("16 MiB"))) << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(f.path("out.ips")));
}

// Each of a BPS patch's three CRCs made wrong in turn (the patch's own CRC
// made right again where it is not the one), a cut-off patch and a changed
// byte: each is refused and no output file appears.
TEST(Patch, ACorruptPatchIsRefusedAndWritesNothing) {
  Files f;
  const Pair p = pairs().front();
  const QString clean = writeFile(f.dir, QStringLiteral("clean.nds"), p.clean);
  const QString modified = writeFile(f.dir, QStringLiteral("modified.nds"), p.modified);
  ASSERT_EQ(cli({QStringLiteral("patch"), clean, modified, QStringLiteral("--output"), f.path("good.bps")}).code, 0);
  ASSERT_EQ(cli({QStringLiteral("patch"), clean, modified, QStringLiteral("--output"), f.path("good.ips")}).code, 0);
  const QByteArray good = f.read("good.bps");
  auto withCrc = [](QByteArray patch, qsizetype fromEnd) {
    patch[patch.size() - fromEnd] = static_cast<char>(patch[patch.size() - fromEnd] ^ 0x5A);
    if (fromEnd > 4) patch.replace(patch.size() - 4, 4, le(crc32(patch.left(patch.size() - 4)), 4));
    return patch;
  };
  QByteArray data = good;
  data[10] = static_cast<char>(data[10] ^ 1);
  const struct {
    const char* name;
    QByteArray patch;
    const char* says;
  } cases[] = {
      {"source CRC", withCrc(good, 12), "made for an image whose CRC32"},
      {"target CRC", withCrc(good, 8), "patched image's CRC32"},
      {"patch CRC", withCrc(good, 4), "own CRC32"},
      {"a changed byte", data, "own CRC32"},
      {"cut off", good.left(good.size() - 7), "CRC32"},
      {"cut off IPS", f.read("good.ips").left(f.read("good.ips").size() - 6), "IPS patch is refused"},
      {"not a patch", QByteArray("hello"), "neither a BPS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString patch = writeFile(f.dir, QStringLiteral("bad.patch"), c.patch);
    const QString out = f.path("out.nds");
    const CliRun run = cli({QStringLiteral("apply"), patch, clean, QStringLiteral("--output"), out});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.says))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files).size(), 5) << "a temporary file was left";
  }
  // Applied to another image than the one it was made for: refused as well.
  const CliRun other = cli({QStringLiteral("apply"), f.path("good.bps"), modified, QStringLiteral("--output"), f.path("x.nds")});
  EXPECT_EQ(other.code, 1);
  EXPECT_FALSE(QFile::exists(f.path("x.nds")));
}

TEST(Patch, ApplyNeverWritesOverItsInputs) {
  Files f;
  const Pair p = pairs().front();
  const QString clean = writeFile(f.dir, QStringLiteral("clean.nds"), p.clean);
  const QString modified = writeFile(f.dir, QStringLiteral("modified.nds"), p.modified);
  ASSERT_EQ(cli({QStringLiteral("patch"), clean, modified, QStringLiteral("--output"), f.path("p.bps")}).code, 0);
  ASSERT_TRUE(QFile::link(clean, f.path("link.nds")));
  for (const QString& out : {clean, f.path("link.nds"), f.path("p.bps")}) {
    const CliRun run = cli({QStringLiteral("apply"), f.path("p.bps"), clean, QStringLiteral("--output"), out});
    EXPECT_EQ(run.code, 2) << out.toStdString();
  }
  EXPECT_EQ(f.read("clean.nds"), p.clean);
  EXPECT_EQ(cli({QStringLiteral("patch"), clean, f.path("link.nds"), QStringLiteral("--output"), f.path("link.nds")}).code, 2);
}

// Edits saved through the command line, then a patch from the history alone:
// it turns the image as it was into the image as it is.
TEST(Patch, FromHistoryNeedsNoCleanCopy) {
  TempRom rom(sampleImage());
  const QByteArray original = rom.bytes();
  const CliRun none = cli({QStringLiteral("patch"), rom.path(), QStringLiteral("--from-history"), QStringLiteral("--output"),
                           rom.path() + QStringLiteral(".bps")});
  EXPECT_EQ(none.code, 1);
  EXPECT_TRUE(none.err.contains(QStringLiteral("no history")));
  const QByteArray edits[] = {
      R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"7"}}]})",
      R"j({"table":"Pilot","records":[{"index":12,"fields":{"Ab(0)":"1"}},{"index":13,"fields":{"Ab(1)":"2"}}]})j",
      R"({"table":"SPEdit","records":[{"index":3,"fields":{"SP_VAL":"9"}}]})",
  };
  for (const QByteArray& e : edits) ASSERT_EQ(importFile(rom.path(), e).code, 0);
  ASSERT_EQ(cli({QStringLiteral("undo"), rom.path()}).code, 0);  // an undone change is part of the history too
  const QByteArray now = rom.bytes();
  ASSERT_NE(now, original);
  for (const char* ext : {".bps", ".ips"}) {
    const QString out = rom.path() + QString::fromLatin1(ext);
    const CliRun run = cli({QStringLiteral("patch"), rom.path(), QStringLiteral("--from-history"), QStringLiteral("--output"), out});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString why;
    EXPECT_EQ(QByteArray(ext) == ".bps" ? applyBps(file.readAll(), original, &why) : applyIps(file.readAll(), original), now)
        << ext << why.toStdString();
  }
  EXPECT_EQ(rom.bytes(), now);  // made without writing the image
}

}  // namespace
}  // namespace rt::test
