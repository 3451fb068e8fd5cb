// The skill grids on the command line, and their forms opened from the skill
// sub-menu on the sample image.
#include "tests/editors/skills/skill_grid_test_support.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

namespace rt::test::grids {
namespace {

TEST(SkillGridCli, ExportGivesOneRecordPerBlock) {
  TempRom rom(kImageSize, 101);
  const QByteArray bytes = rom.bytes();
  for (const GridCase& g : gridCases()) {
    SCOPED_TRACE(g.form);
    const QJsonArray records = exportRecords(rom.path(), QString::fromStdString(g.form));
    ASSERT_EQ(records.size(), static_cast<qsizetype>(g.blocks.size())) << g.form;
    for (int b = 0; b < records.size(); ++b) {
      const QJsonObject record = records[b].toObject();
      EXPECT_EQ(record.value(QStringLiteral("index")).toInt(), b);
      EXPECT_EQ(record.value(QStringLiteral("offset")).toInteger(), g.blocks[static_cast<size_t>(b)]) << g.form;
      const QJsonObject fields = record.value(QStringLiteral("fields")).toObject();
      ASSERT_EQ(fields.size(), g.count()) << g.form;
      for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.cols; ++c)
          EXPECT_EQ(fields.value(valName(g.valIndex(r, c))).toString(),
                    QString::number(valueAt(bytes, g.cellAt(b, r, c), g.width)))
              << g.form << " block " << b << " cell " << r << "," << c;
    }
  }
}

TEST(SkillGridCli, ImportWritesOnlyTheNamedCells) {
  struct Case {
    const char* json;
    std::vector<std::pair<std::int64_t, int>> bytes;  // offset, value after the import
  };
  const Case cases[] = {
      {R"j({"table":"Skills_Edit_Atk","records":[{"index":0,"fields":{"val(9)":"513"}}]})j", {{0x696F2, 0x01}, {0x696F3, 0x02}}},
      {R"j({"table":"Skills_Edit","records":[{"index":1,"fields":{"val(47)":"7"}}]})j", {{0x6A389, 7}}},
      {R"j({"table":"Skills_Edit_Hp","records":[{"index":3,"fields":{"val(0)":"0"}},{"index":0,"fields":{"val(89)":"255"}}]})j",
       {{0x6A16C, 0}, {0x6A0B1, 255}}},
      {R"j({"table":"skills_edit_xin","records":[{"index":0,"fields":{"val(5)":"3"}}]})j", {{0x696EF, 3}}},
  };
  for (const Case& c : cases) {
    TempRom rom(kImageSize, 102);
    const QByteArray before = rom.bytes();
    SCOPED_TRACE(c.json);
    const CliRun r = importFile(rom.path(), QByteArray(c.json));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    expectOnlyBytes(before, rom.bytes(), c.bytes);
  }
}

TEST(SkillGridCli, ARejectedCellWritesNothing) {
  TempRom rom(kImageSize, 103);
  expectImportRefused(rom,
                      R"j({"table":"Skills_Edit","records":[{"index":0,"fields":{"val(0)":"1"}},)j"
                      R"j({"index":2,"fields":{"val(47)":"256"}}]})j",
                      QStringLiteral("0 to 255"));
}

// Row 13 of the main menu opens Main_2; its seven rows open the seven grids,
// and each grid's Exit brings Main_2 back.
TEST(SkillGridMenu, FormsOpenFromTheSkillMenuOnTheSampleImage) {
  SampleMenu menu;
  TestApp& app = menu.app;
  const QByteArray bytes = menu.rom.bytes();
  QWidget* skillMenu = menu.edit(13, QStringLiteral("Main_2"));
  ASSERT_NE(skillMenu, nullptr);

  const char* order[] = {"Skills_Edit", "Skills_Edit_Atk", "Skills_Edit_Hp", "skills_edit_xin",
                         "Skills_edit_super", "Skills_Edit_Fire", "Skills_Edit_OverSkill"};
  for (int row = 0; row < 7; ++row) {
    const GridCase g = [&] {
      for (const GridCase& c : gridCases())
        if (c.form == order[row]) return c;
      return GridCase{};
    }();
    QWidget* form = menu.edit(row, QString::fromLatin1(order[row]), skillMenu);
    ASSERT_NE(form, nullptr) << order[row];
    const int last = g.valIndex(g.rows - 1, g.cols - 1);
    EXPECT_EQ(control<QLineEdit>(form, valName(last))->text(),
              QString::number(valueAt(bytes, g.cellAt(0, g.rows - 1, g.cols - 1), g.width)))
        << order[row];
    expectRendersWithinScreen(form, QString::fromLatin1(order[row]));

    skillMenu->hide();
    control<QPushButton>(form, QStringLiteral("Exit"))->click();
    QApplication::processEvents();
    EXPECT_EQ(app.context->openForm(QString::fromLatin1(order[row])), nullptr) << order[row];
    skillMenu = app.context->openForm(QStringLiteral("Main_2"));
    ASSERT_NE(skillMenu, nullptr);
    EXPECT_TRUE(skillMenu->isVisible()) << order[row];
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QLatin1Char('\n')).toStdString();
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test::grids
