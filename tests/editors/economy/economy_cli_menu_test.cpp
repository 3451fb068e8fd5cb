// The economy tables on the command line, and their forms opened from the main
// menu on the sample image.
#include "tests/editors/economy/economy_test_support.h"
#include "tools/sample_rom.h"

#include <QJsonArray>
#include <QJsonObject>

namespace rt::test::economy {
namespace {

TEST(EconomyCli, MoneyRecordsAreColumns) {
  TempRom rom(kImageSize, 81);
  const QByteArray bytes = rom.bytes();
  const QJsonArray records = exportRecords(rom.path(), QStringLiteral("money"));
  ASSERT_EQ(records.size(), 10);
  for (int c = 0; c < 10; ++c) {
    const QJsonObject record = records[c].toObject();
    EXPECT_EQ(record.value(QStringLiteral("offset")).toInteger(), moneyAt(c, 0));
    const QJsonObject fields = record.value(QStringLiteral("fields")).toObject();
    ASSERT_EQ(fields.size(), 15);
    for (int k = 0; k < 15; ++k)
      EXPECT_EQ(fields.value(elementName(QStringLiteral("Value"), k)).toString(), int32Text(bytes, moneyAt(c, k)));
  }
}

TEST(EconomyCli, PriceAndRulesRecords) {
  TempRom rom(kImageSize, 82);
  const QByteArray bytes = rom.bytes();
  const QJsonArray parts = exportRecords(rom.path(), QStringLiteral("Parts"));
  ASSERT_EQ(parts.size(), 47);
  auto names = loadNames(namesDir(), {QStringLiteral("parts.txt"), 47, 1});
  ASSERT_TRUE(names);
  EXPECT_EQ(parts[0].toObject().value(QStringLiteral("name")).toString(), (*names)[0]);
  EXPECT_EQ(parts[46].toObject().value(QStringLiteral("fields")).toObject().value(QStringLiteral("sell")).toString(),
            int32Text(bytes, 0x76D20));
  const QJsonArray items = exportRecords(rom.path(), QStringLiteral("Parts_2"));
  ASSERT_EQ(items.size(), 22);
  EXPECT_EQ(items[21].toObject().value(QStringLiteral("fields")).toObject().value(QStringLiteral("sell")).toString(),
            int32Text(bytes, 0x76040));

  const QJsonArray rules = exportRecords(rom.path(), QStringLiteral("Rules"));
  ASSERT_EQ(rules.size(), 1);
  const QJsonObject limits = rules[0].toObject().value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(limits.value(QStringLiteral("ATKLimit")).toString(), QString::number(valueAt(bytes, kAttackLimit, 2)));
  EXPECT_EQ(limits.value(QStringLiteral("ExpLimit")).toString(), QString::number(valueAt(bytes, kExpLimit, 2)));
}

TEST(EconomyCli, ImportWritesOnlyTheNamedValues) {
  struct Case {
    const char* json;
    std::int64_t at;
    int width;
    std::uint32_t value;
  };
  const Case cases[] = {
      {R"j({"table":"money","records":[{"index":3,"fields":{"Value(14)":"-5"}}]})j", moneyAt(3, 14), 4, 0xFFFFFFFBu},
      {R"j({"table":"Parts","records":[{"index":46,"fields":{"sell":"1234567"}}]})j", 0x76D20, 4, 1234567},
      {R"j({"table":"Parts_2","records":[{"index":0,"fields":{"sell":"-1"}}]})j", 0x75E9C, 4, 0xFFFFFFFFu},
      {R"j({"table":"Rules","records":[{"index":0,"fields":{"ExpLimit":"999"}}]})j", kExpLimit, 2, 999},
  };
  for (const Case& c : cases) {
    TempRom rom(kImageSize, 83);
    const QByteArray before = rom.bytes();
    const CliRun r = importFile(rom.path(), QByteArray(c.json));
    ASSERT_EQ(r.code, 0) << c.json << r.err.toStdString();
    const QByteArray after = rom.bytes();
    EXPECT_EQ(valueAt(after, c.at, c.width), c.value) << c.json;
    EXPECT_TRUE(changesOnlyWithin(before, after, {{c.at, c.width}})) << c.json;
  }
}

TEST(EconomyCli, ARejectedRulesValueWritesNeither) {
  TempRom rom(kImageSize, 84);
  expectImportRefused(rom, R"j({"table":"Rules","records":[{"index":0,"fields":{"ATKLimit":"1","ExpLimit":"65536"}}]})j",
                      QStringLiteral("經驗值獲得上限"));
}

// Rows 1, 7, 10 and 11 of the main menu open the four forms on the sample image.
TEST(EconomyMenu, FormsOpenFromTheMainMenuOnTheSampleImage) {
  SampleMenu menu;
  TestApp& app = menu.app;
  const QByteArray bytes = menu.rom.bytes();

  struct Opened {
    int row;
    const char* form;
    const char* box;
    std::int64_t at;
    int width;
  };
  for (const Opened& o : {Opened{1, "money", "Value(14)", moneyAt(0, 14), 4}, {7, "Rules", "ATKLimit", kAttackLimit, 2},
                          {10, "Parts", "sell", 0x76818, 4}, {11, "Parts_2", "sell", 0x75E9C, 4}}) {
    QWidget* form = menu.edit(o.row, QString::fromLatin1(o.form));
    ASSERT_NE(form, nullptr) << o.form;
    const std::uint32_t v = valueAt(bytes, o.at, o.width);
    EXPECT_EQ(control<QLineEdit>(form, QString::fromLatin1(o.box))->text(),
              o.width == 4 ? QString::number(static_cast<std::int32_t>(v)) : QString::number(v))
        << o.form;
    expectRendersWithinScreen(form, QString::fromLatin1(o.form));
    control<QPushButton>(form, QStringLiteral("Exit"))->click();
    QApplication::processEvents();
    EXPECT_EQ(app.context->openForm(QString::fromLatin1(o.form)), nullptr) << o.form;
  }
  EXPECT_EQ(valueAt(bytes, kAttackLimit, 2), sample::kWeaponAttackLimitValue);
  EXPECT_TRUE(app.sink->messages.isEmpty());
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test::economy
