// The filter box above every record list: by name, by number, and on into the list.
#include "tests/support/test_support.h"

#include "ui/editor_form.h"
#include "editors/all_tables.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

QList<int> shownRows(QListWidget* list) {
  QList<int> rows;
  for (int row = 0; row < list->count(); ++row)
    if (!list->isRowHidden(row)) rows << row;
  return rows;
}

class RecordFilterOfEveryList : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordFilterOfEveryList, ShowsTheRowsHoldingTheTextOrOfTheNumber) {
  TestApp app;
  TempRom rom{sampleImage()};
  QWidget* form = app.showForm(rom.path(), QString::fromStdString(GetParam()));
  ASSERT_NE(form, nullptr);
  QList<QListWidget*> lists = form->findChildren<QListWidget*>();
  lists.removeIf([](QListWidget* l) { return l->objectName() == QLatin1String("UsedBy"); });  // not a list of records to pick
  if (lists.isEmpty()) GTEST_SKIP() << "its records are picked in a combo box";
  for (QListWidget* list : lists) {
    SCOPED_TRACE(list->objectName().toStdString());
    auto* filter = control<QLineEdit>(form, list->objectName() + QStringLiteral("Filter"));
    if (!filter || list->count() < 2) continue;
    const int last = list->count() - 1;
    const QString name = list->item(last)->text().toLower();  // any letter case matches
    filter->setText(name);
    const QList<int> named = shownRows(list);
    EXPECT_TRUE(named.contains(last));
    for (int row : named) EXPECT_TRUE(list->item(row)->text().contains(name, Qt::CaseInsensitive)) << row;
    filter->setText(QString::number(last));
    EXPECT_TRUE(shownRows(list).contains(last));
    for (int row : shownRows(list))
      EXPECT_TRUE(row == last || list->item(row)->text().contains(QString::number(last))) << row;
    filter->clear();
    EXPECT_EQ(shownRows(list).size(), list->count());
  }
}

INSTANTIATE_TEST_SUITE_P(AllForms, RecordFilterOfEveryList, ::testing::ValuesIn(registeredTableNames()),
                         [](const auto& info) { return info.param; });

TEST(RecordFilter, CtrlFReachesItDownGoesIntoTheListOntoTheFirstRowShownAndReadsIt) {
  TestApp app;
  TempRom rom{sampleImage()};
  auto* form = dynamic_cast<EditorForm*>(app.showForm(rom.path(), QStringLiteral("SPEdit")));
  ASSERT_NE(form, nullptr);
  auto* list = control<QListWidget>(form, QStringLiteral("List1"));
  auto* filter = control<QLineEdit>(form, QStringLiteral("List1Filter"));
  ASSERT_TRUE(list && filter);
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  EXPECT_TRUE(list->hasFocus());  // keys move through the records, as before there were filters
  typeKey(list, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(filter->hasFocus());
  filter->setText(QStringLiteral("7"));  // row 7, and any row whose name holds a 7
  ASSERT_FALSE(shownRows(list).contains(0));  // the row shown is filtered out
  typeKey(filter, Qt::Key_Down, Qt::NoModifier);
  EXPECT_EQ(list->currentRow(), shownRows(list).value(0));
  EXPECT_EQ(form->shownRecord().value(QStringLiteral("index")).toInt(), list->currentRow());
  EXPECT_TRUE(list->hasFocus());
}

TEST(RecordFilter, RowsListedLaterAreFilteredToo) {
  TestApp app;
  TempRom rom{sampleImage()};
  QWidget* form = app.showForm(rom.path(), QStringLiteral("MAP"));
  ASSERT_NE(form, nullptr);
  auto* records = control<QListWidget>(form, QStringLiteral("List2"));
  auto* filter = control<QLineEdit>(form, QStringLiteral("List2Filter"));
  ASSERT_TRUE(records && filter);
  filter->setText(QStringLiteral("no record is named this"));
  clickRow(control<QListWidget>(form, QStringLiteral("List1")), 0);  // lists stage 0's records
  ASSERT_GT(records->count(), 0);
  EXPECT_TRUE(shownRows(records).isEmpty());
}

}  // namespace
}  // namespace rt::test
