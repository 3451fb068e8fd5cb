// The table view's save over an image that another window may have written
// since the view read it: rows whose bytes are as read write their edits'
// bits; any other row is read again and its changed cells stop the save.
#include "editors/all_tables.h"
#include "editors/weapon_map/weapon_grid.h"
#include "grid/grid_edits.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

constexpr int kRow = 7;  // the weapon edited

struct ElsewhereCase {
  const char* name;
  const char* control;   // the field another window moves by one before the save; empty: none
  int record;            // in which weapon record
  bool reread;           // the view reads the image again (keeping its edit) before saving
  bool stale;            // the save must stop and write nothing
};

void PrintTo(const ElsewhereCase& c, std::ostream* os) { *os << c.name; }

class GridSave : public ::testing::Test {
 protected:
  int column(const QString& name) const {
    const auto& controls = source->controls();
    for (size_t c = 0; c < controls.size(); ++c)
      if (controls[c].name == name) return static_cast<int>(c);
    ADD_FAILURE() << name.toStdString();
    return 0;
  }
  // Another window's save: `control` of weapon `record` moved by one.
  void saveElsewhere(const QString& control, int record) {
    RomImage other;
    other.setRomPath(rom.path());
    auto rows = readGrid(*source, other, names);
    ASSERT_TRUE(rows.isOk()) << rows.message().toStdString();
    const GridRow& row = (*rows)[static_cast<size_t>(record)];
    RecordState state = row.state;
    const int c = column(control);
    state[static_cast<size_t>(c)].text = QString::number(state[static_cast<size_t>(c)].text.toInt() ^ 1);
    std::vector<ByteWrite> writes;
    FieldError error;
    ASSERT_TRUE(source->encode(other, row, state, &writes, &error)) << error.message.toStdString();
    ASSERT_TRUE(applyWrites(other, writes, recordTx(QStringLiteral("Weapon"), source->table(), {row.ref.keys})).status);
  }
  std::int64_t at(const QString& control, int record) const {
    const GridRow& row = edits->rows()[static_cast<size_t>(record)];
    return row.ref.offset + source->fields()[static_cast<size_t>(source->controls()[static_cast<size_t>(column(control))].field)].offset;
  }
  void SetUp() override {
    GridViews views;
    addWeaponGrids(views);
    source = views.make(QStringLiteral("Weapon"), allTables());
    ASSERT_NE(source, nullptr);
    image.setRomPath(rom.path());
    edits = std::make_unique<GridEdits>(source, image);
    auto rows = readGrid(*source, image, names);
    ASSERT_TRUE(rows.isOk()) << rows.message().toStdString();
    edits->setRows(std::move(*rows));
  }
  void edit(const QString& control, int value) { edits->take({{kRow, column(control), {QString::number(value)}}}); }
  int shown(const QString& control) const { return edits->value(kRow, column(control)).text.toInt(); }

  TempRom rom{sampleImage()};
  const QString names = QStringLiteral(RT_NAMES_DIR);
  std::shared_ptr<const GridSource> source;
  RomImage image;
  std::unique_ptr<GridEdits> edits;
};

class GridSaveElsewhere : public GridSave, public ::testing::WithParamInterface<ElsewhereCase> {};

// A row's edit is made in the room a finished one left (saved, refused and
// reverted): nothing of the old edit comes with it.
TEST_F(GridSave, AnEditInTheRoomOfFinishedOnesSavesOnlyItself) {
  const int atk = shown(QStringLiteral("ATK"));
  const int en = shown(QStringLiteral("EN"));
  edit(QStringLiteral("ATK"), atk ^ 2);
  ASSERT_TRUE(edits->save(QStringLiteral("TableView Weapon"), names).status.isOk());
  edits->take({{kRow, column(QStringLiteral("ATK")), {QStringLiteral("70000")}}});
  EXPECT_FALSE(edits->save(QStringLiteral("TableView Weapon"), names).status.isOk());
  edits->revert();
  edit(QStringLiteral("EN"), en ^ 1);
  const QByteArray before = rom.bytes();
  const GridSaveResult saved = edits->save(QStringLiteral("TableView Weapon"), names);
  ASSERT_TRUE(saved.status.isOk()) << saved.status.message().toStdString();
  EXPECT_EQ(saved.records, 1);
  EXPECT_EQ(shown(QStringLiteral("ATK")), atk ^ 2);
  expectOnlyBytes(before, rom.bytes(), {{at(QStringLiteral("EN"), kRow), (en ^ 1) & 0xFF}});
}

TEST_P(GridSaveElsewhere, WritesOnlyTheEditedBitsAndStopsOnAChangedCell) {
  const ElsewhereCase& c = GetParam();
  const int atk = shown(QStringLiteral("ATK"));
  edit(QStringLiteral("ATK"), atk ^ 2);
  if (*c.control) saveElsewhere(QString::fromLatin1(c.control), c.record);
  if (c.reread) {
    auto rows = readGrid(*source, image, names);
    ASSERT_TRUE(rows.isOk());
    edits->rebase(std::move(*rows));
  }
  const QByteArray before = rom.bytes();
  const GridSaveResult saved = edits->save(QStringLiteral("TableView Weapon"), names);
  if (c.stale) {
    EXPECT_FALSE(saved.status.isOk());
    EXPECT_EQ(saved.stale.size(), 1u);
    EXPECT_EQ(rom.bytes(), before);
    return;
  }
  ASSERT_TRUE(saved.status.isOk()) << saved.status.message().toStdString();
  const std::int64_t offset = at(QStringLiteral("ATK"), kRow);
  expectOnlyBytes(before, rom.bytes(), {{offset, (atk ^ 2) & 0xFF}});

  // Saved twice: the second save finds the first one's bytes, and a change
  // made elsewhere after it still stops it.
  edit(QStringLiteral("ATK"), atk ^ 6);
  saveElsewhere(QStringLiteral("ATK"), kRow);
  const QByteArray between = rom.bytes();
  const GridSaveResult again = edits->save(QStringLiteral("TableView Weapon"), names);
  EXPECT_FALSE(again.status.isOk());
  EXPECT_EQ(again.stale.size(), 1u);
  EXPECT_EQ(rom.bytes(), between);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridSaveElsewhere,
    ::testing::Values(ElsewhereCase{"NothingChanged", "", 0, false, false},
                      ElsewhereCase{"AnotherRecord", "ATK", kRow + 1, false, false},
                      ElsewhereCase{"AnotherFieldOfTheRecord", "EN", kRow, false, false},
                      ElsewhereCase{"TheEditedField", "ATK", kRow, false, true},
                      ElsewhereCase{"TheEditedFieldReadAgain", "ATK", kRow, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rt::test
