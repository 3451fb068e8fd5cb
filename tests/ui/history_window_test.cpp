// The History window: the image's transactions, the field changes of the
// selected one, and Undo, Redo and Revert.
#include "ui/history_window.h"
#include "ui/table_view.h"

#include "tests/support/test_support.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr std::int64_t kSpiritValue = 0xD4424;  // SP_VAL of SPEdit record 0

struct HistoryFixture : ::testing::Test {
  SampleMenu s;
  QWidget* form = nullptr;
  QLineEdit* box = nullptr;
  QString oldText, newText;
  QByteArray original, saved;

  void SetUp() override {
    form = s.edit(0, QStringLiteral("SPEdit"));
    ASSERT_NE(form, nullptr);
    box = control<QLineEdit>(form, QStringLiteral("SP_VAL"));
    original = s.rom.bytes();
    oldText = box->text();
    newText = QString::number(oldText.toInt() == 0 ? 1 : oldText.toInt() - 1);
    box->setText(newText);
    control<QPushButton>(form, QStringLiteral("Save"))->click();
    saved = s.rom.bytes();
    ASSERT_NE(saved, original);
  }
  void TearDown() override { s.app.context->closeAllForms(); }
  QWidget* history() {
    typeKey(&s.menu, Qt::Key_H, Qt::ControlModifier);
    return s.app.context->openForm(QStringLiteral("History"));
  }
  void click(QWidget* w, const char* name) { control<QPushButton>(w, QString::fromLatin1(name))->click(); }
  static QTreeWidget* tree(QWidget* w, const char* name) { return control<QTreeWidget>(w, QString::fromLatin1(name)); }
  static QStringList row(QTreeWidget* t, int r) {
    QStringList texts;
    if (QTreeWidgetItem* item = t->topLevelItem(r))
      for (int c = 0; c < t->columnCount(); ++c) texts << item->text(c);
    return texts;
  }
};

TEST_F(HistoryFixture, ListsTheSaveWithTheFieldItChanged) {
  QWidget* w = history();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("History"));
  QTreeWidget* list = tree(w, "Transactions");
  ASSERT_EQ(list->topLevelItemCount(), 1);
  QStringList tx = row(list, 0);
  tx.removeAt(1);  // the time
  // The summary: the table, the record and the field's caption.
  EXPECT_EQ(tx, (QStringList{QStringLiteral("1"), QStringLiteral("SPEdit"), QStringLiteral("done"),
                             QStringLiteral("SPEdit 0: 消耗SP")}));
  QTreeWidget* changes = tree(w, "Changes");
  ASSERT_EQ(changes->topLevelItemCount(), 1);
  const QString name = control<QListWidget>(form, QStringLiteral("List1"))->item(0)->text();
  EXPECT_EQ(row(changes, 0), (QStringList{QStringLiteral("SPEdit"), QStringLiteral("0"), name, QStringLiteral("消耗SP"),
                                          QStringLiteral("SP_VAL"), oldText, newText}));
  EXPECT_FALSE(screenshot(w, QStringLiteral("History")).isEmpty());
}

// The form's save waited for its history's flush only; the image's comes
// when the editor idles, and until then the history holds the save as not
// yet flushed (what recovery would write again after a power cut).
TEST_F(HistoryFixture, TheImageIsFlushedWhenTheEditorIdles) {
  auto owed = [&] {
    auto journal = systemJournalStore()->open(s.rom.path(), false, nullptr, true);
    if (!journal || !*journal) return -1;
    auto listed = (*journal)->pending();
    return listed ? static_cast<int>(listed->size()) : -1;
  };
  EXPECT_EQ(owed(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return owed() == 0; }, 5000));
}

// Esc closes each secondary window; one with unsaved edits asks first.
TEST_F(HistoryFixture, EscClosesTheSecondaryWindowsAskingAboutUnsavedEdits) {
  QWidget* w = history();
  ASSERT_NE(w, nullptr);
  typeKey(tree(w, "Transactions"), Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(w->isVisible());

  TempRom other{sampleImage()};
  s.app.chooser->next = other.path();
  control<QPushButton>(&s.menu, QStringLiteral("Compare"))->click();
  QWidget* compare = s.app.context->openForm(QStringLiteral("Compare"));
  ASSERT_NE(compare, nullptr);
  typeKey(compare, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(compare->isVisible());

  control<QPushButton>(form, QStringLiteral("Table"))->click();
  auto* grid = qobject_cast<TableView*>(s.app.context->openForm(tableViewName(QStringLiteral("SPEdit"))));
  ASSERT_NE(grid, nullptr);
  auto* cells = control<QAbstractItemView>(grid, QStringLiteral("Grid"));
  ASSERT_TRUE(grid->model()->setData(grid->model()->index(1, grid->model()->columnOfControl(0)), QStringLiteral("7"),
                                     Qt::EditRole));
  s.app.sink->unsaved = MessageSink::Unsaved::Cancel;
  typeKey(cells, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_TRUE(grid->isVisible());
  EXPECT_EQ(s.app.sink->unsavedQuestions.size(), 1);
  s.app.sink->unsaved = MessageSink::Unsaved::Discard;
  typeKey(cells, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(grid->isVisible());
  EXPECT_EQ(s.rom.bytes(), saved);
}

TEST_F(HistoryFixture, UndoRedoAndRevertRewriteTheImageRelistAndRereadTheForm) {
  QWidget* w = history();
  ASSERT_NE(w, nullptr);
  QTreeWidget* list = tree(w, "Transactions");
  click(w, "Undo");
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_EQ(box->text(), oldText);
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(row(list, 0).value(2), QStringLiteral("undo 1"));
  EXPECT_EQ(row(list, 1).value(3), QStringLiteral("undone"));
  click(w, "Redo");
  EXPECT_EQ(s.rom.bytes(), saved);
  EXPECT_EQ(box->text(), newText);
  list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));  // the save, done again
  click(w, "Revert");
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_EQ(box->text(), oldText);
  EXPECT_EQ(list->topLevelItemCount(), 4);
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
  EXPECT_TRUE(control<QLabel>(w, QStringLiteral("HistoryStatus"))->text().startsWith(QStringLiteral("Reverted")));
  box->setText(newText);
  control<QPushButton>(form, QStringLiteral("Save"))->click();  // a save while the window is open
  EXPECT_EQ(list->topLevelItemCount(), 5);
  EXPECT_FALSE(screenshot(w, QStringLiteral("History_after_revert")).isEmpty());
}

TEST_F(HistoryFixture, AnUndoOverBytesChangedSinceAsksAndGoesAheadOnlyOnYes) {
  QWidget* w = history();
  ASSERT_NE(w, nullptr);
  // Another program wrote there: the bits the save flipped hold their old
  // values again, every other bit is changed too.
  const int flipped = byteAt(saved, kSpiritValue) ^ byteAt(original, kSpiritValue);
  ASSERT_NE(flipped, 0);
  const char drifted = static_cast<char>((byteAt(original, kSpiritValue) & flipped) |
                                         (~byteAt(original, kSpiritValue) & ~flipped & 0xFF));
  s.rom.poke(kSpiritValue, QByteArray(1, drifted));
  click(w, "Undo");  // answered No
  ASSERT_EQ(s.app.sink->questions.size(), 1);
  EXPECT_TRUE(s.app.sink->questions[0].contains(QStringLiteral("SP_VAL"))) << s.app.sink->questions[0].toStdString();
  EXPECT_FALSE(s.app.sink->questions[0].contains(QStringLiteral("--force")));
  EXPECT_EQ(byteAt(s.rom.bytes(), kSpiritValue), static_cast<std::uint8_t>(drifted));
  s.app.sink->answer = true;
  click(w, "Undo");
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_EQ(box->text(), oldText);
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
}

TEST(HistoryWindowList, ALongHistoryListsOnlyTheNewestAndSaysSo) {
  TempRom rom(kSpiritValue + 28, 3);
  {
    QString notice;
    auto journal = systemJournalStore()->open(rom.path(), true, &notice);
    ASSERT_TRUE(journal) << journal.message().toStdString();
    const TxInfo info = recordTx(QStringLiteral("SPEdit"), QStringLiteral("SPEdit"), {{{QStringLiteral("index"), 0}}});
    for (int i = 0; i < HistoryWindow::kListed + 20; ++i) {
      auto id = (*journal)->begin(info, {rt::Run{kSpiritValue, QByteArray(1, char(i)), QByteArray(1, char(i + 1))}});
      ASSERT_TRUE(id) << id.message().toStdString();
      ASSERT_TRUE((*journal)->finish(*id, TxState::Done));
    }
  }
  TestApp app;
  app.context->openImage(nullptr, rom.path());
  QWidget* w = app.context->showForm(QStringLiteral("History"));
  ASSERT_NE(w, nullptr);
  QTreeWidget* list = control<QTreeWidget>(w, QStringLiteral("Transactions"));
  EXPECT_EQ(list->topLevelItemCount(), HistoryWindow::kListed);
  EXPECT_EQ(list->topLevelItem(0)->text(0), QString::number(HistoryWindow::kListed + 20));
  EXPECT_TRUE(control<QLabel>(w, QStringLiteral("HistoryNote"))->text().contains(QStringLiteral("newest 500")));
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
