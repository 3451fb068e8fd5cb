// MAP through its controls, on seeded random images with laid-out stage lists.
#include "model/name_list.h"
#include "tests/editors/weapon_map/weapon_map_images.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace rt::test {
namespace {

using namespace wm;

enum class Kind { Hex, Dec, Side, Part, Skill };
struct MapField {
  const char* name;
  int offset;
  Kind kind;
};
// Leader half, then the partner half with the same layout 28 bytes on.
const MapField kFields[] = {
    {"pilot_code", 0, Kind::Hex},      {"unit_code", 2, Kind::Hex},      {"MUlv", 6, Kind::Dec},
    {"MWlv", 7, Kind::Dec},            {"MX", 8, Kind::Dec},             {"MY", 9, Kind::Dec},
    {"Morder", 12, Kind::Dec},         {"Mlv", 13, Kind::Dec},           {"Maction", 14, Kind::Dec},
    {"Mene", 18, Kind::Side},          {"Mparts(0)", 24, Kind::Part},    {"Mparts(1)", 25, Kind::Part},
    {"MSkills(0)", 26, Kind::Skill},   {"MSkills(1)", 27, Kind::Skill},  {"pilot_code_2", 28, Kind::Hex},
    {"unit_code_2", 30, Kind::Hex},    {"Ulv", 34, Kind::Dec},           {"Wlv", 35, Kind::Dec},
    {"X", 36, Kind::Dec},              {"Y", 37, Kind::Dec},             {"order", 40, Kind::Dec},
    {"lv", 41, Kind::Dec},             {"action", 42, Kind::Dec},        {"ene", 46, Kind::Side},
    {"minor_part(0)", 52, Kind::Part}, {"minor_part(1)", 53, Kind::Part}, {"minor_skill(0)", 54, Kind::Skill},
    {"minor_skill(1)", 55, Kind::Skill},
};
int rowsOf(Kind k) { return k == Kind::Side ? 6 : k == Kind::Part ? 48 : 23; }
// The row a stored byte selects: 255 is the "none" row of parts (0) and skills (22).
int rowOf(Kind k, int b) {
  if (b == 255 && k == Kind::Part) return 0;
  if (b == 255 && k == Kind::Skill) return 22;
  return b;
}
// What a save without edits stores: the "none" rows save as 255.
int savedByte(Kind k, int b) {
  if (k == Kind::Part && b == 0) return 255;
  if (k == Kind::Skill && b == 22) return 255;
  return b;
}
QString name(const char* s) { return QString::fromLatin1(s); }
QString hex(int v) { return QString::number(v, 16).toUpper(); }

struct MapFixture : ::testing::Test {
  TestApp app;
  MapImage img = mapImage(5);
  TempRom rom{img.bytes};
  QWidget* form = nullptr;
  QStringList pilots, units;

  void SetUp() override {
    form = app.showForm(rom.path(), QStringLiteral("MAP"));
    ASSERT_NE(form, nullptr);
    auto p = loadNameList(namesDir(), QStringLiteral("Mpilots.txt"), 476);
    auto u = loadNameList(namesDir(), QStringLiteral("MUnits.txt"), 303);
    ASSERT_TRUE(p.isOk() && u.isOk());
    pilots = *p;
    units = *u;
  }
  QListWidget* stages() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QListWidget* records() { return control<QListWidget>(form, QStringLiteral("List2")); }
  QLineEdit* text(const QString& n) { return control<QLineEdit>(form, n); }
  QComboBox* combo(const QString& n) { return control<QComboBox>(form, n); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
  void pick(int stage, int row) {
    stages()->setCurrentRow(stage);
    records()->setCurrentRow(row);
  }
  std::int64_t recordAt(int stage, int row) const { return img.start[static_cast<size_t>(stage)] + kRecord * row; }
  QString nameOf(const QStringList& names, int code) { return code < names.size() ? names[code] : QString(); }
  // The first stage from `from` on whose list holds at least `records` records.
  int stageWith(int records, int from = 0) const {
    for (int s = from; s < kStageCount; ++s)
      if (img.count[static_cast<size_t>(s)] >= records) return s;
    ADD_FAILURE() << "no stage with " << records << " records";
    return 0;
  }

  void expectShows(const QByteArray& bytes, std::int64_t at, const std::string& where) {
    for (const MapField& f : kFields) {
      const int b = byteAt(bytes, at + f.offset);
      switch (f.kind) {
        case Kind::Hex: EXPECT_EQ(text(name(f.name))->text(), hex(u16(bytes, at + f.offset))) << f.name << where; break;
        case Kind::Dec: EXPECT_EQ(text(name(f.name))->text(), QString::number(b)) << f.name << where; break;
        default: {
          const int row = rowOf(f.kind, b);
          if (row < rowsOf(f.kind)) {
            EXPECT_EQ(combo(name(f.name))->currentIndex(), row) << f.name << where;
          } else {
            EXPECT_EQ(combo(name(f.name))->currentText(), QStringLiteral("(%1)").arg(row)) << f.name << where;
          }
        }
      }
    }
    EXPECT_EQ(text(QStringLiteral("pilot_name"))->text(), nameOf(pilots, u16(bytes, at))) << where;
    EXPECT_EQ(text(QStringLiteral("unit_name"))->text(), nameOf(units, u16(bytes, at + 2))) << where;
    EXPECT_EQ(text(QStringLiteral("pilot_name_2"))->text(), nameOf(pilots, u16(bytes, at + 28))) << where;
    EXPECT_EQ(text(QStringLiteral("unit_name_2"))->text(), nameOf(units, u16(bytes, at + 30))) << where;
  }
};

TEST_F(MapFixture, ASaveListsTheNewLeaderCodeAtOnceAndKeepsTheRowSelected) {
  const int stage = stageWith(2);
  clickRow(stages(), stage);
  clickRow(records(), 1);
  const int code = u16(rom.bytes(), recordAt(stage, 1));
  const int newCode = code == 0x10 ? 0x11 : 0x10;
  text(QStringLiteral("pilot_code"))->setText(hex(newCode));
  save();
  ASSERT_EQ(u16(rom.bytes(), recordAt(stage, 1)), newCode);
  EXPECT_NE(code, newCode);
  EXPECT_EQ(records()->item(1)->text(), hex(newCode));  // the list shows what was saved
  EXPECT_EQ(records()->currentRow(), 1);
  clickRow(stages(), stage);
  ASSERT_EQ(records()->count(), img.count[static_cast<size_t>(stage)]);
  EXPECT_EQ(records()->item(1)->text(), hex(newCode));
  clickRow(records(), 1);
  EXPECT_EQ(text(QStringLiteral("pilot_code"))->text(), hex(newCode));
  EXPECT_TRUE(app.sink->unsavedQuestions.isEmpty());
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(MapFixture, OpensWithNothingSelected) {
  auto stageNames = loadNameList(namesDir(), QStringLiteral("Map.txt"), 65);
  ASSERT_TRUE(stageNames.isOk());
  ASSERT_EQ(stages()->count(), kStageCount);
  for (int s = 0; s < kStageCount; ++s) EXPECT_EQ(stages()->item(s)->text(), (*stageNames)[s]);
  EXPECT_EQ(stages()->currentRow(), -1);
  EXPECT_EQ(records()->count(), 0);
  EXPECT_EQ(combo(QStringLiteral("Mparts(1)"))->count(), 48);
  EXPECT_EQ(combo(QStringLiteral("minor_part(0)"))->count(), 48);
  EXPECT_EQ(combo(QStringLiteral("MSkills(0)"))->count(), 23);
  EXPECT_EQ(combo(QStringLiteral("minor_skill(1)"))->count(), 23);
  EXPECT_EQ(combo(QStringLiteral("ene"))->count(), 6);
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(0)"))->text(), QStringLiteral("戰場配置"));
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(1)"))->text(), QStringLiteral("隊長機師代碼"));
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(15)"))->text(), QStringLiteral("隊友機師代碼"));
  EXPECT_EQ(control<QLabel>(form, QStringLiteral("UnicodeLabel1(28)"))->text(), QStringLiteral("技能配件"));
  save();  // no record to save yet
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_EQ(rom.bytes(), img.bytes);
}

TEST_F(MapFixture, EveryStageListsItsRecordsAndEveryRecordReadsRight) {
  for (int s = 0; s < kStageCount; ++s) {
    stages()->setCurrentRow(s);
    ASSERT_EQ(records()->count(), img.count[static_cast<size_t>(s)]) << "stage " << s;
    EXPECT_EQ(records()->currentRow(), -1);
    for (int r = 0; r < records()->count(); ++r) {
      EXPECT_EQ(records()->item(r)->text(), hex(u16(img.bytes, recordAt(s, r))));
      records()->setCurrentRow(r);
      expectShows(img.bytes, recordAt(s, r), " stage " + std::to_string(s) + " record " + std::to_string(r));
    }
  }
  EXPECT_TRUE(app.sink->messages.isEmpty());
}

TEST_F(MapFixture, SavesWithoutEditsChangeNothing) {
  // Only edited fields are written: a "none" byte a combo box would store
  // differently stays as it is.
  const QByteArray expected = img.bytes;
  int normalised = 0;
  for (int s = 0; s < kStageCount; ++s) {
    stages()->setCurrentRow(s);
    for (int r = 0; r < records()->count(); ++r) {
      records()->setCurrentRow(r);
      save();
      for (const MapField& f : kFields) {
        const int b = byteAt(expected, recordAt(s, r) + f.offset);
        if (savedByte(f.kind, b) != b) ++normalised;
      }
    }
  }
  EXPECT_GT(normalised, 0);  // the image holds part bytes 0 and skill bytes 22
  EXPECT_TRUE(changedOffsets(expected, rom.bytes()).empty());
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(MapFixture, EachControlChangedAloneChangesExactlyItsBytes) {
  int last = kStageCount - 1;
  while (img.count[static_cast<size_t>(last)] == 0) --last;
  for (auto [stage, row] : {std::pair{stageWith(1), 0}, {stageWith(3), 2}, {last, 0}}) {
    pick(stage, row);
    save();  // the none rows normalise first; after that each change is its own
    const std::int64_t at = recordAt(stage, row);
    for (const MapField& f : kFields) {
      const QByteArray before = rom.bytes();
      const int width = f.kind == Kind::Hex ? 2 : 1;
      const int old = width == 2 ? u16(before, at + f.offset) : byteAt(before, at + f.offset);
      int expected = 0;
      switch (f.kind) {
        case Kind::Hex:
          expected = (old + 0x123) % 0x10000;
          if (expected == 0x7FFF) expected = 0x1A;  // never the end marker
          text(name(f.name))->setText(QString::number(expected, 16));  // lower case is accepted
          break;
        case Kind::Dec: expected = (old + 1) % 256; text(name(f.name))->setText(QString::number(expected)); break;
        default: {
          const int rows = rowsOf(f.kind);
          const int current = rowOf(f.kind, old);
          const int next = current < rows ? (current + 1) % rows : 1;
          combo(name(f.name))->setCurrentIndex(next);
          expected = savedByte(f.kind, next);
        }
      }
      save();
      const QByteArray after = rom.bytes();
      EXPECT_EQ(width == 2 ? u16(after, at + f.offset) : byteAt(after, at + f.offset), expected) << f.name;
      const auto diff = changedOffsets(before, after);
      EXPECT_FALSE(diff.empty()) << f.name;
      for (auto d : diff) {
        EXPECT_GE(d, at + f.offset) << f.name;
        EXPECT_LT(d, at + f.offset + width) << f.name;
      }
    }
    // What was saved reads back; the bytes no control shows kept their values.
    const QByteArray saved = rom.bytes();
    stages()->setCurrentRow(-1);
    pick(stage, row);
    expectShows(saved, at, " after saving");
    std::set<int> shown;
    for (const MapField& f : kFields)
      for (int i = 0; i < (f.kind == Kind::Hex ? 2 : 1); ++i) shown.insert(f.offset + i);
    for (int o = 0; o < kRecord; ++o)
      if (!shown.count(o)) {
        EXPECT_EQ(byteAt(saved, at + o), byteAt(img.bytes, at + o)) << "byte " << o;
      }
  }
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(MapFixture, RejectedTextsChangeNothing) {
  pick(stageWith(2), 1);
  const std::vector<RefusedTexts> cases = {
      {"pilot_code", "隊長機師代碼", nullptr, {"10000", "G", "-1", "", "1 2", "0x"}},
      {"pilot_code", "隊長機師代碼", "7FFF marks the end", {"7FFF", "7fff", " 7FFF "}},
      {"unit_code_2", "隊友機體代碼", nullptr, {"12345", "FFFFF", "z"}},
      {"MUlv", "機體改造段數", nullptr, {"256", "-1", "x"}},
      {"X", "X座標", nullptr, {"300", "a"}},
      {"Y", "Y座標", nullptr, {"-2"}},
      {"action", "行動時間", nullptr, {"1e3", ""}},
  };
  const QByteArray before = rom.bytes();
  ASSERT_NO_FATAL_FAILURE(expectRefused(app, form, cases));
  EXPECT_EQ(rom.bytes(), before);
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(MapFixture, NameBoxesFollowTheCodes) {
  const int stage = stageWith(1);
  const std::int64_t at = recordAt(stage, 0);
  const struct {
    int leader, unit, partner, partnerUnit;
  } cases[] = {{0x1A, 0, 0xFFFF, 302}, {0xFFFF, 0xFFFF, 475, 303}, {476, 0x12C, 0, 0xFFFE}};
  for (const auto& c : cases) {
    rom.poke(at, le(static_cast<std::uint32_t>(c.leader), 2) + le(static_cast<std::uint32_t>(c.unit), 2));
    rom.poke(at + 28, le(static_cast<std::uint32_t>(c.partner), 2) + le(static_cast<std::uint32_t>(c.partnerUnit), 2));
    stages()->setCurrentRow(stage + 1);
    pick(stage, 0);
    EXPECT_EQ(text(QStringLiteral("pilot_code"))->text(), hex(c.leader));
    EXPECT_EQ(text(QStringLiteral("pilot_name"))->text(), nameOf(pilots, c.leader));
    EXPECT_EQ(text(QStringLiteral("unit_name"))->text(), nameOf(units, c.unit));
    EXPECT_EQ(text(QStringLiteral("pilot_name_2"))->text(), nameOf(pilots, c.partner));
    EXPECT_EQ(text(QStringLiteral("unit_name_2"))->text(), nameOf(units, c.partnerUnit));
  }
  EXPECT_EQ(text(QStringLiteral("pilot_name"))->text(), QString());  // 476: past the list
  // A saved code shows its name.
  text(QStringLiteral("pilot_code"))->setText(QStringLiteral("1a"));
  save();
  EXPECT_EQ(text(QStringLiteral("pilot_name"))->text(), pilots[26]);
  EXPECT_EQ(u16(rom.bytes(), at), 0x1A);
}

TEST_F(MapFixture, AnotherStageClearsTheSelectionAndSaveWritesNothing) {
  const int stage = stageWith(2);
  pick(stage, 1);
  ASSERT_EQ(records()->currentRow(), 1);
  stages()->setCurrentRow(stage + 1);
  EXPECT_EQ(records()->currentRow(), -1);
  EXPECT_EQ(text(QStringLiteral("pilot_code"))->text(), QString());
  save();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("No deployment record"))) << app.sink->messages[0].toStdString();
  stages()->setCurrentRow(10);  // the empty stage
  EXPECT_EQ(records()->count(), 0);
  save();
  EXPECT_EQ(app.sink->messages.size(), 2);
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(MapFixture, StageOffsetsAreReadWhenTheFormOpens) {
  // Moving a stage's list after the form opened does not move what the form edits.
  const int stage = stageWith(1), other = stageWith(1, stage + 1);
  rom.poke(kStageTable + 4 * stage, le(static_cast<std::uint32_t>(img.start[static_cast<size_t>(other)] - kStageTable), 4));
  pick(stage, 0);
  EXPECT_EQ(records()->count(), img.count[static_cast<size_t>(stage)]);
  text(QStringLiteral("MX"))->setText(QStringLiteral("201"));
  save();
  EXPECT_EQ(byteAt(rom.bytes(), recordAt(stage, 0) + 8), 201);
}

// A list that runs into the end of the file, and offsets that point outside it.
struct MapEdgeFixture : ::testing::Test {
  TestApp app;
  QWidget* open(TempRom& rom) {
    return app.showForm(rom.path(), QStringLiteral("MAP"));
  }
};

TEST_F(MapEdgeFixture, ListWithoutEndMarkerEndsAtTheEndOfTheFile) {
  MapImage img = mapImage(9);
  // Stage 64 gets records up to the end of the file and no marker; the last
  // one is cut short by the end of the file and is not listed.
  const std::int64_t start = img.start[64];
  const int whole = 5;
  QByteArray bytes = img.bytes.left(start + kRecord * whole + 30);
  for (int r = 0; r <= whole; ++r) put(bytes, start + kRecord * r, static_cast<std::uint32_t>(0x100 + r), 2);
  TempRom rom(bytes);
  QWidget* form = open(rom);
  ASSERT_NE(form, nullptr);
  auto* stages = control<QListWidget>(form, QStringLiteral("List1"));
  auto* records = control<QListWidget>(form, QStringLiteral("List2"));
  stages->setCurrentRow(64);
  ASSERT_EQ(records->count(), whole);
  EXPECT_EQ(records->item(whole - 1)->text(), hex(0x100 + whole - 1));
  records->setCurrentRow(whole - 1);
  control<QLineEdit>(form, QStringLiteral("Y"))->setText(QStringLiteral("17"));
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  const QByteArray after = rom.bytes();
  EXPECT_EQ(after.size(), bytes.size());
  EXPECT_EQ(byteAt(after, start + kRecord * (whole - 1) + 37), 17);
  // The other stages still end at their markers.
  stages->setCurrentRow(63);
  EXPECT_EQ(records->count(), img.count[63]);
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST_F(MapEdgeFixture, ListFromTheStartOfTheFileWithoutMarkerStopsAtItsEnd) {
  // A file of 0x0101 words: no record boundary holds the marker anywhere.
  QByteArray bytes(kStageTable + 0x400, '\x01');
  put(bytes, kStageTable, static_cast<std::uint32_t>(-kStageTable), 4);  // stage 0 lists from offset 0
  TempRom rom(bytes);
  QWidget* form = open(rom);
  ASSERT_NE(form, nullptr);
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(0);
  EXPECT_EQ(control<QListWidget>(form, QStringLiteral("List2"))->count(), bytes.size() / kRecord);
}

TEST_F(MapEdgeFixture, StageOffsetOutsideTheFileGivesAnEmptyListAndAMessage) {
  MapImage img = mapImage(4);
  const std::int64_t size = img.bytes.size();
  const std::int32_t outside[] = {static_cast<std::int32_t>(size - kStageTable), std::numeric_limits<std::int32_t>::max(),
                                  static_cast<std::int32_t>(-kStageTable - 1), std::numeric_limits<std::int32_t>::min()};
  for (int i = 0; i < 4; ++i) put(img.bytes, kStageTable + 4 * (20 + i), static_cast<std::uint32_t>(outside[i]), 4);
  TempRom rom(img.bytes);
  QWidget* form = open(rom);
  ASSERT_NE(form, nullptr);
  auto* stages = control<QListWidget>(form, QStringLiteral("List1"));
  auto* records = control<QListWidget>(form, QStringLiteral("List2"));
  for (int i = 0; i < 4; ++i) {
    stages->setCurrentRow(19);
    ASSERT_EQ(records->count(), img.count[19]);
    app.sink->messages.clear();
    stages->setCurrentRow(20 + i);
    EXPECT_EQ(records->count(), 0) << outside[i];
    ASSERT_EQ(app.sink->messages.size(), 1) << outside[i];
    EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("outside"))) << app.sink->messages[0].toStdString();
    control<QPushButton>(form, QStringLiteral("Save"))->click();
  }
  EXPECT_EQ(rom.bytes(), img.bytes);
  EXPECT_EQ(app.files->writesOpened, 0);
}

TEST_F(MapEdgeFixture, ImageShorterThanTheOffsetTableOpensWithEmptyStages) {
  TempRom rom(0x10000, 3);
  QWidget* form = open(rom);
  ASSERT_NE(form, nullptr);
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(0);
  EXPECT_EQ(control<QListWidget>(form, QStringLiteral("List2"))->count(), 0);
  EXPECT_EQ(app.sink->messages.size(), 1);
}

TEST_F(MapFixture, AnotherImageOpenedListsItsStageAndShowsTheSameRowOfIt) {
  const int stage = stageWith(2);
  const int next = stageWith(2, stage + 1);
  pick(stage, 1);
  // In the other image the stage's offset points at the next stage's list.
  QByteArray otherBytes = img.bytes;
  otherBytes.replace(kStageTable + 4 * stage, 4, le(static_cast<std::uint32_t>(img.start[static_cast<size_t>(next)] - kStageTable), 4));
  TempRom other(otherBytes);
  app.context->openImage(form, other.path());  // what Open NDS does
  EXPECT_EQ(stages()->currentRow(), stage);
  EXPECT_EQ(records()->count(), img.count[static_cast<size_t>(next)]);
  EXPECT_EQ(records()->currentRow(), 1);
  expectShows(otherBytes, recordAt(next, 1), " after another image was opened");
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join('\n').toStdString();
}

TEST(MapScreenshot, Renders) {
  TestApp app;
  TempRom rom(mapImage(2).bytes);
  QWidget* form = app.showForm(rom.path(), QStringLiteral("MAP"));
  ASSERT_NE(form, nullptr);
  control<QListWidget>(form, QStringLiteral("List1"))->setCurrentRow(1);
  control<QListWidget>(form, QStringLiteral("List2"))->setCurrentRow(0);
  expectRendersWithinScreen(form, QStringLiteral("MAP"));
}

}  // namespace
}  // namespace rt::test
