// The seven skill grid forms through their controls, on seeded random images.
#include "model/name_list.h"
#include "tests/editors/skills/skill_grid_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <set>

namespace rt::test::grids {
namespace {

struct GridForm : ::testing::TestWithParam<GridCase> {
  TestApp app;
  std::unique_ptr<TempRom> rom;
  QWidget* form = nullptr;
  const GridCase& g() const { return GetParam(); }

  void SetUp() override { open(std::make_unique<TempRom>(kImageSize, 91)); }
  void TearDown() override { app.context->closeAllForms(); }
  void open(std::unique_ptr<TempRom> image) {
    app.context->closeAllForms();
    rom = std::move(image);
    form = app.showForm(rom->path(), QString::fromStdString(g().form));
    ASSERT_NE(form, nullptr);
  }
  // Shows the form afresh: a one-grid form reads only when it opens.
  void reopen() {
    app.context->closeAllForms();
    form = app.context->showForm(QString::fromStdString(g().form));
    ASSERT_NE(form, nullptr);
  }
  int blocks() const { return static_cast<int>(g().blocks.size()); }
  QComboBox* choices() { return control<QComboBox>(form, QStringLiteral("choices")); }
  void showBlock(int b) {
    if (blocks() > 1) choices()->setCurrentIndex(b);
  }
  QLineEdit* val(int i) { return control<QLineEdit>(form, valName(i)); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  // Every byte of block b's cells.
  std::set<std::int64_t> cellBytes(int b) const {
    std::set<std::int64_t> out;
    for (int r = 0; r < g().rows; ++r)
      for (int c = 0; c < g().cols; ++c)
        for (int k = 0; k < g().width; ++k) out.insert(g().cellAt(b, r, c) + k);
    return out;
  }
};

TEST_P(GridForm, CaptionsAndControls) {
  // Titled with the sub-menu row that opens it, not the form's internal name.
  const auto rows = loadNameList(namesDir(), QStringLiteral("main_2.txt"), 7);
  ASSERT_TRUE(rows.isOk());
  EXPECT_TRUE(rows->contains(form->windowTitle())) << form->windowTitle().toStdString();
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("corner"))->text(), g().corner);
  for (int r = 0; r < g().rows; ++r)
    EXPECT_EQ(control<QLabel>(form, elementName(QStringLiteral("rowLabel"), r))->text(), g().rowLabels[r]);
  for (int c = 0; c < g().cols; ++c)
    EXPECT_EQ(control<QLabel>(form, elementName(QStringLiteral("columnLabel"), c))->text(), g().columnLabels[c]);
  EXPECT_EQ(form->findChild<QLabel*>(elementName(QStringLiteral("rowLabel"), g().rows)), nullptr);
  EXPECT_EQ(form->findChild<QLabel*>(elementName(QStringLiteral("columnLabel"), g().cols)), nullptr);
  EXPECT_NE(form->findChild<QLineEdit*>(valName(g().count() - 1)), nullptr);
  EXPECT_EQ(form->findChild<QLineEdit*>(valName(g().count())), nullptr);
  EXPECT_EQ(form->findChild<QPushButton*>(QStringLiteral("Refresh")) != nullptr, g().form == "Skills_Edit_Atk");
  if (g().list.isEmpty()) {
    EXPECT_EQ(form->findChild<QComboBox*>(QStringLiteral("choices")), nullptr);
    return;
  }
  auto names = loadNameList(namesDir(), g().list, blocks());
  ASSERT_TRUE(names);
  ASSERT_EQ(choices()->count(), blocks());
  for (int b = 0; b < blocks(); ++b) EXPECT_EQ(choices()->itemText(b), (*names)[b]);
  EXPECT_EQ(choices()->currentIndex(), 0);
}

TEST_P(GridForm, EveryCellOfEveryBlockShowsItsStoredValue) {
  // The largest value of the width in the first cell of each block: shown unsigned.
  for (int b = 0; b < blocks(); ++b) rom->poke(g().cellAt(b, 0, 0), le(g().maxValue(), g().width));
  reopen();
  const QByteArray bytes = rom->bytes();
  for (int b = blocks() - 1; b >= 0; --b) {
    if (b == 0 && blocks() > 1) showBlock(1);  // come back to block 0 by a selection too
    showBlock(b);
    EXPECT_EQ(val(0)->text(), QString::number(g().maxValue()));
    for (int r = 0; r < g().rows; ++r)
      for (int c = 0; c < g().cols; ++c)
        EXPECT_EQ(val(g().valIndex(r, c))->text(), QString::number(valueAt(bytes, g().cellAt(b, r, c), g().width)))
            << "block " << b << " row " << r << " column " << c;
  }
}

TEST_P(GridForm, SaveWithoutEditsChangesNothing) {
  const QByteArray before = rom->bytes();
  for (int b = 0; b < blocks(); ++b) {
    showBlock(b);
    save();
  }
  EXPECT_EQ(rom->bytes(), before);
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_P(GridForm, SaveWritesExactlyTheCellsOfTheShownBlock) {
  for (int b = 0; b < blocks(); ++b) {
    showBlock(b);
    const QByteArray before = rom->bytes();
    auto fresh = [&](int i) { return (static_cast<std::uint32_t>(i) * 2654435761u + 97u * b + 1u) % (g().maxValue() + 1); };
    for (int i = 0; i < g().count(); ++i) val(i)->setText(QString::number(fresh(i)));
    save();
    const QByteArray after = rom->bytes();
    for (int r = 0; r < g().rows; ++r)
      for (int c = 0; c < g().cols; ++c)
        EXPECT_EQ(valueAt(after, g().cellAt(b, r, c), g().width), fresh(g().valIndex(r, c)))
            << "block " << b << " row " << r << " column " << c;
    const std::set<std::int64_t> own = cellBytes(b);
    for (std::int64_t d : differences(before, after)) EXPECT_TRUE(own.count(d)) << "block " << b << " changed " << d;
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_P(GridForm, RejectedTextsChangeNothing) {
  // The cell shown last: bottom row, right column.
  const QString caption = g().rowLabels.last() + QStringLiteral(" / ") + g().columnLabels.last();
  const QString range = g().width == 2 ? QStringLiteral("0 to 65535") : QStringLiteral("0 to 255");
  showBlock(blocks() - 1);
  const QByteArray before = rom->bytes();
  for (const char* text : {g().width == 2 ? "65536" : "256", "-1", "", "abc", "7x"}) {
    app.sink->messages.clear();
    val(0)->setText(QStringLiteral("1"));  // a valid edit that must not land either
    val(g().valIndex(g().rows - 1, g().cols - 1))->setText(QString::fromLatin1(text));
    save();
    ASSERT_EQ(app.sink->messages.size(), 1) << text;
    const QString& message = app.sink->messages[0];
    EXPECT_TRUE(message.contains(caption)) << message.toStdString();
    EXPECT_TRUE(message.contains(range)) << message.toStdString();
    EXPECT_EQ(form->focusWidget(), val(g().valIndex(g().rows - 1, g().cols - 1))) << text;
    EXPECT_EQ(rom->bytes(), before) << text;
  }
  EXPECT_EQ(app.files->writesOpened, 0);  // rejected before the file was opened for writing
}

TEST_P(GridForm, ExitUnloadsTheForm) {
  control<QPushButton>(form, QStringLiteral("Exit"))->click();
  QApplication::processEvents();
  EXPECT_EQ(app.context->openForm(QString::fromStdString(g().form)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Grids, GridForm, ::testing::ValuesIn(gridCases()),
                         [](const auto& info) { return info.param.form; });

GridCase gridNamed(const std::string& form) {
  for (const GridCase& g : gridCases())
    if (g.form == form) return g;
  ADD_FAILURE() << "no grid " << form;
  return {};
}

// Places named outright, so a fault shared by the editor and the test's own
// layout still shows.
TEST(SkillGridPlaces, NamedCellsLieWhereTheDataPutsThem) {
  struct Place {
    const char* form;
    int block, val;
    std::int64_t offset;
    int width;
  };
  const Place places[] = {
      {"Skills_Edit", 1, 0, 0x6A35A, 1},  {"Skills_Edit", 1, 47, 0x6A389, 1}, {"Skills_Edit", 2, 47, 0x6A3BA, 1},
      {"Skills_Edit_Hp", 0, 89, 0x6A0B1, 1}, {"Skills_Edit_Hp", 3, 0, 0x6A16C, 1}, {"Skills_Edit_Hp", 3, 89, 0x6A1C5, 1},
      {"skills_edit_xin", 0, 0, 0x696EA, 1}, {"skills_edit_xin", 0, 1, 0x696EB, 1}, {"skills_edit_xin", 0, 2, 0x696EC, 1},
      {"skills_edit_xin", 0, 5, 0x696EF, 1}, {"Skills_edit_super", 0, 26, 0x6978B, 1},
      {"Skills_Edit_Fire", 0, 3, 0x697F7, 1}, {"Skills_Edit_Fire", 0, 35, 0x69817, 1},
      {"Skills_Edit_OverSkill", 0, 0, 0x69846, 1}, {"Skills_Edit_OverSkill", 0, 26, 0x69860, 1},
      {"Skills_Edit_Atk", 0, 9, 0x696F2, 2}, {"Skills_Edit_Atk", 0, 8, 0x69716, 2}, {"Skills_Edit_Atk", 0, 0, 0x69706, 2},
      {"Skills_Edit_Atk", 0, 17, 0x69702, 2},
  };
  for (const Place& p : places) {
    TestApp app;
    TempRom rom(QByteArray(kImageSize, '\0'));
    rom.poke(p.offset, p.width == 2 ? QByteArray("\x34\x92", 2) : QByteArray("\xC8", 1));  // 0x9234, 200
    QWidget* form = app.showForm(rom.path(), QString::fromLatin1(p.form));
    ASSERT_NE(form, nullptr) << p.form;
    if (p.block > 0) control<QComboBox>(form, QStringLiteral("choices"))->setCurrentIndex(p.block);
    EXPECT_EQ(control<QLineEdit>(form, valName(p.val))->text(), p.width == 2 ? QStringLiteral("37428") : QStringLiteral("200"))
        << p.form << " val(" << p.val << ")";
    app.context->closeAllForms();
  }
}

// The bytes between blocks (and between the two attack arrays) belong to no grid.
TEST(SkillGridPlaces, GapBytesAreNeverWritten) {
  struct Gap {
    const char* form;
    std::vector<std::int64_t> bytes;
  };
  const Gap gaps[] = {
      {"Skills_Edit", {0x6A359, 0x6A38A}},
      {"Skills_Edit_Hp", {0x6A0B2, 0x6A0B3, 0x6A10E, 0x6A10F, 0x6A16A, 0x6A16B}},
      {"Skills_Edit_Atk", {0x69704, 0x69705}},
  };
  for (const Gap& gap : gaps) {
    const GridCase g = gridNamed(gap.form);
    TestApp app;
    TempRom rom(kImageSize, 93);
    QWidget* form = app.showForm(rom.path(), QString::fromLatin1(gap.form));
    ASSERT_NE(form, nullptr);
    const QByteArray before = rom.bytes();
    for (int b = 0; b < static_cast<int>(g.blocks.size()); ++b) {
      if (b > 0) control<QComboBox>(form, QStringLiteral("choices"))->setCurrentIndex(b);
      for (int i = 0; i < g.count(); ++i) control<QLineEdit>(form, valName(i))->setText(QString::number((i + 11 * b) % 200));
      control<QPushButton>(form, QStringLiteral("Save"))->click();
    }
    const QByteArray after = rom.bytes();
    EXPECT_NE(after, before);
    for (std::int64_t at : gap.bytes) EXPECT_EQ(byteAt(after, at), byteAt(before, at)) << gap.form << " " << at;
    EXPECT_TRUE(app.sink->messages.isEmpty());
    app.context->closeAllForms();
  }
}

struct BlockForm : ::testing::TestWithParam<const char*> {};

TEST_P(BlockForm, AnotherBlockDropsUnsavedEditsAndSaveWritesTheShownBlock) {
  const GridCase g = gridNamed(GetParam());
  TestApp app;
  TempRom rom(kImageSize, 95);
  QWidget* form = app.showForm(rom.path(), QString::fromLatin1(GetParam()));
  ASSERT_NE(form, nullptr);
  auto* choices = control<QComboBox>(form, QStringLiteral("choices"));
  auto* cell = control<QLineEdit>(form, valName(5));
  choices->setCurrentIndex(1);
  const QString stored = cell->text();
  cell->setText(stored == QStringLiteral("9") ? QStringLiteral("8") : QStringLiteral("9"));
  app.sink->unsaved = MessageSink::Unsaved::Discard;
  choices->setCurrentIndex(2);
  EXPECT_EQ(app.sink->unsavedQuestions.size(), 1);
  choices->setCurrentIndex(1);
  EXPECT_EQ(cell->text(), stored);  // reread from the file

  choices->setCurrentIndex(2);
  const QByteArray before = rom.bytes();
  const int fresh = (byteAt(before, g.cellAt(2, 0, 5)) + 1) % 256;
  cell->setText(QString::number(fresh));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  const QByteArray after = rom.bytes();
  EXPECT_EQ(byteAt(after, g.cellAt(2, 0, 5)), fresh);
  const auto diff = differences(before, after);
  ASSERT_EQ(diff.size(), 1u);
  EXPECT_EQ(diff[0], g.cellAt(2, 0, 5));
  app.context->closeAllForms();
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockForm, ::testing::Values("Skills_Edit", "Skills_Edit_Hp"));

TEST(SkillGridAtk, RefreshBringsBackTheStoredValues) {
  TestApp app;
  TempRom rom(kImageSize, 97);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("Skills_Edit_Atk"));
  ASSERT_NE(form, nullptr);
  auto cell = [&](int i) { return control<QLineEdit>(form, valName(i)); };
  auto refresh = [&] { control<QPushButton>(form, QStringLiteral("Refresh"))->click(); };
  const QByteArray bytes = rom.bytes();
  for (int i : {0, 8, 9, 17}) cell(i)->setText(QStringLiteral("12345x"));
  refresh();
  for (int r = 0; r < 9; ++r) {
    EXPECT_EQ(cell(r)->text(), QString::number(valueAt(bytes, 0x69706 + 2 * r, 2)));
    EXPECT_EQ(cell(9 + r)->text(), QString::number(valueAt(bytes, 0x696F2 + 2 * r, 2)));
  }
  // Refresh reads the file again: a change made meanwhile shows.
  rom.poke(0x69716, QByteArray("\xFF\xFF", 2));
  EXPECT_NE(cell(8)->text(), QStringLiteral("65535"));
  refresh();
  EXPECT_EQ(cell(8)->text(), QStringLiteral("65535"));
  EXPECT_EQ(app.files->writesOpened, 0);  // refresh never writes
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test::grids
