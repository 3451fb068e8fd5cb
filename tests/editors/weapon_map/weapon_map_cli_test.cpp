// The weapon, upgrade and deployment tables on the command line; the three
// forms without their name lists, and opened from the main menu on the sample image.
#include "model/name_list.h"
#include "tests/editors/weapon_map/weapon_map_images.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

using namespace wm;

TEST(WeaponMapCli, TablesAreListed) {
  const CliRun run = cli({QStringLiteral("tables")});
  ASSERT_EQ(run.code, 0);
  for (const char* t : {"Weapon ", "EWeapon ", "MAP "}) EXPECT_TRUE(run.out.contains(QString::fromLatin1(t))) << t;
  EXPECT_TRUE(run.out.contains(QStringLiteral("7A254")));
  EXPECT_TRUE(run.out.contains(QStringLiteral("A22400")));
}

TEST(WeaponMapCli, WeaponRecordsAreTheWeaponTableByIndex) {
  const WeaponImage img = weaponImage(8);
  TempRom rom(img.bytes);
  auto names = loadNameList(namesDir(), QStringLiteral("Weapons.txt"), kWeaponCount);
  ASSERT_TRUE(names.isOk());
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("Weapon"));
  ASSERT_EQ(records.size(), kWeaponCount);
  for (int w : {0, 1, 500, 988}) {
    const QJsonObject r = records[w].toObject();
    const std::int64_t at = kWeaponBase + kWeaponStride * w;
    EXPECT_EQ(r.value(QStringLiteral("index")).toInt(), w);
    EXPECT_EQ(r.value(QStringLiteral("name")).toString(), (*names)[w]);
    EXPECT_EQ(r.value(QStringLiteral("offset")).toInteger(), at);
    const QJsonObject f = r.value(QStringLiteral("fields")).toObject();
    EXPECT_EQ(f.value(QStringLiteral("ATK")).toString(), QString::number(u16(img.bytes, at + 8)));
    const int shoot = byteAt(img.bytes, at + 11);
    EXPECT_EQ(f.value(QStringLiteral("Shoot")).toString(), QString::number(shoot > 127 ? shoot - 256 : shoot));
    EXPECT_EQ(f.value(QStringLiteral("ground(3)")), exportedCombo(byteAt(img.bytes, at + 28), 5));
    EXPECT_EQ(f.value(QStringLiteral("noneB(7)")).toBool(), (byteAt(img.bytes, at + 33) & 0x80) != 0);
  }
  EXPECT_EQ(importFile(rom.path(), R"({"table":"Weapon","records":[{"index":989,"fields":{"EN":"1"}}]})").code,
            1);  // past the table: no such record
  EXPECT_EQ(rom.bytes(), img.bytes);
}

TEST(WeaponMapCli, UpgradeRecordsAreTheFourColumns) {
  const QByteArray image = randomBytes(kUpgradeBase + 200, 4);
  TempRom rom(image);
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("EWeapon"));
  ASSERT_EQ(records.size(), 4);
  for (int c = 0; c < 4; ++c) {
    const QJsonObject f = records[c].toObject().value(QStringLiteral("fields")).toObject();
    for (int k = 0; k < 15; ++k)
      EXPECT_EQ(f.value(QStringLiteral("Value(%1)").arg(k)).toString(), QString::number(u16(image, kUpgradeBase + 8 * k + 2 * c)));
  }
  const CliRun run =
      importFile(rom.path(), "index,Value(14)\r\n3,258\r\n", {QStringLiteral("--table"), QStringLiteral("EWeapon")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QByteArray after = rom.bytes();
  EXPECT_EQ(changedOffsets(image, after), (std::vector<std::int64_t>{kUpgradeBase + 8 * 14 + 6, kUpgradeBase + 8 * 14 + 7}));
  EXPECT_EQ(u16(after, kUpgradeBase + 8 * 14 + 6), 258);
}

TEST(WeaponMapCli, DeploymentRecordsCarryStageAndIndex) {
  const MapImage img = mapImage(6);
  TempRom rom(img.bytes);
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("MAP"));
  int total = 0;
  for (int c : img.count) total += c;
  ASSERT_EQ(records.size(), total);
  int i = 0;
  for (int s = 0; s < kStageCount; ++s) {
    for (int r = 0; r < img.count[static_cast<size_t>(s)]; ++r, ++i) {
      const QJsonObject o = records[i].toObject();
      const std::int64_t at = img.start[static_cast<size_t>(s)] + kRecord * r;
      EXPECT_EQ(o.value(QStringLiteral("stage")).toInt(), s);
      EXPECT_EQ(o.value(QStringLiteral("index")).toInt(), r);
      EXPECT_EQ(o.value(QStringLiteral("offset")).toInteger(), at);
      const QJsonObject f = o.value(QStringLiteral("fields")).toObject();
      EXPECT_EQ(f.value(QStringLiteral("pilot_code")).toString(), QString::number(u16(img.bytes, at), 16).toUpper());
      EXPECT_EQ(f.value(QStringLiteral("X")).toString(), QString::number(byteAt(img.bytes, at + 36)));
    }
  }
  // CSV carries the same two keys.
  const CliRun csv = cli({QStringLiteral("export"), rom.path(), QStringLiteral("MAP"), QStringLiteral("--format"), QStringLiteral("csv")});
  ASSERT_EQ(csv.code, 0);
  EXPECT_TRUE(csv.out.startsWith(QString::fromUtf8(R"("stage","index","name","pilot_code")"))) << csv.out.left(80).toStdString();
}

TEST(WeaponMapCli, ImportAddressesDeploymentsByStageAndIndex) {
  MapImage img = mapImage(7);
  int stage = 0;
  while (img.count[static_cast<size_t>(stage)] < 2) ++stage;
  const std::int64_t at = img.start[static_cast<size_t>(stage)] + kRecord;
  // Parts and skills that a save keeps as they are, so only the imported fields move.
  for (int o : {24, 25, 52, 53}) put(img.bytes, at + o, 7, 1);
  for (int o : {26, 27, 54, 55}) put(img.bytes, at + o, 3, 1);
  TempRom rom(img.bytes);
  const CliRun run = importFile(
      rom.path(),
      QString::fromUtf8(R"J({"table":"MAP","records":[{"stage":%1,"index":1,"fields":{"X":"9","minor_skill(1)":22,"unit_code_2":"1f"}}]})J")
          .arg(stage)
          .toUtf8());
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QByteArray after = rom.bytes();
  std::vector<std::int64_t> expected;
  for (int o : {30, 31, 36, 55})
    if (byteAt(img.bytes, at + o) != (o == 30 ? 0x1F : o == 31 ? 0 : o == 36 ? 9 : 255)) expected.push_back(at + o);
  EXPECT_EQ(changedOffsets(img.bytes, after), expected);
  EXPECT_EQ(byteAt(after, at + 36), 9);
  EXPECT_EQ(byteAt(after, at + 55), 255);
  EXPECT_EQ(u16(after, at + 30), 0x1F);

  const struct {
    const char* keys;
    const char* why;
  } bad[] = {{R"("stage":%1,"index":99)", "index"}, {R"("stage":65,"index":0)", "stage"}, {R"("index":0)", "stage"},
             {R"("stage":10,"index":0)", "no deployment records"}};
  for (const auto& b : bad) {
    const QString keys = QString::fromLatin1(b.keys).contains(QStringLiteral("%1")) ? QString::fromLatin1(b.keys).arg(stage)
                                                                                     : QString::fromLatin1(b.keys);
    SCOPED_TRACE(b.keys);
    expectImportRefused(rom, QString::fromUtf8(R"({"table":"MAP","records":[{%1,"fields":{"X":"1"}}]})").arg(keys).toUtf8(),
                        QString::fromLatin1(b.why));
  }
  // A leader pilot code of 7FFF would end the stage's list at this record.
  expectImportRefused(
      rom, QString::fromUtf8(R"({"table":"MAP","records":[{"stage":%1,"index":0,"fields":{"pilot_code":"7FFF"}}]})")
               .arg(stage)
               .toUtf8(),
      QStringLiteral("7FFF marks the end"));
}

TEST(WeaponMapCli, ExportOfAListWithoutMarkerEnds) {
  QByteArray bytes(kStageTable + 0x1000, '\x02');  // no stage list holds a marker
  TempRom rom(bytes);
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("MAP"));
  // Every offset reads 0x02020202: outside the file, so no stage has records.
  EXPECT_EQ(records.size(), 0);
  put(bytes, kStageTable + 8, 0x200, 4);  // stage 2 from 0x200 past the table, to the end of the file
  rom.write(bytes);
  EXPECT_EQ(exportRecords(rom.path(), QStringLiteral("MAP")).size(), (0x1000 - 0x200) / kRecord);
}

TEST(WeaponMapForms, AMissingNameListStopsTheFormFromOpening) {
  const std::pair<const char*, const char*> cases[] = {
      {"Weapon", "Units.txt"},  {"Weapon", "Weapons.txt"}, {"Weapon", "ERequirementD.txt"}, {"EWeapon", "EWeapon.txt"},
      {"MAP", "Map.txt"},       {"MAP", "MUnits.txt"},     {"MAP", "tene.txt"}};
  const MapImage img = mapImage(1);
  TempRom rom(img.bytes);
  for (auto [form, file] : cases) {
    QTemporaryDir names;
    copyNameLists(names, QString::fromLatin1(file));
    TestApp app(names.path());
    EXPECT_EQ(app.showForm(rom.path(), QString::fromLatin1(form)), nullptr) << form << " " << file;
    ASSERT_EQ(app.sink->messages.size(), 1) << form << " " << file;
    EXPECT_TRUE(app.sink->messages[0].contains(QString::fromLatin1(file))) << app.sink->messages[0].toStdString();
  }
}

TEST(WeaponMapSample, TheThreeFormsOpenFromTheMainMenu) {
  SampleMenu menu;
  TestApp& app = menu.app;
  const std::pair<int, const char*> forms[] = {{4, "Weapon"}, {5, "EWeapon"}, {9, "MAP"}};
  for (auto [row, name] : forms) {
    QWidget* form = menu.edit(row, QString::fromLatin1(name));
    ASSERT_NE(form, nullptr) << name;
    EXPECT_TRUE(form->isVisible());
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();

  QWidget* weapon = app.context->openForm(QStringLiteral("Weapon"));
  const QByteArray bytes = menu.rom.bytes();
  EXPECT_EQ(control<QListWidget>(weapon, QStringLiteral("List2"))->count(), byteAt(bytes, kUnitBase + 0x28));
  screenshot(weapon, QStringLiteral("Weapon_sample"));
  screenshot(app.context->openForm(QStringLiteral("EWeapon")), QStringLiteral("EWeapon_sample"));

  QWidget* map = app.context->openForm(QStringLiteral("MAP"));
  auto* stages = control<QListWidget>(map, QStringLiteral("List1"));
  auto* records = control<QListWidget>(map, QStringLiteral("List2"));
  int listed = 0;
  for (int s = 0; s < kStageCount; ++s) {
    stages->setCurrentRow(s);
    listed += records->count();
  }
  EXPECT_GT(listed, kStageCount);  // the sample's lists hold 2 to 8 records each, a few none
  stages->setCurrentRow(0);
  records->setCurrentRow(0);
  const std::int64_t first = kStageTable + static_cast<std::int32_t>(u16(bytes, kStageTable) | (u16(bytes, kStageTable + 2) << 16));
  EXPECT_EQ(control<QLineEdit>(map, QStringLiteral("MX"))->text(), QString::number(byteAt(bytes, first + 8)));
  screenshot(map, QStringLiteral("MAP_sample"));
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
