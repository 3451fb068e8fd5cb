// The main menu, the skill sub-menu and the editor lifecycle.
#include "ui/menus.h"

#include "editors/all_tables.h"
#include "editors/weapon_map/weapon_table.h"
#include "tests/support/test_support.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

namespace rt::test {
namespace {

struct MenuFixture : ::testing::Test {
  TestApp app;
  TempRom rom{sampleImage()};  // a DS header that holds and every table: no warning on opening it
  std::unique_ptr<MainMenu> menu;
  void SetUp() override {
    menu = std::make_unique<MainMenu>(*app.context);
    registerMenus(*app.context, menu.get());
    menu->load();
    menu->show();
  }
  void TearDown() override { app.context->closeAllForms(); }
  QListWidget* list() { return control<QListWidget>(menu.get(), QStringLiteral("List1")); }
  void click(QWidget* window, const char* name) { control<QPushButton>(window, QString::fromLatin1(name))->click(); }
  void choose(const QString& path) {
    app.chooser->next = path;
    click(menu.get(), "Open");
  }
  void edit(int row) {
    list()->setCurrentRow(row);
    click(menu.get(), "Edit");
  }
};

TEST_F(MenuFixture, ShowsTheFifteenRowsWithNoneSelected) {
  EXPECT_EQ(list()->count(), 15);
  EXPECT_EQ(list()->currentRow(), -1);
  EXPECT_EQ(menu->windowTitle(), QStringLiteral("RomTables"));
  EXPECT_EQ(control<QPushButton>(menu.get(), QStringLiteral("Open"))->text(), QStringLiteral("&Open NDS"));
}

TEST_F(MenuFixture, EditBeforeOpenNdsOpensNothingAndSaysToChooseAnImage) {
  for (int row = 0; row < 15; ++row) {
    edit(row);
    EXPECT_EQ(app.context->openForm(app.context->menus().forms(MenuKind::Main)[row]), nullptr) << row;
  }
  ASSERT_EQ(app.sink->messages.size(), 15);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("Open NDS"))) << app.sink->messages[0].toStdString();
  EXPECT_TRUE(control<QLabel>(menu.get(), QStringLiteral("romPathLabel"))->text().contains(QStringLiteral("no ROM image chosen")));
}

// The chosen image's header is shown; a damaged or short one is warned about
// (and still chosen); the last images come back newest first, without repeats.
TEST_F(MenuFixture, HeaderWarningsAndRecentImages) {
  QByteArray damaged = rom.bytes();
  damaged[0] = '?';
  TempRom other(damaged);
  TempRom tiny(QByteArray(0x100, '\0'));
  EXPECT_FALSE(control<QPushButton>(menu.get(), QStringLiteral("Recent"))->isEnabled());
  struct Step {
    const TempRom& image;
    int warnings;
    const char* warned;
  };
  const Step steps[] = {{rom, 0, ""}, {other, 1, "checksum"}, {tiny, 1, "tables reach"}, {rom, 0, ""}};
  for (const Step& step : steps) {
    app.sink->messages.clear();
    choose(step.image.path());
    EXPECT_EQ(app.context->rom().romPath(), step.image.path());
    ASSERT_EQ(app.sink->messages.size(), step.warnings) << step.image.path().toStdString();
    if (step.warnings) EXPECT_TRUE(app.sink->messages[0].contains(QLatin1String(step.warned))) << app.sink->messages[0].toStdString();
  }
  EXPECT_TRUE(control<QLabel>(menu.get(), QStringLiteral("romHeaderLabel"))->text().startsWith(QStringLiteral("ROMTABLESMPL (")));
  const QStringList recent = recentImages(*app.context);
  ASSERT_EQ(recent.size(), 3);
  EXPECT_EQ(recent[0], QFileInfo(rom.path()).absoluteFilePath());
  EXPECT_EQ(recent[1], QFileInfo(tiny.path()).absoluteFilePath());
  // A recent image is chosen again from the menu of the "Recent" button.
  auto* pick = menu->findChild<QAction*>(QStringLiteral("Recent(2)"));
  ASSERT_NE(pick, nullptr);
  pick->trigger();
  EXPECT_EQ(app.context->rom().romPath(), QFileInfo(other.path()).absoluteFilePath());
}

TEST_F(MenuFixture, CancellingTheDialogKeepsTheChosenPath) {
  choose(QString());
  EXPECT_TRUE(app.context->rom().romPath().isEmpty());
  choose(rom.path());
  choose(QString());
  EXPECT_EQ(app.context->rom().romPath(), rom.path());
  EXPECT_EQ(app.chooser->shown, 3);
}

TEST_F(MenuFixture, RowZeroOpensSpEditOnRecordZeroAndAgainOnlyRaisesIt) {
  choose(rom.path());
  edit(0);
  QWidget* form = app.context->openForm(QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  auto* records = control<QListWidget>(form, QStringLiteral("List1"));
  EXPECT_EQ(records->currentRow(), 0);
  EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("SP_VAL"))->text(), QString::number(byteAt(rom.bytes(), 0xD4424)));
  records->setCurrentRow(5);
  edit(0);
  EXPECT_EQ(app.context->openForm(QStringLiteral("SPEdit")), form);  // the same window
  EXPECT_EQ(records->currentRow(), 5);
}

TEST_F(MenuFixture, ExitReturnsToTheMenuAndTheFormIsLoadedAfreshAtItsLastRecordNextTime) {
  choose(rom.path());
  edit(0);
  QPointer<QWidget> form = app.context->openForm(QStringLiteral("SPEdit"));
  ASSERT_TRUE(form);
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(7);
  click(form, "Exit");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_TRUE(menu->isVisible());
  edit(0);
  QWidget* again = app.context->openForm(QStringLiteral("SPEdit"));
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, form.data());
  EXPECT_EQ(control<QListWidget>(again, QStringLiteral("List1"))->currentRow(), 7);
}

TEST_F(MenuFixture, TheSkillSubMenuListsSevenRowsAndExitsToMain) {
  choose(rom.path());
  edit(13);
  QPointer<QWidget> sub = app.context->openForm(QStringLiteral("Main_2"));
  ASSERT_TRUE(sub);
  auto* rows = control<QListWidget>(sub, QStringLiteral("List1"));
  EXPECT_EQ(rows->count(), 7);
  EXPECT_EQ(rows->currentRow(), -1);
  click(sub, "Edit");  // no row selected: nothing happens
  EXPECT_TRUE(app.sink->messages.isEmpty());
  click(sub, "Exit");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sub.isNull());
  EXPECT_TRUE(menu->isVisible());
}

TEST_F(MenuFixture, ExitOfMainClosesEveryFormAndEndsTheRun) {
  choose(rom.path());
  edit(0);
  edit(13);
  QSignalSpy quit(menu.get(), &MainMenu::quitRequested);
  click(menu.get(), "Exit");
  EXPECT_EQ(quit.count(), 1);
  EXPECT_EQ(app.context->openForm(QStringLiteral("SPEdit")), nullptr);
  EXPECT_EQ(app.context->openForm(QStringLiteral("Main_2")), nullptr);
}

TEST_F(MenuFixture, ClosingMainByItsCloseBoxAlsoEndsTheRun) {
  QSignalSpy quit(menu.get(), &MainMenu::quitRequested);
  menu->close();
  EXPECT_EQ(quit.count(), 1);
}

TEST_F(MenuFixture, DoubleClickOnARowActsLikeEdit) {
  choose(rom.path());
  list()->setCurrentRow(0);
  emit list()->itemActivated(list()->item(0));
  EXPECT_NE(app.context->openForm(QStringLiteral("SPEdit")), nullptr);
}

TEST_F(MenuFixture, AnotherImageChosenWhileAFormIsOpenIsUsedByItsNextRead) {
  choose(rom.path());
  edit(0);
  QWidget* form = app.context->openForm(QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  TempRom other(0xD4424 + 28 * 35, 12);
  other.poke(0xD4424 + 28, QByteArray::fromHex("2a"));
  choose(other.path());
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(1);
  EXPECT_EQ(control<QLineEdit>(form, QStringLiteral("SP_VAL"))->text(), QStringLiteral("42"));
}

TEST_F(MenuFixture, OpenNdsRollsBackAnInterruptedSaveAndSaysSo) {
  const std::int64_t at = 0xD4424 + 28 * 3;  // SP_VAL of SPEdit record 3
  const QByteArray original = rom.bytes();
  const QByteArray before = original.mid(at, 2);
  const QByteArray after(2, static_cast<char>(byteAt(original, at) ^ 0x5A));
  std::int64_t id = 0;
  {
    // Recorded as pending and half written, as a save cut short by a crash leaves it.
    auto journal = systemJournalStore()->open(rom.path(), true, nullptr);
    ASSERT_TRUE(journal) << journal.message().toStdString();
    auto begun = (*journal)->begin(recordTx(QStringLiteral("SPEdit"), QStringLiteral("SPEdit"), {{{QStringLiteral("index"), 3}}}),
                                   {rt::Run{at, before, after}});
    ASSERT_TRUE(begun) << begun.message().toStdString();
    id = *begun;
  }
  rom.poke(at, after.left(1));
  choose(rom.path());
  EXPECT_EQ(rom.bytes(), original);
  ASSERT_EQ(app.sink->notices.size(), 1);
  EXPECT_TRUE(app.sink->notices[0].contains(QStringLiteral("interrupted save of 1 SPEdit record"))) << app.sink->notices[0].toStdString();
  EXPECT_TRUE(app.sink->messages.isEmpty());
  ASSERT_NE(app.context->rom().journal(), nullptr);
  EXPECT_EQ(app.context->rom().journal()->get(id)->state, TxState::RolledBack);
}

TEST_F(MenuFixture, OpenNdsSaysWhyTheImagesHistoryCannotBeRead) {
  QFile history(historyPathBeside(rom.path()));
  ASSERT_TRUE(history.open(QIODevice::WriteOnly));
  history.write(QByteArray(4096, 'x'));
  history.close();
  // Asked whether to set it aside; Yes starts a new history and keeps the old file.
  app.sink->answer = true;
  choose(rom.path());
  ASSERT_EQ(app.sink->questions.size(), 1);
  EXPECT_TRUE(app.sink->questions[0].contains(QStringLiteral("not a database"))) << app.sink->questions[0].toStdString();
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
  EXPECT_EQ(QDir(QFileInfo(rom.path()).absolutePath()).entryList({QStringLiteral("*.history.old-*")}).size(), 1);
}

// A form open while Open NDS chooses another image shows that image and saves to it only.
struct OtherImageCase {
  int row;
  const char* form;
  const char* box;
  int width;
  std::int64_t (*offset)(const QByteArray& image);  // of the box's value in `image`
};

std::int64_t firstWeaponAtk(const QByteArray& image) {
  using namespace weapon_layout;
  return kBase + kStride * valueAt(image, kUnitBase + kUnitFirstWeapon, 2) + 8;
}

const OtherImageCase kOtherImageCases[] = {
    {0, "SPEdit", "SP_VAL", 1, [](const QByteArray&) -> std::int64_t { return 0xD4424; }},
    {1, "money", "Value(0)", 4, [](const QByteArray&) -> std::int64_t { return 0x6A81C; }},
    {4, "Weapon", "ATK", 2, firstWeaponAtk},  // the unit's weapons begin elsewhere in the other image
};

class OtherImage : public ::testing::TestWithParam<OtherImageCase> {};

TEST_P(OtherImage, AnOpenFormShowsItAndSavesToItOnly) {
  const OtherImageCase& c = GetParam();
  SampleMenu s;
  QWidget* form = s.edit(c.row, QString::fromLatin1(c.form));
  ASSERT_NE(form, nullptr);
  auto* box = control<QLineEdit>(form, QString::fromLatin1(c.box));
  TempRom other(sampleImage());
  const std::uint32_t first = valueAt(other.bytes(), weapon_layout::kUnitBase + weapon_layout::kUnitFirstWeapon, 2);
  other.poke(weapon_layout::kUnitBase + weapon_layout::kUnitFirstWeapon, le(first + 3, 2));
  const std::int64_t at = c.offset(other.bytes());
  const std::uint32_t mask = c.width == 4 ? 0xFFFFFFFFu : (1u << (8 * c.width)) - 1;
  const std::uint32_t shown = (valueAt(s.rom.bytes(), at, c.width) + 7) & mask;
  other.poke(at, le(shown, c.width));
  s.app.chooser->next = other.path();
  control<QPushButton>(&s.menu, QStringLiteral("Open"))->click();
  EXPECT_EQ(box->text(), QString::number(c.width == 4 ? static_cast<std::int32_t>(shown) : static_cast<int>(shown)));

  const QByteArray firstImage = s.rom.bytes();
  const QByteArray before = other.bytes();
  const int typed = shown == 9 ? 8 : 9;
  box->setText(QString::number(typed));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
  EXPECT_EQ(s.rom.bytes(), firstImage);
  std::vector<std::pair<std::int64_t, int>> expected;
  for (int i = 0; i < c.width; ++i) expected.push_back({at + i, i == 0 ? typed : 0});
  expectOnlyBytes(before, other.bytes(), expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, OtherImage, ::testing::ValuesIn(kOtherImageCases),
                         [](const auto& info) { return std::string(info.param.form); });

TEST(OtherImage, AFormRefusesToSaveToAnImageItDidNotReadFrom) {
  SampleMenu s;
  QWidget* form = s.edit(0, QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  TempRom other(sampleImage());
  s.app.context->rom().setRomPath(other.path());  // behind the form's back, not through Open NDS
  control<QLineEdit>(form, QStringLiteral("SP_VAL"))->setText(QStringLiteral("9"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  ASSERT_EQ(s.app.sink->messages.size(), 1);
  EXPECT_TRUE(s.app.sink->messages[0].contains(QStringLiteral("nothing was saved"))) << s.app.sink->messages[0].toStdString();
  EXPECT_EQ(s.rom.bytes(), sampleImage());
  EXPECT_EQ(other.bytes(), sampleImage());
}

TEST(MenuLists, AMissingListIsReportedAndTheFormDoesNotOpen) {
  QTemporaryDir names;  // empty: no lists at all
  TestApp app(names.path());
  TempRom rom(0xD4424 + 28 * 35, 1);
  EXPECT_EQ(app.showForm(rom.path(), QStringLiteral("SPEdit")), nullptr);
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("SP.txt")));
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("35")));
}

TEST(MenuScreenshots, MainAndSubMenuRender) {
  TestApp app;
  MainMenu menu(*app.context);
  registerMenus(*app.context, &menu);
  menu.load();
  EXPECT_FALSE(screenshot(&menu, QStringLiteral("Main")).isEmpty());
  TempRom rom(64, 1);
  QWidget* sub = app.showForm(rom.path(), QStringLiteral("Main_2"));
  ASSERT_NE(sub, nullptr);
  EXPECT_FALSE(screenshot(sub, QStringLiteral("Main_2")).isEmpty());
  app.context->closeAllForms();
}

TEST(MenuRows, TheEditorsPlaceEveryRowOnce) {
  const MenuRows rows = allMenuRows();
  EXPECT_EQ(rows.problem().toStdString(), "");
  EXPECT_EQ(rows.forms(MenuKind::Main),
            (QStringList{"SPEdit", "money", "Pilot", "Unit", "Weapon", "EWeapon", "UnitSP", "Rules", "PSkills", "MAP",
                         "Parts", "Parts_2", "Unit_Pic", "Main_2", "character"}));
  EXPECT_EQ(rows.forms(MenuKind::Skills),
            (QStringList{"Skills_Edit", "Skills_Edit_Atk", "Skills_Edit_Hp", "skills_edit_xin", "Skills_edit_super",
                         "Skills_Edit_Fire", "Skills_Edit_OverSkill"}));
}

TEST(MenuRows, ProblemNamesGapsClashesAndRepeats) {
  const struct {
    std::vector<FormPlace> places;
    QString problem;
  } cases[] = {
      {{{"A", "A", MenuKind::Main, 0}, {"B", "B", MenuKind::Main, 1}, {"C", "C", MenuKind::Skills, 0}}, {}},
      {{{"A", "A", MenuKind::Main, 0}, {"B", "B", MenuKind::Main, 2}}, "row 1 opens nothing"},
      {{{"A", "A", MenuKind::Main, 0}, {"B", "B", MenuKind::Main, 0}}, "two forms share a row"},
      {{{"A", "A", MenuKind::Main, 0}, {"A", "A", MenuKind::Skills, 0}}, "A is placed twice"},
      {{{"A", "A", MenuKind::Skills, -1}}, "A has row -1"},
      {{{"", "A", MenuKind::Main, 0}}, "a form without a name"},
  };
  for (const auto& c : cases) {
    MenuRows rows;
    for (const FormPlace& p : c.places) rows.add(p);
    EXPECT_EQ(rows.problem().toStdString(), c.problem.toStdString());
  }
}

// Every row opens the form placed there, under the name declared with it and
// titled with the row's text, as the user picked it (never an internal name).
TEST(MenuRows, EachRowOpensItsFormWithItsCaption) {
  SampleMenu s;
  const MenuRows& rows = s.app.context->menus();
  QWidget* sub = s.edit(13, QStringLiteral("Main_2"));
  ASSERT_NE(sub, nullptr);
  for (const FormPlace& place : rows.all()) {
    // The sub-menu stays open while its rows are tried; opening it again only raises it.
    QWidget* form = s.edit(place.row, place.id, place.menu == MenuKind::Skills ? sub : nullptr);
    ASSERT_NE(form, nullptr) << place.id.toStdString();
    EXPECT_EQ(form->objectName().toStdString(), place.id.toStdString());
    auto* menuRows = control<QListWidget>(place.menu == MenuKind::Skills ? sub : &s.menu, QStringLiteral("List1"));
    EXPECT_EQ(form->windowTitle().toStdString(), menuRows->item(place.row)->text().trimmed().toStdString())
        << place.id.toStdString();
    EXPECT_FALSE(form->windowTitle().contains(u'_')) << form->windowTitle().toStdString();
  }
  EXPECT_TRUE(s.app.sink->messages.isEmpty());
  s.app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
