// PSkills on the command line: an imported record stores its indices, then its
// level bytes in the records those indices select.
#include "tests/support/test_support.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kPilotBase = 0x8C9A4;
constexpr std::int64_t kLevelBase = 0x77498;
constexpr std::int64_t kImageSize = 0x98B04 + 64;  // records of indices up to ~15000 lie inside

std::int64_t slotAt(int pilot, int slot) { return kPilotBase + 104 * pilot + 76 + 2 * slot; }
std::int64_t levelAt(int index) { return kLevelBase + 9 * std::int64_t{index}; }
int u16At(const QByteArray& b, std::int64_t at) { return byteAt(b, at) | (byteAt(b, at + 1) << 8); }

// A random image whose slots all select records of the level table (indices below 560).
std::unique_ptr<TempRom> image(std::uint64_t seed) {
  auto rom = std::make_unique<TempRom>(kImageSize, seed);
  QByteArray b = rom->bytes();
  for (int p = 0; p < 476; ++p)
    for (int s = 0; s < 14; ++s) {
      const int index = u16At(b, slotAt(p, s)) % 560;
      b.replace(slotAt(p, s), 2, le(static_cast<std::uint32_t>(index), 2));
    }
  rom->write(b);
  return rom;
}

QByteArray importBody(const QString& records) {
  return QStringLiteral(R"j({"table": "PSkills", "records": %1})j").arg(records).toUtf8();
}

TEST(PilotSkillCli, ExportShowsEverySlotAndTheRecordItSelects) {
  auto rom = image(91);
  const QJsonArray records = exportRecords(rom->path(), QStringLiteral("PSkills"));
  ASSERT_EQ(records.size(), 476);
  const QByteArray b = rom->bytes();
  for (int p = 0; p < 476; ++p) {
    const QJsonObject r = records[p].toObject();
    ASSERT_EQ(r.value(QStringLiteral("index")).toInt(), p);
    const QJsonObject f = r.value(QStringLiteral("fields")).toObject();
    ASSERT_EQ(f.size(), 14 + 126);
    for (int s = 0; s < 14; ++s) {
      const int index = u16At(b, slotAt(p, s));
      ASSERT_EQ(f.value(QStringLiteral("ptr(%1)").arg(s)).toString(), QString::number(index)) << p << " " << s;
      for (int j = 0; j < 9; ++j)
        ASSERT_EQ(f.value(QStringLiteral("Skills(%1)").arg(9 * s + j)).toString(),
                  QString::number(byteAt(b, levelAt(index) + j)))
            << p << " " << s << " " << j;
    }
  }
}

// A slot whose level record lies past the end of the file shows it as zeros,
// as a read of bytes past the end gives them; the other slots are unchanged.
TEST(PilotSkillCli, ASlotPastTheEndOfTheFileShowsZeros) {
  auto rom = image(91);
  QByteArray b = rom->bytes();
  b.replace(slotAt(0, 3), 2, le(0xFFFF, 2));
  rom->write(b);
  const QJsonObject f = exportRecords(rom->path(), QStringLiteral("PSkills"))[0].toObject().value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(f.value(QStringLiteral("ptr(3)")).toString(), QStringLiteral("65535"));
  for (int j = 0; j < 9; ++j) {
    EXPECT_EQ(f.value(QStringLiteral("Skills(%1)").arg(27 + j)).toString(), QStringLiteral("0")) << j;
    EXPECT_EQ(f.value(QStringLiteral("Skills(%1)").arg(j)).toString(), QString::number(byteAt(b, levelAt(u16At(b, slotAt(0, 0))) + j)));
  }
}

// The image must hold the last pilot's slot words, and no more is asked of it.
TEST(PilotSkillCli, AnImageEndingAfterTheLastSlotWordsExports) {
  for (std::int64_t size : {kPilotBase + 104 * 476, kPilotBase + 104 * 476 - 1}) {
    TempRom rom(size, 5);
    const CliRun run = cli({QStringLiteral("export"), rom.path(), QStringLiteral("PSkills")});
    EXPECT_EQ(run.code == 0, size == kPilotBase + 104 * 476) << size << " " << run.err.toStdString();
  }
}

class PilotSkillRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(PilotSkillRoundTrip, ExportThenImportChangesNothing) {
  auto rom = image(92);
  const QByteArray before = rom->bytes();
  const CliRun exported = cli({QStringLiteral("export"), rom->path(), QStringLiteral("PSkills"), QStringLiteral("--format"),
                               QString::fromLatin1(GetParam())});
  ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
  const CliRun imported = importFile(rom->path(), exported.out.toUtf8(), {QStringLiteral("--table"), QStringLiteral("PSkills")});
  ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
  EXPECT_EQ(rom->bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, PilotSkillRoundTrip, ::testing::Values("json", "csv"));

TEST(PilotSkillCli, ImportFollowsTheImportedPointers) {
  struct Case {
    const char* what;
    const char* fields;
    std::vector<std::pair<std::int64_t, QByteArray>> expected;  // every byte that changes
  };
  // Pilot 5's slot 2 is set to select record 300 first; record 500 is the new target.
  const std::vector<Case> cases = {
      {"a pointer alone moves the slot; no level record changes", R"j({"ptr(2)": "500"})j",
       {{slotAt(5, 2), le(500, 2)}}},
      {"a pointer with values: the values land in the new record", R"j({"ptr(2)": "500", "Skills(18)": "1", "Skills(26)": "9"})j",
       {{slotAt(5, 2), le(500, 2)}, {levelAt(500), le(1, 1)}, {levelAt(500) + 8, le(9, 1)}}},
      {"values alone land in the record the slot already selects", R"j({"Skills(18)": "4"})j",
       {{levelAt(300), le(4, 1)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto rom = image(93);
    rom->poke(slotAt(5, 2), le(300, 2));
    rom->poke(levelAt(500), QByteArray(9, '\x50'));
    rom->poke(levelAt(300), QByteArray(9, '\x60'));
    const QByteArray before = rom->bytes();
    const CliRun run = importFile(rom->path(), importBody(QStringLiteral(R"j([{"index": 5, "fields": %1}])j").arg(QString::fromLatin1(c.fields))));
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray after = rom->bytes();
    QByteArray expected = before;
    for (const auto& [at, bytes] : c.expected) expected.replace(at, bytes.size(), bytes);
    EXPECT_EQ(differences(expected, after), std::vector<std::int64_t>{});
  }
}

TEST(PilotSkillCli, SharedRecordTakesTheHigherSlotsValues) {
  auto rom = image(94);
  rom->poke(slotAt(8, 1), le(333, 2));
  rom->poke(slotAt(8, 6), le(333, 2));
  const CliRun run =
      importFile(rom->path(), importBody(QStringLiteral(R"j([{"index": 8, "fields": {"Skills(9)": "11", "Skills(54)": "66"}}])j")));
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(byteAt(rom->bytes(), levelAt(333)), 66);
}

TEST(PilotSkillCli, RejectedImportsWriteNothing) {
  const int pastTheEnd = static_cast<int>((kImageSize - kLevelBase) / 9) + 5;
  const std::vector<std::pair<QString, const char*>> cases = {
      {QStringLiteral(R"j([{"index": 1, "fields": {"ptr(0)": "65536"}}])j"), "0 to 65535"},
      {QStringLiteral(R"j([{"index": 1, "fields": {"ptr(0)": "5"}}, {"index": 2, "fields": {"Skills(3)": "256"}}])j"), "0 to 255"},
      {QStringLiteral(R"j([{"index": 1, "fields": {"ptr(4)": "%1"}}])j").arg(pastTheEnd), "0 to 559"},
      // Record 560 on lies over the unit pictures.
      {QStringLiteral(R"j([{"index": 1, "fields": {"ptr(13)": "560"}}])j"), "ptr(13)"},
      {QStringLiteral(R"j([{"index": 1, "fields": {"ptr(0)": "600"}}])j"), "0 to 559"},
      {QStringLiteral(R"j([{"index": 476, "fields": {"ptr(0)": "1"}}])j"), "0 to 475"},
      {QStringLiteral(R"j([{"index": 1, "fields": {"nameP(0)": "x"}}])j"), "no field"},
  };
  for (const auto& [records, why] : cases) {
    SCOPED_TRACE(records.toStdString());
    expectImportRefused(*image(95), importBody(records), QString::fromLatin1(why));
  }
}

}  // namespace
}  // namespace rt::test
