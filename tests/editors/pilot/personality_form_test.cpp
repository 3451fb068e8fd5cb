// character (personalities) through its controls, on seeded random images.
#include "tests/support/test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kBase = 0xD1E5C;
constexpr std::int64_t kImageSize = 0xD1EBC + 32;

QString ki(int k) { return QStringLiteral("ki(%1)").arg(k); }

struct PersonalityFixture : ::testing::Test {
  TestApp app;
  TempRom rom{kImageSize, 31};
  QWidget* form = nullptr;
  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("character"));
    ASSERT_NE(form, nullptr);
  }
  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* box(int k) { return control<QLineEdit>(form, ki(k)); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  void reselect(int row) {
    list()->setCurrentRow(row == 0 ? 1 : 0);
    list()->setCurrentRow(row);
  }
};

TEST_F(PersonalityFixture, EveryRecordShowsItsBytesSigned) {
  rom.poke(kBase, QByteArray("\x05\xFF\x80\x7F\x00\x81", 6));
  const QByteArray bytes = rom.bytes();
  ASSERT_EQ(list()->count(), 8);
  reselect(0);
  EXPECT_EQ(box(0)->text(), QStringLiteral("5"));
  EXPECT_EQ(box(1)->text(), QStringLiteral("-1"));
  EXPECT_EQ(box(2)->text(), QStringLiteral("-128"));
  EXPECT_EQ(box(3)->text(), QStringLiteral("127"));
  EXPECT_EQ(box(4)->text(), QStringLiteral("0"));
  EXPECT_EQ(box(5)->text(), QStringLiteral("-127"));
  for (int r = 0; r < 8; ++r) {
    list()->setCurrentRow(r);
    for (int k = 0; k < 12; ++k) {
      const int b = byteAt(bytes, kBase + 12 * r + k);
      EXPECT_EQ(box(k)->text().toInt(), b > 127 ? b - 256 : b) << "record " << r << " ki(" << k << ")";
    }
  }
}

TEST_F(PersonalityFixture, CaptionsBesideEachBox) {
  const QStringList captions = {
      QStringLiteral("氣力+命中(單)"), QStringLiteral("氣力+命中(雙)"), QStringLiteral("氣力+不命中(單)"),
      QStringLiteral("氣力+不命中(雙)"), QStringLiteral("氣力+回避(單)"), QStringLiteral("氣力+回避(雙)"),
      QStringLiteral("氣力+傷害(單)"), QStringLiteral("氣力+傷害(雙)"), QStringLiteral("氣力+擊墜(單)"),
      QStringLiteral("氣力+擊墜(雙)"), QStringLiteral("氣力+自軍被擊墜(單)"), QStringLiteral("氣力+自軍被擊墜(雙)")};
  for (int k = 0; k < 12; ++k) {
    auto* label = control<QLabel>(form, QStringLiteral("UnicodeLabel1(%1)").arg(k));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), captions[k]);
  }
}

TEST_F(PersonalityFixture, SaveWithoutEditsChangesNothing) {
  const QByteArray before = rom.bytes();
  for (int r = 0; r < 8; ++r) {
    list()->setCurrentRow(r);
    save();
  }
  EXPECT_EQ(rom.bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PersonalityFixture, EachBoxChangedAloneWritesItsByte) {
  struct Case {
    const char* text;
    int stored;
    const char* shownAgain;
  };
  const std::vector<Case> cases = {
      {"-1", 0xFF, "-1"},     {"-128", 0x80, "-128"}, {"127", 0x7F, "127"},  {"200", 0xC8, "-56"},
      {"255", 0xFF, "-1"},    {"-256", 0x00, "0"},    {"-129", 0x7F, "127"}, {"2.5", 0x02, "2"},
      {"3.5", 0x04, "4"},     {"-2.5", 0xFE, "-2"},   {"-3.5", 0xFC, "-4"},  {" +7 ", 0x07, "7"},
  };
  for (int r : {0, 7}) {
    for (int k = 0; k < 12; ++k) {
      const Case& c = cases[static_cast<size_t>((k + r) % cases.size())];
      SCOPED_TRACE(std::string("record ") + std::to_string(r) + " ki(" + std::to_string(k) + ") '" + c.text + "'");
      reselect(r);
      const QByteArray before = rom.bytes();
      const std::int64_t at = kBase + 12 * r + k;
      box(k)->setText(QString::fromLatin1(c.text));
      save();
      const QByteArray after = rom.bytes();
      EXPECT_EQ(byteAt(after, at), c.stored);
      for (std::int64_t d : differences(before, after)) EXPECT_EQ(d, at);
      reselect(r);
      EXPECT_EQ(box(k)->text(), QString::fromLatin1(c.shownAgain));
    }
  }
}

TEST_F(PersonalityFixture, RejectedTextsChangeNothing) {
  list()->setCurrentRow(7);
  const QByteArray before = rom.bytes();
  for (const char* text : {"-300", "256", "-257", "255.5", "-256.6", "abc", "", "1,5", "--1"}) {
    SCOPED_TRACE(text);
    app.sink->messages.clear();
    reselect(7);
    box(0)->setText(QStringLiteral("1"));  // a valid edit that must not land either
    box(11)->setText(QString::fromLatin1(text));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1);
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("氣力+自軍被擊墜(雙)"))) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("-256 to 255"))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom.bytes(), before);
    EXPECT_EQ(form->focusWidget(), box(11));
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(PersonalityFixture, LastRecordStaysInsideItsTwelveBytes) {
  list()->setCurrentRow(7);
  const QByteArray before = rom.bytes();
  for (int k = 0; k < 12; ++k) box(k)->setText(QString::number(-(k + 1)));
  save();
  const QByteArray after = rom.bytes();
  for (std::int64_t d : differences(before, after)) {
    EXPECT_GE(d, 0xD1EB0);
    EXPECT_LE(d, 0xD1EBB);
  }
  for (int k = 0; k < 12; ++k) EXPECT_EQ(byteAt(after, 0xD1EB0 + k), 256 - (k + 1));
}

TEST(PersonalityNames, NumericItemsShowInPlainForm) {
  QTemporaryDir names;
  writeFile(names, QStringLiteral("character.txt"), "007\n\"007\"\n普通\n12.50\n-03\nx\ny\nz\n");
  TempRom rom(kImageSize, 2);
  TestApp app(names.path());
  QWidget* form = app.showForm(rom.path(), QStringLiteral("character"));
  ASSERT_NE(form, nullptr);
  auto* rows = control<QListWidget>(form, QStringLiteral("List1"));
  ASSERT_EQ(rows->count(), 8);
  EXPECT_EQ(rows->item(0)->text(), QStringLiteral("7"));
  EXPECT_EQ(rows->item(1)->text(), QStringLiteral("007"));  // quoted: text as written
  EXPECT_EQ(rows->item(2)->text(), QStringLiteral("普通"));
  EXPECT_EQ(rows->item(3)->text(), QStringLiteral("12.5"));
  EXPECT_EQ(rows->item(4)->text(), QStringLiteral("-3"));
}

}  // namespace
}  // namespace rt::test
