// Pilot and character on the command line: export, import, round trips.
#include "tests/support/test_support.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kPilotBase = 0x8C9A4;
constexpr std::int64_t kPilotStride = 104;
constexpr std::int64_t kPersonalityBase = 0xD1E5C;
constexpr std::int64_t kImageSize = 0xD1EBC + 16;  // both tables inside

// A pilot record with nothing to normalise: two-state flags 0xFF/0x01, spirit
// commands below 35 or 0xFF.
void makeCanonical(TempRom& rom) {
  for (int i = 0; i < 476; ++i) {
    const std::int64_t rec = kPilotBase + kPilotStride * i;
    rom.poke(rec + 0x36, QByteArray(i % 2 ? "\xFF\x01\xFF" : "\x01\xFF\x01", 3));
    QByteArray spirits;
    for (int k = 0; k < 6; ++k) spirits.append(static_cast<char>((i + k) % 7 == 0 ? 0xFF : (i * 6 + k) % 35));
    rom.poke(rec + 0x3F, spirits);
  }
}

struct RoundTrip {
  const char* table;
  const char* format;
};
void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.table << " as " << r.format; }

class PilotTablesRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(PilotTablesRoundTrip, ExportThenImportChangesNothing) {
  TempRom rom(kImageSize, 61);
  makeCanonical(rom);
  rom.poke(kPilotBase + kPilotStride * 3 + 0x14, le(12, 1));  // a personality without a row survives too
  const QByteArray before = rom.bytes();
  const CliRun exported = cli({QStringLiteral("export"), rom.path(), QString::fromLatin1(GetParam().table),
                               QStringLiteral("--format"), QString::fromLatin1(GetParam().format)});
  ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
  QTemporaryDir dir;
  const QString file = writeFile(dir, QStringLiteral("records.") + QString::fromLatin1(GetParam().format), exported.out.toUtf8());
  const CliRun imported = cli({QStringLiteral("import"), rom.path(), file, QStringLiteral("--table"),
                               QString::fromLatin1(GetParam().table)});
  ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
  EXPECT_TRUE(imported.out.contains(QStringLiteral("0 byte(s) changed"))) << imported.out.toStdString();
  EXPECT_EQ(rom.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Tables, PilotTablesRoundTrip,
                         ::testing::Values(RoundTrip{"Pilot", "json"}, RoundTrip{"Pilot", "csv"},
                                           RoundTrip{"character", "json"}, RoundTrip{"character", "csv"}),
                         [](const auto& info) { return std::string(info.param.table) + "_" + info.param.format; });

TEST(PilotCli, ExportShowsWhatTheBytesSay) {
  TempRom rom(kImageSize, 62);
  rom.poke(kPilotBase + kPilotStride * 10 + 0x0C, le(0xFFFFFFFE, 4));
  rom.poke(kPilotBase + kPilotStride * 10 + 0x14, le(9, 1));
  rom.poke(kPilotBase + kPilotStride * 10 + 0x1F, le(0x81, 1));
  rom.poke(kPilotBase + kPilotStride * 10 + 0x36, QByteArray("\xFF\x00\x01", 3));
  rom.poke(kPilotBase + kPilotStride * 10 + 0x3F, QByteArray("\x22\x23\xFF", 3));
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("Pilot"));
  ASSERT_EQ(records.size(), 476);
  const QJsonObject r = records[10].toObject();
  EXPECT_EQ(r.value(QStringLiteral("offset")).toInteger(), kPilotBase + kPilotStride * 10);
  EXPECT_EQ(r.value(QStringLiteral("name")).toString(), QStringLiteral("機師 10"));
  const QJsonObject f = r.value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(f.value(QStringLiteral("sit")).toString(), QStringLiteral("-2"));
  // Bytes a combo row would not store back exactly are exported as "(n)".
  EXPECT_EQ(f.value(QStringLiteral("character")).toString(), QStringLiteral("(9)"));
  EXPECT_TRUE(f.value(QStringLiteral("PSpA(0)")).toBool());
  EXPECT_FALSE(f.value(QStringLiteral("PSpA(1)")).toBool());
  EXPECT_TRUE(f.value(QStringLiteral("PSpA(7)")).toBool());
  EXPECT_EQ(f.value(QStringLiteral("SpAP(0)")).toInt(), 0);
  EXPECT_EQ(f.value(QStringLiteral("SpAP(1)")).toString(), QStringLiteral("(0)"));
  EXPECT_EQ(f.value(QStringLiteral("SP(0)")).toInt(), 34);
  EXPECT_EQ(f.value(QStringLiteral("SP(1)")).toString(), QStringLiteral("(35)"));
  EXPECT_EQ(f.value(QStringLiteral("SP(2)")).toInt(), 35);
  EXPECT_EQ(f.size(), 42);  // sit, character, story1, story2, PSP; 16 flags; 3 + 6 + 6 + 6

  rom.poke(kPersonalityBase + 12 * 7, QByteArray("\x80\x7F\xFF", 3));
  const QJsonArray personalities = exportRecords(rom.path(), QStringLiteral("character"));
  ASSERT_EQ(personalities.size(), 8);
  const QJsonObject p = personalities[7].toObject().value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(p.value(QStringLiteral("ki(0)")).toString(), QStringLiteral("-128"));
  EXPECT_EQ(p.value(QStringLiteral("ki(1)")).toString(), QStringLiteral("127"));
  EXPECT_EQ(p.value(QStringLiteral("ki(2)")).toString(), QStringLiteral("-1"));
}

TEST(PilotCli, ImportedFieldsWriteExactlyTheirBytes) {
  struct Case {
    const char* table;
    int index;
    const char* json;  // the "fields" object
    std::int64_t at;
    QByteArray expected;
  };
  const std::vector<Case> cases = {
      {"Pilot", 5, R"j({"sit": "-1"})j", kPilotBase + kPilotStride * 5 + 0x0C, le(0xFFFFFFFF, 4)},
      {"Pilot", 6, R"j({"character": 2})j", kPilotBase + kPilotStride * 6 + 0x14, le(2, 1)},
      {"Pilot", 475, R"j({"SP_LV(5)": "42"})j", kPilotBase + kPilotStride * 475 + 0x4A, le(42, 1)},
      {"Pilot", 7, R"j({"SP(3)": 35})j", kPilotBase + kPilotStride * 7 + 0x42, le(0xFF, 1)},
      {"character", 3, R"j({"ki(4)": "-2"})j", kPersonalityBase + 12 * 3 + 4, le(0xFE, 1)},
      {"character", 0, R"j({"ki(0)": "200"})j", kPersonalityBase, le(0xC8, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + " " + c.json);
    TempRom rom(kImageSize, 63);
    makeCanonical(rom);
    const QByteArray before = rom.bytes();
    const QByteArray json = QStringLiteral(R"j({"table": "%1", "records": [{"index": %2, "fields": %3}]})j")
                                .arg(QString::fromLatin1(c.table)).arg(c.index).arg(QString::fromLatin1(c.json)).toUtf8();
    const CliRun run = importFile(rom.path(), json);
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray after = rom.bytes();
    EXPECT_EQ(after.mid(c.at, c.expected.size()), c.expected);
    for (std::int64_t d : differences(before, after)) {
      EXPECT_GE(d, c.at);
      EXPECT_LT(d, c.at + c.expected.size());
    }
  }
}

TEST(PilotCli, RejectedImportsWriteNothing) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"Pilot", R"j([{"index": 1, "fields": {"PSP": "9"}}, {"index": 2, "fields": {"PSP": "256"}}])j"},
      {"Pilot", R"j([{"index": 1, "fields": {"sit": "2147483648"}}])j"},
      {"Pilot", R"j([{"index": 476, "fields": {"PSP": "1"}}])j"},
      {"Pilot", R"j([{"index": 1, "fields": {"nameT(0)": "x"}}])j"},
      {"character", R"j([{"index": 0, "fields": {"ki(0)": "-257"}}])j"},
      {"character", R"j([{"index": 8, "fields": {"ki(0)": "1"}}])j"},
  };
  for (const auto& [table, records] : cases) {
    SCOPED_TRACE(records);
    TempRom rom(kImageSize, 64);
    const QByteArray json = QStringLiteral(R"j({"table": "%1", "records": %2})j")
                                .arg(QString::fromLatin1(table), QString::fromLatin1(records)).toUtf8();
    expectImportRefused(rom, json, QStringLiteral("Nothing was written"));
  }
}

}  // namespace
}  // namespace rt::test
