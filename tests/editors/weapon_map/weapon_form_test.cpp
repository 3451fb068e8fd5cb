// Weapon through its controls, on seeded random images whose units name
// weapon ranges (some empty, some running past the weapon table).
#include "model/name_list.h"
#include "tests/editors/weapon_map/weapon_map_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

using namespace wm;

enum class Kind { U8, U16, S8, Combo };
struct WeaponField {
  const char* name;
  int offset;
  Kind kind;
  int rows = 0;  // Combo: rows of its list
};
const WeaponField kFields[] = {
    {"ATK", 8, Kind::U16},        {"EN", 10, Kind::U8},         {"Shoot", 11, Kind::S8},
    {"CT", 12, Kind::S8},         {"Bullet", 13, Kind::U8},     {"Bullet_N", 14, Kind::U8},
    {"chiu", 15, Kind::U8},       {"BGM", 16, Kind::U8},        {"max_S", 17, Kind::U8},
    {"min_S", 18, Kind::U8},      {"MAP", 19, Kind::U8},        {"gotha1", 20, Kind::U8},
    {"gotha2", 21, Kind::U8},     {"special", 22, Kind::Combo, 11}, {"sp_lv", 23, Kind::U8},
    {"EWeapon", 24, Kind::Combo, 4}, {"ground(0)", 25, Kind::Combo, 5}, {"ground(1)", 26, Kind::Combo, 5},
    {"ground(2)", 27, Kind::Combo, 5}, {"ground(3)", 28, Kind::Combo, 5},
};
const char* const kFlagGroups[] = {"EProperty", "RequirementA", "RequirementB", "noneA", "noneB"};  // bytes 29..33

std::int64_t weaponAt(int w) { return kWeaponBase + kWeaponStride * w; }
QString name(const char* s) { return QString::fromLatin1(s); }
QString element(const char* group, int i) { return QStringLiteral("%1(%2)").arg(name(group)).arg(i); }

struct WeaponFixture : ::testing::Test {
  TestApp app;
  WeaponImage img = weaponImage(11);
  TempRom rom{img.bytes};
  QWidget* form = nullptr;
  QStringList weaponNames;

  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("Weapon"));
    ASSERT_NE(form, nullptr);
    auto names = loadNameList(namesDir(), QStringLiteral("Weapons.txt"), kWeaponCount);
    ASSERT_TRUE(names.isOk());
    weaponNames = *names;
  }
  QListWidget* units() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QListWidget* weapons() { return control<QListWidget>(form, QStringLiteral("List2")); }
  QLineEdit* text(const QString& n) { return control<QLineEdit>(form, n); }
  QComboBox* combo(const QString& n) { return control<QComboBox>(form, n); }
  QCheckBox* check(const QString& n) { return control<QCheckBox>(form, n); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  void pick(int unit, int row) {
    units()->setCurrentRow(unit);
    weapons()->setCurrentRow(row);
  }

  // Every control against the bytes of weapon w.
  void expectShows(const QByteArray& bytes, int w) {
    const std::int64_t at = weaponAt(w);
    for (const WeaponField& f : kFields) {
      const int b = byteAt(bytes, at + f.offset);
      switch (f.kind) {
        case Kind::U8: EXPECT_EQ(text(name(f.name))->text(), QString::number(b)) << f.name << " of " << w; break;
        case Kind::U16:
          EXPECT_EQ(text(name(f.name))->text(), QString::number(u16(bytes, at + f.offset))) << f.name << " of " << w;
          break;
        case Kind::S8:
          EXPECT_EQ(text(name(f.name))->text(), QString::number(b > 127 ? b - 256 : b)) << f.name << " of " << w;
          break;
        case Kind::Combo:
          if (b < f.rows) {
            EXPECT_EQ(combo(name(f.name))->currentIndex(), b) << f.name << " of " << w;
          } else {
            EXPECT_EQ(combo(name(f.name))->currentText(), QStringLiteral("(%1)").arg(b)) << f.name << " of " << w;
          }
          break;
      }
    }
    for (int g = 0; g < 5; ++g) {
      const int b = byteAt(bytes, at + 29 + g);
      for (int i = 0; i < 8; ++i)
        EXPECT_EQ(check(element(kFlagGroups[g], i))->isChecked(), ((b >> i) & 1) != 0) << kFlagGroups[g] << i << " of " << w;
    }
  }
};

TEST_F(WeaponFixture, OpensOnUnitZeroAndItsFirstWeaponWithEveryCaption) {
  EXPECT_EQ(units()->count(), kUnitCount);
  EXPECT_EQ(units()->currentRow(), 0);
  EXPECT_EQ(weapons()->count(), img.count[0]);
  EXPECT_EQ(weapons()->currentRow(), 0);
  expectShows(img.bytes, img.first[0]);

  const struct {
    const char* file;
    const char* boxes;
  } lists[] = {{"ERequirementA.txt", "EPropertyA"}, {"ERequirementB.txt", "EPropertyB"}, {"ERequirementD.txt", "EPropertyD"}};
  for (const auto& l : lists) {
    auto items = loadNameList(namesDir(), name(l.file), 8);
    ASSERT_TRUE(items.isOk());
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(text(element(l.boxes, i))->text(), (*items)[i]) << l.boxes << i;
      EXPECT_TRUE(text(element(l.boxes, i))->isReadOnly());
    }
  }
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("Label1"))->text(), QStringLiteral("ミラ"));
  for (int i = 17; i <= 21; ++i)
    EXPECT_EQ(control<QLabel>(form, element("UnicodeLabel2", i))->text(), QStringLiteral("OSkill L%1").arg(i - 15));
  for (int i : {22, 23}) EXPECT_EQ(control<QLabel>(form, element("UnicodeLabel2", i))->text(), QStringLiteral("---"));
  for (int i = 32; i <= 39; ++i) EXPECT_EQ(control<QLabel>(form, element("UnicodeLabel2", i))->text(), QStringLiteral("?"));
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(7)"))->text(), QStringLiteral("武器"));
  const char* const frames[] = {"武器屬性", "必要條件A", "必要條件B", "無效化A", "無效化B"};
  for (int f = 0; f < 5; ++f) {
    auto* frame = control<QGroupBox>(form, QStringLiteral("Frame%1").arg(f + 1));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), QString::fromUtf8(frames[f]));
    for (int i = 0; i < 8; ++i) EXPECT_NE(frame->findChild<QCheckBox*>(element(kFlagGroups[f], i)), nullptr);
  }
  EXPECT_EQ(combo(QStringLiteral("special"))->count() - (byteAt(img.bytes, weaponAt(img.first[0]) + 22) > 10), 11);
}

TEST_F(WeaponFixture, EveryWeaponOfEveryUnitReadsRight) {
  for (int u = 0; u < kUnitCount; ++u) {
    units()->setCurrentRow(u);
    ASSERT_EQ(weapons()->count(), img.count[u]) << "unit " << u;
    for (int k = 0; k < img.count[u]; ++k) {
      const int w = img.first[u] + k;
      EXPECT_EQ(weapons()->item(k)->text(), w < kWeaponCount ? weaponNames[w] : QStringLiteral("#%1").arg(w));
      weapons()->setCurrentRow(k);
      expectShows(img.bytes, w);
    }
  }
}

TEST_F(WeaponFixture, SavesWithoutEditsChangeNothing) {
  for (int u = 0; u < 300; u += 7) {
    units()->setCurrentRow(u);
    for (int k = 0; k < weapons()->count(); ++k) {
      weapons()->setCurrentRow(k);
      save();
    }
  }
  EXPECT_TRUE(changedOffsets(img.bytes, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(WeaponFixture, EachControlChangedAloneChangesExactlyItsBytes) {
  for (int unit : {1, 302}) {  // 302: the last weapon, right before the unit table
    pick(unit, 0);
    const int w = img.first[unit];
    const std::int64_t at = weaponAt(w);
    for (const WeaponField& f : kFields) {
      const QByteArray before = rom.bytes();
      const int old = f.kind == Kind::U16 ? u16(before, at + f.offset) : byteAt(before, at + f.offset);
      int expected = 0;
      switch (f.kind) {
        case Kind::U8: expected = (old + 1) % 256; text(name(f.name))->setText(QString::number(expected)); break;
        case Kind::U16: expected = (old + 301) % 65536; text(name(f.name))->setText(QString::number(expected)); break;
        case Kind::S8:  // typed negative: stored as n + 256
          expected = (old + 1) % 256;
          text(name(f.name))->setText(QString::number(expected > 127 ? expected - 256 : expected));
          break;
        case Kind::Combo:
          expected = old < f.rows ? (old + 1) % f.rows : 0;
          combo(name(f.name))->setCurrentIndex(expected);
          break;
      }
      save();
      const QByteArray after = rom.bytes();
      const int width = f.kind == Kind::U16 ? 2 : 1;
      EXPECT_EQ(width == 2 ? u16(after, at + f.offset) : byteAt(after, at + f.offset), expected) << f.name;
      for (auto d : changedOffsets(before, after)) {
        EXPECT_GE(d, at + f.offset) << f.name;
        EXPECT_LT(d, at + f.offset + width) << f.name;
      }
    }
    for (int g = 0; g < 5; ++g) {
      for (int i : {0, 5, 7}) {
        const QByteArray before = rom.bytes();
        QCheckBox* box = check(element(kFlagGroups[g], i));
        box->setChecked(!box->isChecked());
        save();
        const QByteArray after = rom.bytes();
        EXPECT_EQ(changedOffsets(before, after), std::vector<std::int64_t>{at + 29 + g}) << kFlagGroups[g] << i;
        EXPECT_EQ(byteAt(after, at + 29 + g), byteAt(before, at + 29 + g) ^ (1 << i));
      }
    }
    // What was saved reads back the same.
    const QByteArray saved = rom.bytes();
    units()->setCurrentRow(0);
    pick(unit, 0);
    expectShows(saved, w);
    // Bytes 0..7 and 34..35 of the weapon and the whole unit table stay as they were.
    for (std::int64_t o : {0, 7, 34, 35}) EXPECT_EQ(byteAt(saved, at + o), byteAt(img.bytes, at + o));
    EXPECT_EQ(saved.mid(kUnitBase), img.bytes.mid(kUnitBase));
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(WeaponFixture, SignedBytesShowAndSaveAsSigned) {
  const int w = img.first[2];
  const std::int64_t shoot = weaponAt(w) + 11, ct = weaponAt(w) + 12;
  for (auto [stored, shown] : {std::pair{0x80, "-128"}, {0x7F, "127"}, {0xFF, "-1"}, {0x00, "0"}}) {
    rom.poke(shoot, le(static_cast<std::uint32_t>(stored), 1));
    rom.poke(ct, le(static_cast<std::uint32_t>(stored), 1));
    units()->setCurrentRow(0);
    pick(2, 0);
    EXPECT_EQ(text(QStringLiteral("Shoot"))->text(), name(shown));
    EXPECT_EQ(text(QStringLiteral("CT"))->text(), name(shown));
  }
  for (auto [typed, stored] : {std::pair{"-1", 0xFF}, {"-256", 0x00}, {"200", 200}, {"-128", 0x80}, {"127", 0x7F}}) {
    text(QStringLiteral("Shoot"))->setText(name(typed));
    text(QStringLiteral("CT"))->setText(name(typed));
    save();
    const QByteArray after = rom.bytes();
    EXPECT_EQ(byteAt(after, shoot), stored) << typed;
    EXPECT_EQ(byteAt(after, ct), stored) << typed;
    EXPECT_EQ(text(QStringLiteral("Shoot"))->text(), name(typed));  // no reread after a save
  }
}

TEST_F(WeaponFixture, RejectedTextsChangeNothing) {
  pick(3, 1);
  const std::vector<RefusedTexts> cases = {
      {"ATK", "攻擊力", "0 to 65535", {"65536", "-1", "", "abc", "12a"}},
      {"EN", "EN", "0 to 255", {"256", "-1", "x"}},
      {"Shoot", "命中", "-256", {"256", "-257", "1e"}},
      {"CT", "CT", "-256", {"300", "-300", "--1"}},
      {"Bullet_N", "殘彈武器編號", "0 to 255", {"1000", " "}},
      {"sp_lv", "效果等級", "0 to 255", {"256"}},
      {"gotha2", "合體攻擊機師代碼", "0 to 255", {"-5"}},
  };
  const QByteArray before = rom.bytes();
  ASSERT_NO_FATAL_FAILURE(expectRefused(app, form, cases));
  EXPECT_EQ(rom.bytes(), before);
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(WeaponFixture, UnitWithoutWeaponsHasNothingToSave) {
  units()->setCurrentRow(5);
  EXPECT_EQ(weapons()->count(), 0);
  EXPECT_EQ(text(QStringLiteral("ATK"))->text(), QString());
  EXPECT_EQ(combo(QStringLiteral("special"))->currentIndex(), -1);
  save();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("nothing to save"))) << app.sink->messages[0].toStdString();
  EXPECT_EQ(app.files->writesOpened, 0);
  EXPECT_EQ(rom.bytes(), img.bytes);
}

TEST_F(WeaponFixture, WeaponsPastTheTableAreShownButCannotOverwriteTheUnitTable) {
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // each rejected edit is dropped on picking another record
  units()->setCurrentRow(300);  // weapons 987..990
  ASSERT_EQ(weapons()->count(), 4);
  EXPECT_EQ(weapons()->item(1)->text(), weaponNames[988]);
  EXPECT_EQ(weapons()->item(2)->text(), QStringLiteral("#989"));
  EXPECT_EQ(weapons()->item(3)->text(), QStringLiteral("#990"));
  for (int row : {2, 3}) {
    weapons()->setCurrentRow(row);
    expectShows(img.bytes, 987 + row);  // the bytes where such a weapon would lie
    text(QStringLiteral("ATK"))->setText(QStringLiteral("1"));
    check(QStringLiteral("noneB(0)"))->setChecked(!check(QStringLiteral("noneB(0)"))->isChecked());
    app.sink->messages.clear();
    save();
    ASSERT_EQ(app.sink->messages.size(), 1);
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("past the weapon table"))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom.bytes(), img.bytes);
  }
  EXPECT_EQ(app.files->writesOpened, 0);

  // The weapons of the same unit that lie inside the table save as usual.
  weapons()->setCurrentRow(1);
  text(QStringLiteral("ATK"))->setText(QStringLiteral("4660"));
  save();
  const QByteArray after = rom.bytes();
  EXPECT_LE(changedOffsets(img.bytes, after).size(), 2u);
  EXPECT_EQ(u16(after, weaponAt(988) + 8), 4660);
  EXPECT_EQ(after.mid(kUnitBase), img.bytes.mid(kUnitBase));

  units()->setCurrentRow(301);  // weapons 1012 and 1013
  ASSERT_EQ(weapons()->count(), 2);
  EXPECT_EQ(weapons()->item(0)->text(), QStringLiteral("#1012"));
  EXPECT_EQ(weapons()->currentRow(), 0);
  expectShows(after, 1012);
}

TEST_F(WeaponFixture, SaveWritesTheWeaponOfTheUnitAsLastRead) {
  // The unit record is read when the unit is picked, not again on Save.
  pick(4, 1);
  const int w = img.first[4] + 1;
  put(img.bytes, kUnitBase + kUnitStride * 4 + 0x26, 0, 2);
  rom.poke(kUnitBase + kUnitStride * 4 + 0x26, le(0, 2));
  text(QStringLiteral("EN"))->setText(QStringLiteral("77"));
  save();
  const QByteArray after = rom.bytes();
  EXPECT_LE(changedOffsets(img.bytes, after).size(), 1u);
  EXPECT_EQ(byteAt(after, weaponAt(w) + 10), 77);
}

TEST(WeaponScreenshot, Renders) {
  TestApp app;
  TempRom rom(weaponImage(3).bytes);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("Weapon"));
  ASSERT_NE(form, nullptr);
  expectRendersWithinScreen(form, QStringLiteral("Weapon"));
}

}  // namespace
}  // namespace rt::test
