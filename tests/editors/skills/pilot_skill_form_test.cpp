// PSkills through its controls: the slot indices, the level records they
// select, and the order of operations of "Save Pointer" and "Save Value".
#include "editors/skills/pilot_skill_form.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kPilotBase = 0x8C9A4;
constexpr std::int64_t kPilotStride = 104;
constexpr std::int64_t kLevelBase = 0x77498;
// Large enough that every index 0..65535 selects a level record inside the file.
constexpr std::int64_t kImageSize = 0x108000;

std::int64_t slotAt(int pilot, int slot) { return kPilotBase + kPilotStride * pilot + 76 + 2 * slot; }
std::int64_t levelAt(int index) { return kLevelBase + 9 * std::int64_t{index}; }
int u16At(const QByteArray& b, std::int64_t at) { return byteAt(b, at) | (byteAt(b, at + 1) << 8); }

QString ptrName(int s) { return QStringLiteral("ptr(%1)").arg(s); }
QString skillsName(int n) { return QStringLiteral("Skills(%1)").arg(n); }

struct PSkillsFixture : ::testing::Test {
  TestApp app;
  std::unique_ptr<TempRom> rom;
  PilotSkillForm* form = nullptr;

  void open(std::int64_t size, std::uint64_t seed) {
    rom = std::make_unique<TempRom>(size, seed);
    app.context->rom().setRomPath(rom->path());
  }
  void show() {
    form = qobject_cast<PilotSkillForm*>(app.context->showForm(QStringLiteral("PSkills")));
    ASSERT_NE(form, nullptr);
  }
  void SetUp() override { open(kImageSize, 81); }

  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* ptr(int s) { return control<QLineEdit>(form, ptrName(s)); }
  QLineEdit* skills(int n) { return control<QLineEdit>(form, skillsName(n)); }
  void savePointer() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  void saveValue() { control<QPushButton>(form, QStringLiteral("Save2"))->click(); }
  void select(int pilot) {
    list()->setCurrentRow(pilot == 0 ? 1 : 0);
    list()->setCurrentRow(pilot);
  }
  void setSlots(int pilot, const std::vector<int>& indices) {
    for (size_t s = 0; s < indices.size(); ++s) rom->poke(slotAt(pilot, static_cast<int>(s)), le(static_cast<std::uint32_t>(indices[s]), 2));
  }
  // The form shows pilot `pilot` as the bytes of `b` say.
  void expectShows(const QByteArray& b, int pilot) {
    SCOPED_TRACE(pilot);
    for (int s = 0; s < 14; ++s) {
      const int index = u16At(b, slotAt(pilot, s));
      EXPECT_EQ(ptr(s)->text(), QString::number(index)) << s;
      EXPECT_EQ(form->levelRecordOffsets()[static_cast<size_t>(s)], levelAt(index)) << s;
      for (int j = 0; j < 9; ++j) {
        const std::int64_t at = levelAt(index) + j;
        const int expected = at < b.size() ? byteAt(b, at) : 0;
        EXPECT_EQ(skills(9 * s + j)->text(), QString::number(expected)) << "slot " << s << " LV" << j + 1;
      }
    }
  }
  void expectOnlyChanged(const QByteArray& before, std::int64_t from, std::int64_t to) {
    for (std::int64_t d : differences(before, rom->bytes())) {
      EXPECT_GE(d, from);
      EXPECT_LT(d, to);
    }
  }
};

TEST_F(PSkillsFixture, ListsCaptionsAndButtons) {
  show();
  EXPECT_EQ(list()->count(), 476);
  EXPECT_EQ(list()->currentRow(), 0);
  QFile names(QDir(namesDir()).filePath(QStringLiteral("name_PSkills.txt")));
  ASSERT_TRUE(names.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(names.readAll()).split(QLatin1Char('\n'));
  for (int s = 0; s < 14; ++s)
    EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("nameP(%1)").arg(s))->text(), lines[s].trimmed());
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(13)"))->text(), QStringLiteral("指針"));
  for (int j = 0; j < 9; ++j)
    EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(%1)").arg(17 + j))->text(), QStringLiteral("LV%1").arg(j + 1));
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Save"))->text(), QStringLiteral("Save Pointer"));
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Save2"))->text(), QStringLiteral("Save Value"));
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Exit"))->text(), QStringLiteral("Exit"));
}

TEST_F(PSkillsFixture, EveryPilotShowsItsSlotsAndTheRecordsTheySelect) {
  setSlots(1, {0, 1, 65535, 0});  // index 0 -> 0x77498.., 1 -> 0x774A1.., and the last index there is
  show();
  const QByteArray bytes = rom->bytes();
  for (int p = 0; p < 476; ++p) {
    list()->setCurrentRow(p);
    expectShows(bytes, p);
  }
  list()->setCurrentRow(1);
  EXPECT_EQ(skills(0)->text(), QString::number(byteAt(bytes, 0x77498)));
  EXPECT_EQ(skills(8)->text(), QString::number(byteAt(bytes, 0x774A0)));
  EXPECT_EQ(skills(9)->text(), QString::number(byteAt(bytes, 0x774A1)));
  EXPECT_EQ(skills(17)->text(), QString::number(byteAt(bytes, 0x774A9)));
  EXPECT_EQ(ptr(0)->text(), QString::number(u16At(bytes, 0x8CA58)));
}

TEST_F(PSkillsFixture, SavesWithoutEditsChangeNothing) {
  setSlots(3, {7, 7, 7, 500, 500, 9, 10, 11, 12, 13, 14, 15, 16, 7});  // shared records too
  show();
  const QByteArray before = rom->bytes();
  for (int p : {0, 3, 250, 475}) {
    select(p);
    savePointer();
    saveValue();
  }
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QStringLiteral("\n")).toStdString();
}

TEST_F(PSkillsFixture, EachIndexChangedAloneWritesItsTwoBytesAndTheRowFollows) {
  const int pilot = 77;
  show();
  for (int s = 0; s < 14; ++s) {
    SCOPED_TRACE(s);
    select(pilot);
    const QByteArray before = rom->bytes();
    const int index = (u16At(before, slotAt(pilot, s)) + 1 + 37 * s) % 4000;
    ptr(s)->setText(QString::number(index));
    savePointer();
    const QByteArray after = rom->bytes();
    EXPECT_EQ(u16At(after, slotAt(pilot, s)), index);
    expectOnlyChanged(before, slotAt(pilot, s), slotAt(pilot, s) + 2);
    // The refresh shows the newly selected record.
    EXPECT_EQ(form->levelRecordOffsets()[static_cast<size_t>(s)], levelAt(index));
    for (int j = 0; j < 9; ++j) EXPECT_EQ(skills(9 * s + j)->text(), QString::number(byteAt(after, levelAt(index) + j)));
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PSkillsFixture, EachLevelByteChangedAloneWritesItsByte) {
  const int pilot = 200;
  std::vector<int> indices;
  for (int s = 0; s < 14; ++s) indices.push_back(40 + 11 * s);  // 14 different records
  setSlots(pilot, indices);
  show();
  for (int n = 0; n < 126; ++n) {
    SCOPED_TRACE(n);
    select(pilot);
    const QByteArray before = rom->bytes();
    const std::int64_t at = levelAt(indices[static_cast<size_t>(n / 9)]) + n % 9;
    const int value = (byteAt(before, at) + 1 + n) % 256;
    skills(n)->setText(QString::number(value));
    saveValue();
    EXPECT_EQ(byteAt(rom->bytes(), at), value);
    expectOnlyChanged(before, at, at + 1);
    EXPECT_EQ(skills(n)->text(), QString::number(value));
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PSkillsFixture, RejectedTextsWriteNothingAndKeepTheEdits) {
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // each rejected edit is dropped on picking another record
  struct Bad {
    QString control;
    const char* text;
    bool pointer;  // which save
    const char* accepts;
  };
  const std::vector<Bad> cases = {
      {ptrName(0), "65536", true, "0 to 65535"},  {ptrName(13), "-1", true, "0 to 65535"},
      {ptrName(4), "abc", true, "0 to 65535"},    {ptrName(5), "", true, "0 to 65535"},
      {ptrName(6), "65535.5", true, "0 to 65535"}, {skillsName(0), "256", false, "0 to 255"},
      {skillsName(125), "-1", false, "0 to 255"}, {skillsName(60), "x1", false, "0 to 255"},
      {skillsName(61), " ", false, "0 to 255"},
  };
  show();
  select(12);
  const QByteArray before = rom->bytes();
  for (const Bad& bad : cases) {
    SCOPED_TRACE(bad.control.toStdString() + " '" + bad.text + "'");
    select(12);
    app.sink->messages.clear();
    // A valid edit in each half, which must neither land nor be replaced by a refresh.
    ptr(1)->setText(QStringLiteral("3"));
    skills(10)->setText(QStringLiteral("77"));
    control<QLineEdit>(form, bad.control)->setText(QString::fromLatin1(bad.text));
    bad.pointer ? savePointer() : saveValue();
    ASSERT_EQ(app.sink->messages.size(), 1);
    EXPECT_TRUE(app.sink->messages[0].contains(bad.control)) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QString::fromLatin1(bad.accepts))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom->bytes(), before);
    EXPECT_EQ(ptr(1)->text(), QStringLiteral("3"));
    EXPECT_EQ(skills(10)->text(), QStringLiteral("77"));
    EXPECT_EQ(control<QLineEdit>(form, bad.control)->text(), QString::fromLatin1(bad.text));
    EXPECT_EQ(form->focusWidget(), control<QLineEdit>(form, bad.control));
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

// Two slots of one pilot that select the same level record.
TEST_F(PSkillsFixture, SharedRecordTakesTheValuesOfTheHigherSlot) {
  const int pilot = 30;
  setSlots(pilot, {100, 101, 102, 103, 104, 105, 106, 107, 108, 103, 110, 111, 112, 113});  // slots 3 and 9 share 103
  show();
  select(pilot);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(skills(27 + j)->text(), skills(81 + j)->text());
  const QByteArray before = rom->bytes();
  for (int j = 0; j < 9; ++j) {
    skills(27 + j)->setText(QString::number(10 + j));  // slot 3
    skills(81 + j)->setText(QString::number(20 + j));  // slot 9, written later
  }
  saveValue();
  QByteArray after = rom->bytes();
  for (int j = 0; j < 9; ++j) EXPECT_EQ(byteAt(after, levelAt(103) + j), 20 + j);
  expectOnlyChanged(before, levelAt(103), levelAt(103) + 9);
  for (int j = 0; j < 9; ++j) {
    EXPECT_EQ(skills(27 + j)->text(), QString::number(20 + j));
    EXPECT_EQ(skills(81 + j)->text(), QString::number(20 + j));
  }

  // An edit in the lower slot alone is overwritten by the higher slot's unchanged row.
  skills(27)->setText(QStringLiteral("99"));
  saveValue();
  EXPECT_EQ(byteAt(rom->bytes(), levelAt(103)), 20);
  EXPECT_EQ(skills(27)->text(), QStringLiteral("20"));
}

TEST_F(PSkillsFixture, SaveValueWritesToTheRecordsOfTheLastRefresh) {
  const int pilot = 64;
  setSlots(pilot, {300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313});
  show();
  select(pilot);
  const QByteArray before = rom->bytes();
  ptr(2)->setText(QStringLiteral("900"));  // typed, not saved
  for (int j = 0; j < 9; ++j) skills(18 + j)->setText(QString::number(200 + j));
  saveValue();
  const QByteArray after = rom->bytes();
  EXPECT_EQ(u16At(after, slotAt(pilot, 2)), 302);  // the index in the image is unchanged
  for (int j = 0; j < 9; ++j) EXPECT_EQ(byteAt(after, levelAt(302) + j), 200 + j);
  EXPECT_EQ(after.mid(levelAt(900), 9), before.mid(levelAt(900), 9));
  expectOnlyChanged(before, levelAt(302), levelAt(302) + 9);
  EXPECT_EQ(ptr(2)->text(), QStringLiteral("302"));  // the refresh puts the stored index back
  EXPECT_EQ(form->levelRecordOffsets()[2], levelAt(302));
}

TEST_F(PSkillsFixture, SavePointerStoresTheIndexAndShowsTheNewRecord) {
  const int pilot = 65;
  setSlots(pilot, {300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313});
  show();
  select(pilot);
  const QByteArray before = rom->bytes();
  ptr(4)->setText(QStringLiteral("901"));
  skills(0)->setText(QString::number((byteAt(before, levelAt(300)) + 1) % 256));  // unsaved: replaced by the refresh
  savePointer();
  const QByteArray after = rom->bytes();
  EXPECT_EQ(u16At(after, slotAt(pilot, 4)), 901);
  expectOnlyChanged(before, slotAt(pilot, 4), slotAt(pilot, 4) + 2);
  expectShows(after, pilot);

  // Then "Save Value" changes the newly selected record.
  skills(36)->setText(QStringLiteral("5"));
  saveValue();
  EXPECT_EQ(byteAt(rom->bytes(), levelAt(901)), 5);
}

TEST_F(PSkillsFixture, SlotNamesAreNeverStored) {
  show();
  select(9);
  const QByteArray before = rom->bytes();
  for (int s = 0; s < 14; ++s) control<QLineEdit>(form, QStringLiteral("nameP(%1)").arg(s))->setText(QStringLiteral("typed %1").arg(s));
  savePointer();
  saveValue();
  EXPECT_EQ(rom->bytes(), before);
}

TEST_F(PSkillsFixture, ReadOnlyImageIsShownButNotSavedAndTheEditStays) {
  show();
  app.files->refuseWriteOpen = true;
  select(3);
  const QByteArray before = rom->bytes();
  skills(4)->setText(QStringLiteral("1"));
  saveValue();
  ptr(4)->setText(QStringLiteral("1"));
  savePointer();
  ASSERT_EQ(app.sink->messages.size(), 2);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("cannot be written"))) << app.sink->messages[0].toStdString();
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_EQ(skills(4)->text(), QStringLiteral("1"));
  EXPECT_EQ(ptr(4)->text(), QStringLiteral("1"));
}

TEST_F(PSkillsFixture, LevelRecordPastTheEndReadsZerosAndIsNotSaved) {
  const std::int64_t size = 0x98C00;  // ends shortly after the pilot table
  open(size, 82);
  const int last = static_cast<int>((size - kLevelBase) / 9);  // this record runs past the end
  std::vector<int> indices = {0, 1, 2, 3, 4, last + 100, 6, 7, 8, 9, 10, 11, 12, last};
  setSlots(2, indices);
  setSlots(4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  show();
  select(2);
  const QByteArray before = rom->bytes();
  expectShows(before, 2);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(skills(45 + j)->text(), QStringLiteral("0"));
  skills(0)->setText(QStringLiteral("3"));
  saveValue();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("ptr(5)"))) << app.sink->messages[0].toStdString();
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("past the end"))) << app.sink->messages[0].toStdString();
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_EQ(rom->bytes().size(), size);
  EXPECT_EQ(skills(0)->text(), QStringLiteral("3"));  // no refresh: the edit stays to be corrected
  EXPECT_EQ(form->focusWidget(), skills(45));

  // Moving the slot back inside the file lets the values be saved; the record
  // that straddles the end (slot 13) is refused next.
  ptr(5)->setText(QStringLiteral("5"));
  savePointer();
  app.sink->messages.clear();
  saveValue();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("ptr(13)"))) << app.sink->messages[0].toStdString();

  // A pilot whose records all lie inside saves normally.
  app.sink->messages.clear();
  select(4);
  skills(0)->setText(QStringLiteral("3"));
  saveValue();
  EXPECT_TRUE(app.sink->messages.isEmpty());
  EXPECT_EQ(byteAt(rom->bytes(), kLevelBase), 3);
  EXPECT_EQ(rom->bytes().size(), size);
}

}  // namespace
}  // namespace rt::test
