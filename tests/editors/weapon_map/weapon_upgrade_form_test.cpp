// EWeapon through its controls: one column of the upgrade table per step type.
#include "model/name_list.h"
#include "tests/editors/weapon_map/weapon_map_images.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

using namespace wm;

constexpr std::int64_t kImageSize = kUpgradeBase + 120 + 64;

// Level k + 1 of column c.
std::int64_t valueAt(int c, int k) { return kUpgradeBase + 8 * k + 2 * c; }
QString value(int k) { return QStringLiteral("Value(%1)").arg(k); }

struct UpgradeFixture : ::testing::Test {
  TestApp app;
  QByteArray image = randomBytes(kImageSize, 21);
  TempRom rom{image};
  QWidget* form = nullptr;
  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("EWeapon"));
    ASSERT_NE(form, nullptr);
  }
  QComboBox* choices() { return control<QComboBox>(form, QStringLiteral("choices")); }
  QLineEdit* box(int k) { return control<QLineEdit>(form, value(k)); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
};

TEST_F(UpgradeFixture, EveryColumnReadsItsFifteenWords) {
  auto names = loadNameList(namesDir(), QStringLiteral("EWeapon.txt"), 4);
  ASSERT_TRUE(names.isOk());
  ASSERT_EQ(choices()->count(), 4);
  EXPECT_EQ(choices()->currentIndex(), 0);
  for (int c : {0, 1, 2, 3, 0}) {
    choices()->setCurrentIndex(c);
    EXPECT_EQ(choices()->currentText(), (*names)[c]);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(box(k)->text(), QString::number(u16(image, valueAt(c, k)))) << c << "/" << k;
  }
  for (int k = 0; k < 15; ++k)
    EXPECT_EQ(control<QLabel>(form, QStringLiteral("Label%1").arg(k + 1))->text(), QStringLiteral("LV%1").arg(k + 1));
}

TEST_F(UpgradeFixture, StoredFFFFShows65535) {
  rom.poke(valueAt(3, 14), le(0xFFFF, 2));
  rom.poke(valueAt(3, 0), le(0, 2));
  choices()->setCurrentIndex(3);
  EXPECT_EQ(box(14)->text(), QStringLiteral("65535"));
  EXPECT_EQ(box(0)->text(), QStringLiteral("0"));
}

TEST_F(UpgradeFixture, SavesWithoutEditsChangeNothing) {
  for (int c = 0; c < 4; ++c) {
    choices()->setCurrentIndex(c);
    save();
  }
  EXPECT_EQ(rom.bytes(), image);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(UpgradeFixture, EachValueChangedAloneChangesExactlyItsWord) {
  const std::pair<const char*, int> typed[] = {{"0", 0}, {"65535", 65535}, {" 12.5 ", 12}, {"1.5", 2}, {"4660", 4660}};
  int n = 0;
  for (int c = 0; c < 4; ++c) {
    choices()->setCurrentIndex(c);
    for (int k = 0; k < 15; ++k, ++n) {
      const auto& [text, expected] = typed[n % 5];
      const QByteArray before = rom.bytes();
      box(k)->setText(QString::fromLatin1(text));
      save();
      const QByteArray after = rom.bytes();
      EXPECT_EQ(u16(after, valueAt(c, k)), expected) << c << "/" << k;
      for (auto d : changedOffsets(before, after)) {
        EXPECT_GE(d, valueAt(c, k));
        EXPECT_LE(d, valueAt(c, k) + 1);
      }
    }
  }
  // Only the 60 words of the table moved.
  for (auto d : changedOffsets(image, rom.bytes())) {
    EXPECT_GE(d, kUpgradeBase);
    EXPECT_LT(d, kUpgradeBase + 120);
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(UpgradeFixture, RejectedTextsChangeNothing) {
  choices()->setCurrentIndex(2);
  for (int k : {0, 7, 14}) {
    const QString good = box(k)->text();
    for (const char* bad : {"65536", "-1", "", "abc", "0x10", "1,5"}) {
      app.sink->messages.clear();
      box(k)->setText(QString::fromLatin1(bad));
      save();
      ASSERT_EQ(app.sink->messages.size(), 1) << bad;
      EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("LV%1").arg(k + 1))) << app.sink->messages[0].toStdString();
      EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 65535")));
    }
    box(k)->setText(good);
  }
  EXPECT_EQ(rom.bytes(), image);
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST(UpgradeScreenshot, Renders) {
  TestApp app;
  TempRom rom(kImageSize, 5);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("EWeapon"));
  ASSERT_NE(form, nullptr);
  expectRendersWithinScreen(form, QStringLiteral("EWeapon"));
}

}  // namespace
}  // namespace rt::test
