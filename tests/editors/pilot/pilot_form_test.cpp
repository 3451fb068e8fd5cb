// Pilot through its controls, on seeded random images.
#include "tests/support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace rt::test {
namespace {

constexpr std::int64_t kBase = 0x8C9A4;
constexpr std::int64_t kStride = 104;
constexpr int kCount = 476;
constexpr std::int64_t kImageSize = kBase + kStride * kCount + 64;

QString el(const char* array, int k) { return QStringLiteral("%1(%2)").arg(QString::fromLatin1(array)).arg(k); }

std::int32_t s32At(const QByteArray& b, std::int64_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byteAt(b, at + i)) << (8 * i);
  return static_cast<std::int32_t>(v);
}

// The record as the form must leave it after a save without edits: two-state
// flags other than 0xFF become 0x01, spirit commands 35..254 become 0xFF.
QByteArray normalised(QByteArray bytes, int pilot) {
  const std::int64_t rec = kBase + kStride * pilot;
  for (int k = 0; k < 3; ++k)
    if (byteAt(bytes, rec + 0x36 + k) != 0xFF) bytes[static_cast<qsizetype>(rec + 0x36 + k)] = 0x01;
  for (int k = 0; k < 6; ++k)
    if (byteAt(bytes, rec + 0x3F + k) >= 35) bytes[static_cast<qsizetype>(rec + 0x3F + k)] = static_cast<char>(0xFF);
  return bytes;
}

struct PilotFixture : ::testing::Test {
  TestApp app;
  TempRom rom{kImageSize, 22};
  QWidget* form = nullptr;
  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("Pilot"));
    ASSERT_NE(form, nullptr);
  }
  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* text(const QString& name) { return control<QLineEdit>(form, name); }
  QComboBox* combo(const QString& name) { return control<QComboBox>(form, name); }
  QCheckBox* check(const QString& name) { return control<QCheckBox>(form, name); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  void select(int row) {
    list()->setCurrentRow(row);
    ASSERT_EQ(list()->currentRow(), row);
  }

  // Checks every control of the selected record against the bytes of `b`.
  void expectShows(const QByteArray& b, int pilot) {
    const std::int64_t rec = kBase + kStride * pilot;
    SCOPED_TRACE(pilot);
    EXPECT_EQ(text(QStringLiteral("sit"))->text(), QString::number(s32At(b, rec + 0x0C)));
    const int personality = byteAt(b, rec + 0x14);
    QComboBox* character = combo(QStringLiteral("character"));
    if (personality < 8) {
      EXPECT_EQ(character->currentIndex(), personality);
      EXPECT_EQ(character->count(), 8);
    } else {
      EXPECT_EQ(character->currentText(), QStringLiteral("(%1)").arg(personality));
      EXPECT_EQ(character->count(), 9);
    }
    EXPECT_EQ(text(QStringLiteral("story1"))->text(), QString::number(byteAt(b, rec + 0x15)));
    EXPECT_EQ(text(QStringLiteral("story2"))->text(), QString::number(byteAt(b, rec + 0x16)));
    EXPECT_EQ(text(QStringLiteral("PSP"))->text(), QString::number(byteAt(b, rec + 0x1B)));
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(check(el("PSpA", k))->isChecked(), (byteAt(b, rec + 0x1F) >> k) & 1) << k;
      EXPECT_EQ(check(el("PSpB", k))->isChecked(), (byteAt(b, rec + 0x20) >> k) & 1) << k;
    }
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(combo(el("SpAP", k))->currentIndex(), byteAt(b, rec + 0x36 + k) == 0xFF ? 0 : 1) << k;
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(text(el("Ab", k))->text(), QString::number(byteAt(b, rec + 0x39 + k))) << k;
      const int spirit = byteAt(b, rec + 0x3F + k);
      EXPECT_EQ(combo(el("SP", k))->currentIndex(), spirit < 35 ? spirit : 35) << k;
      EXPECT_EQ(text(el("SP_LV", k))->text(), QString::number(byteAt(b, rec + 0x45 + k))) << k;
    }
  }
};

TEST_F(PilotFixture, ListsAreLoadedInto) {
  EXPECT_EQ(list()->count(), kCount);
  EXPECT_EQ(list()->currentRow(), 0);
  for (int k = 0; k < 6; ++k) {
    ASSERT_EQ(combo(el("SP", k))->count(), 36);
    EXPECT_EQ(combo(el("SP", k))->itemText(35), combo(el("SP", 0))->itemText(35));
  }
  for (int k = 0; k < 3; ++k) EXPECT_EQ(combo(el("SpAP", k))->count(), 2);
  QFile captions(QDir(namesDir()).filePath(QStringLiteral("name_pilot.txt")));
  ASSERT_TRUE(captions.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(captions.readAll()).split(QLatin1Char('\n'));
  for (int k = 0; k < 19; ++k) EXPECT_EQ(text(el("nameT", k))->text(), lines[k].trimmed()) << k;
}

TEST_F(PilotFixture, EveryRecordShowsItsBytes) {
  // Plant the values that have special rows in a few records.
  rom.poke(kBase + 0x14, le(12, 1));                          // personality without a row
  rom.poke(kBase + kStride + 0x3F, QByteArray("\x22\x23\xFF\x00\xFE\x01", 6));  // spirit commands
  rom.poke(kBase + kStride + 0x36, QByteArray("\xFF\x00\x7F", 3));
  const QByteArray bytes = rom.bytes();
  select(kCount - 1);  // so that selecting row 0 reads it again
  for (int i = 0; i < kCount; ++i) {
    select(i);
    expectShows(bytes, i);
  }
}

TEST_F(PilotFixture, SaveWithoutEditsChangesNothing) {
  // A save writes only the fields edited in the window: not even a byte a
  // combo box would store differently (a two-state byte 0x02 saved as 0x01).
  int wouldNormalise = 0;
  for (int i : {0, 1, 2, 100, 237, 474, 475}) {
    const QByteArray before = rom.bytes();
    wouldNormalise += normalised(before, i) != before;
    select(i);
    save();
    EXPECT_EQ(rom.bytes(), before) << "pilot " << i;
  }
  EXPECT_GT(wouldNormalise, 0);
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QStringLiteral("\n")).toStdString();
}

// One control, a new value for it, and the bytes (record offset, values) it must write.
struct Edit {
  QString control;
  std::function<void(PilotFixture&)> change;
  std::int64_t offset;
  QByteArray expected;
};

TEST_F(PilotFixture, EachControlChangedAloneWritesExactlyItsBytes) {
  auto setText = [](const QString& name, const char* value) {
    return [name, value](PilotFixture& f) { f.text(name)->setText(QString::fromUtf8(value)); };
  };
  auto setRow = [](const QString& name, int row) { return [name, row](PilotFixture& f) { f.combo(name)->setCurrentIndex(row); }; };
  std::vector<Edit> edits = {
      {QStringLiteral("sit"), setText(QStringLiteral("sit"), "-1"), 0x0C, le(0xFFFFFFFF, 4)},
      {QStringLiteral("sit"), setText(QStringLiteral("sit"), "-2147483648"), 0x0C, le(0x80000000, 4)},
      {QStringLiteral("sit"), setText(QStringLiteral("sit"), "305419896"), 0x0C, le(0x12345678, 4)},
      {QStringLiteral("character"), setRow(QStringLiteral("character"), 7), 0x14, le(7, 1)},
      {QStringLiteral("story1"), setText(QStringLiteral("story1"), "255"), 0x15, le(255, 1)},
      {QStringLiteral("story2"), setText(QStringLiteral("story2"), " 0 "), 0x16, le(0, 1)},
      {QStringLiteral("PSP"), setText(QStringLiteral("PSP"), "12.5"), 0x1B, le(12, 1)},
  };
  for (int k = 0; k < 3; ++k) edits.push_back({el("SpAP", k), setRow(el("SpAP", k), 0), 0x36 + k, le(0xFF, 1)});
  for (int k = 0; k < 6; ++k) {
    edits.push_back({el("Ab", k), setText(el("Ab", k), "13.5"), 0x39 + k, le(14, 1)});
    edits.push_back({el("SP", k), setRow(el("SP", k), 34), 0x3F + k, le(34, 1)});
    edits.push_back({el("SP", k), setRow(el("SP", k), 35), 0x3F + k, le(0xFF, 1)});
    edits.push_back({el("SP_LV", k), setText(el("SP_LV", k), "99"), 0x45 + k, le(99, 1)});
  }
  for (int k = 0; k < 8; ++k) {
    for (auto [array, at] : {std::pair{"PSpA", 0x1F}, {"PSpB", 0x20}}) {
      const QString name = el(array, k);
      // Toggle one box: exactly bit k of the flag byte flips.
      edits.push_back({name, [name](PilotFixture& f) { f.check(name)->toggle(); }, at, {}});
    }
  }

  const int pilot = 321;
  // Start from a record with no normalisation pending and values unlike the edits.
  rom.poke(kBase + kStride * pilot + 0x36, QByteArray("\x01\x01\x01", 3));
  rom.poke(kBase + kStride * pilot + 0x3F, QByteArray("\x05\x06\x07\x08\x09\x0A", 6));
  rom.poke(kBase + kStride * pilot + 0x14, le(2, 1));
  std::set<QString> covered;
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.control.toStdString());
    select(0);
    select(pilot);  // rereads the record: earlier edits are gone
    const QByteArray before = rom.bytes();
    const std::int64_t at = kBase + kStride * pilot + e.offset;
    QByteArray expected = e.expected;
    if (expected.isEmpty()) {  // a flag box
      const int bit = e.control.section(QLatin1Char('('), 1).chopped(1).toInt();
      expected = le(static_cast<std::uint32_t>(byteAt(before, at) ^ (1 << bit)), 1);
    }
    e.change(*this);
    save();
    const QByteArray after = rom.bytes();
    EXPECT_EQ(after.mid(at, expected.size()), expected);
    for (std::int64_t d : differences(before, after)) {
      EXPECT_GE(d, at);
      EXPECT_LT(d, at + expected.size());
    }
    covered.insert(e.control);
    rom.write(before);
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QStringLiteral("\n")).toStdString();
  // Every control that holds a field was edited.
  int fieldControls = 0;
  for (QWidget* w : form->findChildren<QWidget*>())
    if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w)) &&
        !w->objectName().startsWith(QLatin1String("nameT")) && !w->objectName().isEmpty() &&
        !w->objectName().startsWith(QLatin1String("List1")))  // the record list and its filter
      ++fieldControls;
  EXPECT_EQ(static_cast<int>(covered.size()), fieldControls);
}

TEST_F(PilotFixture, RejectedTextsChangeNothingAndNameTheField) {
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // each rejected edit is dropped on picking another record
  struct Bad {
    QString control;
    QString caption;
    std::vector<const char*> texts;
    const char* accepts;
  };
  const std::vector<Bad> cases = {
      {QStringLiteral("sit"), QStringLiteral("搭乘限制"), {"2147483648", "-2147483649", "1e3", "", "x"}, "-2147483648 to 2147483647"},
      {QStringLiteral("story1"), QStringLiteral("關注作品"), {"256", "-1", "abc", "255.5"}, "0 to 255"},
      {QStringLiteral("story2"), QStringLiteral("登場作品"), {"300", "12a"}, "0 to 255"},
      {QStringLiteral("PSP"), QStringLiteral("SP"), {"-0.6", "0x10"}, "0 to 255"},
      {el("Ab", 0), QStringLiteral("格鬥"), {"256"}, "0 to 255"},
      {el("Ab", 5), QStringLiteral("命中"), {" "}, "0 to 255"},
      {el("SP_LV", 2), QStringLiteral("修得等級 3"), {"1000"}, "0 to 255"},
  };
  select(40);
  const QByteArray before = rom.bytes();
  for (const Bad& bad : cases) {
    for (const char* t : bad.texts) {
      SCOPED_TRACE(bad.control.toStdString() + " '" + t + "'");
      select(41);
      select(40);
      app.sink->messages.clear();
      text(QStringLiteral("PSP"))->setText(QStringLiteral("7"));  // a valid edit elsewhere must not land either
      text(bad.control)->setText(QString::fromUtf8(t));
      save();
      ASSERT_EQ(app.sink->messages.size(), 1);
      const QString message = app.sink->messages[0];
      EXPECT_TRUE(message.contains(bad.caption)) << message.toStdString();
      EXPECT_TRUE(message.contains(QString::fromLatin1(bad.accepts))) << message.toStdString();
      EXPECT_EQ(rom.bytes(), before);
      EXPECT_EQ(form->focusWidget(), text(bad.control));  // the rejected box gets the focus
    }
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(PilotFixture, PersonalityWithoutARowIsKeptUnlessAnotherRowIsPicked) {
  const std::int64_t at = kBase + kStride * 9 + 0x14;
  for (int stored : {8, 12, 255}) {
    SCOPED_TRACE(stored);
    rom.poke(at, le(static_cast<std::uint32_t>(stored), 1));
    select(8);
    select(9);
    QComboBox* character = combo(QStringLiteral("character"));
    EXPECT_EQ(character->currentText(), QStringLiteral("(%1)").arg(stored));
    const QByteArray before = rom.bytes();
    save();
    EXPECT_EQ(rom.bytes(), before);
    character->setCurrentIndex(3);
    save();
    EXPECT_EQ(byteAt(rom.bytes(), at), 3);
    select(8);  // a record with a listed personality shows no extra row
    EXPECT_EQ(character->count(), byteAt(rom.bytes(), kBase + kStride * 8 + 0x14) < 8 ? 8 : 9);
  }
}

TEST_F(PilotFixture, NormalisedBytesAndFlagBytes) {
  const std::int64_t rec = kBase + kStride * 5;
  struct Case {
    std::int64_t offset;
    int stored;
    QString control;
    int row;  // shown row
  };
  const std::vector<Case> cases = {
      {0x3F, 0x22, el("SP", 0), 34}, {0x40, 0x23, el("SP", 1), 35}, {0x41, 0xFF, el("SP", 2), 35},
      {0x42, 0xFE, el("SP", 3), 35}, {0x43, 0x00, el("SP", 4), 0},  {0x36, 0x00, el("SpAP", 0), 1},
      {0x37, 0xFF, el("SpAP", 1), 0}, {0x38, 0x80, el("SpAP", 2), 1},
  };
  for (const Case& c : cases) rom.poke(rec + c.offset, le(static_cast<std::uint32_t>(c.stored), 1));
  rom.poke(rec + 0x1F, le(0x81, 1));
  rom.poke(rec + 0x0C, le(0xFFFFFFFF, 4));
  select(5);
  for (const Case& c : cases) EXPECT_EQ(combo(c.control)->currentIndex(), c.row) << c.control.toStdString();
  for (int k = 0; k < 8; ++k) EXPECT_EQ(check(el("PSpA", k))->isChecked(), k == 0 || k == 7) << k;
  EXPECT_EQ(text(QStringLiteral("sit"))->text(), QStringLiteral("-1"));
  const QByteArray before = rom.bytes();
  save();  // nothing edited: no byte is normalised
  QByteArray after = rom.bytes();
  EXPECT_EQ(after, before);

  for (int k = 0; k < 8; ++k) check(el("PSpA", k))->setChecked(false);
  for (int k = 0; k < 8; ++k) check(el("PSpB", k))->setChecked(true);
  combo(el("SP", 1))->setCurrentIndex(0);  // an edited combo box stores its row
  save();
  after = rom.bytes();
  EXPECT_EQ(byteAt(after, rec + 0x1F), 0x00);
  EXPECT_EQ(byteAt(after, rec + 0x20), 0xFF);
  EXPECT_EQ(byteAt(after, rec + 0x40), 0x00);
  EXPECT_EQ(byteAt(after, rec + 0x3F), 0x22);  // the others keep their bytes
  EXPECT_EQ(byteAt(after, rec + 0x42), 0xFE);
  EXPECT_EQ(byteAt(after, rec + 0x38), 0x80);
}

TEST_F(PilotFixture, SavingLeavesTheBytesTheFormDoesNotOwn) {
  // Every byte of every edited field changes at once; the rest of the record must not.
  const int pilot = 475;
  select(pilot);
  const QByteArray before = rom.bytes();
  const std::int64_t rec = kBase + kStride * pilot;
  text(QStringLiteral("sit"))->setText(QString::number(~s32At(before, rec + 0x0C)));
  combo(QStringLiteral("character"))->setCurrentIndex((byteAt(before, rec + 0x14) + 1) % 8);
  for (const char* name : {"story1", "story2", "PSP"}) {
    QLineEdit* box = text(QString::fromLatin1(name));
    box->setText(QString::number(255 - box->text().toInt()));
  }
  for (int k = 0; k < 8; ++k) {
    check(el("PSpA", k))->toggle();
    check(el("PSpB", k))->toggle();
  }
  for (int k = 0; k < 6; ++k) {
    text(el("Ab", k))->setText(QString::number(255 - text(el("Ab", k))->text().toInt()));
    text(el("SP_LV", k))->setText(QString::number(255 - text(el("SP_LV", k))->text().toInt()));
  }
  save();
  const QByteArray after = rom.bytes();
  std::set<std::int64_t> owned;
  for (std::int64_t o : {0x0C, 0x0D, 0x0E, 0x0F, 0x14, 0x15, 0x16, 0x1B, 0x1F, 0x20}) owned.insert(o);
  for (std::int64_t o = 0x36; o <= 0x4A; ++o) owned.insert(o);
  for (std::int64_t d : differences(before, after)) {
    EXPECT_GE(d, rec);
    EXPECT_LT(d, rec + kStride);
    EXPECT_TRUE(owned.count(d - rec)) << "record offset " << (d - rec);
  }
  EXPECT_EQ(after.mid(rec + 0x4C, 28), before.mid(rec + 0x4C, 28));  // the skill slots
  EXPECT_EQ(rom.bytes().size(), before.size());
}

TEST(PilotNameLists, ItemsAreShownAsWrittenAndAShortListStopsTheForm) {
  // The pilot form takes "character.txt" as text: "007" stays "007".
  QTemporaryDir names;
  copyNameLists(names, QStringLiteral("character.txt"));
  writeFile(names, QStringLiteral("character.txt"), "007\n\"a, b\"\nc\nd\ne\nf\ng\nh\n");
  TempRom rom(kImageSize, 4);
  {
    TestApp app(names.path());
    QWidget* form = app.showForm(rom.path(), QStringLiteral("Pilot"));
    ASSERT_NE(form, nullptr);
    auto* character = control<QComboBox>(form, QStringLiteral("character"));
    EXPECT_EQ(character->itemText(0), QStringLiteral("007"));
    EXPECT_EQ(character->itemText(1), QStringLiteral("a, b"));
    form->close();
  }
  writeFile(names, QStringLiteral("SpAp.txt"), "only one\n");
  TestApp app(names.path());
  EXPECT_EQ(app.showForm(rom.path(), QStringLiteral("Pilot")), nullptr);
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("SpAp.txt"))) << app.sink->messages[0].toStdString();
}

}  // namespace
}  // namespace rt::test
