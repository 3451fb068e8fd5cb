// The main menu, the skill sub-menu and the editor lifecycle.
#include "core/ui/menus.h"

#include "tests/support/test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

struct MenuFixture : ::testing::Test {
  TestApp app;
  TempRom rom{0xD4424 + 28 * 35, 11};
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
  EXPECT_EQ(menu->windowTitle(), QStringLiteral("Main"));
  EXPECT_EQ(control<QPushButton>(menu.get(), QStringLiteral("Open"))->text(), QStringLiteral("Open NDS"));
}

TEST_F(MenuFixture, EditBeforeOpenNdsOpensNothing) {
  for (int row = 0; row < 15; ++row) {
    edit(row);
    EXPECT_EQ(app.context->openForm(mainMenuForms()[row]), nullptr) << row;
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
  EXPECT_TRUE(control<QLabel>(menu.get(), QStringLiteral("romPathLabel"))->text().contains(QStringLiteral("no ROM image chosen")));
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

TEST_F(MenuFixture, ExitReturnsToTheMenuAndTheFormIsLoadedAfreshNextTime) {
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
  EXPECT_EQ(control<QListWidget>(again, QStringLiteral("List1"))->currentRow(), 0);
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

}  // namespace
}  // namespace rt::test
