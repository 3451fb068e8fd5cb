// Ctrl+Z and Ctrl+Shift+Z in an editor undo and redo that form's own saves.
#include "core/ui/editor_form.h"

#include "tests/support/test_support.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

struct Box {
  int row;  // of the main menu
  const char* form;
  const char* box;
};
const Box kSpirit{0, "SPEdit", "SP_VAL"};  // a record list
const Box kMoney{1, "money", "Value(0)"};  // a combo box of records

struct Opened {
  QWidget* form = nullptr;
  QLineEdit* box = nullptr;
};

Opened open(SampleMenu& s, const Box& b) {
  Opened o;
  o.form = s.edit(b.row, QString::fromLatin1(b.form));
  if (o.form) o.box = control<QLineEdit>(o.form, QString::fromLatin1(b.box));
  return o;
}

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
  undoKey(o.box);  // the box has focus: its own typing undo must not take the key
  EXPECT_EQ(s.rom.bytes(), original);
  EXPECT_EQ(o.box->text(), oldText);
  redoKey(o.box);
  EXPECT_EQ(s.rom.bytes(), saved);
  EXPECT_EQ(o.box->text(), newText);
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
  undoKey(spirit.box);
  EXPECT_EQ(differences(s.rom.bytes(), original), differences(bothSaved, spiritSaved));  // only money's change is left
  undoKey(spirit.box);
  ASSERT_EQ(s.app.sink->messages.size(), 1);
  EXPECT_TRUE(s.app.sink->messages[0].contains(QStringLiteral("nothing of SPEdit to undo"))) << s.app.sink->messages[0].toStdString();
  redoKey(money.box);  // money was never undone
  EXPECT_EQ(s.app.sink->messages.size(), 2);
  EXPECT_EQ(differences(s.rom.bytes(), original), differences(bothSaved, spiritSaved));
}

}  // namespace
}  // namespace rt::test
