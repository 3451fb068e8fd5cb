// Unit through its controls, on seeded random images.
#include "tests/editors/unit/unit_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>

namespace rt::test::unit {
namespace {

enum class Kind { I32, U16, U8, Combo };

struct Layout {
  const char* control;
  int offset;
  Kind kind;
  const char* caption;
  int rows = 0;  // Combo: rows of its list
};

// The 48 boxes and combo boxes of a unit record, by offset; the movement byte
// (0x2A) is checked on its own.
const Layout kFields[] = {
    {"name_ptr(0)", 0x00, Kind::I32, "名稱指針1"}, {"name_ptr(1)", 0x04, Kind::I32, "名稱指針2"},
    {"name_ptr(2)", 0x08, Kind::I32, "名稱指針3"}, {"HP", 0x0C, Kind::I32, "HP"},
    {"sit", 0x10, Kind::I32, "換乘限制"},          {"EN", 0x14, Kind::U16, "EN"},
    {"VIT", 0x16, Kind::U16, "裝甲值"},            {"money", 0x18, Kind::U16, "擊破費"},
    {"first_weapon", 0x26, Kind::U16, "首項武器代碼"}, {"noOfWeapon", 0x28, Kind::U8, "武器數量"},
    {"MWeapon", 0x29, Kind::Combo, "武器改造費用", 6}, {"MOV", 0x2B, Kind::U8, "移動力"},
    {"DEX", 0x2C, Kind::U8, "照準值"},             {"AGI", 0x2D, Kind::U8, "運動性"},
    {"EXP", 0x2E, Kind::U8, "基本經驗值"},         {"Item", 0x30, Kind::U8, "強化零件格數"},
    {"BGM", 0x31, Kind::U8, "默認BGM"},            {"noOfPilots", 0x32, Kind::U8, "搭乘人數"},
    {"size", 0x33, Kind::Combo, "機體體積", 6},    {"story1", 0x34, Kind::U8, "關注作品"},
    {"story2", 0x35, Kind::U8, "登場作品"},        {"ground(0)", 0x7A, Kind::Combo, "空", 5},
    {"ground(1)", 0x7B, Kind::Combo, "陸", 5},     {"ground(2)", 0x7C, Kind::Combo, "海", 5},
    {"ground(3)", 0x7D, Kind::Combo, "宇", 5},     {"UEdit(0)", 0x7E, Kind::U8, "HP改造"},
    {"UEdit(1)", 0x7F, Kind::U8, "EN改造"},        {"UEdit(2)", 0x80, Kind::U8, "照準值改造"},
    {"UEdit(3)", 0x81, Kind::U8, "運動性改造"},    {"UEdit(4)", 0x82, Kind::U8, "裝甲值改造"},
    {"UEdit(5)", 0x83, Kind::U8, "武器改造"},
};
constexpr int kMoveByte = 0x2A;

int widthOf(Kind k) { return k == Kind::I32 ? 4 : k == Kind::U16 ? 2 : 1; }
QString nameOf(const Layout& f) { return QString::fromLatin1(f.control); }

// The bytes the form may write: the fields above and the movement byte.
std::vector<bool> editableBytes() {
  std::vector<bool> mask(kUnitRecord, false);
  for (const Layout& f : kFields)
    for (int i = 0; i < widthOf(f.kind); ++i) mask[static_cast<size_t>(f.offset + i)] = true;
  mask[kMoveByte] = true;
  return mask;
}

struct UnitFixture : FormFixture {
  void SetUp() override {
    // Every third record gets combo bytes inside their lists, so both the
    // listed rows and the extra "(n)" rows are exercised.
    for (int i = 0; i < kUnits; i += 3) {
      const std::int64_t r = unitAt(i);
      rom.poke(r + 0x29, QByteArray(1, char(i % 6)));
      rom.poke(r + 0x33, QByteArray(1, char((i / 3) % 6)));
      rom.poke(r + 0x7A, QByteArray::fromRawData("\x00\x01\x02\x04", 4));
    }
    open(QStringLiteral("Unit"));
  }

  // What the form shows for field f of a record, checked against the bytes.
  void expectShown(const QByteArray& bytes, int record, const Layout& f) {
    const std::int64_t at = unitAt(record) + f.offset;
    const std::uint32_t v = valueAt(bytes, at, widthOf(f.kind));
    const std::string where = std::string(f.control) + " of record " + std::to_string(record);
    switch (f.kind) {
      case Kind::I32: EXPECT_EQ(text(nameOf(f))->text(), QString::number(static_cast<std::int32_t>(v))) << where; break;
      case Kind::U16:
      case Kind::U8: EXPECT_EQ(text(nameOf(f))->text(), QString::number(v)) << where; break;
      case Kind::Combo: {
        QComboBox* c = combo(nameOf(f));
        if (static_cast<int>(v) < f.rows) {
          EXPECT_EQ(c->currentIndex(), static_cast<int>(v)) << where;
          EXPECT_EQ(c->count(), f.rows) << where;
        } else {
          EXPECT_EQ(c->currentText(), QStringLiteral("(%1)").arg(v)) << where;
          EXPECT_EQ(c->count(), f.rows + 1) << where;
        }
        break;
      }
    }
  }
};

TEST_F(UnitFixture, EveryRecordReadsRight) {
  const QByteArray bytes = rom.bytes();
  ASSERT_EQ(list()->count(), kUnits);
  EXPECT_EQ(list()->currentRow(), 0);
  // Rows come from the lists in file order ("ground.txt" runs "-", "D" .. "A").
  EXPECT_EQ(combo(QStringLiteral("ground(3)"))->itemText(4), QStringLiteral("A"));
  EXPECT_EQ(combo(QStringLiteral("size"))->itemText(0), QStringLiteral("SS"));
  for (int i = 0; i < kUnits; ++i) {
    select(i);
    for (const Layout& f : kFields) expectShown(bytes, i, f);
    const int moves = byteAt(bytes, unitAt(i) + kMoveByte);
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(check(QStringLiteral("MoveT(%1)").arg(k))->isChecked(), bool(moves & (1 << k))) << "record " << i;
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(UnitFixture, SaveWithoutEditsLeavesTheFileUnchanged) {
  // Random bytes: movement bytes with bits 3..7 set and combo bytes past their lists included.
  const QByteArray before = rom.bytes();
  for (int i : {0, 1, 2, 3, 4, 5, 6, 100, 151, 299, 300, 301, 302}) {
    select(i);
    press(QStringLiteral("Save"));
  }
  EXPECT_TRUE(differences(before, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(UnitFixture, EachControlChangesExactlyItsBytes) {
  const int record = 7;
  for (const Layout& f : kFields) {
    select(record);
    const QByteArray before = rom.bytes();
    const std::int64_t at = unitAt(record) + f.offset;
    const int width = widthOf(f.kind);
    const std::uint32_t old = valueAt(before, at, width);
    std::uint32_t expected = 0;
    switch (f.kind) {
      case Kind::I32:
        expected = old ^ 0x80000001u;  // flips the sign: typed as a negative or positive number
        text(nameOf(f))->setText(QString::number(static_cast<std::int32_t>(expected)));
        break;
      case Kind::U16:
        expected = (old + 1) & 0xFFFF;
        text(nameOf(f))->setText(QString::number(expected));
        break;
      case Kind::U8:
        expected = (old + 1) & 0xFF;
        text(nameOf(f))->setText(QString::number(expected));
        break;
      case Kind::Combo:
        expected = old < static_cast<std::uint32_t>(f.rows) ? (old + 1) % static_cast<std::uint32_t>(f.rows) : 2;
        combo(nameOf(f))->setCurrentIndex(static_cast<int>(expected));
        break;
    }
    press(QStringLiteral("Save"));
    const QByteArray after = rom.bytes();
    EXPECT_EQ(valueAt(after, at, width), expected) << f.control;
    const auto diff = differences(before, after);
    EXPECT_FALSE(diff.empty()) << f.control;
    EXPECT_TRUE(within(diff, at, width)) << f.control;
  }
  for (int k = 0; k < 3; ++k) {
    select(record);
    const QByteArray before = rom.bytes();
    const std::int64_t at = unitAt(record) + kMoveByte;
    QCheckBox* box = check(QStringLiteral("MoveT(%1)").arg(k));
    box->setChecked(!box->isChecked());
    press(QStringLiteral("Save"));
    const QByteArray after = rom.bytes();
    EXPECT_EQ(byteAt(after, at), byteAt(before, at) ^ (1 << k)) << "MoveT(" << k << ")";
    EXPECT_EQ(differences(before, after), std::vector<std::int64_t>{at});
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(UnitFixture, SavingEveryFieldLeavesTheOtherBytesAlone) {
  const std::vector<bool> editable = editableBytes();
  for (int record : {0, 150, 302}) {
    select(record);
    for (const Layout& f : kFields) {
      if (f.kind == Kind::Combo) combo(nameOf(f))->setCurrentIndex(1);
      else text(nameOf(f))->setText(QStringLiteral("1"));
    }
    for (int k = 0; k < 3; ++k) check(QStringLiteral("MoveT(%1)").arg(k))->setChecked(true);
    const QByteArray before = rom.bytes();
    press(QStringLiteral("Save"));
    const QByteArray after = rom.bytes();
    const std::int64_t base = unitAt(record);
    for (std::int64_t d : differences(before, after)) {
      ASSERT_TRUE(d >= base && d < base + kUnitRecord) << "outside the record: " << d;
      EXPECT_TRUE(editable[static_cast<size_t>(d - base)]) << "byte 0x" << std::hex << (d - base);
    }
    // The ability bytes 0x6C..0x79 in particular.
    EXPECT_EQ(after.mid(base + 0x6C, 14), before.mid(base + 0x6C, 14));
    for (const Layout& f : kFields) EXPECT_EQ(valueAt(after, base + f.offset, widthOf(f.kind)), 1u) << f.control;
    EXPECT_EQ(byteAt(after, base + kMoveByte) & 0x07, 0x07);
  }
}

TEST_F(UnitFixture, MovementBitsWithoutABoxAreKept) {
  const std::int64_t at = unitAt(11) + kMoveByte;
  for (auto [stored, toggle, expected] : {std::tuple{0x05, -1, 0x05}, {0xFD, 1, 0xFF}, {0xF8, 0, 0xF9}, {0x87, 2, 0x83}}) {
    rom.poke(at, QByteArray(1, char(stored)));
    select(10);
    select(11);
    EXPECT_EQ(check(QStringLiteral("MoveT(0)"))->isChecked(), bool(stored & 1));
    EXPECT_EQ(check(QStringLiteral("MoveT(1)"))->isChecked(), bool(stored & 2));
    EXPECT_EQ(check(QStringLiteral("MoveT(2)"))->isChecked(), bool(stored & 4));
    if (toggle >= 0) {
      QCheckBox* box = check(QStringLiteral("MoveT(%1)").arg(toggle));
      box->setChecked(!box->isChecked());
    }
    press(QStringLiteral("Save"));
    EXPECT_EQ(byteAt(rom.bytes(), at), expected) << "stored " << stored;
  }
}

TEST_F(UnitFixture, ComboBytesPastTheListsKeepTheirValue) {
  const std::int64_t r = unitAt(20);
  rom.poke(r + 0x33, QByteArray(1, char(9)));     // size 9: six rows
  rom.poke(r + 0x29, QByteArray(1, char(6)));     // cost class 6
  rom.poke(r + 0x7D, QByteArray(1, char(0xFF)));  // rank in space
  select(20);
  EXPECT_EQ(combo(QStringLiteral("size"))->currentText(), QStringLiteral("(9)"));
  EXPECT_EQ(combo(QStringLiteral("MWeapon"))->currentText(), QStringLiteral("(6)"));
  EXPECT_EQ(combo(QStringLiteral("ground(3)"))->currentText(), QStringLiteral("(255)"));
  press(QStringLiteral("Save"));
  QByteArray now = rom.bytes();
  EXPECT_EQ(byteAt(now, r + 0x33), 9);
  EXPECT_EQ(byteAt(now, r + 0x29), 6);
  EXPECT_EQ(byteAt(now, r + 0x7D), 0xFF);
  // Picking a listed row replaces it; the extra row is gone at the next read.
  combo(QStringLiteral("ground(3)"))->setCurrentIndex(4);
  combo(QStringLiteral("size"))->setCurrentIndex(0);
  press(QStringLiteral("Save"));
  now = rom.bytes();
  EXPECT_EQ(byteAt(now, r + 0x7D), 4);
  EXPECT_EQ(byteAt(now, r + 0x33), 0);
  select(21);
  select(20);
  EXPECT_EQ(combo(QStringLiteral("size"))->count(), 6);
  EXPECT_EQ(combo(QStringLiteral("ground(3)"))->currentIndex(), 4);
}

TEST_F(UnitFixture, ExtremeStoredValuesRoundTrip) {
  const std::int64_t r = unitAt(302);
  rom.poke(r + 0x0C, le(0x80000000u, 4));
  rom.poke(r + 0x10, le(0xFFFFFFFFu, 4));
  rom.poke(r + 0x14, le(0xFFFF, 2));
  select(302);
  EXPECT_EQ(text(QStringLiteral("HP"))->text(), QStringLiteral("-2147483648"));
  EXPECT_EQ(text(QStringLiteral("sit"))->text(), QStringLiteral("-1"));
  EXPECT_EQ(text(QStringLiteral("EN"))->text(), QStringLiteral("65535"));
  const QByteArray before = rom.bytes();
  press(QStringLiteral("Save"));
  EXPECT_EQ(rom.bytes(), before);
}

struct Rejection {
  const char* control;
  const char* text;
  const char* accepts;
};

TEST_F(UnitFixture, RejectedTextsChangeNothing) {
  app.sink->unsaved = MessageSink::Unsaved::Discard;  // each rejected edit is dropped on picking another record
  const Rejection cases[] = {
      {"HP", "2147483648", "-2147483648 to 2147483647"}, {"name_ptr(2)", "-2147483649", "-2147483648 to 2147483647"},
      {"sit", "12a", "-2147483648 to 2147483647"},       {"EN", "65536", "0 to 65535"},
      {"money", "-1", "0 to 65535"},                     {"first_weapon", "", "0 to 65535"},
      {"noOfWeapon", "256", "0 to 255"},                 {"MOV", "-1", "0 to 255"},
      {"UEdit(5)", "x", "0 to 255"},                     {"story2", "1e2", "0 to 255"},
  };
  select(40);
  for (const Rejection& c : cases) {
    select(41);
    select(40);
    app.sink->messages.clear();
    const QByteArray before = rom.bytes();
    // A valid change elsewhere must not land either.
    text(QStringLiteral("DEX"))->setText(text(QStringLiteral("DEX"))->text() == QStringLiteral("7") ? QStringLiteral("8")
                                                                                                : QStringLiteral("7"));
    text(QString::fromLatin1(c.control))->setText(QString::fromLatin1(c.text));
    press(QStringLiteral("Save"));
    ASSERT_EQ(app.sink->messages.size(), 1) << c.control;
    const QString& message = app.sink->messages[0];
    const Layout* layout = nullptr;
    for (const Layout& f : kFields)
      if (QString::fromLatin1(f.control) == QString::fromLatin1(c.control)) layout = &f;
    ASSERT_NE(layout, nullptr);
    EXPECT_TRUE(message.contains(QString::fromUtf8(layout->caption))) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromLatin1(c.accepts))) << message.toStdString();
    EXPECT_EQ(rom.bytes(), before) << c.control;
    EXPECT_EQ(form->focusWidget(), text(QString::fromLatin1(c.control))) << c.control;
  }
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(UnitFixture, LayoutPutsEachCaptionBesideItsControl) {
  form->show();
  QApplication::processEvents();
  // Every caption label sits on the row of a control and to its left.
  const auto labels = form->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^UnicodeLabel1\\(\\d+\\)$")));
  EXPECT_EQ(labels.size(), 32);  // 31 fields and the movement types
  for (const Layout& f : kFields) {
    QWidget* w = form->findChild<QWidget*>(nameOf(f));
    ASSERT_NE(w, nullptr);
    const QRect box(w->mapTo(form, QPoint(0, 0)), w->size());
    bool found = false;
    for (QLabel* l : labels) {
      const QRect cap(l->mapTo(form, QPoint(0, 0)), l->size());
      if (l->text() == QString::fromUtf8(f.caption) && cap.right() < box.left() &&
          cap.center().y() >= box.top() && cap.center().y() <= box.bottom())
        found = true;
    }
    EXPECT_TRUE(found) << f.control;
  }
  for (QLabel* l : labels) EXPECT_GE(l->width(), l->sizeHint().width()) << l->objectName().toStdString();  // not clipped
  // The movement boxes stand left to right inside Frame2, each with its caption on its right.
  QWidget* frame = control<QWidget>(form, QStringLiteral("Frame2"));
  int lastX = -1;
  static const char* const kMoves[] = {"空", "陸", "海"};
  for (int k = 0; k < 3; ++k) {
    QCheckBox* box = check(QStringLiteral("MoveT(%1)").arg(k));
    QLabel* cap = control<QLabel>(form, QStringLiteral("UnicodeLabel2(%1)").arg(k));
    ASSERT_TRUE(box && cap);
    EXPECT_EQ(box->parentWidget(), frame);
    EXPECT_EQ(cap->text(), QString::fromUtf8(kMoves[k]));
    EXPECT_GT(box->x(), lastX);
    EXPECT_GT(cap->x(), box->x());
    lastX = cap->x();
  }
  EXPECT_LE(form->width(), 1280);
  EXPECT_LE(form->height(), 800);
}

TEST_F(UnitFixture, ClickingAMovementCaptionTogglesItsBox) {
  QCheckBox* box = check(QStringLiteral("MoveT(1)"));
  QLabel* cap = control<QLabel>(form, QStringLiteral("UnicodeLabel2(1)"));
  const bool was = box->isChecked();
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, cap->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, cap->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(cap, &press);
  QApplication::sendEvent(cap, &release);
  EXPECT_NE(box->isChecked(), was);
}

TEST(UnitScreenshot, Renders) {
  TestApp app;
  TempRom rom(kImageSize, 5);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("Unit"));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("機體 / Units"));  // its menu row
  expectRendersWithinScreen(form, QStringLiteral("Unit"));
}

}  // namespace
}  // namespace rt::test::unit
