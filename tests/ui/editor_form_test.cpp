// Ctrl+Z and Ctrl+Shift+Z outside a text box undo and redo that form's own
// saves (in a text box, the typing); unsaved edits are marked and asked about
// before they are left.
#include "ui/editor_form.h"
#include "ui/table_view.h"

#include "tests/support/test_support.h"

#include "editors/layout.h"

#include <QComboBox>
#include <QFileInfo>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QTest>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

struct Box {
  int row;  // of the main menu
  const char* form;
  const char* box;
  const char* records;  // the list or combo box that picks the record
};
const Box kSpirit{0, "SPEdit", "SP_VAL", "List1"};   // a record list
const Box kMoney{1, "money", "Value(0)", "choices"};  // a combo box of records

struct Opened {
  QWidget* form = nullptr;
  QLineEdit* box = nullptr;
  QWidget* records = nullptr;  // the list or combo box that picks the record: no text box
};

Opened open(SampleMenu& s, const Box& b) {
  Opened o;
  o.form = s.edit(b.row, QString::fromLatin1(b.form));
  if (o.form) o.box = control<QLineEdit>(o.form, QString::fromLatin1(b.box));
  if (o.form) o.records = control<QWidget>(o.form, QString::fromLatin1(b.records));
  return o;
}

QString statusOf(QWidget* form) { return control<QLabel>(form, QStringLiteral("Status"))->text(); }

// Saves a value the box did not hold (one less, or 1 for 0); returns it.
QString saveOther(const Opened& o) {
  const int now = o.box->text().toInt();
  const QString other = QString::number(now == 0 ? 1 : now - 1);
  o.box->setText(other);
  control<QPushButton>(o.form, QStringLiteral("Save"))->click();
  return other;
}

void undoKey(QWidget* w) { typeKey(w, Qt::Key_Z, Qt::ControlModifier); }
void redoKey(QWidget* w) { typeKey(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }

class UndoKeys : public ::testing::TestWithParam<Box> {};

TEST_P(UndoKeys, UndoRestoresTheBytesAndTheBoxRedoBringsThemBack) {
  SampleMenu s;
  const Opened o = open(s, GetParam());
  ASSERT_NE(o.box, nullptr);
  const QByteArray original = s.rom.bytes();
  const QString oldText = o.box->text();
  const QString newText = saveOther(o);
  const QByteArray saved = s.rom.bytes();
  ASSERT_NE(saved, original);
  undoKey(o.records);  // outside a text box the key undoes the save, and says which
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_EQ(o.box->text(), oldText);
  EXPECT_TRUE(statusOf(o.form).contains(QStringLiteral("Undid transaction 1"))) << statusOf(o.form).toStdString();
  EXPECT_TRUE(statusOf(o.form).contains(QStringLiteral("Record: %1 0").arg(QString::fromLatin1(GetParam().form))))
      << statusOf(o.form).toStdString();
  redoKey(o.records);
  EXPECT_EQ(s.rom.bytes(), saved);
  EXPECT_EQ(o.box->text(), newText);
  EXPECT_TRUE(statusOf(o.form).startsWith(QStringLiteral("Redid transaction 1"))) << statusOf(o.form).toStdString();
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Forms, UndoKeys, ::testing::Values(kSpirit, kMoney),
                         [](const auto& info) { return std::string(info.param.form); });

TEST(UndoKeysOfAForm, TouchOnlyThatFormsSavesAndSayWhenNoneIsLeft) {
  SampleMenu s;
  const Opened spirit = open(s, kSpirit);
  const Opened money = open(s, kMoney);
  ASSERT_NE(spirit.box, nullptr);
  ASSERT_NE(money.box, nullptr);
  const QByteArray original = s.rom.bytes();
  saveOther(spirit);
  const QByteArray spiritSaved = s.rom.bytes();
  saveOther(money);  // the newest save of the image, but not of SPEdit
  const QByteArray bothSaved = s.rom.bytes();
  undoKey(spirit.records);
  EXPECT_EQ(differences(s.rom.bytes(), original), differences(bothSaved, spiritSaved));  // only money's change is left
  undoKey(spirit.records);
  ASSERT_EQ(s.app.sink->messages.size(), 1);
  EXPECT_TRUE(s.app.sink->messages[0].contains(QStringLiteral("nothing of SPEdit to undo"))) << s.app.sink->messages[0].toStdString();
  redoKey(money.records);  // money was never undone
  EXPECT_EQ(s.app.sink->messages.size(), 2);
  EXPECT_EQ(differences(s.rom.bytes(), original), differences(bothSaved, spiritSaved));
}

// The row of the record shown, as its list or combo box has it selected.
int shownRow(const Opened& o, const Box& b) {
  if (auto* list = o.form->findChild<QListWidget*>(QString::fromLatin1(b.records))) return list->currentRow();
  return control<QComboBox>(o.form, QString::fromLatin1(b.records))->currentIndex();
}

// Picks `row` as a user does: a click in a list, a choice in a combo box (a
// pick of the row already chosen only says it was picked).
void pickRow(const Opened& o, const Box& b, int row) {
  if (auto* list = o.form->findChild<QListWidget*>(QString::fromLatin1(b.records))) return clickRow(list, row);
  auto* combo = control<QComboBox>(o.form, QString::fromLatin1(b.records));
  combo->setCurrentIndex(row);
  emit combo->activated(row);
}

QString otherText(const QString& text) { return QString::number(text.toInt() == 0 ? 1 : text.toInt() - 1); }

using Unsaved = MessageSink::Unsaved;
std::string unsavedCaseName(const std::tuple<Box, Unsaved>& c) {
  static const char* const answers[] = {"Save", "Discard", "Cancel"};
  return std::string(std::get<0>(c).form) + answers[static_cast<int>(std::get<1>(c))];
}
class UnsavedEdits : public ::testing::TestWithParam<std::tuple<Box, Unsaved>> {};

TEST_P(UnsavedEdits, MarkTheTitleAndAreAskedAboutBeforeAnotherRecord) {
  const auto [b, answer] = GetParam();
  SampleMenu s;
  const Opened o = open(s, b);
  ASSERT_NE(o.box, nullptr);
  const QString caption = o.form->windowTitle();
  const QByteArray original = s.rom.bytes();
  const QString edited = otherText(o.box->text());
  o.box->setText(edited);
  EXPECT_EQ(o.form->windowTitle(), caption + QStringLiteral(" *"));
  s.app.sink->unsaved = answer;
  pickRow(o, b, 1);
  EXPECT_EQ(s.app.sink->unsavedQuestions.size(), 1);
  if (answer == Unsaved::Cancel) {
    EXPECT_EQ(shownRow(o, b), 0);
    EXPECT_EQ(o.box->text(), edited);
    EXPECT_EQ(o.form->windowTitle(), caption + QStringLiteral(" *"));
    EXPECT_EQ(s.rom.bytes(), original);
    return;
  }
  EXPECT_EQ(shownRow(o, b), 1);
  EXPECT_EQ(o.form->windowTitle(), caption);
  EXPECT_EQ(s.rom.bytes() != original, answer == Unsaved::Save);
  pickRow(o, b, 0);  // nothing edited: nothing asked
  EXPECT_EQ(s.app.sink->unsavedQuestions.size(), 1);
  EXPECT_EQ(o.box->text() == edited, answer == Unsaved::Save);
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
}

TEST_P(UnsavedEdits, AreAskedAboutBeforeExitAndBeforeTheRowIsReadAgain) {
  const auto [b, answer] = GetParam();
  SampleMenu s;
  const Opened o = open(s, b);
  ASSERT_NE(o.box, nullptr);
  const QString read = o.box->text();
  const QByteArray original = s.rom.bytes();
  s.app.sink->unsaved = answer;
  o.box->setText(otherText(read));
  pickRow(o, b, 0);  // the row shown, picked again: read anew unless kept
  EXPECT_EQ(o.box->text() == read, answer == Unsaved::Discard);
  EXPECT_EQ(s.rom.bytes() != original, answer == Unsaved::Save);
  o.box->setText(otherText(o.box->text()));
  const QPointer<QWidget> form = o.form;
  control<QPushButton>(o.form, QStringLiteral("Exit"))->click();
  EXPECT_EQ(s.app.sink->unsavedQuestions.size(), 2);
  EXPECT_EQ(form && form->isVisible(), answer == Unsaved::Cancel);
}

INSTANTIATE_TEST_SUITE_P(Forms, UnsavedEdits,
                         ::testing::Combine(::testing::Values(kSpirit, kMoney),
                                            ::testing::Values(Unsaved::Save, Unsaved::Discard, Unsaved::Cancel)),
                         [](const auto& info) { return unsavedCaseName(info.param); });

// What else leaves a form's record: another image chosen, an undo (every
// form reads its record again after it), the program ending.
enum class Leave { OpenImage, Undo, EndProgram };
std::string leaveCaseName(const std::tuple<Leave, Unsaved>& c) {
  static const char* const leaves[] = {"OpenImage", "Undo", "EndProgram"};
  return std::string(leaves[static_cast<int>(std::get<0>(c))]) + (std::get<1>(c) == Unsaved::Cancel ? "Cancel" : "Discard");
}
class UnsavedEditsElsewhere : public ::testing::TestWithParam<std::tuple<Leave, Unsaved>> {};

TEST_P(UnsavedEditsElsewhere, AreAskedAboutAndCancelKeepsEverything) {
  const auto [leave, answer] = GetParam();
  SampleMenu s;
  const Opened o = open(s, kSpirit);
  ASSERT_NE(o.box, nullptr);
  saveOther(o);  // something to undo
  const QByteArray saved = s.rom.bytes();
  const QString edited = otherText(o.box->text());
  o.box->setText(edited);
  s.app.sink->unsaved = answer;
  TempRom other{sampleImage()};
  const QPointer<QWidget> form = o.form;
  switch (leave) {
    case Leave::OpenImage:
      s.app.chooser->next = other.path();
      control<QPushButton>(&s.menu, QStringLiteral("Open"))->click();
      EXPECT_EQ(s.app.context->rom().romPath(), answer == Unsaved::Cancel ? s.rom.path() : other.path());
      break;
    case Leave::Undo: {  // an undo in another form rereads this one
      const Opened money = open(s, kMoney);
      saveOther(money);
      const QByteArray moneySaved = s.rom.bytes();
      undoKey(money.records);
      EXPECT_EQ(s.rom.bytes() == moneySaved, answer == Unsaved::Cancel);
      break;
    }
    case Leave::EndProgram: {
      QSignalSpy quit(&s.menu, &MainMenu::quitRequested);
      s.menu.close();
      EXPECT_EQ(form && form->isVisible(), answer == Unsaved::Cancel);
      EXPECT_EQ(quit.count(), answer == Unsaved::Cancel ? 0 : 1);
      break;
    }
  }
  EXPECT_EQ(s.app.sink->unsavedQuestions.size(), 1);
  if (answer == Unsaved::Cancel) EXPECT_EQ(o.box->text(), edited);
}

INSTANTIATE_TEST_SUITE_P(Triggers, UnsavedEditsElsewhere,
                         ::testing::Combine(::testing::Values(Leave::OpenImage, Leave::Undo, Leave::EndProgram),
                                            ::testing::Values(Unsaved::Discard, Unsaved::Cancel)),
                         [](const auto& info) { return leaveCaseName(info.param); });

TEST(StatusLine, ShowsTheRecordTheFocusedFieldAndWhatASaveWrote) {
  SampleMenu s;
  const Opened o = open(s, kSpirit);
  ASSERT_NE(o.box, nullptr);
  clickRow(control<QListWidget>(o.form, QStringLiteral("List1")), 3);
  o.form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(o.form));
  o.box->setFocus();
  const std::int64_t at = layout::kSpiritBase + 3 * layout::kSpiritStride;  // SP_VAL is the record's first byte
  const QString where = QStringLiteral("0x") + QString::number(at, 16).toUpper();
  auto* status = control<QLabel>(o.form, QStringLiteral("Status"));
  ASSERT_NE(status, nullptr);
  const QString stored = QStringLiteral("%1").arg(byteAt(s.rom.bytes(), at), 2, 16, QLatin1Char('0')).toUpper();
  EXPECT_TRUE(status->text().contains(QStringLiteral("Record 3 at ") + where)) << status->text().toStdString();
  EXPECT_TRUE(status->text().contains(QStringLiteral("SP_VAL at %1: %2").arg(where, stored))) << status->text().toStdString();
  saveOther(o);
  EXPECT_TRUE(status->text().contains(
      QStringLiteral("Saved SPEdit 3: 1 byte at %1 in %2").arg(where, QFileInfo(s.rom.path()).fileName())))
      << status->text().toStdString();
}

// Ctrl+Z in a text box is the box's own: it takes back the typing and leaves
// the saves alone. Outside a box, unsaved edits come off first, then the save.
TEST(UndoInATextBox, TakesBackTheTypingAndOutsideTheEditsComeOffBeforeTheSave) {
  SampleMenu s;
  const Opened o = open(s, kSpirit);
  ASSERT_NE(o.box, nullptr);
  const QByteArray original = s.rom.bytes();
  saveOther(o);
  const QByteArray saved = s.rom.bytes();
  const QString savedText = o.box->text();
  typeKey(o.box, Qt::Key_End, Qt::NoModifier);
  QTest::keyClicks(o.box, QStringLiteral("7"));
  ASSERT_EQ(o.box->text(), savedText + QStringLiteral("7"));
  undoKey(o.box);
  EXPECT_EQ(o.box->text(), savedText);
  EXPECT_EQ(s.rom.bytes(), saved);

  QTest::keyClicks(o.box, QStringLiteral("7"));
  undoKey(o.records);  // the typing goes, not the save, and nothing is asked
  EXPECT_EQ(o.box->text(), savedText);
  EXPECT_EQ(s.rom.bytes(), saved);
  EXPECT_TRUE(statusOf(o.form).startsWith(QStringLiteral("Dropped the edits not saved"))) << statusOf(o.form).toStdString();
  undoKey(o.records);
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_TRUE(s.app.sink->unsavedQuestions.isEmpty());
  EXPECT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join('\n').toStdString();
}

// Another image is chosen only once every window agreed: a Discard in one and
// a Cancel in another keep both windows' edits and the image.
TEST(SwitchingImages, AsksEveryWindowBeforeAnyDropsItsEdits) {
  SampleMenu s;
  const Opened o = open(s, kSpirit);
  ASSERT_NE(o.box, nullptr);
  const QString edited = otherText(o.box->text());
  o.box->setText(edited);
  TableView* grid = showTableView(*s.app.context, QStringLiteral("Pilot"));
  ASSERT_NE(grid, nullptr);
  GridModel* model = grid->model();
  int ab0 = -1;  // melee, a number
  for (size_t c = 0; c < model->source().controls().size(); ++c)
    if (model->source().controls()[c].name == QLatin1String("Ab(0)")) ab0 = static_cast<int>(c);
  ASSERT_GE(ab0, 0);
  const QModelIndex cell = model->index(2, model->columnOfControl(ab0));
  const QString gridEdit = otherText(model->text(2, cell.column()));
  ASSERT_TRUE(model->setData(cell, gridEdit, Qt::EditRole));
  TempRom other{sampleImage()};
  for (const auto& answers : {std::vector<Unsaved>{Unsaved::Discard, Unsaved::Cancel},
                              std::vector<Unsaved>{Unsaved::Cancel}}) {
    s.app.sink->unsavedQuestions.clear();
    s.app.sink->unsavedInTurn = answers;
    s.app.chooser->next = other.path();
    typeKey(&s.menu, Qt::Key_O, Qt::ControlModifier);  // Open NDS
    EXPECT_EQ(s.app.sink->unsavedQuestions.size(), static_cast<qsizetype>(answers.size()));
    EXPECT_EQ(s.app.context->rom().romPath(), s.rom.path());
    EXPECT_EQ(o.box->text(), edited);
    EXPECT_EQ(model->text(2, cell.column()), gridEdit);
    EXPECT_EQ(model->edits().editedCells(), 1);
  }
  s.app.sink->unsavedQuestions.clear();
  s.app.sink->unsavedInTurn = {Unsaved::Discard, Unsaved::Discard};
  typeKey(&s.menu, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(s.app.context->rom().romPath(), other.path());
  EXPECT_EQ(model->edits().editedCells(), 0);
  s.app.context->closeAllForms();
}

// Each editor opens again at the record it showed when it was closed.
TEST(Reopening, AnEditorComesBackAtTheRecordItLastShowed) {
  SampleMenu s;
  for (const Box& b : {kSpirit, kMoney}) {
    SCOPED_TRACE(b.form);
    Opened o = open(s, b);
    ASSERT_NE(o.box, nullptr);
    pickRow(o, b, 2);
    const QString shown = o.box->text();
    control<QPushButton>(o.form, QStringLiteral("Exit"))->click();
    o = open(s, b);
    ASSERT_NE(o.box, nullptr);
    EXPECT_EQ(shownRow(o, b), 2);
    EXPECT_EQ(o.box->text(), shown);
  }
}

// The real question: Enter saves (the default), Esc cancels, each answer has its mnemonic.
TEST(UnsavedQuestion, EnterSavesEscCancelsAndEachAnswerHasAMnemonic) {
  auto sink = dialogMessageSink();
  for (const auto& [key, expected] : {std::pair{Qt::Key_Return, Unsaved::Save}, std::pair{Qt::Key_Escape, Unsaved::Cancel}}) {
    QStringList buttons;
    QTimer::singleShot(0, [&buttons, key = key] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      for (QAbstractButton* b : box->buttons()) buttons << b->text();
      QTest::keyClick(box, key);
    });
    EXPECT_EQ(sink->askUnsaved(nullptr, QStringLiteral("SPEdit"), QStringLiteral("The record shown has edits.")), expected);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("&Cancel"), QStringLiteral("&Discard"), QStringLiteral("&Save")}));
  }
}

TEST(StatusLine, GivesNoPlaceForARecordOfValuesKeptApart) {
  TestApp app;
  TempRom rom{sampleImage()};
  QWidget* rules = app.showForm(rom.path(), QStringLiteral("Rules"));
  ASSERT_NE(rules, nullptr);
  auto* status = control<QLabel>(rules, QStringLiteral("Status"));
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->text().contains(QStringLiteral("Record 0"))) << status->text().toStdString();
  EXPECT_FALSE(status->text().contains(QStringLiteral("0x0 "))) << status->text().toStdString();
  EXPECT_FALSE(status->text().endsWith(QStringLiteral("0x0"))) << status->text().toStdString();
}

TEST(TabOrder, RunsThroughTheFieldsBeforeTheButtons) {
  SampleMenu s;
  const Opened o = open(s, kMoney);
  ASSERT_NE(o.box, nullptr);
  bool buttonSeen = false;
  int fields = 0;
  for (QWidget* w : tabCycle(o.form)) {
    if (qobject_cast<QPushButton*>(w)) buttonSeen = true;
    else if (qobject_cast<QLineEdit*>(w)) EXPECT_FALSE(buttonSeen) << w->objectName().toStdString() << " after a button";
    fields += qobject_cast<QLineEdit*>(w) ? 1 : 0;
  }
  EXPECT_TRUE(buttonSeen);
  EXPECT_GT(fields, 1);
}

TEST(UnsavedEditsNone, NothingIsAskedAndEscLeavesTheForm) {
  SampleMenu s;
  const Opened o = open(s, kSpirit);
  ASSERT_NE(o.box, nullptr);
  pickRow(o, kSpirit, 1);
  pickRow(o, kSpirit, 1);
  const QPointer<QWidget> form = o.form;
  typeKey(o.box, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(form && form->isVisible());
  EXPECT_TRUE(s.app.sink->unsavedQuestions.isEmpty());
}

}  // namespace
}  // namespace rt::test
