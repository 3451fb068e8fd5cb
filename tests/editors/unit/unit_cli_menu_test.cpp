// The unit tables on the command line, and the unit forms opened from the main menu.
#include "tests/editors/unit/unit_test_support.h"

#include <QJsonArray>
#include <QJsonObject>

namespace rt::test::unit {
namespace {

QJsonObject exportedRecord(const QString& rom, const QString& table, int index) {
  const QJsonArray records = exportRecords(rom, table);
  EXPECT_EQ(records.size(), kUnits) << table.toStdString();
  return records.at(index).toObject();
}

// A combo byte just inside and just past its list: a row, then "(n)".
TEST(UnitCli, AComboByteAtItsListsLengthIsExportedAsItsNumber) {
  TempRom rom(kImageSize, 31);
  for (const int byte : {5, 6}) {
    rom.poke(unitAt(3) + 0x33, QByteArray(1, static_cast<char>(byte)));
    EXPECT_EQ(exportedRecord(rom.path(), QStringLiteral("Unit"), 3).value(QStringLiteral("fields")).toObject().value(QStringLiteral("size")),
              exportedCombo(byte, 6));
  }
}

TEST(UnitCli, ExportShowsRecordsAsTheFormsDo) {
  TempRom rom(kImageSize, 31);
  const QByteArray bytes = rom.bytes();
  const int i = 17;
  const QJsonObject unit = exportedRecord(rom.path(), QStringLiteral("Unit"), i);
  EXPECT_EQ(unit.value(QStringLiteral("offset")).toInteger(), unitAt(i));
  const QJsonObject f = unit.value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(f.size(), 34);  // 31 text and combo boxes, 3 movement boxes
  EXPECT_EQ(f.value(QStringLiteral("HP")).toString(), QString::number(static_cast<std::int32_t>(valueAt(bytes, unitAt(i) + 0x0C, 4))));
  EXPECT_EQ(f.value(QStringLiteral("money")).toString(), QString::number(valueAt(bytes, unitAt(i) + 0x18, 2)));
  EXPECT_EQ(f.value(QStringLiteral("size")), exportedCombo(byteAt(bytes, unitAt(i) + 0x33), 6));
  EXPECT_EQ(f.value(QStringLiteral("MoveT(2)")).toBool(), bool(byteAt(bytes, unitAt(i) + 0x2A) & 4));

  const QJsonObject sp = exportedRecord(rom.path(), QStringLiteral("UnitSP"), i).value(QStringLiteral("fields")).toObject();
  EXPECT_EQ(sp.size(), 112);
  EXPECT_EQ(sp.value(QStringLiteral("USpE(7)")).toBool(), bool(byteAt(bytes, unitAt(i) + 0x70) & 0x80));

  const QJsonObject pic = exportedRecord(rom.path(), QStringLiteral("Unit_Pic"), i);
  EXPECT_EQ(pic.value(QStringLiteral("offset")).toInteger(), pictureAt(i));
  EXPECT_EQ(pic.value(QStringLiteral("fields")).toObject().value(QStringLiteral("val(10)")).toString(),
            QString::number(valueAt(bytes, pictureAt(i) + 20, 2)));
}

TEST(UnitCli, ImportChangesOnlyTheNamedFields) {
  struct Case {
    const char* json;
    std::vector<std::pair<std::int64_t, int>> bytes;  // offset, value after the import
  };
  const Case cases[] = {
      {R"j({"table":"Unit","records":[{"index":4,"fields":{"ground(2)":3,"EN":"513"}}]})j",
       {{unitAt(4) + 0x7C, 3}, {unitAt(4) + 0x14, 0x01}, {unitAt(4) + 0x15, 0x02}}},
      {R"j({"table":"UnitSP","records":[{"index":300,"fields":{"USpN(0)":true,"USpN(1)":false}}]})j", {}},
      {R"j({"table":"Unit_Pic","records":[{"index":302,"fields":{"val(10)":"65535"}}]})j",
       {{pictureAt(302) + 20, 0xFF}, {pictureAt(302) + 21, 0xFF}}},
  };
  for (const Case& c : cases) {
    TempRom rom(kImageSize, 32);
    if (c.bytes.empty()) rom.poke(unitAt(300) + 0x79, QByteArray(1, char(0xF2)));  // bit 0 clear, bit 1 set
    const QByteArray before = rom.bytes();
    SCOPED_TRACE(c.json);
    const CliRun r = importFile(rom.path(), QByteArray(c.json));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    auto expected = c.bytes;
    if (expected.empty()) expected = {{unitAt(300) + 0x79, 0xF1}};
    expectOnlyBytes(before, rom.bytes(), expected);
  }
}

// The forms open from their rows of the main menu on the sample image.
TEST(UnitMenu, FormsOpenFromTheMainMenuOnTheSampleImage) {
  SampleMenu menu;
  TestApp& app = menu.app;
  const QByteArray before = menu.rom.bytes();
  for (auto [row, name] : {std::pair{3, "Unit"}, {6, "UnitSP"}, {12, "Unit_Pic"}}) {
    QWidget* form = menu.edit(row, QString::fromLatin1(name));
    ASSERT_NE(form, nullptr) << name;
    EXPECT_EQ(control<QListWidget>(form, QStringLiteral("List1"))->currentRow(), 0);
    screenshot(form, QStringLiteral("sample_") + QString::fromLatin1(name));
  }
  // The sample holds plausible values: record 0 of each form reads without extra rows.
  QWidget* unit = app.context->openForm(QStringLiteral("Unit"));
  for (const char* c : {"MWeapon", "size", "ground(0)", "ground(3)"})
    EXPECT_FALSE(control<QComboBox>(unit, QString::fromLatin1(c))->currentText().startsWith(QLatin1Char('('))) << c;
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(menu.rom.bytes(), before);
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test::unit
