// UnitSP through its controls, on seeded random images.
#include "tests/editors/unit/unit_test_support.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>

namespace rt::test::unit {
namespace {

constexpr int kAbilityOffset = 0x6C;  // 14 bytes, USpA..USpN
constexpr int kBytes = 14;

QString boxName(int b, int k) { return QStringLiteral("USp%1(%2)").arg(QChar(u'A' + b)).arg(k); }

// The frame that holds each byte, and where the frame stands.
struct FrameOf {
  char letter;
  int frame;
  int column;
};
const FrameOf kFrames[kBytes] = {{'A', 3, 0},  {'B', 1, 0},  {'C', 2, 0},  {'D', 4, 0},  {'E', 5, 0},
                                 {'F', 10, 1}, {'G', 9, 1},  {'H', 8, 1},  {'I', 7, 1},  {'J', 6, 1},
                                 {'K', 14, 2}, {'L', 13, 2}, {'M', 12, 2}, {'N', 11, 2}};

struct AbilityFixture : FormFixture {
  void SetUp() override { open(QStringLiteral("UnitSP")); }
  QLabel* label(const QString& name) { return control<QLabel>(form, name); }
};

TEST_F(AbilityFixture, EveryRecordReadsRight) {
  const QByteArray bytes = rom.bytes();
  ASSERT_EQ(list()->count(), kUnits);
  EXPECT_EQ(list()->currentRow(), 0);
  for (int i = 0; i < kUnits; ++i) {
    select(i);
    for (int b = 0; b < kBytes; ++b) {
      const int v = byteAt(bytes, unitAt(i) + kAbilityOffset + b);
      for (int k = 0; k < 8; ++k)
        ASSERT_EQ(check(boxName(b, k))->isChecked(), bool(v & (1 << k))) << boxName(b, k).toStdString() << " of " << i;
    }
  }
}

TEST_F(AbilityFixture, AllOrNoBitsAndTheNamedExample) {
  const std::int64_t r = unitAt(3) + kAbilityOffset;
  rom.poke(r, QByteArray(1, char(0xFF)));             // USpA: all
  rom.poke(r + 1, QByteArray(1, char(0x00)));         // USpB: none
  rom.poke(r + 4, QByteArray(1, char(0x81)));         // USpE: sword and carrier
  select(3);
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(check(boxName(0, k))->isChecked());
    EXPECT_FALSE(check(boxName(1, k))->isChecked());
    EXPECT_EQ(check(boxName(4, k))->isChecked(), k == 0 || k == 7);
  }
  // USpE is in Frame5, so its captions are UnicodeLabel2(32..39).
  EXPECT_EQ(label(QStringLiteral("UnicodeLabel2(32)"))->text(), QStringLiteral("劍裝備"));
  EXPECT_EQ(label(QStringLiteral("UnicodeLabel2(39)"))->text(), QStringLiteral("搭載"));
}

TEST_F(AbilityFixture, SaveWithoutEditsLeavesTheFileUnchanged) {
  const QByteArray before = rom.bytes();
  for (int i : {0, 1, 77, 301, 302}) {
    select(i);
    press(QStringLiteral("Save"));
  }
  EXPECT_TRUE(differences(before, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(AbilityFixture, EachBoxChangesExactlyItsBit) {
  select(12);
  for (int b = 0; b < kBytes; ++b) {
    for (int k = 0; k < 8; ++k) {
      const QByteArray before = rom.bytes();
      const std::int64_t at = unitAt(12) + kAbilityOffset + b;
      QCheckBox* box = check(boxName(b, k));
      box->setChecked(!box->isChecked());
      press(QStringLiteral("Save"));
      const QByteArray after = rom.bytes();
      EXPECT_EQ(byteAt(after, at), byteAt(before, at) ^ (1 << k)) << boxName(b, k).toStdString();
      EXPECT_EQ(differences(before, after), std::vector<std::int64_t>{at}) << boxName(b, k).toStdString();
    }
  }
}

TEST_F(AbilityFixture, SaveTouchesOnlyTheAbilityBytes) {
  for (int record : {0, 302}) {
    select(record);
    for (int b = 0; b < kBytes; ++b)
      for (int k = 0; k < 8; ++k) check(boxName(b, k))->setChecked(!check(boxName(b, k))->isChecked());
    const QByteArray before = rom.bytes();
    press(QStringLiteral("Save"));
    const QByteArray after = rom.bytes();
    const std::int64_t first = unitAt(record) + kAbilityOffset;
    EXPECT_TRUE(within(differences(before, after), first, kBytes)) << "record " << record;
    for (int b = 0; b < kBytes; ++b) EXPECT_EQ(byteAt(after, first + b), byteAt(before, first + b) ^ 0xFF);
  }
  // Record 302 ends the table at 0x8C9A3; its ability bytes are 0x8C98C..0x8C999.
  EXPECT_EQ(unitAt(302) + kAbilityOffset, 0x8C98C);
}

TEST_F(AbilityFixture, FramesCaptionsAndBoxesStandWhereTheyBelong) {
  form->show();
  QApplication::processEvents();
  int columnX[3] = {-1, -1, -1};
  int lastBottom[3] = {-1, -1, -1};
  for (int b = 0; b < kBytes; ++b) {
    const FrameOf& f = kFrames[b];
    auto* frame = control<QGroupBox>(form, QStringLiteral("Frame%1").arg(f.frame));
    auto* caption = label(QStringLiteral("UnicodeLabel1(%1)").arg(f.frame - 1));
    ASSERT_TRUE(frame && caption);
    QString expected = QStringLiteral("機體特殊能力") + QLatin1Char(f.letter);
    if (f.letter == 'J') expected += QStringLiteral("  OSkill");
    EXPECT_EQ(caption->text(), expected);
    // The caption stands just above its frame; frames run down their column in byte order.
    EXPECT_LE(caption->geometry().bottom(), frame->geometry().top());
    EXPECT_LT(frame->geometry().top() - caption->geometry().bottom(), 16);
    EXPECT_GT(caption->geometry().top(), lastBottom[f.column]);
    lastBottom[f.column] = frame->geometry().bottom();
    if (columnX[f.column] < 0) columnX[f.column] = frame->x();
    EXPECT_EQ(frame->x(), columnX[f.column]) << f.letter;
    for (int k = 0; k < 8; ++k) {
      QCheckBox* box = check(boxName(b, k));
      QLabel* name = label(QStringLiteral("UnicodeLabel2(%1)").arg(8 * (f.frame - 1) + k));
      ASSERT_TRUE(box && name);
      EXPECT_EQ(box->parentWidget(), frame);
      EXPECT_EQ(name->parentWidget(), frame);
      // Four rows of two: bit 2r on the left, bit 2r + 1 on the right, the caption right of its box.
      QCheckBox* rowStart = check(boxName(b, k & ~1));
      EXPECT_EQ(box->y(), rowStart->y());
      if (k % 2) {
        EXPECT_GT(box->x(), rowStart->x());
      }
      if (k >= 2) {
        EXPECT_GT(box->y(), check(boxName(b, k - 2))->y());
      }
      EXPECT_GT(name->x(), box->x());
      EXPECT_NEAR(name->geometry().center().y(), box->geometry().center().y(), 2) << name->objectName().toStdString();
      // Not clipped, and clear of the next box on its row.
      EXPECT_GE(name->width(), name->sizeHint().width()) << name->objectName().toStdString();
      if (k % 2 == 0) {
        EXPECT_LT(name->geometry().right(), check(boxName(b, k + 1))->x());
      }
      EXPECT_LE(name->geometry().right(), frame->contentsRect().right());
    }
  }
  EXPECT_LT(columnX[0], columnX[1]);
  EXPECT_LT(columnX[1], columnX[2]);
  // Save above Exit, above the frames of the third column.
  auto* save = control<QPushButton>(form, QStringLiteral("Save"));
  auto* exit = control<QPushButton>(form, QStringLiteral("Exit"));
  EXPECT_LT(save->y(), exit->y());
  EXPECT_LT(exit->geometry().bottom(), label(QStringLiteral("UnicodeLabel1(13)"))->y());
  EXPECT_GE(save->x(), columnX[2]);
  EXPECT_LE(form->width(), 1280);
  EXPECT_LE(form->height(), 800);
}

TEST_F(AbilityFixture, CaptionsAreStandardKanaWithTheirBlanks) {
  int named = 0;
  for (int e = 0; e < 112; ++e) {
    const QString text = label(QStringLiteral("UnicodeLabel2(%1)").arg(e))->text();
    ASSERT_FALSE(text.isEmpty()) << e;
    for (QChar c : text) EXPECT_FALSE(c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF) << "private-use code point in " << e;
    if (text != QStringLiteral("?") && text != QStringLiteral("---")) ++named;
  }
  EXPECT_EQ(named, 66);  // A..D ("?") and N ("---") are unnamed, and 6 bits of K, L, M ("---")
  // Spot checks across the frames, blanks included (frame n holds elements 8(n-1)..8(n-1)+7).
  const std::pair<int, const char*> spots[] = {
      {8 * 9 + 7, " ラミネート裝甲"},    // USpF bit 7, Frame10
      {8 * 7 + 0, "陽電子リフレクター "},  // USpH bit 0, Frame8
      {8 * 6 + 5, "クリスタル·ハート"},    // USpI bit 5, Frame7
      {8 * 5 + 0, "重力 "},               // USpJ bit 0, Frame6
      {8 * 13 + 0, "OSkill 硬化"},        // USpK bit 0, Frame14
      {8 * 12 + 0, "銅鐸パワー "},         // USpL bit 0, Frame13
      {8 * 12 + 4, "クリシュナ‧ハート"},   // USpL bit 4
      {8 * 11 + 2, "ハイパーデュートリオン"},  // USpM bit 2, Frame12
      {8 * 10 + 7, "---"},                // USpN bit 7, Frame11
      {8 * 2 + 3, "?"},                   // USpA bit 3, Frame3
  };
  for (const auto& [element, caption] : spots)
    EXPECT_EQ(label(QStringLiteral("UnicodeLabel2(%1)").arg(element))->text(), QString::fromUtf8(caption)) << element;
}

TEST(UnitAbilityScreenshot, Renders) {
  TestApp app;
  TempRom rom(kImageSize, 6);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("UnitSP"));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("機體特殊能力 / Unit abilities"));  // its menu row
  expectRendersWithinScreen(form, QStringLiteral("UnitSP"));
}

}  // namespace
}  // namespace rt::test::unit
