// The weapon, upgrade and deployment tables on the command line; the three
// forms without their name lists, and opened from the main menu on the sample image.
#include "app/cli.h"
#include "core/name_list.h"
#include "core/ui/menus.h"
#include "tests/editors/weapon_map/weapon_map_images.h"
#include "tools/sample_rom.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

using namespace wm;

struct CliRun {
  int code = -1;
  QString out, err;
};

CliRun cli(const QStringList& args) {
  CliRun run;
  QTextStream out(&run.out), err(&run.err);
  run.code = runCli(args, namesDir(), out, err);
  out.flush();
  err.flush();
  return run;
}

QJsonArray exportedRecords(const QString& rom, const QString& table) {
  const CliRun run = cli({QStringLiteral("export"), rom, table});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
  EXPECT_EQ(doc.object().value(QStringLiteral("table")).toString(), table);
  return doc.object().value(QStringLiteral("records")).toArray();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  return path;
}

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
  const QJsonArray records = exportedRecords(rom.path(), QStringLiteral("Weapon"));
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
    EXPECT_EQ(f.value(QStringLiteral("ground(3)")).toInt(), byteAt(img.bytes, at + 28));
    EXPECT_EQ(f.value(QStringLiteral("noneB(7)")).toBool(), (byteAt(img.bytes, at + 33) & 0x80) != 0);
  }
  QTemporaryDir dir;
  const QString file = writeFile(dir, QStringLiteral("w.json"),
                                 R"({"table":"Weapon","records":[{"index":989,"fields":{"EN":"1"}}]})");
  EXPECT_EQ(cli({QStringLiteral("import"), rom.path(), file}).code, 1);  // past the table: no such record
  EXPECT_EQ(rom.bytes(), img.bytes);
}

TEST(WeaponMapCli, UpgradeRecordsAreTheFourColumns) {
  const QByteArray image = randomBytes(kUpgradeBase + 200, 4);
  TempRom rom(image);
  const QJsonArray records = exportedRecords(rom.path(), QStringLiteral("EWeapon"));
  ASSERT_EQ(records.size(), 4);
  for (int c = 0; c < 4; ++c) {
    const QJsonObject f = records[c].toObject().value(QStringLiteral("fields")).toObject();
    for (int k = 0; k < 15; ++k)
      EXPECT_EQ(f.value(QStringLiteral("Value(%1)").arg(k)).toString(), QString::number(u16(image, kUpgradeBase + 8 * k + 2 * c)));
  }
  QTemporaryDir dir;
  const QString file = writeFile(dir, QStringLiteral("u.csv"), "index,Value(14)\r\n3,258\r\n");
  const CliRun run = cli({QStringLiteral("import"), rom.path(), file, QStringLiteral("--table"), QStringLiteral("EWeapon")});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QByteArray after = rom.bytes();
  EXPECT_EQ(changedOffsets(image, after), (std::vector<std::int64_t>{kUpgradeBase + 8 * 14 + 6, kUpgradeBase + 8 * 14 + 7}));
  EXPECT_EQ(u16(after, kUpgradeBase + 8 * 14 + 6), 258);
}

TEST(WeaponMapCli, DeploymentRecordsCarryStageAndIndex) {
  const MapImage img = mapImage(6);
  TempRom rom(img.bytes);
  const QJsonArray records = exportedRecords(rom.path(), QStringLiteral("MAP"));
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
  QTemporaryDir dir;
  const QString good = writeFile(
      dir, QStringLiteral("m.json"),
      QString::fromUtf8(R"J({"table":"MAP","records":[{"stage":%1,"index":1,"fields":{"X":"9","minor_skill(1)":22,"unit_code_2":"1f"}}]})J")
          .arg(stage)
          .toUtf8());
  const CliRun run = cli({QStringLiteral("import"), rom.path(), good});
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
    const QString file = writeFile(dir, QStringLiteral("bad.json"),
                                   QString::fromUtf8(R"({"table":"MAP","records":[{%1,"fields":{"X":"1"}}]})").arg(keys).toUtf8());
    const CliRun r = cli({QStringLiteral("import"), rom.path(), file});
    EXPECT_EQ(r.code, 1) << b.keys;
    EXPECT_TRUE(r.err.contains(QString::fromLatin1(b.why))) << r.err.toStdString();
    EXPECT_EQ(rom.bytes(), after) << b.keys;
  }
}

TEST(WeaponMapCli, ExportOfAListWithoutMarkerEnds) {
  QByteArray bytes(kStageTable + 0x1000, '\x02');  // no stage list holds a marker
  TempRom rom(bytes);
  const QJsonArray records = exportedRecords(rom.path(), QStringLiteral("MAP"));
  // Every offset reads 0x02020202: outside the file, so no stage has records.
  EXPECT_EQ(records.size(), 0);
  put(bytes, kStageTable + 8, 0x200, 4);  // stage 2 from 0x200 past the table, to the end of the file
  rom.write(bytes);
  EXPECT_EQ(exportedRecords(rom.path(), QStringLiteral("MAP")).size(), (0x1000 - 0x200) / kRecord);
}

TEST(WeaponMapForms, AMissingNameListStopsTheFormFromOpening) {
  const std::pair<const char*, const char*> cases[] = {
      {"Weapon", "Units.txt"},  {"Weapon", "Weapons.txt"}, {"Weapon", "ERequirementD.txt"}, {"EWeapon", "EWeapon.txt"},
      {"MAP", "Map.txt"},       {"MAP", "MUnits.txt"},     {"MAP", "tene.txt"}};
  const MapImage img = mapImage(1);
  TempRom rom(img.bytes);
  for (auto [form, file] : cases) {
    QTemporaryDir names;
    for (const QString& f : QDir(namesDir()).entryList({QStringLiteral("*.txt")}))
      if (f != QString::fromLatin1(file)) QFile::copy(QDir(namesDir()).filePath(f), names.filePath(f));
    TestApp app(names.path());
    app.context->rom().setRomPath(rom.path());
    EXPECT_EQ(app.context->showForm(QString::fromLatin1(form)), nullptr) << form << " " << file;
    ASSERT_EQ(app.sink->messages.size(), 1) << form << " " << file;
    EXPECT_TRUE(app.sink->messages[0].contains(QString::fromLatin1(file))) << app.sink->messages[0].toStdString();
  }
}

TEST(WeaponMapSample, TheThreeFormsOpenFromTheMainMenu) {
  TestApp app;
  const std::vector<std::uint8_t> sample = sample::buildSampleRom(1);
  TempRom rom(QByteArray(reinterpret_cast<const char*>(sample.data()), static_cast<qsizetype>(sample.size())));
  MainMenu menu(*app.context);
  registerMenus(*app.context, &menu);
  menu.load();
  app.context->rom().setRomPath(rom.path());
  auto* rows = control<QListWidget>(&menu, QStringLiteral("List1"));
  const std::pair<int, const char*> forms[] = {{4, "Weapon"}, {5, "EWeapon"}, {9, "MAP"}};
  for (auto [row, name] : forms) {
    rows->setCurrentRow(row);
    control<QPushButton>(&menu, QStringLiteral("Edit"))->click();
    QWidget* form = app.context->openForm(QString::fromLatin1(name));
    ASSERT_NE(form, nullptr) << name;
    EXPECT_TRUE(form->isVisible());
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();

  QWidget* weapon = app.context->openForm(QStringLiteral("Weapon"));
  const QByteArray bytes = rom.bytes();
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
