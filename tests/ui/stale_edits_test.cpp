// Two windows on one record: a window writes only the fields edited in it and
// only over the values it read; the other windows read a save again, keeping
// their own edits; a forced revert is taken back by Undo.
#include "ui/table_form.h"
#include "ui/table_view.h"

#include "tests/support/test_support.h"

#include "editors/layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

using Stale = MessageSink::Stale;
constexpr std::int64_t kHp = layout::kUnitBase + 0x0C;  // unit 0: HP, 4 bytes
constexpr std::int64_t kEn = layout::kUnitBase + 0x14;  // unit 0: EN, 2 bytes

struct TwoWindows {
  SampleMenu s;
  QWidget* unit = s.edit(3, QStringLiteral("Unit"));
  QLineEdit* hp = control<QLineEdit>(unit, QStringLiteral("HP"));
  QLineEdit* en = control<QLineEdit>(unit, QStringLiteral("EN"));
  TableView* grid = nullptr;

  TwoWindows() {
    typeKey(hp, Qt::Key_T, Qt::ControlModifier);
    grid = qobject_cast<TableView*>(s.app.context->openForm(tableViewName(QStringLiteral("Unit"))));
  }
  void save() { control<QPushButton>(unit, QStringLiteral("Save"))->click(); }
  int column(const char* name) const {
    const auto& controls = grid->model()->source().controls();
    for (size_t c = 0; c < controls.size(); ++c)
      if (controls[c].name == QLatin1String(name)) return grid->model()->columnOfControl(static_cast<int>(c));
    return -1;
  }
  void stage(const char* name, int value) {
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(0, column(name)), QString::number(value), Qt::EditRole));
  }
  QString cell(const char* name) const { return grid->model()->text(0, column(name)); }
  std::uint32_t stored(std::int64_t at, int width) const { return valueAt(s.rom.bytes(), at, width); }
  QString status(QWidget* w) const { return control<QLabel>(w, QStringLiteral("Status"))->text(); }
};

class StaleEditorSave : public ::testing::TestWithParam<Stale> {};

TEST_P(StaleEditorSave, AsksAboutAFieldTheGridSavedAndDoesWhatTheAnswerSays) {
  TwoWindows w;
  ASSERT_NE(w.grid, nullptr);
  w.hp->setText(QStringLiteral("70000"));
  w.save();
  ASSERT_NO_FATAL_FAILURE(w.stage("HP", 5000));
  ASSERT_TRUE(w.grid->save());
  EXPECT_EQ(w.hp->text(), QStringLiteral("5000"));  // no edits in the editor: it read the grid's save
  w.en->setText(QStringLiteral("160"));
  w.save();  // the EN only: the grid's HP stays
  EXPECT_EQ(w.stored(kHp, 4), 5000u);
  EXPECT_EQ(w.stored(kEn, 2), 160u);
  EXPECT_EQ(w.cell("EN"), QStringLiteral("160"));  // the grid read the editor's save

  // Edits in the editor while the grid saves the same field.
  w.hp->setText(QStringLiteral("80000"));
  w.en->setText(QStringLiteral("161"));
  ASSERT_NO_FATAL_FAILURE(w.stage("HP", 6000));
  ASSERT_TRUE(w.grid->save());
  EXPECT_EQ(w.hp->text(), QStringLiteral("80000"));
  EXPECT_TRUE(w.status(w.unit).contains(QStringLiteral("changed underneath: HP 6000 (saved elsewhere)")))
      << w.status(w.unit).toStdString();
  w.s.app.sink->stale = GetParam();
  w.save();
  ASSERT_EQ(w.s.app.sink->staleQuestions.size(), 1);
  EXPECT_TRUE(w.s.app.sink->staleQuestions[0].contains(QStringLiteral("HP: 6000 now; this window would write 80000.")))
      << w.s.app.sink->staleQuestions[0].toStdString();
  EXPECT_FALSE(w.s.app.sink->staleQuestions[0].contains(QStringLiteral("EN:")));
  const bool overwrite = GetParam() == Stale::Overwrite;
  EXPECT_EQ(w.stored(kHp, 4), overwrite ? 80000u : 6000u);
  EXPECT_EQ(w.stored(kEn, 2), overwrite ? 161u : 160u);
  EXPECT_EQ(w.hp->text(), GetParam() == Stale::Reload ? QStringLiteral("6000") : QStringLiteral("80000"));
  EXPECT_EQ(w.en->text(), QStringLiteral("161"));  // Reload drops only the edit of HP
  EXPECT_EQ(w.unit->windowTitle().endsWith(u'*'), !overwrite);
  EXPECT_TRUE(w.s.app.sink->messages.isEmpty()) << w.s.app.sink->messages.join('\n').toStdString();
}

std::string answerName(const ::testing::TestParamInfo<Stale>& info) {
  static const char* const names[] = {"Overwrite", "Reload", "Cancel"};
  return names[static_cast<int>(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Answers, StaleEditorSave, ::testing::Values(Stale::Overwrite, Stale::Reload, Stale::Cancel),
                         answerName);

TEST(StaleGridSave, TheGridReadsTheEditorsSaveKeepsItsEditAndAsksBeforeWritingOverIt) {
  TwoWindows w;
  ASSERT_NE(w.grid, nullptr);
  ASSERT_NO_FATAL_FAILURE(w.stage("EN", 170));
  w.hp->setText(QStringLiteral("4321"));
  w.en->setText(QStringLiteral("171"));
  w.save();
  EXPECT_EQ(w.cell("HP"), QStringLiteral("4321"));  // read again
  EXPECT_EQ(w.cell("EN"), QStringLiteral("170"));   // the staged edit kept
  EXPECT_TRUE(w.status(w.grid).contains(QStringLiteral("changed underneath"))) << w.status(w.grid).toStdString();
  const QByteArray before = w.s.rom.bytes();
  w.s.app.sink->stale = Stale::Cancel;
  EXPECT_FALSE(w.grid->save());
  ASSERT_EQ(w.s.app.sink->staleQuestions.size(), 1);
  EXPECT_TRUE(w.s.app.sink->staleQuestions[0].contains(QStringLiteral("171 now; this view would write 170.")))
      << w.s.app.sink->staleQuestions[0].toStdString();
  EXPECT_EQ(w.s.rom.bytes(), before);
  w.s.app.sink->stale = Stale::Overwrite;
  EXPECT_TRUE(w.grid->save());
  EXPECT_EQ(w.stored(kEn, 2), 170u);
  EXPECT_EQ(w.stored(kHp, 4), 4321u);
  EXPECT_EQ(w.en->text(), QStringLiteral("170"));
}

TEST(ForcedRevert, UndoBringsBackWhatTheRevertOverwrote) {
  TwoWindows w;
  const std::uint32_t original = w.stored(kHp, 4);
  w.hp->setText(QStringLiteral("1111"));
  w.save();  // transaction 1
  w.hp->setText(QStringLiteral("2222"));
  w.save();  // transaction 2, over the same bytes
  typeKey(&w.s.menu, Qt::Key_H, Qt::ControlModifier);
  QWidget* history = w.s.app.context->openForm(QStringLiteral("History"));
  ASSERT_NE(history, nullptr);
  auto* list = control<QTreeWidget>(history, QStringLiteral("Transactions"));
  list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));  // transaction 1
  w.s.app.sink->answer = true;  // revert it anyway
  control<QPushButton>(history, QStringLiteral("Revert"))->click();
  ASSERT_EQ(w.stored(kHp, 4), original);
  control<QPushButton>(history, QStringLiteral("Undo"))->click();
  EXPECT_EQ(w.stored(kHp, 4), 2222u);
  EXPECT_EQ(w.hp->text(), QStringLiteral("2222"));
  control<QPushButton>(history, QStringLiteral("Undo"))->click();  // then transaction 2, as before the revert
  EXPECT_EQ(w.stored(kHp, 4), 1111u);
  control<QPushButton>(history, QStringLiteral("Redo"))->click();
  EXPECT_EQ(w.stored(kHp, 4), 2222u);
  EXPECT_TRUE(w.s.app.sink->messages.isEmpty()) << w.s.app.sink->messages.join('\n').toStdString();
}

}  // namespace
}  // namespace rt::test
