// SPEdit through its controls, on seeded random images.
#include "ui/menus.h"
#include "editors/pilot/spirit_cost_table.h"
#include "tests/support/test_support.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kBase = 0xD4424;
constexpr std::int64_t kImageSize = 0xD4424 + 28 * 35 + 64;

struct SpEditFixture : ::testing::Test {
  TestApp app;
  TempRom rom{kImageSize, 7};
  QWidget* form = nullptr;
  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("SPEdit"));
    ASSERT_NE(form, nullptr);
  }
  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* value() { return control<QLineEdit>(form, QStringLiteral("SP_VAL")); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
};

TEST_F(SpEditFixture, EveryRecordShowsItsByte) {
  const QByteArray bytes = rom.bytes();
  EXPECT_EQ(list()->count(), 35);
  EXPECT_EQ(list()->currentRow(), 0);
  for (int i = 0; i < 35; ++i) {
    list()->setCurrentRow(i);
    EXPECT_EQ(value()->text(), QString::number(byteAt(bytes, kBase + 28 * i))) << "record " << i;
  }
}

TEST_F(SpEditFixture, SaveWithoutEditsChangesNothing) {
  const QByteArray before = rom.bytes();
  for (int i : {0, 17, 34}) {
    list()->setCurrentRow(i);
    save();
  }
  EXPECT_TRUE(differences(before, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(SpEditFixture, SavesExactlyOneByte) {
  for (auto [row, text, expected] : {std::tuple{0, "0", 0x00}, {34, "255", 0xFF}, {5, " 12.5 ", 12}, {6, "13.5", 14}}) {
    const QByteArray before = rom.bytes();
    list()->setCurrentRow(row);
    value()->setText(QString::fromLatin1(text));
    save();
    const QByteArray after = rom.bytes();
    const auto diff = differences(before, after);
    const std::int64_t at = kBase + 28 * row;
    EXPECT_EQ(byteAt(after, at), expected) << text;
    EXPECT_LE(diff.size(), 1u);
    for (auto d : diff) EXPECT_EQ(d, at);
  }
}

TEST_F(SpEditFixture, RejectedTextsChangeNothing) {
  list()->setCurrentRow(3);
  const QByteArray before = rom.bytes();
  for (const char* text : {"256", "-1", "", "abc", "12a", "1e2"}) {
    app.sink->messages.clear();
    value()->setText(QString::fromLatin1(text));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1) << text;
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("消耗SP"))) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 255")));
    EXPECT_EQ(rom.bytes(), before) << text;
  }
  EXPECT_EQ(app.files->writesOpened, 0);  // rejected before the file was opened for writing
}

TEST_F(SpEditFixture, ReadOnlyImageCanBeViewedButNotSaved) {
  app.files->refuseWriteOpen = true;
  list()->setCurrentRow(2);
  const QByteArray before = rom.bytes();
  EXPECT_EQ(value()->text(), QString::number(byteAt(before, kBase + 56)));
  value()->setText(QStringLiteral("9"));
  save();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("cannot be written")));
  EXPECT_EQ(rom.bytes(), before);
}

TEST(SpEditShortFile, SaveOfARecordPastTheEndIsRefusedAndTheFileDoesNotGrow) {
  TestApp app;
  TempRom rom(kBase + 28 * 10, 3);  // records 10.. lie past the end
  QWidget* form = app.showForm(rom.path(), QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  auto* list = control<QListWidget>(form, QStringLiteral("List1"));
  list->setCurrentRow(20);
  EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("SP_VAL"))->text(), QStringLiteral("0"));  // reads past the end give 0
  const QByteArray before = rom.bytes();
  control<QLineEdit>(form, QStringLiteral("SP_VAL"))->setText(QStringLiteral("5"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("past the end")));
  EXPECT_EQ(rom.bytes(), before);
}

TEST(SpEditScreenshot, Renders) {
  TestApp app;
  TempRom rom(kImageSize, 1);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  expectRendersWithinScreen(form, QStringLiteral("SPEdit"));
}

}  // namespace
}  // namespace rt::test
