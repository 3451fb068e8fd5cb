#include "model/record_codec.h"
#include "model/table_registry.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

// A small table using every field kind, records of 16 bytes at 0x20.
TableDef sampleTable() {
  TableDef t{QStringLiteral("Sample"), 0x20, 16, 4, {}};
  t.fields = {
      int32Field(QStringLiteral("big"), 0x00, QStringLiteral("Big")),
      wordField(QStringLiteral("word"), 0x04, QStringLiteral("Word")),
      byteField(QStringLiteral("byte"), 0x06, QStringLiteral("Byte")),
      signedByteField(QStringLiteral("signed"), 0x07, QStringLiteral("Signed")),
      hexWordField(QStringLiteral("code"), 0x08, QStringLiteral("Code")),
      comboField(QStringLiteral("plain"), 0x0A, QStringLiteral("Plain")),
      comboField(QStringLiteral("spirit"), 0x0B, QStringLiteral("Spirit"), {ComboRule::NoneAbove, 35, 0xFF}),
      comboField(QStringLiteral("twoState"), 0x0C, QStringLiteral("Two"), {ComboRule::TwoState, -1, 0xFF}),
      comboField(QStringLiteral("part"), 0x0D, QStringLiteral("Part"), {ComboRule::NoneByte, 0, 0xFF}),
      flagsField(QStringLiteral("move"), 0x0E, QStringLiteral("Move"), 0x07),
      // 0x0F: not shown
  };
  return t;
}

int indexOf(const std::vector<ControlRef>& controls, const QString& name) {
  for (size_t i = 0; i < controls.size(); ++i)
    if (controls[i].name == name) return static_cast<int>(i);
  return -1;
}

TEST(RecordCodec, ControlsFlattenFlagBytesIntoTheirBoxes) {
  const auto controls = controlsOf(sampleTable());
  ASSERT_EQ(controls.size(), 12u);
  EXPECT_EQ(controls[9].name, QStringLiteral("move(0)"));
  EXPECT_EQ(controls[11].name, QStringLiteral("move(2)"));
  EXPECT_EQ(controls[11].kind, ControlKind::Check);
}

// Numbers show in plain decimal whichever way their text is made (small ones
// come from texts made beforehand): both sides of every edge of that range.
TEST(RecordCodec, NumbersShowInDecimalAcrossTheirWholeRange) {
  struct Case {
    const char* control;
    std::int64_t at;  // in the record, as sampleTable() lays it out
    int width;
    std::int64_t shown;  // what the bytes hold, as a number
  };
  const Case cases[] = {
      {"word", 4, 2, 0},      {"word", 4, 2, 9},       {"word", 4, 2, 10},      {"word", 4, 2, 255},
      {"word", 4, 2, 9999},   {"word", 4, 2, 10000},   {"word", 4, 2, 65535},   {"big", 0, 4, INT32_MIN},
      {"big", 0, 4, -129},    {"big", 0, 4, -128},     {"big", 0, 4, -1},       {"big", 0, 4, 0},
      {"big", 0, 4, 9999},    {"big", 0, 4, 10000},    {"big", 0, 4, INT32_MAX}, {"signed", 7, 1, -128},
      {"signed", 7, 1, -1},   {"signed", 7, 1, 0},     {"signed", 7, 1, 127},   {"byte", 6, 1, 0},
      {"byte", 6, 1, 128},    {"byte", 6, 1, 255},
  };
  const auto controls = controlsOf(sampleTable());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.control) + " " + std::to_string(c.shown));
    QByteArray image(0x20 + 16 * 4, '\0');
    image.replace(0x30 + c.at, c.width, le(static_cast<std::uint32_t>(c.shown), c.width));
    TempRom file(image);
    RomImage rom;
    rom.setRomPath(file.path());
    auto state = readRecord(rom, sampleTable(), sampleTable().recordOffset(1));
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)[static_cast<size_t>(indexOf(controls, QString::fromLatin1(c.control)))].text, QString::number(c.shown));
  }
}

TEST(RecordCodec, ReadingShowsWhatTheBytesSay) {
  QByteArray image(0x20 + 16 * 4, '\0');
  image.replace(0x30, 16, QByteArray::fromHex("ffffffff" "3412" "c8" "80" "1a00" "09" "23" "00" "00" "fd" "77"));
  TempRom file(image);
  RomImage rom;
  rom.setRomPath(file.path());
  auto state = readRecord(rom, sampleTable(), sampleTable().recordOffset(1));
  ASSERT_TRUE(state);
  const auto controls = controlsOf(sampleTable());
  auto at = [&](const char* name) { return (*state)[static_cast<size_t>(indexOf(controls, QString::fromLatin1(name)))]; };
  EXPECT_EQ(at("big").text, QStringLiteral("-1"));
  EXPECT_EQ(at("word").text, QStringLiteral("4660"));
  EXPECT_EQ(at("byte").text, QStringLiteral("200"));
  EXPECT_EQ(at("signed").text, QStringLiteral("-128"));
  EXPECT_EQ(at("code").text, QStringLiteral("1A"));
  EXPECT_EQ(at("plain").row, 9);   // past any list: an extra row keeps the byte
  EXPECT_EQ(at("spirit").row, 35);  // 0x23 and above: "none"
  EXPECT_EQ(at("twoState").row, 1);
  EXPECT_EQ(at("part").row, 0);  // 0 and 0xFF both show the none row
  EXPECT_TRUE(at("move(0)").checked);
  EXPECT_FALSE(at("move(1)").checked);
  EXPECT_TRUE(at("move(2)").checked);
}

TEST(RecordCodec, SavingUnchangedWritesBackTheSameBytesExceptNormalisations) {
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    TempRom file(0x20 + 16 * 4, seed);
    const QByteArray before = file.bytes();
    RomImage rom;
    rom.setRomPath(file.path());
    const TableDef table = sampleTable();
    for (int i = 0; i < table.count; ++i) {
      auto state = readRecord(rom, table, table.recordOffset(i));
      ASSERT_TRUE(state);
      SaveResult saved = writeRecord(rom, table, table.recordOffset(i), *state, {});
      ASSERT_TRUE(saved.status) << saved.status.message().toStdString();
    }
    const QByteArray after = file.bytes();
    for (std::int64_t d : differences(before, after)) {
      const std::int64_t inRecord = (d - 0x20) % 16;
      // Only the coded bytes with a normalising rule may change.
      const int was = byteAt(before, d), now = byteAt(after, d);
      if (inRecord == 0x0B) EXPECT_TRUE(was > 34 && now == 0xFF) << seed;
      else if (inRecord == 0x0C) EXPECT_TRUE(was != 0xFF && now == 0x01) << seed;
      else if (inRecord == 0x0D) EXPECT_TRUE(was == 0 && now == 0xFF) << seed;
      else ADD_FAILURE() << "byte " << d << " changed (seed " << seed << ")";
    }
  }
}

TEST(RecordCodec, EachControlChangedAloneChangesOnlyItsBytes) {
  struct Case {
    const char* control;
    QString text;
    int row;
    bool checked;
    std::int64_t offset;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"big", QStringLiteral("-2"), 0, false, 0x00, QByteArray::fromHex("feffffff")},
      {"word", QStringLiteral("65535"), 0, false, 0x04, QByteArray::fromHex("ffff")},
      {"byte", QStringLiteral("0"), 0, false, 0x06, QByteArray::fromHex("00")},
      {"signed", QStringLiteral("-1"), 0, false, 0x07, QByteArray::fromHex("ff")},
      {"code", QStringLiteral("7fff"), 0, false, 0x08, QByteArray::fromHex("ff7f")},
      {"plain", QString(), 4, false, 0x0A, QByteArray::fromHex("04")},
      {"spirit", QString(), 35, false, 0x0B, QByteArray::fromHex("ff")},
      {"twoState", QString(), 0, false, 0x0C, QByteArray::fromHex("ff")},
      {"part", QString(), 0, false, 0x0D, QByteArray::fromHex("ff")},
  };
  for (const Case& c : cases) {
    QByteArray image(0x20 + 16 * 4, '\x01');
    image[0x20 + 0x0E] = '\xF8';  // movement bits 3..7 set, no box for them
    TempRom file(image);
    RomImage rom;
    rom.setRomPath(file.path());
    const TableDef table = sampleTable();
    auto state = readRecord(rom, table, table.base);
    ASSERT_TRUE(state);
    RecordState edited = *state;
    ControlValue& v = edited[static_cast<size_t>(indexOf(controlsOf(table), QString::fromLatin1(c.control)))];
    v.text = c.text;
    v.row = c.row;
    ASSERT_TRUE(writeRecord(rom, table, table.base, edited, {}).status) << c.control;
    QByteArray expected = image;
    expected.replace(0x20 + c.offset, c.bytes.size(), c.bytes);
    EXPECT_EQ(file.bytes().toHex(), expected.toHex()) << c.control;
  }
}

TEST(RecordCodec, RejectedValuesNameTheFieldAndWriteNothing) {
  struct Case {
    const char* control;
    QString text;
    int row;
    const char* expectedMessage;
  };
  const Case cases[] = {
      {"byte", QStringLiteral("256"), 0, "Byte: '256' is not a whole number from 0 to 255."},
      {"word", QStringLiteral("-1"), 0, "Word: '-1' is not a whole number from 0 to 65535."},
      {"big", QStringLiteral("x"), 0, "Big: 'x' is not a whole number from -2147483648 to 2147483647."},
      {"code", QStringLiteral("10000"), 0, "Code: '10000' is not a hexadecimal number from 0 to FFFF."},
      {"plain", QString(), -1, "Plain: no row is selected; choose one of the list."},
      {"twoState", QString(), 2, "Two: row 2 cannot be stored in a byte."},
  };
  for (const Case& c : cases) {
    TempRom file(0x20 + 16 * 4, 4);
    const QByteArray before = file.bytes();
    RomImage rom;
    rom.setRomPath(file.path());
    const TableDef table = sampleTable();
    auto state = readRecord(rom, table, table.base);
    ASSERT_TRUE(state);
    const int index = indexOf(controlsOf(table), QString::fromLatin1(c.control));
    (*state)[static_cast<size_t>(index)].text = c.text;
    (*state)[static_cast<size_t>(index)].row = c.row;
    SaveResult saved = writeRecord(rom, table, table.base, *state, {});
    EXPECT_FALSE(saved.status) << c.control;
    EXPECT_EQ(saved.badControl, index);
    EXPECT_EQ(saved.status.message(), QString::fromUtf8(c.expectedMessage));
    EXPECT_EQ(file.bytes(), before) << c.control;
  }
}

TEST(RecordCodec, NoRowSelectedSavesNoneWhereTheListHasANoneRow) {
  std::vector<ByteWrite> writes;
  FieldError error;
  TableDef table{QStringLiteral("T"), 0, 1, 1, {comboField(QStringLiteral("SP(0)"), 0, QStringLiteral("SP"), {ComboRule::NoneAbove, 35, 0xFF})}};
  ASSERT_TRUE(encodeRecord(table, 0, {ControlValue{QString(), -1, false}}, &writes, &error));
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].value, 0xFF);
}

TEST(RecordCodec, EveryByteShowsItsNumberAndEveryWordItsTexts) {
  // 256 records of one byte shown three ways, and words, read in one session
  // (from the bytes the session holds) and one by one (through the accessors).
  TableDef t{QStringLiteral("Bytes"), 0, 4, 256, {}};
  t.fields = {byteField(QStringLiteral("b"), 0, {}), signedByteField(QStringLiteral("s"), 0, {}),
              wordField(QStringLiteral("w"), 2, {}), hexWordField(QStringLiteral("h"), 2, {})};
  QByteArray image;
  for (int v = 0; v < 256; ++v) image += le(static_cast<std::uint32_t>(v), 2) + le(static_cast<std::uint32_t>(v * 257), 2);
  TempRom file(image);
  RomImage rom;
  rom.setRomPath(file.path());
  const FixedTable table(t, {});
  auto records = table.records(rom, QString());
  ASSERT_TRUE(records);
  auto together = table.readMany(rom, *records);
  ASSERT_TRUE(together);
  for (int v = 0; v < 256; ++v) {
    auto one = readRecord(rom, t, t.recordOffset(v));
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, (*together)[static_cast<size_t>(v)]);
    const RecordState expected = {{QString::number(v)}, {QString::number(v > 127 ? v - 256 : v)},
                                  {QString::number(v * 257)}, {QString::number(v * 257, 16).toUpper()}};
    EXPECT_EQ(*one, expected) << v;
  }
}

}  // namespace
}  // namespace rt::test
