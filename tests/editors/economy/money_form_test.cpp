// money through its controls, on seeded random images.
#include "model/name_list.h"
#include "tests/editors/economy/economy_test_support.h"

namespace rt::test::economy {
namespace {

struct MoneyForm : FormFixture {
  void SetUp() override { open(QStringLiteral("money"), 51); }
  QComboBox* choices() { return control<QComboBox>(form, QStringLiteral("choices")); }
  QLineEdit* value(int k) { return box(elementName(QStringLiteral("Value"), k)); }
  void show(int column) { choices()->setCurrentIndex(column); }
};

TEST_F(MoneyForm, OpensOnColumnZeroWithTheColumnNamesAndLevelCaptions) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("資金表 / Money"));  // its menu row
  auto names = loadNameList(namesDir(), QStringLiteral("choices.txt"), 10);
  ASSERT_TRUE(names) << names.message().toStdString();
  ASSERT_EQ(choices()->count(), 10);
  for (int c = 0; c < 10; ++c) EXPECT_EQ(choices()->itemText(c), (*names)[c]);
  EXPECT_EQ(choices()->currentIndex(), 0);
  for (int k = 0; k < 15; ++k) {
    EXPECT_EQ(control<QLabel>(form, QStringLiteral("Label%1").arg(k + 1))->text(), QStringLiteral("LV%1").arg(k + 1));
    EXPECT_EQ(value(k)->text(), int32Text(rom->bytes(), moneyAt(0, k))) << "level " << k + 1;
  }
  EXPECT_EQ(form->findChild<QLineEdit*>(QStringLiteral("Value(15)")), nullptr);
}

TEST_F(MoneyForm, EveryColumnShowsItsFifteenValues) {
  // Extremes at the corners of the table: the first and the very last value.
  rom->poke(moneyAt(0, 0), le(0xFFFFFFFFu, 4));
  rom->poke(moneyAt(9, 14), le(0x80000000u, 4));
  const QByteArray bytes = rom->bytes();
  for (int c = 9; c >= 0; --c) {
    show(c);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(value(k)->text(), int32Text(bytes, moneyAt(c, k))) << c << "/" << k;
  }
  EXPECT_EQ(value(0)->text(), QStringLiteral("-1"));
  show(9);
  EXPECT_EQ(value(14)->text(), QStringLiteral("-2147483648"));
}

TEST_F(MoneyForm, SaveWithoutEditsChangesNothing) {
  const QByteArray before = rom->bytes();
  for (int c = 0; c < 10; ++c) {
    show(c);
    save();
  }
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(MoneyForm, OneValueChangesExactlyItsFourBytes) {
  struct Case {
    int column, level;
    const char* text;
    std::int32_t stored;
  };
  for (const Case& c : {Case{3, 0, "-1", -1}, {3, 14, "2147483647", 2147483647}, {9, 14, "-2147483648", INT32_MIN},
                        {0, 7, " 12.5 ", 12}, {5, 8, "13.5", 14}, {6, 3, "0", 0}}) {
    show(c.column);
    const QByteArray before = rom->bytes();
    value(c.level)->setText(QString::fromLatin1(c.text));
    save();
    const QByteArray after = rom->bytes();
    const std::int64_t at = moneyAt(c.column, c.level);
    EXPECT_EQ(static_cast<std::int32_t>(valueAt(after, at, 4)), c.stored) << c.text;
    EXPECT_TRUE(changesOnlyWithin(before, after, {{at, 4}})) << c.text;
    EXPECT_EQ(value(c.level)->text(), QString::fromLatin1(c.text));  // the box keeps what was typed
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(MoneyForm, SavingAColumnWritesItsFifteenPlacesAndNoOther) {
  for (int column : {3, 0, 9}) {
    show(column);
    const QByteArray before = rom->bytes();
    for (int k = 0; k < 15; ++k) value(k)->setText(QString::number(1000 * k - 7000 + column));
    save();
    const QByteArray after = rom->bytes();
    for (int k = 0; k < 15; ++k)
      EXPECT_EQ(static_cast<std::int32_t>(valueAt(after, moneyAt(column, k), 4)), 1000 * k - 7000 + column);
    for (std::int64_t d : differences(before, after)) {
      EXPECT_GE(d, kMoney);
      EXPECT_LT(d, kMoney + 600);
      EXPECT_EQ((d - kMoney) % 40 / 4, column) << "byte " << d << " belongs to another column";
    }
  }
}

TEST_F(MoneyForm, AnotherColumnDropsUnsavedEditsAndSaveWritesTheShownColumn) {
  show(2);
  const QString stored = value(4)->text();
  value(4)->setText(QStringLiteral("77"));
  app.sink->unsaved = MessageSink::Unsaved::Discard;
  show(4);
  EXPECT_EQ(app.sink->unsavedQuestions.size(), 1);
  show(2);
  EXPECT_EQ(value(4)->text(), stored);  // reread from the file
  const QByteArray before = rom->bytes();
  show(4);
  value(4)->setText(QStringLiteral("77"));
  save();
  const QByteArray after = rom->bytes();
  EXPECT_EQ(valueAt(after, moneyAt(4, 4), 4), 77u);
  EXPECT_TRUE(changesOnlyWithin(before, after, {{moneyAt(4, 4), 4}}));
}

TEST_F(MoneyForm, RejectedTextsChangeNothing) {
  show(7);
  const QByteArray before = rom->bytes();
  for (const char* text : {"2147483648", "-2147483649", "", "abc", "12a", "1e3", "--1"}) {
    app.sink->messages.clear();
    value(0)->setText(QStringLiteral("5"));  // a valid edit that must not land either
    value(11)->setText(QString::fromLatin1(text));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1) << text;
    const QString& message = app.sink->messages[0];
    EXPECT_TRUE(message.contains(QStringLiteral("LV12"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("-2147483648 to 2147483647"))) << message.toStdString();
    EXPECT_EQ(form->focusWidget(), value(11)) << text;
    EXPECT_EQ(rom->bytes(), before) << text;
  }
  EXPECT_EQ(app.files->writesOpened, 0);  // rejected before the file was opened for writing
}

TEST_F(MoneyForm, ExitUnloadsTheForm) {
  control<QPushButton>(form, QStringLiteral("Exit"))->click();
  QApplication::processEvents();
  EXPECT_EQ(app.context->openForm(QStringLiteral("money")), nullptr);
}

TEST(MoneyFormLists, AShortColumnListStopsTheForm) {
  QTemporaryDir names;
  writeFile(names, QStringLiteral("choices.txt"), "a\nb\nc\n");
  TestApp app(names.path());
  TempRom rom(kImageSize, 3);
  EXPECT_EQ(app.showForm(rom.path(), QStringLiteral("money")), nullptr);
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("choices.txt")));
}

}  // namespace
}  // namespace rt::test::economy
