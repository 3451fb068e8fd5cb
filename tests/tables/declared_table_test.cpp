// A table declared here and nowhere else: one declaration puts it on the
// command line, in the main menu (given its row in "Main.txt") behind a form
// laid out from its fields, and in the contract suite over allTables().
#include "editors/all_tables.h"
#include "editors/shared_lists.h"
#include "tests/support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

// Five records of five bytes, one per terrain rank, in filler bytes of the sample image.
constexpr std::int64_t kBase = 0x300000;
constexpr std::int64_t kStride = 5;
constexpr int kRanks = 5;
const QString kId = QStringLiteral("TerrainBonus");

TableDef terrainBonusTable() {
  TableDef t{kId, kBase, kStride, kRanks, {}};
  t.fields = {
      signedByteField(QStringLiteral("hit"), 0, QStringLiteral("Hit bonus")),
      signedByteField(QStringLiteral("evade"), 1, QStringLiteral("Evasion bonus")),
      byteField(QStringLiteral("damage"), 2, QStringLiteral("Damage %")),
      flagsField(QStringLiteral("limits"), 3, QStringLiteral("Limits"), 0x0F),
      comboField(QStringLiteral("next"), 4, QStringLiteral("Next rank"), terrainRankList()),
  };
  return t;
}

const DeclaredTable kDeclared{FormPlace{kId, QStringLiteral("Terrain bonus"), MenuKind::Main, 15},
                              [] { return std::make_shared<FixedTable>(terrainBonusTable(), terrainRankList()); }};

QStringList terrainRanks() {
  auto ranks = loadNames(namesDir(), terrainRankList());
  EXPECT_TRUE(ranks) << ranks.message().toStdString();
  return ranks ? *ranks : QStringList();
}

TEST(DeclaredTable, IsListedAndExportedAndImportedByTheCommandLine) {
  const CliRun tables = cli({QStringLiteral("tables")});
  ASSERT_EQ(tables.code, 0);
  EXPECT_TRUE(tables.out.contains(QRegularExpression(QStringLiteral("\\nTerrainBonus +0x300000 +5 +5\\n"))))
      << tables.out.toStdString();

  TempRom rom(sampleImage());
  const QByteArray before = rom.bytes();
  const QJsonArray records = exportRecords(rom.path(), kId);
  ASSERT_EQ(records.size(), kRanks);
  const QStringList ranks = terrainRanks();
  for (int i = 0; i < kRanks; ++i) {
    const QJsonObject r = records[i].toObject();
    const QJsonObject f = r.value(QStringLiteral("fields")).toObject();
    const std::int64_t at = kBase + kStride * i;
    EXPECT_EQ(r.value(QStringLiteral("name")).toString(), ranks.value(i));
    EXPECT_EQ(f.value(QStringLiteral("hit")).toString(), QString::number(static_cast<std::int8_t>(byteAt(before, at))));
    EXPECT_EQ(f.value(QStringLiteral("damage")).toString(), QString::number(byteAt(before, at + 2)));
    for (int bit = 0; bit < 4; ++bit)
      EXPECT_EQ(f.value(elementName(QStringLiteral("limits"), bit)).toBool(), ((byteAt(before, at + 3) >> bit) & 1) != 0);
    EXPECT_FALSE(f.contains(QStringLiteral("limits(4)")));  // no box outside the mask
    EXPECT_EQ(f.value(QStringLiteral("next")), exportedCombo(byteAt(before, at + 4), kRanks));
  }

  const int damage = (byteAt(before, kBase + kStride * 3 + 2) + 7) % 256;
  const QByteArray edit = QStringLiteral("{\"table\": \"TerrainBonus\", \"records\": [{\"index\": 3, \"fields\": "
                                         "{\"damage\": \"%1\"}}]}").arg(damage).toUtf8();
  const CliRun imported = importFile(rom.path(), edit);
  ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
  expectOnlyBytes(before, rom.bytes(), {{kBase + kStride * 3 + 2, damage}});
}

TEST(DeclaredTable, EveryContractOfTheSuiteRunsOnIt) {
  QStringList contracts;
  const ::testing::UnitTest& all = *::testing::UnitTest::GetInstance();
  for (int s = 0; s < all.total_test_suite_count(); ++s) {
    const ::testing::TestSuite& suite = *all.GetTestSuite(s);
    if (QString::fromLatin1(suite.name()) != QLatin1String("AllTables/TableContract")) continue;
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const QString name = QString::fromLatin1(suite.GetTestInfo(t)->name());
      if (name.endsWith(QStringLiteral("/TerrainBonus"))) contracts << name.section(u'/', 0, 0);
    }
  }
  contracts.sort();
  EXPECT_EQ(contracts, QStringList({QStringLiteral("ARejectedValueWritesNothingAndNamesItsField"),
                                    QStringLiteral("AnUnchangedSaveWritesNothing"),
                                    QStringLiteral("EachControlChangedAloneChangesOnlyItsOwnBytes"),
                                    QStringLiteral("EveryRecordReadsAndAllTogetherReadTheSame")}));
}

TEST(DeclaredTable, ItsMenuRowOpensAFormOfItsFields) {
  // The table's only other file: its row in the main menu's name list.
  QTemporaryDir names;
  copyNameLists(names);
  QFile menuRows(names.filePath(QStringLiteral("Main.txt")));
  ASSERT_TRUE(menuRows.open(QIODevice::Append));
  menuRows.write("地形補正 / Terrain bonus\n");
  menuRows.close();

  TestApp app(names.path());
  TempRom rom(sampleImage());
  const QByteArray before = rom.bytes();
  MainMenu menu(*app.context);
  registerMenus(*app.context, &menu);
  menu.load();
  ASSERT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
  auto* rows = control<QListWidget>(&menu, QStringLiteral("List1"));
  ASSERT_EQ(rows->count(), 16);
  EXPECT_EQ(rows->item(15)->text(), QStringLiteral("地形補正 / Terrain bonus"));
  app.chooser->next = rom.path();
  control<QPushButton>(&menu, QStringLiteral("Open"))->click();
  rows->setCurrentRow(15);
  control<QPushButton>(&menu, QStringLiteral("Edit"))->click();
  QWidget* form = app.context->openForm(kId);
  ASSERT_NE(form, nullptr) << app.sink->messages.join('\n').toStdString();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("地形補正 / Terrain bonus"));  // its row's text

  auto* list = control<QListWidget>(form, QStringLiteral("List1"));
  ASSERT_EQ(list->count(), kRanks);
  EXPECT_EQ(list->item(4)->text(), terrainRanks().value(4));
  list->setCurrentRow(2);
  const std::int64_t at = kBase + kStride * 2;
  EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("evade"))->text(),
            QString::number(static_cast<std::int8_t>(byteAt(before, at + 1))));
  EXPECT_EQ(control<QCheckBox>(form, QStringLiteral("limits(1)"))->isChecked(), ((byteAt(before, at + 3) >> 1) & 1) != 0);
  EXPECT_EQ(form->findChild<QCheckBox*>(QStringLiteral("limits(5)")), nullptr);
  auto* next = control<QComboBox>(form, QStringLiteral("next"));
  EXPECT_EQ(next->itemText(0), terrainRanks().value(0));
  expectRendersWithinScreen(form, kId);

  control<QLineEdit>(form, QStringLiteral("evade"))->setText(QStringLiteral("-3"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
  expectOnlyBytes(before, rom.bytes(), {{at + 1, 253}});
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
