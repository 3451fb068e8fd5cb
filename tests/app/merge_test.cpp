// `romtables-cli merge`, `changes` and `apply` of a change set: two hacks of
// the sample image, each made by poking bytes of pilot records (fields, flag
// bits) or a byte outside every table, merged and checked byte for byte
// against the clean image with both hacks' differences laid over it; and the
// change set of one hack applied onto the other gives the same image.
#include "editors/layout.h"
#include "tests/support/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <map>

namespace rt::test {
namespace {

std::int64_t pilot(int index, int at) { return layout::kPilotBase + layout::kPilotStride * index + at; }
constexpr int kAb0 = 0x39, kAb1 = 0x3A, kAb2 = 0x3B, kPsp = 0x1B, kPSpA = 0x1F;

// A poke: the byte at `offset` XOR `flip`.
struct Poke {
  std::int64_t offset;
  std::uint8_t flip;
};

struct MergeCase {
  const char* name;
  std::vector<Poke> a, b;
  int code;  // of merge without --prefer
};

// An offset of the sample image that no table holds: 3 bytes before its end.
std::int64_t outside() { return sampleImage().size() - 3; }

const std::vector<MergeCase>& cases() {
  static const std::vector<MergeCase> all = {
      {"disjoint records", {{pilot(3, kAb0), 0x21}}, {{pilot(7, kAb1), 0x12}}, 0},
      {"one record, different fields", {{pilot(5, kAb0), 0x05}}, {{pilot(5, kPsp), 0x30}}, 0},
      {"one flag byte, different bits", {{pilot(9, kPSpA), 0x01}}, {{pilot(9, kPSpA), 0x08}}, 0},
      {"the same change in both", {{pilot(11, kAb2), 0x44}}, {{pilot(11, kAb2), 0x44}}, 0},
      {"a byte outside every table", {{outside(), 0x5A}}, {{pilot(2, kAb0), 0x01}}, 0},
      {"a real conflict", {{pilot(13, kAb0), 0x03}}, {{pilot(13, kAb0), 0x0C}}, 1},
  };
  return all;
}

QByteArray poked(QByteArray bytes, const std::vector<Poke>& pokes) {
  for (const Poke& p : pokes) {
    const auto at = static_cast<qsizetype>(p.offset);
    bytes[at] = static_cast<char>(bytes[at] ^ p.flip);
  }
  return bytes;
}

// Clean with each side's flips: one flip for a byte both sides flip alike, both where they differ in bits.
QByteArray expectedMerge(const QByteArray& clean, const MergeCase& c) {
  std::map<std::int64_t, std::uint8_t> a, b;
  for (const Poke& p : c.a) a[p.offset] ^= p.flip;
  for (const Poke& p : c.b) b[p.offset] ^= p.flip;
  for (const auto& [offset, flip] : b) {
    auto it = a.find(offset);
    if (it == a.end()) a[offset] = flip;
    else if (it->second != flip) it->second ^= flip;
  }
  QByteArray out = clean;
  for (const auto& [offset, flip] : a) {
    const auto at = static_cast<qsizetype>(offset);
    out[at] = static_cast<char>(out[at] ^ flip);
  }
  return out;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Merge : public testing::TestWithParam<MergeCase> {};

TEST_P(Merge, GivesBothHacksByteForByteAndEqualsApplyingOneOntoTheOther) {
  const MergeCase& c = GetParam();
  const QByteArray clean = sampleImage();
  TempRom cleanRom(clean), a(poked(clean, c.a)), b(poked(clean, c.b));
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("merged.nds"));
  const CliRun merged = cli({QStringLiteral("merge"), cleanRom.path(), a.path(), b.path(), QStringLiteral("--output"), out});
  ASSERT_EQ(merged.code, c.code) << merged.out.toStdString() << merged.err.toStdString();

  const QString set = dir.filePath(QStringLiteral("b.json"));
  ASSERT_EQ(cli({QStringLiteral("changes"), cleanRom.path(), b.path(), QStringLiteral("--output"), set}).code, 0);
  const QString applied = dir.filePath(QStringLiteral("applied.nds"));
  const CliRun apply = cli({QStringLiteral("apply"), set, a.path(), QStringLiteral("--output"), applied});
  if (c.code == 0) {
    const QByteArray expected = expectedMerge(clean, c);
    EXPECT_EQ(differences(fileBytes(out), expected), std::vector<std::int64_t>{});
    EXPECT_EQ(apply.code, 0) << apply.err.toStdString();
    EXPECT_EQ(fileBytes(applied), expected);
    return;
  }
  // A conflict writes nothing either way; B preferred, or forced over A, gives B's value.
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_EQ(apply.code, 1);
  EXPECT_FALSE(QFile::exists(applied));
  EXPECT_TRUE(apply.err.contains(QStringLiteral("Pilot 13"))) << apply.err.toStdString();
  ASSERT_EQ(cli({QStringLiteral("merge"), cleanRom.path(), a.path(), b.path(), QStringLiteral("--output"), out,
                 QStringLiteral("--prefer"), QStringLiteral("b")})
                .code,
            0);
  ASSERT_EQ(cli({QStringLiteral("apply"), set, a.path(), QStringLiteral("--output"), applied, QStringLiteral("--force")}).code, 0);
  EXPECT_EQ(fileBytes(out), b.bytes());
  EXPECT_EQ(fileBytes(applied), b.bytes());
}

INSTANTIATE_TEST_SUITE_P(Cases, Merge, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<MergeCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

TEST(Merge, ReportsAConflictInJsonAndRefusesImagesOfOtherSizes) {
  const QByteArray clean = sampleImage();
  const int old = byteAt(clean, pilot(13, kAb0));
  TempRom cleanRom(clean), a(poked(clean, {{pilot(13, kAb0), 0x03}})), b(poked(clean, {{pilot(13, kAb0), 0x0C}}));
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("merged.nds"));
  const CliRun run = cli({QStringLiteral("merge"), cleanRom.path(), a.path(), b.path(), QStringLiteral("--output"), out,
                          QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(run.code, 1);
  const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
  const QJsonArray conflicts = report.value(QStringLiteral("conflicts")).toArray();
  ASSERT_EQ(conflicts.size(), 1) << run.out.toStdString();
  const QJsonObject conflict = conflicts[0].toObject();
  EXPECT_EQ(conflict.value(QStringLiteral("table")).toString(), QStringLiteral("Pilot"));
  EXPECT_EQ(conflict.value(QStringLiteral("index")).toInt(), 13);
  EXPECT_EQ(conflict.value(QStringLiteral("field")).toString(), QStringLiteral("Ab(0)"));
  EXPECT_EQ(conflict.value(QStringLiteral("clean")).toString(), QString::number(old));
  EXPECT_EQ(conflict.value(QStringLiteral("a")).toString(), QString::number(old ^ 0x03));
  EXPECT_EQ(conflict.value(QStringLiteral("b")).toString(), QString::number(old ^ 0x0C));

  TempRom shorter(clean.left(clean.size() - 16));
  const CliRun sizes = cli({QStringLiteral("merge"), cleanRom.path(), a.path(), shorter.path(), QStringLiteral("--output"), out});
  EXPECT_EQ(sizes.code, 2);
  EXPECT_TRUE(sizes.err.contains(QString::number(clean.size() - 16))) << sizes.err.toStdString();
}

TEST(ChangeSet, AppliesInPlaceAsOneUndoableTransactionAndRefusesValuesByName) {
  const QByteArray clean = sampleImage();
  TempRom cleanRom(clean), hack(poked(clean, {{pilot(4, kAb0), 0x11}, {pilot(4, kPSpA), 0x02}, {outside(), 0x7F}}));
  QTemporaryDir dir;
  const QString set = dir.filePath(QStringLiteral("hack.json"));
  ASSERT_EQ(cli({QStringLiteral("changes"), cleanRom.path(), hack.path(), QStringLiteral("--output"), set}).code, 0);
  const QJsonObject json = QJsonDocument::fromJson(fileBytes(set)).object();
  EXPECT_EQ(json.value(QStringLiteral("changes")).toArray().size(), 2);  // Ab(0) and one flag box
  EXPECT_EQ(json.value(QStringLiteral("bytes")).toArray().size(), 1);

  TempRom target(clean);
  const CliRun applied = cli({QStringLiteral("apply"), set, target.path(), QStringLiteral("--in-place")});
  ASSERT_EQ(applied.code, 0) << applied.err.toStdString();
  EXPECT_EQ(target.bytes(), hack.bytes());
  // Applied again: every change holds its new value already.
  EXPECT_EQ(cli({QStringLiteral("apply"), set, target.path(), QStringLiteral("--in-place")}).code, 0);
  EXPECT_EQ(target.bytes(), hack.bytes());
  ASSERT_EQ(cli({QStringLiteral("undo"), target.path()}).code, 0);
  EXPECT_EQ(target.bytes(), clean);

  // A value the form refuses (a byte field of 0..255) is refused by its field, nothing written.
  QByteArray bad = fileBytes(set);
  bad.replace(QStringLiteral("\"new\": \"%1\"").arg(byteAt(hack.bytes(), pilot(4, kAb0))).toUtf8(), "\"new\": \"300\"");
  const QString badSet = writeFile(dir, QStringLiteral("bad.json"), bad);
  const CliRun refused = cli({QStringLiteral("apply"), badSet, target.path(), QStringLiteral("--in-place")});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(refused.err.contains(QStringLiteral("Ab(0)"))) << refused.err.toStdString();
  EXPECT_EQ(target.bytes(), clean);
}

}  // namespace
}  // namespace rt::test
