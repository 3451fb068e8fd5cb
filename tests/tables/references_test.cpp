// The declared references between tables, and the check that follows them:
// every declaration fits its target; the sample image checks clean; one fault
// per rule, poked into a copy of it, is found at its table, record and field.
#include "editors/all_tables.h"
#include "editors/layout.h"
#include "model/table_check.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace rt::test {
namespace {

const Field* fieldOf(const TableAdapter& table, const QString& control) {
  for (const Field& f : table.fields())
    if (f.control == control) return &f;
  return nullptr;
}

TEST(References, EveryDeclaredReferenceFitsItsTarget) {
  const TableRegistry tables = allTables();
  for (const auto& table : tables.all()) {
    for (const Reference& ref : table->references()) {
      SCOPED_TRACE((table->name() + u' ' + ref.field + QStringLiteral(" -> ") + ref.target).toStdString());
      const RefTarget target = targetOf(tables, ref);
      ASSERT_FALSE(target.name.isEmpty()) << "no such table";
      // An area stands for records no table lists; a table is never also declared as an area.
      EXPECT_EQ(ref.areaBase >= 0, tables.find(ref.target) == nullptr);
      const Field* field = fieldOf(*table, ref.field);
      ASSERT_NE(field, nullptr) << "no such field";
      EXPECT_NE(field->kind, FieldKind::Flags);
      if (ref.kind == Reference::Range) {
        EXPECT_NE(fieldOf(*table, ref.countField), nullptr) << "no count field";
      }
      EXPECT_GT(ref.count, 0);
      EXPECT_LE(ref.count, target.tableCount) << "more records than the table holds";
      const std::int64_t largest = (std::int64_t{1} << (8 * widthOf(field->kind))) - 1;
      EXPECT_LE(ref.first, largest) << "no stored value names record 0";
      // A "none" value names no record; only the value of record 0 may be taken
      // for it (record 0 is then never named, as a combination partner 0 is none).
      for (int none : ref.none) {
        EXPECT_TRUE(none < ref.first || none >= ref.first + ref.count || none == ref.first)
            << none << " also names record " << none - ref.first;
        EXPECT_LE(none, largest);
      }
    }
  }
}

TEST(References, TheLinksTheLayoutsImplyAreDeclared) {
  struct Link {
    const char* table;
    const char* field;
    const char* target;
  };
  const Link links[] = {
      {"Unit", "first_weapon", "Weapon"},   {"MAP", "pilot_code", "Pilot"},     {"MAP", "pilot_code_2", "Pilot"},
      {"MAP", "unit_code", "Unit"},         {"MAP", "unit_code_2", "Unit"},     {"Weapon", "gotha1", "Unit"},
      {"Weapon", "gotha2", "Pilot"},        {"PSkills", "ptr(13)", "SkillLevel"}, {"Pilot", "SP(5)", "SPEdit"},
      {"Pilot", "character", "character"},  {"Weapon", "EWeapon", "EWeapon"},  {"MAP", "Mparts(0)", "Parts"},
      {"MAP", "minor_skill(1)", "Parts_2"},
  };
  const TableRegistry tables = allTables();
  for (const Link& l : links) {
    const TableAdapter* table = tables.find(QLatin1String(l.table));
    ASSERT_NE(table, nullptr) << l.table;
    const auto refs = table->references();
    const bool found = std::any_of(refs.begin(), refs.end(), [&](const Reference& r) {
      return r.field == QLatin1String(l.field) && r.target == QLatin1String(l.target);
    });
    EXPECT_TRUE(found) << l.table << ' ' << l.field << " -> " << l.target;
  }
}

// The problems of the program's tables: a table this test program declares
// over bytes of its own choosing (DeclaredTable) is no part of the sample.
std::vector<Problem> checkBytes(const QByteArray& bytes, const QString& names = namesDir()) {
  TempRom rom{bytes};
  RomImage image;
  image.setRomPath(rom.path());
  auto problems = checkImage(image, allTables(), names);
  EXPECT_TRUE(problems) << problems.message().toStdString();
  if (!problems) return {};
  std::erase_if(*problems, [](const Problem& p) {
    const auto& declared = DeclaredTable::all();
    return std::any_of(declared.begin(), declared.end(), [&](const DeclaredTable::Entry& e) { return e.place.id == p.table; });
  });
  return *problems;
}

std::string describe(const std::vector<Problem>& problems) {
  std::string out;
  for (const Problem& p : problems)
    out += (linkRecordText(p.table, p.keys) + u' ' + p.field + u' ' + p.rule + u' ' + p.message + u'\n').toStdString();
  return out;
}

void put(QByteArray& b, std::int64_t at, std::uint32_t value, int width) {
  b.replace(static_cast<qsizetype>(at), width, le(value, width));
}

// The stage offset table's start of stage `s` and its first stage with records.
std::int64_t stageStart(const QByteArray& b, int s) {
  return layout::kStageOffsetTable + static_cast<std::int32_t>(valueAt(b, layout::kStageOffsetTable + 4 * s, 4));
}
int firstStageWithRecords(const QByteArray& b) {
  for (int s = 0; s < layout::kStageCount; ++s)
    if (valueAt(b, stageStart(b, s), 2) != static_cast<std::uint32_t>(layout::kDeploymentEndMarker)) return s;
  return -1;
}
std::int64_t unitAt(int unit) { return layout::kUnitBase + layout::kUnitStride * unit; }

TEST(Check, TheSampleImageHasNoProblem) {
  const std::vector<Problem> problems = checkBytes(sampleImage());
  EXPECT_TRUE(problems.empty()) << describe(problems);
}

struct Fault {
  const char* name;
  std::function<void(QByteArray&)> poke;
  std::function<QVariantMap(const QByteArray&)> keys;  // the record the problem names, from the sample's bytes
  const char* table;
  const char* field;
  const char* rule;
  Severity severity;
};

QVariantMap index(int i) { return {{QStringLiteral("index"), i}}; }

TEST(Check, EachRuleFindsItsFaultWhereItIs) {
  const int stage = firstStageWithRecords(sampleImage());
  ASSERT_GE(stage, 0);
  auto mapRecord0 = [stage](const QByteArray&) { return QVariantMap{{QStringLiteral("stage"), stage}, {QStringLiteral("index"), 0}}; };
  const Fault faults[] = {
      {"a pilot code past the pilot table", [&](QByteArray& b) { put(b, stageStart(b, stage), 0x1F0, 2); }, mapRecord0,
       "MAP", "pilot_code", "past-table", Severity::Error},
      {"a spirit command past its table", [](QByteArray& b) { put(b, layout::kPilotBase + layout::kPilotStride * 7 + 0x3F, 40, 1); },
       [](const QByteArray&) { return index(7); }, "Pilot", "SP(0)", "past-table", Severity::Error},
      {"a skill slot into the unit pictures",
       [](QByteArray& b) { put(b, layout::kPilotBase + layout::kPilotStride * 5 + layout::kPilotSkillSlotsAt + 4, 600, 2); },
       [](const QByteArray&) { return index(5); }, "PSkills", "ptr(2)", "into-table", Severity::Error},
      {"weapons past the weapon table",
       [](QByteArray& b) {
         put(b, unitAt(302) + layout::kUnitFirstWeapon, layout::kWeaponCount - 2, 2);
         put(b, unitAt(302) + layout::kUnitWeaponCount, 5, 1);
       },
       [](const QByteArray&) { return index(302); }, "Unit", "first_weapon", "past-table", Severity::Error},
      {"a unit's weapons shared with another",
       [](QByteArray& b) { put(b, unitAt(1) + layout::kUnitFirstWeapon, valueAt(b, unitAt(0) + layout::kUnitFirstWeapon, 2), 2); },
       [](const QByteArray&) { return index(1); }, "Unit", "first_weapon", "range-overlap", Severity::Warning},
      {"a stage list without its end marker",
       [&](QByteArray& b) {
         std::int64_t at = stageStart(b, stage);
         while (valueAt(b, at, 2) != static_cast<std::uint32_t>(layout::kDeploymentEndMarker)) at += layout::kDeploymentStride;
         put(b, at, 0, 2);
       },
       [&](const QByteArray& b) {
         int records = 0;
         for (std::int64_t at = stageStart(b, stage);
              valueAt(b, at, 2) != static_cast<std::uint32_t>(layout::kDeploymentEndMarker); at += layout::kDeploymentStride)
           ++records;  // the record on the old marker is the list's last
         return QVariantMap{{QStringLiteral("stage"), stage}, {QStringLiteral("index"), records}};
       },
       "MAP", "pilot_code", "missing-end-marker", Severity::Error},
      {"a coded byte past its list", [](QByteArray& b) { put(b, unitAt(3) + 0x29, 9, 1); },
       [](const QByteArray&) { return index(3); }, "Unit", "MWeapon", "combo-past-list", Severity::Warning},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    QByteArray bytes = sampleImage();
    f.poke(bytes);
    const std::vector<Problem> problems = checkBytes(bytes);
    const QVariantMap keys = f.keys(sampleImage());
    const bool found = std::any_of(problems.begin(), problems.end(), [&](const Problem& p) {
      return p.table == QLatin1String(f.table) && recordKeyText(p.keys) == recordKeyText(keys) &&
             p.field == QLatin1String(f.field) && p.rule == QLatin1String(f.rule) && p.severity == f.severity &&
             !p.message.isEmpty();
    });
    EXPECT_TRUE(found) << describe(problems);
    // Nothing else is called an error: the fault is found where it is, not around it.
    for (const Problem& p : problems) {
      if (p.severity == Severity::Error) {
        EXPECT_EQ(p.table, QLatin1String(f.table)) << describe(problems);
      }
    }
  }
}

TEST(Check, ANameListShorterThanItsTableIsNamed) {
  QTemporaryDir names;
  copyNameLists(names, QStringLiteral("Units.txt"));
  writeFile(names, QStringLiteral("Units.txt"), QByteArray("one\ntwo\nthree\n"));
  const std::vector<Problem> problems = checkBytes(sampleImage(), names.path());
  const bool found = std::any_of(problems.begin(), problems.end(), [](const Problem& p) {
    return p.rule == QLatin1String("short-name-list") && p.field == QLatin1String("Units.txt") &&
           p.message.contains(QLatin1String("holds only"));
  });
  EXPECT_TRUE(found) << describe(problems);
}

}  // namespace
}  // namespace rt::test
