// `refs` and `check` on the command line, on links set by hand in a copy of
// the sample image.
#include "editors/layout.h"
#include "tests/support/test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

std::int64_t unitAt(int unit) { return layout::kUnitBase + layout::kUnitStride * unit; }
std::int64_t weaponAt(int weapon) { return layout::kWeaponBase + layout::kWeaponStride * weapon; }

QJsonObject json(const CliRun& run) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString() << run.err.toStdString();
  return doc.object();
}

bool holds(const QJsonArray& links, const QJsonObject& link) {
  for (const QJsonValue& v : links)
    if (v.toObject() == link) return true;
  return false;
}

struct LinkedSample : ::testing::Test {
  TempRom rom{sampleImage()};
  int stage = -1;
  std::int64_t stageRecord0 = 0;

  void SetUp() override {
    const QByteArray b = rom.bytes();
    for (int s = 0; s < layout::kStageCount && stage < 0; ++s) {
      const std::int64_t at = layout::kStageOffsetTable + static_cast<std::int32_t>(valueAt(b, layout::kStageOffsetTable + 4 * s, 4));
      if (valueAt(b, at, 2) != static_cast<std::uint32_t>(layout::kDeploymentEndMarker)) {
        stage = s;
        stageRecord0 = at;
      }
    }
    ASSERT_GE(stage, 0);
    rom.poke(unitAt(12) + layout::kUnitFirstWeapon, le(300, 2));  // Unit 12: weapons 300 and 301
    rom.poke(unitAt(12) + layout::kUnitWeaponCount, le(2, 1));
    rom.poke(weaponAt(5) + 0x14, le(12, 1));                      // Weapon 5's partner unit: 12
    rom.poke(stageRecord0 + 2, le(12, 2));                        // the leader's unit: 12
  }
};

TEST_F(LinkedSample, RefsNamesWhatARecordPointsAtAndWhatPointsAtIt) {
  const CliRun run = cli({QStringLiteral("refs"), rom.path(), QStringLiteral("Unit"), QStringLiteral("12"),
                          QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject o = json(run);
  EXPECT_EQ(o.value(QStringLiteral("table")).toString(), QStringLiteral("Unit"));
  EXPECT_EQ(o.value(QStringLiteral("index")).toInt(), 12);
  const QJsonArray refersTo = o.value(QStringLiteral("refers_to")).toArray();
  ASSERT_EQ(refersTo.size(), 2);
  EXPECT_TRUE(holds(refersTo, {{"field", "first_weapon"}, {"table", "Weapon"}, {"index", 300}}));
  EXPECT_TRUE(holds(refersTo, {{"field", "first_weapon"}, {"table", "Weapon"}, {"index", 301}}));
  const QJsonArray usedBy = o.value(QStringLiteral("used_by")).toArray();
  EXPECT_TRUE(holds(usedBy, {{"table", "Weapon"}, {"index", 5}, {"field", "gotha1"}}));
  EXPECT_TRUE(holds(usedBy, {{"table", "MAP"}, {"stage", stage}, {"index", 0}, {"field", "unit_code"}}));
  // Every other entry is a record whose field does hold unit 12.
  const QByteArray b = rom.bytes();
  for (const QJsonValue& v : usedBy) {
    const QJsonObject l = v.toObject();
    if (l.value("table").toString() == QLatin1String("Weapon")) {
      EXPECT_EQ(l.value("field").toString(), QStringLiteral("gotha1"));
      EXPECT_EQ(byteAt(b, weaponAt(l.value("index").toInt()) + 0x14), 12);
    } else {
      EXPECT_EQ(l.value("table").toString(), QStringLiteral("MAP"));
      EXPECT_TRUE(l.contains("stage"));
    }
  }
}

TEST_F(LinkedSample, RefsOfAWeaponListsTheUnitsWhoseRangeHoldsIt) {
  const CliRun run = cli({QStringLiteral("refs"), rom.path(), QStringLiteral("Weapon"), QStringLiteral("301"),
                          QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonArray usedBy = json(run).value(QStringLiteral("used_by")).toArray();
  // The units whose weapons hold 301, read from the bytes: Unit 12 and the sample's own owner.
  const QByteArray b = rom.bytes();
  QJsonArray owners;
  for (int u = 0; u < layout::kUnitCount; ++u) {
    const int first = static_cast<int>(valueAt(b, unitAt(u) + layout::kUnitFirstWeapon, 2));
    const int count = byteAt(b, unitAt(u) + layout::kUnitWeaponCount);
    if (301 >= first && 301 < first + count) owners.append(QJsonObject{{"table", "Unit"}, {"index", u}, {"field", "first_weapon"}});
  }
  ASSERT_EQ(owners.size(), 2);
  EXPECT_EQ(usedBy, owners);
}

TEST_F(LinkedSample, RefsTakesStageAndIndexForMap) {
  const CliRun run = cli({QStringLiteral("refs"), rom.path(), QStringLiteral("MAP"), QStringLiteral("%1/0").arg(stage),
                          QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject o = json(run);
  EXPECT_EQ(o.value(QStringLiteral("stage")).toInt(), stage);
  EXPECT_TRUE(holds(o.value(QStringLiteral("refers_to")).toArray(), {{"field", "unit_code"}, {"table", "Unit"}, {"index", 12}}));
  EXPECT_EQ(cli({QStringLiteral("refs"), rom.path(), QStringLiteral("MAP"), QStringLiteral("3")}).code, 2);
}

TEST_F(LinkedSample, CheckExitCodesFollowWhatItFinds) {
  TempRom clean{sampleImage()};
  const CliRun ok = cli({QStringLiteral("check"), clean.path()});
  EXPECT_EQ(ok.code, 0) << ok.out.toStdString();
  EXPECT_EQ(ok.out, QStringLiteral("No problems.\n"));

  rom.poke(stageRecord0, le(0x1F0, 2));  // a pilot code past the 476 pilots
  const CliRun bad = cli({QStringLiteral("check"), rom.path(), QStringLiteral("--format"), QStringLiteral("json"),
                          QStringLiteral("--tables"), QStringLiteral("MAP")});
  EXPECT_EQ(bad.code, 1);
  const QJsonArray problems = json(bad).value(QStringLiteral("problems")).toArray();
  ASSERT_FALSE(problems.isEmpty());
  const QJsonObject p = problems.first().toObject();
  EXPECT_EQ(p.value("table").toString(), QStringLiteral("MAP"));
  EXPECT_EQ(p.value("stage").toInt(), stage);
  EXPECT_EQ(p.value("index").toInt(), 0);
  EXPECT_EQ(p.value("field").toString(), QStringLiteral("pilot_code"));
  EXPECT_EQ(p.value("rule").toString(), QStringLiteral("past-table"));
  EXPECT_EQ(p.value("severity").toString(), QStringLiteral("error"));

  EXPECT_EQ(cli({QStringLiteral("check"), rom.path(), QStringLiteral("--tables"), QStringLiteral("Nope")}).code, 2);
}

}  // namespace
}  // namespace rt::test
