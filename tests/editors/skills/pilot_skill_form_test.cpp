// PSkills through its controls: the slot indices, the level records they
// select, and the order of operations of "Save Pointer" and "Save Value".
#include "editors/skills/pilot_skill_form.h"
#include "image/journal.h"
#include "ui/table_view.h"
#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kPilotBase = 0x8C9A4;
constexpr std::int64_t kPilotStride = 104;
constexpr std::int64_t kLevelBase = 0x77498;
constexpr int kLevelCount = 560;  // record 560 on lies over the unit pictures
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
  void SetUp() override {
    open(kImageSize, 81);
    // Every slot selects a record of the level table, as in a real image.
    const QByteArray bytes = rom->bytes();
    for (int p = 0; p < 476; ++p)
      for (int s = 0; s < 14; ++s)
        rom->poke(slotAt(p, s), le(static_cast<std::uint32_t>(u16At(bytes, slotAt(p, s)) % kLevelCount), 2));
    app.sink->answer = true;  // a level record other pilots share is saved all the same
  }

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
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Save"))->text(), QStringLiteral("Save &Pointer"));
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Save2"))->text(), QStringLiteral("Save &Value"));
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Exit"))->text(), QStringLiteral("E&xit"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("機師技能 / Pilot skills"));
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
    const int index = (u16At(before, slotAt(pilot, s)) + 1 + 37 * s) % kLevelCount;
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
  ptr(4)->setText(QStringLiteral("501"));
  skills(0)->setText(QString::number((byteAt(before, levelAt(300)) + 1) % 256));  // unsaved: replaced by the refresh
  savePointer();
  const QByteArray after = rom->bytes();
  EXPECT_EQ(u16At(after, slotAt(pilot, 4)), 501);
  expectOnlyChanged(before, slotAt(pilot, 4), slotAt(pilot, 4) + 2);
  expectShows(after, pilot);

  // Then "Save Value" changes the newly selected record.
  skills(36)->setText(QStringLiteral("5"));
  saveValue();
  EXPECT_EQ(byteAt(rom->bytes(), levelAt(501)), 5);
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

  // Such indices are past the level table: Save Pointer refuses to store them
  // until each is a level record.
  ptr(5)->setText(QStringLiteral("5"));
  savePointer();
  ASSERT_EQ(app.sink->messages.size(), 2);
  EXPECT_TRUE(app.sink->messages[1].contains(QStringLiteral("ptr(13)"))) << app.sink->messages[1].toStdString();
  EXPECT_EQ(rom->bytes(), before);

  // A pilot whose records all lie inside saves normally.
  app.sink->messages.clear();
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // pilot 2's refused edits
  select(4);
  skills(0)->setText(QStringLiteral("3"));
  saveValue();
  EXPECT_TRUE(app.sink->messages.isEmpty());
  EXPECT_EQ(byteAt(rom->bytes(), kLevelBase), 3);
  EXPECT_EQ(rom->bytes().size(), size);
}

// An index past the level table (560 records; 560 on is the unit pictures) is
// refused where the slots are encoded: by the form and by the table view alike.
TEST_F(PSkillsFixture, AnIndexPastTheLevelTableIsRefusedByTheFormAndTheGrid) {
  show();
  select(12);
  const QByteArray before = rom->bytes();
  for (const char* text : {"560", "600", "65535"}) {
    SCOPED_TRACE(text);
    app.sink->messages.clear();
    ptr(3)->setText(QString::fromLatin1(text));
    savePointer();
    ASSERT_EQ(app.sink->messages.size(), 1);
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("ptr(3)"))) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 559"))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom->bytes(), before);

    TableView* grid = showTableView(*app.context, QStringLiteral("PSkills"));
    ASSERT_NE(grid, nullptr);
    grid->model()->setData(grid->model()->index(12, grid->model()->columnOfControl(3)), QString::fromLatin1(text), Qt::EditRole);
    app.sink->messages.clear();
    EXPECT_FALSE(grid->save());
    ASSERT_EQ(app.sink->messages.size(), 1);
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("ptr(3)"))) << app.sink->messages[0].toStdString();
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 559"))) << app.sink->messages[0].toStdString();
    grid->revert();
    EXPECT_EQ(rom->bytes(), before);
  }
  ptr(3)->setText(QStringLiteral("559"));  // the last level record
  savePointer();
  EXPECT_EQ(u16At(rom->bytes(), slotAt(12, 3)), 559);
}

// Save Value on a level record other pilots select names them first; No writes
// nothing, Yes writes and the history names the level record.
TEST_F(PSkillsFixture, SaveValueOnASharedRecordNamesThePilotsFirst) {
  const int level = 37;
  const QByteArray folded = rom->bytes();
  for (int p = 0; p < 476; ++p)  // nobody else selects the record...
    for (int s = 0; s < 14; ++s)
      if (u16At(folded, slotAt(p, s)) == level) rom->poke(slotAt(p, s), le(level + 1, 2));
  for (int p : {3, 7, 40, 41, 42}) rom->poke(slotAt(p, 2), le(level, 2));  // ...but these five
  rom->poke(slotAt(12, 0), le(level, 2));
  show();
  select(12);
  const QByteArray before = rom->bytes();
  const int value = (byteAt(before, levelAt(level) + 4) + 1) % 256;
  skills(4)->setText(QString::number(value));
  app.sink->answer = false;
  saveValue();
  ASSERT_EQ(app.sink->questions.size(), 1);
  EXPECT_TRUE(app.sink->questions[0].contains(QStringLiteral("also changes pilots 3, 7, 40 and 2 more")))
      << app.sink->questions[0].toStdString();
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_EQ(skills(4)->text(), QString::number(value));

  app.sink->answer = true;
  saveValue();
  EXPECT_EQ(byteAt(rom->bytes(), levelAt(level) + 4), value);
  auto txs = app.context->rom().journal()->list(1, false);
  ASSERT_TRUE(txs && txs->size() == 1);
  EXPECT_TRUE(txs->front().info.records.contains("\"level\":37")) << txs->front().info.records.toStdString();
  const CliRun history = cli({QStringLiteral("history"), rom->path()});
  EXPECT_TRUE(history.out.contains(QStringLiteral("PSkills 12, level 37"))) << history.out.toStdString();
  // The status line places the byte written, in the level record, not the pilot record.
  const QString status = control<QLabel>(form, QStringLiteral("Status"))->text();
  const QString at = QString::number(levelAt(level) + 4, 16).toUpper();
  EXPECT_TRUE(status.contains(QStringLiteral("Saved PSkills 12: 1 byte at 0x") + at)) << status.toStdString();
}

// Ctrl+S saves whichever half is edited (the values into the records read,
// then the indices); the status line places each focused field.
TEST_F(PSkillsFixture, CtrlSSavesBothHalvesAndTheStatusPlacesEachField) {
  setSlots(20, {300, 301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313});
  show();
  select(20);
  const QByteArray before = rom->bytes();
  const int value = (byteAt(before, levelAt(301)) + 1) % 256;
  skills(9)->setText(QString::number(value));
  ptr(1)->setText(QStringLiteral("401"));
  typeKey(ptr(1), Qt::Key_S, Qt::ControlModifier);
  const QByteArray after = rom->bytes();
  EXPECT_EQ(byteAt(after, levelAt(301)), value);
  EXPECT_EQ(u16At(after, slotAt(20, 1)), 401);
  EXPECT_FALSE(form->hasUnsavedEdits());
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();

  auto hex = [](std::int64_t at) { return QStringLiteral("0x") + QString::number(at, 16).toUpper(); };
  const std::vector<std::pair<QLineEdit*, QString>> places = {
      {ptr(1), QStringLiteral("ptr(1) at ") + hex(slotAt(20, 1))},
      {skills(9), QStringLiteral("Skills(9) at ") + hex(levelAt(401))},
      {skills(20), QStringLiteral("Skills(20) at ") + hex(levelAt(302) + 2)}};
  for (const auto& [box, where] : places) {
    box->setFocus();
    const QString status = control<QLabel>(form, QStringLiteral("Status"))->text();
    EXPECT_TRUE(status.contains(where)) << status.toStdString();
  }
}

}  // namespace
}  // namespace rt::test
