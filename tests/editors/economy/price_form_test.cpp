// Parts and Parts_2 through their controls, on seeded random images.
#include "model/name_list.h"
#include "tests/editors/economy/economy_test_support.h"

namespace rt::test::economy {
namespace {

struct PriceCase {
  const char* form;
  std::int64_t firstPrice;  // file offset of the price of record 0
  std::int64_t stride;
  int count;
  const char* list;
  int skip;  // leading items of the list that name no record
  std::int64_t lastPrice;
};
const PriceCase kCases[] = {
    {"Parts", 0x76818, 28, 47, "parts.txt", 1, 0x76D20},
    {"Parts_2", 0x75E9C, 20, 22, "skills.txt", 0, 0x76040},
};

struct PriceForm : FormFixture, ::testing::WithParamInterface<PriceCase> {
  void SetUp() override { open(QString::fromLatin1(GetParam().form), 61); }
  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* sell() { return box(QStringLiteral("sell")); }
  std::int64_t priceAt(int row) const { return GetParam().firstPrice + GetParam().stride * row; }
};

TEST_P(PriceForm, ListsTheNamesAndEveryRowShowsItsPrice) {
  const PriceCase& p = GetParam();
  // Titled with its menu row, which names the prices it lists.
  EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral(" prices"))) << form->windowTitle().toStdString();
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1"))->text(), QStringLiteral("售價"));
  auto names = loadNameList(namesDir(), QString::fromLatin1(p.list), p.count + p.skip);
  ASSERT_TRUE(names);
  ASSERT_EQ(list()->count(), p.count);
  for (int i = 0; i < p.count; ++i) EXPECT_EQ(list()->item(i)->text(), (*names)[i + p.skip]);
  EXPECT_EQ(list()->currentRow(), 0);
  EXPECT_EQ(priceAt(p.count - 1), p.lastPrice);

  rom->poke(priceAt(1), le(0xFFFFFF9Cu, 4));  // -100
  const QByteArray bytes = rom->bytes();
  EXPECT_EQ(sell()->text(), int32Text(bytes, priceAt(0)));
  for (int i = p.count - 1; i >= 0; --i) {
    list()->setCurrentRow(i);
    EXPECT_EQ(sell()->text(), int32Text(bytes, priceAt(i))) << "row " << i;
  }
  list()->setCurrentRow(1);
  EXPECT_EQ(sell()->text(), QStringLiteral("-100"));
}

TEST_P(PriceForm, SaveWithoutEditsChangesNothing) {
  const QByteArray before = rom->bytes();
  for (int i = 0; i < GetParam().count; ++i) {
    list()->setCurrentRow(i);
    save();
  }
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_P(PriceForm, SaveChangesExactlyThePriceOfTheSelectedRow) {
  const int last = GetParam().count - 1;
  struct Case {
    int row;
    const char* text;
    std::int32_t stored;
  };
  for (const Case& c : {Case{0, "-100", -100}, {last, "2147483647", INT32_MAX}, {last / 2, "-2147483648", INT32_MIN},
                        {3, " 2.5", 2}, {4, "0", 0}}) {
    list()->setCurrentRow(c.row);
    const QByteArray before = rom->bytes();
    sell()->setText(QString::fromLatin1(c.text));
    save();
    const QByteArray after = rom->bytes();
    EXPECT_EQ(static_cast<std::int32_t>(valueAt(after, priceAt(c.row), 4)), c.stored) << c.text;
    EXPECT_TRUE(changesOnlyWithin(before, after, {{priceAt(c.row), 4}})) << c.text;
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_P(PriceForm, RejectedTextsChangeNothing) {
  list()->setCurrentRow(2);
  const QByteArray before = rom->bytes();
  for (const char* text : {"2147483648", "-2147483649", "", "1,000", "0x10"}) {
    app.sink->messages.clear();
    sell()->setText(QString::fromLatin1(text));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1) << text;
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("售價"))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom->bytes(), before) << text;
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

INSTANTIATE_TEST_SUITE_P(Prices, PriceForm, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.form); });

}  // namespace
}  // namespace rt::test::economy
