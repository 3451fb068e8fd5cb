// Links in the editor: a form's "Used by" list and its double-click, the
// go-to of a reference field, the warning of a save that brings in an error,
// the Check window and the table view's "used by" column and shaded cells.
#include "editors/layout.h"
#include "ui/check_window.h"
#include "ui/editor_form.h"
#include "ui/table_view.h"

#include "tests/support/test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

std::int64_t unitAt(int unit) { return layout::kUnitBase + layout::kUnitStride * unit; }

struct Links : ::testing::Test {
  SampleMenu s;
  void TearDown() override { s.app.context->closeAllForms(); }
  AppContext& context() { return *s.app.context; }
  EditorForm* open(const QString& table, const QVariantMap& keys) {
    auto* form = qobject_cast<EditorForm*>(context().showForm(table));
    if (!form || !form->showRecord(keys)) return nullptr;
    return form;
  }
  int firstWeaponOf(int unit) { return static_cast<int>(valueAt(s.rom.bytes(), unitAt(unit) + layout::kUnitFirstWeapon, 2)); }
};

TEST_F(Links, UsedByListsTheUnitOwningAWeaponAndOpensIt) {
  const int weapon = firstWeaponOf(40);
  EditorForm* form = open(QStringLiteral("Weapon"), {{QStringLiteral("index"), weapon}});
  ASSERT_NE(form, nullptr);
  form->show();
  auto* used = control<QListWidget>(form, QStringLiteral("UsedBy"));
  ASSERT_NE(used, nullptr);
  ASSERT_EQ(used->count(), 1);
  EXPECT_EQ(used->item(0)->text(), QStringLiteral("Unit 40  first_weapon"));
  emit used->itemDoubleClicked(used->item(0));
  auto* unit = qobject_cast<EditorForm*>(context().openForm(QStringLiteral("Unit")));
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->shownRecord().value(QStringLiteral("index")).toInt(), 40);
  screenshot(form, QStringLiteral("links-weapon-used-by"));
}

TEST_F(Links, CtrlClickOnAReferenceFieldOpensTheRecordItNames) {
  EditorForm* form = open(QStringLiteral("Unit"), {{QStringLiteral("index"), 7}});
  ASSERT_NE(form, nullptr);
  form->show();
  auto* first = control<QLineEdit>(form, QStringLiteral("first_weapon"));
  ASSERT_NE(first, nullptr);
  QTest::mouseClick(first, Qt::LeftButton, Qt::ControlModifier);
  auto* weapon = qobject_cast<EditorForm*>(context().openForm(QStringLiteral("Weapon")));
  ASSERT_NE(weapon, nullptr);
  EXPECT_EQ(weapon->shownRecord().value(QStringLiteral("index")).toInt(), firstWeaponOf(7));
}

TEST_F(Links, ASaveThatBringsInAnErrorWarnsAndStillWrites) {
  EditorForm* form = open(QStringLiteral("Unit"), {{QStringLiteral("index"), 302}});
  ASSERT_NE(form, nullptr);
  form->show();
  auto* count = control<QLineEdit>(form, QStringLiteral("noOfWeapon"));
  auto* warning = control<QWidget>(form, QStringLiteral("NewProblems"));
  ASSERT_TRUE(count && warning);
  EXPECT_FALSE(warning->isVisible());
  count->setText(QStringLiteral("200"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  EXPECT_EQ(byteAt(s.rom.bytes(), unitAt(302) + layout::kUnitWeaponCount), 200);
  EXPECT_TRUE(warning->isVisible());
  EXPECT_TRUE(control<QLabel>(form, QStringLiteral("NewProblemsText"))->text().contains(QStringLiteral("past the 989 records")));
  EXPECT_TRUE(control<QLabel>(form, QStringLiteral("Status"))->text().contains(QStringLiteral("new error")));
  screenshot(form, QStringLiteral("links-save-warning"));
  control<QPushButton>(form, QStringLiteral("DismissProblems"))->click();
  EXPECT_FALSE(warning->isVisible());
  // A save that leaves the error as it was brings in nothing new.
  control<QLineEdit>(form, QStringLiteral("HP"))->setText(QStringLiteral("4321"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  EXPECT_FALSE(warning->isVisible());
}

TEST_F(Links, CheckListsProblemsFiltersThemAndOpensTheRecord) {
  s.rom.poke(unitAt(5) + layout::kUnitFirstWeapon, le(layout::kWeaponCount + 20, 2));
  control<QPushButton>(&s.menu, QStringLiteral("Check"))->click();
  auto* check = qobject_cast<CheckWindow*>(context().openForm(QStringLiteral("Check")));
  ASSERT_NE(check, nullptr);
  auto* tree = control<QTreeWidget>(check, QStringLiteral("Problems"));
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(1), QStringLiteral("Unit 5"));
  EXPECT_EQ(tree->topLevelItem(0)->text(2), QStringLiteral("first_weapon"));
  EXPECT_EQ(tree->topLevelItem(0)->text(3), QStringLiteral("into-table"));
  screenshot(check, QStringLiteral("links-check"));
  control<QLineEdit>(check, QStringLiteral("Filter"))->setText(QStringLiteral("MAP"));
  EXPECT_TRUE(tree->topLevelItem(0)->isHidden());
  control<QLineEdit>(check, QStringLiteral("Filter"))->setText(QStringLiteral("unit 5"));
  EXPECT_FALSE(tree->topLevelItem(0)->isHidden());
  check->openItem(tree->topLevelItem(0));
  auto* unit = qobject_cast<EditorForm*>(context().openForm(QStringLiteral("Unit")));
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->shownRecord().value(QStringLiteral("index")).toInt(), 5);
}

TEST_F(Links, TheTableViewCountsUsesAndShadesProblemCells) {
  s.rom.poke(unitAt(9) + layout::kUnitFirstWeapon, le(layout::kWeaponCount + 20, 2));
  TableView* units = showTableView(context(), QStringLiteral("Unit"));
  ASSERT_NE(units, nullptr);
  GridModel* model = units->model();
  const int firstWeapon = model->columnOfControl(0) + [&] {
    const auto& c = model->source().controls();
    for (size_t i = 0; i < c.size(); ++i)
      if (c[i].name == QLatin1String("first_weapon")) return static_cast<int>(i);
    return -1000;
  }();
  const Problem* problem = model->problemAt(9, firstWeapon);
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->rule, QStringLiteral("into-table"));
  EXPECT_EQ(model->problemAt(8, firstWeapon), nullptr);
  EXPECT_TRUE(model->data(model->index(9, firstWeapon), Qt::ToolTipRole).toString().contains(QStringLiteral("Weapon")));

  TableView* weapons = showTableView(context(), QStringLiteral("Weapon"));
  ASSERT_NE(weapons, nullptr);
  GridModel* w = weapons->model();
  const int last = w->columnCount() - 1;
  ASSERT_EQ(w->headerData(last, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("used by"));
  // Each weapon of a unit's range counts that unit once (the sample's ranges do not overlap).
  const int weapon = firstWeaponOf(40);
  const int row = [&] {
    for (int r = 0; r < w->rowCount(); ++r)
      if (w->edits().rows()[static_cast<size_t>(r)].ref.keys.value(QStringLiteral("index")).toInt() == weapon) return r;
    return -1;
  }();
  ASSERT_GE(row, 0);
  EXPECT_EQ(w->text(row, last), QStringLiteral("1"));
  screenshot(weapons, QStringLiteral("links-weapon-grid"));
}

}  // namespace
}  // namespace rt::test
