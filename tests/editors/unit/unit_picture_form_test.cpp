// Unit_Pic through its controls, on seeded random images: read, save, and the
// copy buffer that outlives the form.
#include "tests/editors/unit/unit_test_support.h"

#include <QCoreApplication>
#include <QLabel>

namespace rt::test::unit {
namespace {

constexpr int kWords = 11;

QString valName(int w) { return QStringLiteral("val(%1)").arg(w); }

struct PictureFixture : FormFixture {
  void SetUp() override { open(QStringLiteral("Unit_Pic")); }
  QStringList shown() {
    QStringList out;
    for (int w = 0; w < kWords; ++w) out << text(valName(w))->text();
    return out;
  }
  static QStringList stored(const QByteArray& bytes, int record) {
    QStringList out;
    for (int w = 0; w < kWords; ++w) out << QString::number(valueAt(bytes, pictureAt(record) + 2 * w, 2));
    return out;
  }
  void reopen() {
    press(QStringLiteral("Exit"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed form is deleted
    ASSERT_EQ(app.context->openForm(QStringLiteral("Unit_Pic")), nullptr);
    form = app.context->showForm(QStringLiteral("Unit_Pic"));
    ASSERT_NE(form, nullptr);
  }
};

TEST_F(PictureFixture, EveryRecordReadsRight) {
  const QByteArray bytes = rom.bytes();
  ASSERT_EQ(list()->count(), kUnits);
  for (int i = 0; i < kUnits; ++i) {
    select(i);
    ASSERT_EQ(shown(), stored(bytes, i)) << "record " << i;
  }
  EXPECT_EQ(pictureAt(302) + kPictureRecord - 1, 0x7A251);
}

TEST_F(PictureFixture, SaveWithoutEditsLeavesTheFileUnchanged) {
  rom.poke(pictureAt(2), le(0xFFFF, 2) + le(0x8000, 2));
  const QByteArray before = rom.bytes();
  for (int i : {0, 2, 150, 302}) {
    select(i);
    press(QStringLiteral("Save"));
  }
  EXPECT_TRUE(differences(before, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PictureFixture, EachBoxChangesExactlyItsWord) {
  select(33);
  for (int w = 0; w < kWords; ++w) {
    const QByteArray before = rom.bytes();
    const std::int64_t at = pictureAt(33) + 2 * w;
    const std::uint32_t expected = (valueAt(before, at, 2) + 0x0101) & 0xFFFF;  // both bytes change
    text(valName(w))->setText(QString::number(expected));
    press(QStringLiteral("Save"));
    const QByteArray after = rom.bytes();
    EXPECT_EQ(valueAt(after, at, 2), expected) << w;
    EXPECT_EQ(differences(before, after), (std::vector<std::int64_t>{at, at + 1})) << w;
  }
}

TEST_F(PictureFixture, RejectedTextsChangeNothing) {
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // each rejected edit is dropped on picking another record
  select(8);
  const std::pair<int, const char*> cases[] = {{0, "65536"}, {3, "-1"}, {10, ""}, {6, "0x10"}, {4, "12a"}};
  for (const auto& [w, bad] : cases) {
    select(9);
    select(8);
    app.sink->messages.clear();
    const QByteArray before = rom.bytes();
    text(valName(0 == w ? 1 : 0))->setText(QStringLiteral("1234"));  // valid, must not land either
    text(valName(w))->setText(QString::fromLatin1(bad));
    press(QStringLiteral("Save"));
    ASSERT_EQ(app.sink->messages.size(), 1) << bad;
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("0 to 65535"))) << app.sink->messages[0].toStdString();
    EXPECT_EQ(rom.bytes(), before) << bad;
    EXPECT_EQ(form->focusWidget(), text(valName(w)));
  }
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("大機體圖像")));  // word 4's caption
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(PictureFixture, CopyFromFivePasteOnNineCopiesTheTwentyTwoBytes) {
  const QByteArray source = rom.bytes().mid(pictureAt(5), kPictureRecord);
  select(5);
  text(valName(0))->setText(QStringLiteral("1"));  // unsaved: Copy takes what is stored
  press(QStringLiteral("Copy"));
  app.sink->unsaved = MessageSink::Unsaved::Discard;
  select(9);
  EXPECT_EQ(app.sink->unsavedQuestions.size(), 1);
  const QByteArray before = rom.bytes();
  press(QStringLiteral("Plaste"));
  const QByteArray after = rom.bytes();
  EXPECT_EQ(pictureAt(9), 0x7890E);
  EXPECT_EQ(pictureAt(5), 0x788B6);
  EXPECT_EQ(after.mid(0x7890E, 22), source);
  EXPECT_TRUE(within(differences(before, after), 0x7890E, 22));
  // The boxes show what is stored now, so Save keeps the pasted words.
  EXPECT_EQ(shown(), stored(after, 5));
  press(QStringLiteral("Save"));
  EXPECT_EQ(rom.bytes(), after);
  select(10);
  select(9);
  EXPECT_EQ(shown(), stored(after, 5));
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PictureFixture, CopyBufferSurvivesClosingAndReopeningTheForm) {
  const QByteArray source = rom.bytes().mid(pictureAt(5), kPictureRecord);
  select(5);
  press(QStringLiteral("Copy"));
  reopen();
  EXPECT_EQ(list()->currentRow(), 5);  // back at the record it showed
  select(9);
  press(QStringLiteral("Plaste"));
  EXPECT_EQ(rom.bytes().mid(pictureAt(9), kPictureRecord), source);
  // A second paste elsewhere, after another reopen, gives the same words again.
  reopen();
  select(302);
  press(QStringLiteral("Plaste"));
  EXPECT_EQ(rom.bytes().mid(pictureAt(302), kPictureRecord), source);
}

TEST_F(PictureFixture, WordsFromHalfTheRangeUpAreCopied) {
  QByteArray high;
  for (std::uint32_t v : {0x8000u, 0xFFFFu, 0x7FFFu, 0xABCDu, 0u, 1u, 0x8001u, 0xFFFEu, 0x1234u, 0x9000u, 0xC000u})
    high += le(v, 2);
  rom.poke(pictureAt(100), high);
  select(100);
  press(QStringLiteral("Copy"));
  select(200);
  press(QStringLiteral("Plaste"));
  EXPECT_EQ(rom.bytes().mid(pictureAt(200), kPictureRecord), high);
  EXPECT_EQ(text(valName(1))->text(), QStringLiteral("65535"));
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(PictureFixture, PasteIsUnavailableUntilACopy) {
  select(44);
  const QByteArray before = rom.bytes();
  auto* paste = control<QPushButton>(form, QStringLiteral("Plaste"));
  EXPECT_FALSE(paste->isEnabled());
  press(QStringLiteral("Plaste"));
  QMetaObject::invokeMethod(form, "pasteSelected");  // even reached directly, it writes nothing
  EXPECT_EQ(rom.bytes(), before);
  press(QStringLiteral("Copy"));
  EXPECT_TRUE(paste->isEnabled());
}

TEST(UnitPictureShortFile, PasteAndCopyPastTheEndChangeNothing) {
  TestApp app;
  TempRom rom(kPictureTable + kPictureRecord * 10, 9);  // records 10.. lie past the end
  QWidget* form = app.showForm(rom.path(), QStringLiteral("Unit_Pic"));
  ASSERT_NE(form, nullptr);
  auto* list = control<QListWidget>(form, QStringLiteral("List1"));
  list->setCurrentRow(3);
  control<QPushButton>(form, QStringLiteral("Copy"))->click();
  list->setCurrentRow(50);
  const QByteArray before = rom.bytes();
  control<QPushButton>(form, QStringLiteral("Plaste"))->click();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("past the end")));
  EXPECT_EQ(rom.bytes(), before);
  // Copying a record past the end reads zeros; the buffer then pastes zeros.
  control<QPushButton>(form, QStringLiteral("Copy"))->click();
  list->setCurrentRow(4);
  control<QPushButton>(form, QStringLiteral("Plaste"))->click();
  EXPECT_EQ(rom.bytes().mid(kPictureTable + kPictureRecord * 4, kPictureRecord), QByteArray(kPictureRecord, '\0'));
}

TEST(UnitPictureCaptions, StandBesideTheirBoxes) {
  TestApp app;
  TempRom rom(kImageSize, 2);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("Unit_Pic"));
  ASSERT_NE(form, nullptr);
  form->show();
  const std::pair<int, const char*> captions[] = {{0, "地圖小圖示"}, {1, "小機體圖像"}, {4, "大機體圖像"}, {10, "??"}};
  int n = 1;
  for (const auto& [w, caption] : captions) {
    auto* label = control<QLabel>(form, QStringLiteral("UnicodeLabel%1").arg(n++));
    auto* box = control<QLineEdit>(form, valName(w));
    ASSERT_TRUE(label && box);
    EXPECT_EQ(label->text(), QString::fromUtf8(caption));
    EXPECT_LT(label->geometry().right(), box->x());
    EXPECT_NEAR(label->geometry().center().y(), box->geometry().center().y(), 2);
  }
  for (int w = 1; w < kWords; ++w)
    EXPECT_GT(control<QLineEdit>(form, valName(w))->y(), control<QLineEdit>(form, valName(w - 1))->y());
  const char* order[] = {"Save", "Copy", "Plaste", "Exit"};
  for (int b = 1; b < 4; ++b)
    EXPECT_GT(control<QPushButton>(form, QString::fromLatin1(order[b]))->y(),
              control<QPushButton>(form, QString::fromLatin1(order[b - 1]))->y());
  EXPECT_EQ(control<QPushButton>(form, QStringLiteral("Plaste"))->text(), QStringLiteral("Paste"));
  EXPECT_FALSE(screenshot(form, QStringLiteral("Unit_Pic")).isEmpty());
}

}  // namespace
}  // namespace rt::test::unit
