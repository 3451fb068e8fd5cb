// Rules through its controls, on seeded random images.
#include "tests/editors/economy/economy_test_support.h"

namespace rt::test::economy {
namespace {

struct RulesForm : FormFixture {
  void SetUp() override { open(QStringLiteral("Rules"), 71); }
  QLineEdit* atk() { return box(QStringLiteral("ATKLimit")); }
  QLineEdit* exp() { return box(QStringLiteral("ExpLimit")); }
  void reopen() {
    app.context->closeAllForms();
    form = app.context->showForm(QStringLiteral("Rules"));
    ASSERT_NE(form, nullptr);
  }
};

TEST_F(RulesForm, ShowsBothLimitsUnsigned) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("規則上限 / Limits"));  // its menu row
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1"))->text(), QStringLiteral("武器攻擊力上限"));
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel2"))->text(), QStringLiteral("經驗值獲得上限"));
  const QByteArray bytes = rom->bytes();
  EXPECT_EQ(atk()->text(), QString::number(valueAt(bytes, kAttackLimit, 2)));
  EXPECT_EQ(exp()->text(), QString::number(valueAt(bytes, kExpLimit, 2)));

  rom->poke(kAttackLimit, QByteArray("\xFF\xFF", 2));
  rom->poke(kExpLimit, QByteArray("\x34\x12", 2));
  reopen();
  EXPECT_EQ(atk()->text(), QStringLiteral("65535"));
  EXPECT_EQ(exp()->text(), QStringLiteral("4660"));
}

TEST_F(RulesForm, SaveWithoutEditsChangesNothing) {
  rom->poke(kAttackLimit, QByteArray("\xFF\xFF", 2));
  reopen();
  const QByteArray before = rom->bytes();
  save();
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(RulesForm, SaveWritesEachLimitAtItsOwnTwoBytes) {
  struct Case {
    const char* attack;
    const char* experience;
    int attackStored, experienceStored;
  };
  for (const Case& c : {Case{"9999", "500", 9999, 500}, {"65535", "0", 0xFFFF, 0}, {"0", "65535", 0, 0xFFFF},
                        {" 258 ", "4.5", 258, 4}}) {
    const QByteArray before = rom->bytes();
    atk()->setText(QString::fromLatin1(c.attack));
    exp()->setText(QString::fromLatin1(c.experience));
    save();
    const QByteArray after = rom->bytes();
    EXPECT_EQ(valueAt(after, kAttackLimit, 2), static_cast<std::uint32_t>(c.attackStored)) << c.attack;
    EXPECT_EQ(valueAt(after, kExpLimit, 2), static_cast<std::uint32_t>(c.experienceStored)) << c.experience;
    EXPECT_TRUE(changesOnlyWithin(before, after, {{kAttackLimit, 2}, {kExpLimit, 2}}));
  }
  EXPECT_EQ(byteAt(rom->bytes(), kAttackLimit), 2);  // low byte first: 258 = 02 01
  EXPECT_EQ(byteAt(rom->bytes(), kAttackLimit + 1), 1);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(RulesForm, ARejectedValueWritesNeither) {
  struct Case {
    const char* attack;
    const char* experience;
    const char* named;  // the caption the message names
  };
  const QByteArray before = rom->bytes();
  for (const Case& c : {Case{"65536", "1", "武器攻擊力上限"}, {"2", "-1", "經驗值獲得上限"}, {"", "3", "武器攻擊力上限"},
                        {"4", "x", "經驗值獲得上限"}, {"1e2", "70000", "武器攻擊力上限"}}) {
    app.sink->messages.clear();
    atk()->setText(QString::fromLatin1(c.attack));
    exp()->setText(QString::fromLatin1(c.experience));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1) << c.attack << " " << c.experience;
    EXPECT_TRUE(app.sink->messages[0].contains(QString::fromUtf8(c.named))) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 65535")));
    EXPECT_EQ(rom->bytes(), before);
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(RulesForm, AnImageThatEndsBeforeTheAttackLimitIsNotGrown) {
  // The experience limit lies inside this image, the attack limit past its end.
  rom = std::make_unique<TempRom>(kExpLimit + 0x100, 5);
  app.context->rom().setRomPath(rom->path());
  reopen();
  EXPECT_EQ(atk()->text(), QStringLiteral("0"));  // reads past the end give 0
  const QByteArray before = rom->bytes();
  atk()->setText(QStringLiteral("17"));
  save();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_EQ(rom->bytes(), before);  // no growth
  atk()->setText(QStringLiteral("0"));
  exp()->setText(QStringLiteral("17"));
  save();  // only the edited limit is written, and it lies inside the image
  EXPECT_EQ(app.sink->messages.size(), 1);
  EXPECT_EQ(rom->bytes().size(), before.size());
  EXPECT_EQ(valueAt(rom->bytes(), kExpLimit, 2), 17u);
}

}  // namespace
}  // namespace rt::test::economy
