#include "tools/sample_rom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace rt::sample {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Images are large; build each seed once for the whole test program.
const Bytes& image(std::uint32_t seed) {
  static std::map<std::uint32_t, Bytes> cache;
  auto it = cache.find(seed);
  if (it == cache.end()) it = cache.emplace(seed, buildSampleRom(seed)).first;
  return it->second;
}

int u8(const Bytes& b, std::uint32_t at) { return b.at(at); }
int s8(const Bytes& b, std::uint32_t at) { return u8(b, at) > 127 ? u8(b, at) - 256 : u8(b, at); }
int u16(const Bytes& b, std::uint32_t at) { return u8(b, at) | u8(b, at + 1) << 8; }
std::int32_t s32(const Bytes& b, std::uint32_t at) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(u16(b, at)) |
                                   static_cast<std::uint32_t>(u16(b, at + 2)) << 16);
}

struct Table {
  std::uint32_t base, stride, count;
};
constexpr Table kPilots{kPilotTable, kPilotStride, kPilotCount};
constexpr Table kUnits{kUnitTable, kUnitStride, kUnitCount};
constexpr Table kWeapons{kWeaponTable, kWeaponStride, kWeaponCount};
constexpr Table kSpirits{kSpiritTable, kSpiritStride, kSpiritCount};
constexpr Table kPersonalities{kPersonalityTable, kPersonalityStride, kPersonalityCount};
constexpr Table kPictures{kUnitPictureTable, kUnitPictureStride, kUnitCount};
constexpr Table kSkillItems{kSkillItemTable, kSkillItemStride, kSkillItemCount};
constexpr Table kParts{kPartTable, kPartStride, kPartCount};

enum class Kind { U8, S8, U16, S32 };
struct Field {
  const char* what;
  Table table;
  std::uint32_t offset;
  Kind kind;
  std::int64_t lo, hi;
};

std::int64_t readField(const Bytes& b, std::uint32_t at, Kind kind) {
  switch (kind) {
    case Kind::U8: return u8(b, at);
    case Kind::S8: return s8(b, at);
    case Kind::U16: return u16(b, at);
    case Kind::S32: return s32(b, at);
  }
  return 0;
}

// Every record of every listed table must hold a value an editor can show.
const Field kFields[] = {
    {"spirit SP cost", kSpirits, 0, Kind::U8, 5, 80},
    {"pilot personality", kPilots, 0x14, Kind::U8, 0, 7},
    {"pilot SP", kPilots, 0x1B, Kind::U8, 30, 120},
    {"pilot melee", kPilots, 0x39, Kind::U8, 100, 220},
    {"pilot shooting", kPilots, 0x3A, Kind::U8, 100, 220},
    {"pilot skill", kPilots, 0x3B, Kind::U8, 100, 220},
    {"pilot defence", kPilots, 0x3C, Kind::U8, 100, 220},
    {"pilot evasion", kPilots, 0x3D, Kind::U8, 100, 220},
    {"pilot accuracy", kPilots, 0x3E, Kind::U8, 100, 220},
    {"unit HP", kUnits, 0x0C, Kind::S32, 2000, 9000},
    {"unit EN", kUnits, 0x14, Kind::U16, 100, 300},
    {"unit armour", kUnits, 0x16, Kind::U16, 800, 2000},
    {"unit reward", kUnits, 0x18, Kind::U16, 500, 20000},
    {"unit weapon count", kUnits, 0x28, Kind::U8, 1, 6},
    {"unit cost class", kUnits, 0x29, Kind::U8, 0, 5},
    {"unit MOV", kUnits, 0x2B, Kind::U8, 4, 8},
    {"unit part slots", kUnits, 0x30, Kind::U8, 1, 4},
    {"unit pilots aboard", kUnits, 0x32, Kind::U8, 1, 3},
    {"unit size", kUnits, 0x33, Kind::U8, 0, 5},
    {"unit rank air", kUnits, 0x7A, Kind::U8, 0, 4},
    {"unit rank land", kUnits, 0x7B, Kind::U8, 0, 4},
    {"unit rank sea", kUnits, 0x7C, Kind::U8, 0, 4},
    {"unit rank space", kUnits, 0x7D, Kind::U8, 0, 4},
    {"weapon attack", kWeapons, 0x08, Kind::U16, 1000, 6000},
    {"weapon EN", kWeapons, 0x0A, Kind::U8, 0, 50},
    {"weapon hit", kWeapons, 0x0B, Kind::S8, -20, 30},
    {"weapon critical", kWeapons, 0x0C, Kind::S8, -20, 30},
    {"weapon morale", kWeapons, 0x0F, Kind::U8, 0, 130},
    {"weapon max range", kWeapons, 0x11, Kind::U8, 1, 8},
    {"weapon min range", kWeapons, 0x12, Kind::U8, 1, 3},
    {"weapon special", kWeapons, 0x16, Kind::U8, 0, 10},
    {"weapon step type", kWeapons, 0x18, Kind::U8, 0, 3},
    {"weapon rank air", kWeapons, 0x19, Kind::U8, 0, 4},
    {"weapon rank land", kWeapons, 0x1A, Kind::U8, 0, 4},
    {"weapon rank sea", kWeapons, 0x1B, Kind::U8, 0, 4},
    {"weapon rank space", kWeapons, 0x1C, Kind::U8, 0, 4},
    {"picture icon", kPictures, 0, Kind::U16, 1, 0x7FFF},
    {"picture small image", kPictures, 2, Kind::U16, 1, 0x7FFF},
    {"picture large image", kPictures, 8, Kind::U16, 1, 0x7FFF},
    {"skill item price", kSkillItems, kSkillItemPriceOffset, Kind::S32, 1, 100000},
    {"part price", kParts, kPartPriceOffset, Kind::S32, 1, 100000},
};

class SampleRomSeed : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  const Bytes& rom() const { return image(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Seeds, SampleRomSeed, ::testing::Values(1u, 2u, 977u, 0xFFFFFFFFu));

TEST(SampleRomCrc, MatchesTheStandardCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(crc16(reinterpret_cast<const std::uint8_t*>(text), 9), 0x4B37);
  EXPECT_EQ(crc16(nullptr, 0), 0xFFFF);
}

TEST(SampleRom, SameSeedGivesSameBytes) {
  EXPECT_TRUE(buildSampleRom(7) == buildSampleRom(7));
  EXPECT_TRUE(buildSampleRom() == image(1));
}

TEST(SampleRom, EverySeededTableDependsOnTheSeed) {
  const Bytes& a = image(1);
  const Bytes& b = image(2);
  const std::pair<const char*, Table> tables[] = {
      {"pilots", kPilots},     {"units", kUnits},         {"weapons", kWeapons},
      {"spirits", kSpirits},   {"personalities", kPersonalities},
      {"pictures", kPictures}, {"skill items", kSkillItems}, {"parts", kParts},
      {"stage offsets", {kStageTable, 4, kStageCount}},
      {"skill levels", {kSkillLevelTable, kSkillLevelStride, kSkillLevelCount}},
      {"money", {kMoneyTable, 4, kMoneyLevels * kMoneyColumns}},
      {"weapon upgrades", {kWeaponUpgradeTable, 2, kUpgradeLevels * kUpgradeStepTypes}},
  };
  for (const auto& [what, t] : tables) {
    const auto from = static_cast<std::ptrdiff_t>(t.base);
    const auto to = static_cast<std::ptrdiff_t>(t.base + t.stride * t.count);
    EXPECT_FALSE(std::equal(a.begin() + from, a.begin() + to, b.begin() + from)) << what;
  }
}

TEST_P(SampleRomSeed, HeaderIsConsistent) {
  const Bytes& b = rom();
  EXPECT_EQ(std::string(b.begin(), b.begin() + 12), kGameTitle);
  EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), kGameCode);
  EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 18), kMakerCode);
  EXPECT_EQ(u8(b, 0x12), 0);
  EXPECT_EQ(u16(b, kHeaderCrcOffset), crc16(b.data(), kHeaderCrcOffset));
  EXPECT_EQ(u16(b, 0x6C), crc16(b.data() + kArm9Offset, 0x4000));
  EXPECT_EQ(static_cast<std::uint32_t>(s32(b, 0x80)), b.size());
  EXPECT_EQ(s32(b, 0x84), 0x4000);
  // Chip capacity: the smallest 128 KiB << n that holds the image.
  const int capacity = u8(b, 0x14);
  ASSERT_GT(capacity, 0);
  EXPECT_GE(0x20000ull << capacity, b.size());
  EXPECT_LT(0x20000ull << (capacity - 1), b.size());
  // ARM9 holds every table below 1 MiB; ARM7, name and allocation tables follow
  // without overlapping, and the one data file runs to the end of the image.
  const auto arm9 = static_cast<std::uint32_t>(s32(b, 0x20));
  const auto arm9End = arm9 + static_cast<std::uint32_t>(s32(b, 0x2C));
  const auto arm7 = static_cast<std::uint32_t>(s32(b, 0x30));
  const auto arm7End = arm7 + static_cast<std::uint32_t>(s32(b, 0x3C));
  EXPECT_GE(arm9, 0x4000u);
  EXPECT_LE(arm9, kSkillXinGrid);
  EXPECT_GE(arm9End, kSpiritTable + kSpiritStride * kSpiritCount);
  EXPECT_LE(arm9End, arm7);
  EXPECT_LE(arm7End, static_cast<std::uint32_t>(s32(b, 0x40)));
  const auto fat = static_cast<std::uint32_t>(s32(b, 0x48));
  EXPECT_EQ(s32(b, 0x4C), 8);
  EXPECT_EQ(static_cast<std::uint32_t>(s32(b, fat + 4)), b.size());
  EXPECT_LE(static_cast<std::uint32_t>(s32(b, fat)), kStageTable);
}

// Walks every stage list the way the map editor does and returns, per stage,
// its start and record count; fails the test if a list runs off.
std::vector<std::pair<std::uint32_t, int>> walkStages(const Bytes& b) {
  std::vector<std::pair<std::uint32_t, int>> lists;
  for (std::uint32_t s = 0; s < kStageCount; ++s) {
    const std::int32_t offset = s32(b, kStageTable + 4 * s);
    EXPECT_GE(offset, static_cast<std::int32_t>(kStageCount * 4)) << "stage " << s;
    const auto start = kStageTable + static_cast<std::uint32_t>(offset);
    int count = 0;
    // A bound of one more than the longest list catches a missing marker.
    while (count <= static_cast<int>(kMaxDeploymentsPerStage)) {
      const std::uint32_t rec = start + kDeploymentStride * static_cast<std::uint32_t>(count);
      if (rec + kDeploymentStride > b.size()) {
        ADD_FAILURE() << "stage " << s << " runs past the end of the file";
        return lists;
      }
      if (u16(b, rec) == kDeploymentEndMarker) break;
      ++count;
    }
    EXPECT_LE(count, static_cast<int>(kMaxDeploymentsPerStage)) << "stage " << s << " has no end marker";
    lists.emplace_back(start, count);
  }
  return lists;
}

TEST_P(SampleRomSeed, StageListsEndWithMarkersInsideTheFile) {
  const Bytes& b = rom();
  ASSERT_GT(b.size(), kStageTable + kStageCount * 4);
  EXPECT_EQ(b.size() % 512, 0u);
  auto lists = walkStages(b);
  ASSERT_EQ(lists.size(), kStageCount);

  int empty = 0, filled = 0;
  for (const auto& [start, count] : lists) (count == 0 ? empty : filled) += 1;
  EXPECT_GE(empty, 1);
  EXPECT_GE(filled, 50);

  // Lists (markers included) do not overlap, and the file ends a few KiB
  // after the last one.
  std::sort(lists.begin(), lists.end());
  std::uint32_t end = kStageTable + kStageCount * 4;
  for (const auto& [start, count] : lists) {
    EXPECT_GE(start, end);
    end = start + kDeploymentStride * static_cast<std::uint32_t>(count + 1);
  }
  EXPECT_LE(b.size(), end + 0x1000);
}

TEST_P(SampleRomSeed, DeploymentRecordsHoldEditableValues) {
  const Bytes& b = rom();
  int records = 0, partners = 0, noLeaderPilot = 0;
  for (const auto& [start, count] : walkStages(b)) {
    for (int r = 0; r < count; ++r, ++records) {
      const std::uint32_t rec = start + kDeploymentStride * static_cast<std::uint32_t>(r);
      SCOPED_TRACE(testing::Message() << "record at 0x" << std::hex << rec);
      const int leader = u16(b, rec);
      noLeaderPilot += leader == 0xFFFF;
      EXPECT_TRUE(leader < static_cast<int>(kPilotCount) || leader == 0xFFFF);
      EXPECT_LT(u16(b, rec + 2), static_cast<int>(kUnitCount));
      const int partner = u16(b, rec + 28);
      if (partner == 0xFFFF) {
        EXPECT_EQ(u16(b, rec + 30), 0xFFFF);
      } else {
        ++partners;
        EXPECT_LT(partner, static_cast<int>(kPilotCount));
        EXPECT_LT(u16(b, rec + 30), static_cast<int>(kUnitCount));
        EXPECT_EQ(u8(b, rec + 46), u8(b, rec + 18)) << "partner on another side";
      }
      for (std::uint32_t half : {0u, 28u}) {
        const std::uint32_t h = rec + half;
        EXPECT_LE(u8(b, h + 8), 40);
        EXPECT_LE(u8(b, h + 9), 40);
        EXPECT_LE(u8(b, h + 18), 5);
        for (std::uint32_t k : {24u, 25u}) {
          const int part = u8(b, h + k);
          EXPECT_TRUE(part == 255 || (part >= 1 && part <= static_cast<int>(kPartCount))) << part;
        }
        for (std::uint32_t k : {26u, 27u}) {
          const int skill = u8(b, h + k);
          EXPECT_TRUE(skill == 255 || skill < static_cast<int>(kSkillItemCount)) << skill;
        }
      }
    }
  }
  EXPECT_GT(records, 200);
  EXPECT_GT(partners, 0);
  EXPECT_LT(noLeaderPilot, records / 5);
}

TEST_P(SampleRomSeed, EveryFieldIsInItsRange) {
  const Bytes& b = rom();
  for (const Field& f : kFields) {
    for (std::uint32_t i = 0; i < f.table.count; ++i) {
      const std::int64_t v = readField(b, f.table.base + f.table.stride * i + f.offset, f.kind);
      if (v < f.lo || v > f.hi) {
        ADD_FAILURE() << f.what << " of record " << i << " is " << v;
        break;
      }
    }
  }
}

TEST_P(SampleRomSeed, UnitWeaponRangesAreDisjointAndInsideTheWeaponTable) {
  const Bytes& b = rom();
  std::vector<int> owner(kWeaponCount, -1);
  for (std::uint32_t u = 0; u < kUnitCount; ++u) {
    const std::uint32_t rec = kUnitTable + kUnitStride * u;
    const int first = u16(b, rec + 0x26), count = u8(b, rec + 0x28);
    ASSERT_GE(count, 1) << "unit " << u;
    ASSERT_LE(first + count, static_cast<int>(kWeaponCount)) << "unit " << u;
    for (int w = first; w < first + count; ++w) {
      ASSERT_EQ(owner[static_cast<std::size_t>(w)], -1) << "weapon " << w << " shared by units "
                                                        << owner[static_cast<std::size_t>(w)] << " and " << u;
      owner[static_cast<std::size_t>(w)] = static_cast<int>(u);
    }
  }
}

TEST_P(SampleRomSeed, UnitMovementHasAMovementType) {
  const Bytes& b = rom();
  int extraBits = 0;
  for (std::uint32_t u = 0; u < kUnitCount; ++u) {
    const int move = u8(b, kUnitTable + kUnitStride * u + 0x2A);
    EXPECT_NE(move & 0x07, 0) << "unit " << u;
    extraBits += (move & 0xF8) != 0;
  }
  EXPECT_LT(extraBits, static_cast<int>(kUnitCount) / 10);
}

TEST_P(SampleRomSeed, WeaponRangesAreOrdered) {
  const Bytes& b = rom();
  for (std::uint32_t w = 0; w < kWeaponCount; ++w) {
    const std::uint32_t rec = kWeaponTable + kWeaponStride * w;
    ASSERT_GE(u8(b, rec + 0x11), u8(b, rec + 0x12)) << "weapon " << w;
  }
}

TEST_P(SampleRomSeed, PilotFlagsCommandsAndLevelsAreWellFormed) {
  const Bytes& b = rom();
  for (std::uint32_t i = 0; i < kPilotCount; ++i) {
    const std::uint32_t rec = kPilotTable + kPilotStride * i;
    SCOPED_TRACE(testing::Message() << "pilot " << i);
    for (std::uint32_t k = 0; k < 3; ++k) {
      const int flag = u8(b, rec + 0x36 + k);
      ASSERT_TRUE(flag == 0xFF || flag == 0x01) << flag;
    }
    std::vector<int> commands;
    for (std::uint32_t k = 0; k < 6; ++k) {
      const int c = u8(b, rec + 0x3F + k);
      ASSERT_TRUE(c < static_cast<int>(kSpiritCount) || c == 0xFF) << c;
      if (c != 0xFF) commands.push_back(c);
    }
    std::sort(commands.begin(), commands.end());
    ASSERT_EQ(std::adjacent_find(commands.begin(), commands.end()), commands.end()) << "repeated command";
    int previous = 0;
    for (std::uint32_t k = 0; k < 6; ++k) {
      const int level = u8(b, rec + 0x45 + k);
      ASSERT_GT(level, previous);
      ASSERT_LE(level, 60);
      previous = level;
    }
  }
}

TEST_P(SampleRomSeed, PilotSkillSlotsReachLevelRecordsBeforeThePictureTable) {
  const Bytes& b = rom();
  ASSERT_EQ(kSkillLevelTable + kSkillLevelStride * kSkillLevelCount, kUnitPictureTable);
  for (std::uint32_t i = 0; i < kPilotCount; ++i) {
    for (std::uint32_t s = 0; s < kPilotSkillSlotCount; ++s) {
      const int index = u16(b, kPilotTable + kPilotStride * i + kPilotSkillSlots + 2 * s);
      const std::uint32_t end = kSkillLevelTable + kSkillLevelStride * static_cast<std::uint32_t>(index + 1);
      ASSERT_LE(end, kUnitPictureTable) << "pilot " << i << " slot " << s << " index " << index;
    }
  }
}

TEST_P(SampleRomSeed, SkillLevelRecordsRiseFromLevel1To9) {
  const Bytes& b = rom();
  for (std::uint32_t k = 0; k < kSkillLevelCount; ++k) {
    const std::uint32_t rec = kSkillLevelTable + kSkillLevelStride * k;
    for (std::uint32_t j = 1; j < 9; ++j) ASSERT_GE(u8(b, rec + j), u8(b, rec + j - 1)) << "record " << k;
  }
}

TEST_P(SampleRomSeed, UpgradeAndMoneyColumnsIncreaseWithLevel) {
  const Bytes& b = rom();
  for (std::uint32_t c = 0; c < kUpgradeStepTypes; ++c) {
    int previous = 0;
    for (std::uint32_t n = 0; n < kUpgradeLevels; ++n) {
      const int v = u16(b, kWeaponUpgradeTable + 8 * n + 2 * c);
      EXPECT_GT(v, previous) << "upgrade column " << c << " level " << n + 1;
      previous = v;
    }
  }
  for (std::uint32_t c = 0; c < kMoneyColumns; ++c) {
    std::int32_t previous = 0;
    for (std::uint32_t n = 0; n < kMoneyLevels; ++n) {
      const std::int32_t v = s32(b, kMoneyTable + 40 * n + 4 * c);
      EXPECT_GT(v, previous) << "money column " << c << " level " << n + 1;
      previous = v;
    }
  }
}

TEST_P(SampleRomSeed, PersonalityMoraleIsSmallAndSigned) {
  const Bytes& b = rom();
  int negative = 0;
  for (std::uint32_t at = kPersonalityTable; at < kPersonalityTable + kPersonalityStride * kPersonalityCount; ++at) {
    EXPECT_GE(s8(b, at), -10);
    EXPECT_LE(s8(b, at), 10);
    negative += s8(b, at) < 0;
  }
  EXPECT_GT(negative, 0);
}

TEST_P(SampleRomSeed, LimitsHoldTheirValues) {
  const Bytes& b = rom();
  EXPECT_EQ(u16(b, kExpGainLimit), kExpGainLimitValue);
  EXPECT_EQ(u16(b, kWeaponAttackLimit), kWeaponAttackLimitValue);
}

// Each grid: first byte, rows, columns. Every column rises from row to row.
TEST_P(SampleRomSeed, SkillGridsRiseWithLevel) {
  const Bytes& b = rom();
  struct Grid {
    std::uint32_t at;
    std::uint32_t rows, cols;
  };
  std::vector<Grid> grids = {{kSkillXinGrid, 3, 2}, {kSkillSuperGrid, 9, 3}, {kSkillFireGrid, 9, 4},
                             {kSkillOverGrid, 9, 3}};
  for (std::uint32_t blk = 0; blk < kSkillHpBlockCount; ++blk)
    grids.push_back({kSkillHpBlocks + kSkillHpBlockStride * blk, 9, 10});
  for (std::uint32_t blk = 0; blk < kSkillMoraleBlockCount; ++blk)
    grids.push_back({kSkillMoraleBlocks + kSkillMoraleBlockStride * blk, 8, 6});
  for (const Grid& g : grids)
    for (std::uint32_t r = 1; r < g.rows; ++r)
      for (std::uint32_t k = 0; k < g.cols; ++k)
        ASSERT_GE(u8(b, g.at + g.cols * r + k), u8(b, g.at + g.cols * (r - 1) + k))
            << "grid at 0x" << std::hex << g.at << " row " << std::dec << r << " column " << k;
  for (std::uint32_t n = 1; n < 9; ++n) {
    EXPECT_GT(u16(b, kSkillAtkPowerColumn + 2 * n), u16(b, kSkillAtkPowerColumn + 2 * (n - 1)));
    EXPECT_GT(u16(b, kSkillAtkRateColumn + 2 * n), u16(b, kSkillAtkRateColumn + 2 * (n - 1)));
  }
}

class WriteImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("sample_rom_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  static Bytes readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir_;
};

TEST_F(WriteImageFileTest, ReplacesTheTargetAndLeavesNoTemporaryFile) {
  const auto target = dir_ / "out.nds";
  std::ofstream(target) << "old contents";
  const Bytes bytes = {1, 2, 3, 0, 255};
  EXPECT_EQ(writeImageFile(target, bytes), "");
  EXPECT_EQ(readFile(target), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.nds.tmp"));
}

TEST_F(WriteImageFileTest, FailureReportsAndLeavesNothing) {
  const auto target = dir_ / "missing" / "out.nds";
  EXPECT_NE(writeImageFile(target, Bytes{1, 2, 3}), "");
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing" / "out.nds.tmp"));
}

TEST_F(WriteImageFileTest, FailedRenameRemovesTheTemporaryFile) {
  const auto target = dir_ / "taken";
  std::filesystem::create_directory(target);
  std::ofstream(target / "keep") << "x";  // a non-empty directory cannot be replaced by a file
  EXPECT_NE(writeImageFile(target, Bytes{1, 2, 3}), "");
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "taken.tmp"));
}

}  // namespace
}  // namespace rt::sample
