#pragma once
// Where the tables lie in the image: file offsets, record sizes and counts,
// and the few facts one table holds about another. The tables, the sample
// image generator and the tests all take them from here, so a table moves in
// one place. Plain C++: the generator has no Qt.

#include <cstdint>

namespace rt::layout {

// Spirit commands: 35 records of 28 bytes, the SP cost in byte 0.
inline constexpr std::int64_t kSpiritBase = 0xD4424;
inline constexpr std::int64_t kSpiritStride = 28;
inline constexpr int kSpiritCount = 35;

// Pilots: 476 records of 104 bytes; the last 28 bytes are 14 skill slots (u16),
// each the index of a 9-byte skill level record.
inline constexpr std::int64_t kPilotBase = 0x8C9A4;
inline constexpr std::int64_t kPilotStride = 104;
inline constexpr int kPilotCount = 476;
inline constexpr std::int64_t kPilotSkillSlotsAt = 0x4C;
inline constexpr int kPilotSkillSlots = 14;

// Skill level records: one byte per level LV1..LV9, reached through the slots.
// 560 of them: record 560 on lies over the unit pictures.
inline constexpr std::int64_t kSkillLevelBase = 0x77498;
inline constexpr int kSkillLevelsPerRecord = 9;
inline constexpr int kSkillLevelCount = 560;

// Personalities: 8 records of 12 signed morale bytes.
inline constexpr std::int64_t kPersonalityBase = 0xD1E5C;
inline constexpr std::int64_t kPersonalityStride = 12;
inline constexpr int kPersonalityCount = 8;

// Weapons: 989 records of 36 bytes, directly followed by the unit table.
inline constexpr std::int64_t kWeaponBase = 0x7A254;
inline constexpr std::int64_t kWeaponStride = 36;
inline constexpr int kWeaponCount = 989;

// Units: 303 records of 132 bytes. A unit names its weapons by the index of
// the first one (u16 at 0x26) and their count (u8 at 0x28).
inline constexpr std::int64_t kUnitBase = 0x82D68;
inline constexpr std::int64_t kUnitStride = 132;
inline constexpr int kUnitCount = 303;
inline constexpr std::int64_t kUnitFirstWeapon = 0x26;
inline constexpr std::int64_t kUnitWeaponCount = 0x28;
static_assert(kUnitBase == kWeaponBase + kWeaponStride * kWeaponCount, "the unit table follows the weapons");

// Unit pictures: one record of 11 u16 per unit.
inline constexpr std::int64_t kUnitPictureBase = 0x78848;
inline constexpr std::int64_t kUnitPictureStride = 22;
static_assert(kSkillLevelBase + kSkillLevelsPerRecord * kSkillLevelCount == kUnitPictureBase,
              "the unit pictures follow the skill level records");

// Stage deployments: 65 signed 32-bit offsets, each counted from the offset
// table itself, to lists of 56-byte records ended by a first word of 0x7FFF.
inline constexpr std::int64_t kStageOffsetTable = 0xA22400;
inline constexpr int kStageCount = 65;
inline constexpr std::int64_t kDeploymentStride = 56;
inline constexpr int kDeploymentEndMarker = 0x7FFF;

// Weapon upgrades: 15 levels of four u16, one per step type; a record is a
// step type (column), its levels 8 bytes apart.
inline constexpr std::int64_t kWeaponUpgradeBase = 0x6A230;
inline constexpr int kUpgradeLevels = 15;
inline constexpr int kUpgradeStepTypes = 4;

// Money: 15 levels of 10 signed 32-bit values; a record is a column.
inline constexpr std::int64_t kMoneyBase = 0x6A81C;
inline constexpr int kMoneyLevels = 15;
inline constexpr int kMoneyColumns = 10;

// Prices: records holding one signed 32-bit selling price each.
inline constexpr std::int64_t kPartBase = 0x76804;
inline constexpr std::int64_t kPartStride = 28;
inline constexpr int kPartCount = 47;
inline constexpr std::int64_t kPartPriceAt = 0x14;
inline constexpr std::int64_t kSkillItemBase = 0x75E8C;
inline constexpr std::int64_t kSkillItemStride = 20;
inline constexpr int kSkillItemCount = 22;
inline constexpr std::int64_t kSkillItemPriceAt = 0x10;

// Game-wide limits (u16).
inline constexpr std::int64_t kWeaponAttackLimit = 0xB45A0;
inline constexpr std::int64_t kExpGainLimit = 0xA62F4;

// Skill effect grids (first byte of each; the shapes are the grids' own).
inline constexpr std::int64_t kSkillMoraleBlocks = 0x6A329;  // 3 blocks of 8 x 6 bytes, 49 apart
inline constexpr std::int64_t kSkillMoraleBlockStride = 49;
inline constexpr int kSkillMoraleBlockCount = 3;
inline constexpr std::int64_t kSkillAtkPowerColumn = 0x696F2;  // 9 x u16
inline constexpr std::int64_t kSkillAtkRateColumn = 0x69706;   // 9 x u16
inline constexpr std::int64_t kSkillHpBlocks = 0x6A058;        // 4 blocks of 9 x 10 bytes, 92 apart
inline constexpr std::int64_t kSkillHpBlockStride = 92;
inline constexpr int kSkillHpBlockCount = 4;
inline constexpr std::int64_t kSkillXinGrid = 0x696EA;    // 3 x 2 bytes
inline constexpr std::int64_t kSkillSuperGrid = 0x69771;  // 9 x 3 bytes
inline constexpr std::int64_t kSkillFireGrid = 0x697F4;   // 9 x 4 bytes
inline constexpr std::int64_t kSkillOverGrid = 0x69846;   // 9 x 3 bytes

// Terrain ranks "-", "D", "C", "B", "A": bytes 0..4 of unit and weapon records,
// named by the rows of this list.
inline constexpr char kTerrainRankList[] = "ground.txt";
inline constexpr int kTerrainRanks = 5;

}  // namespace rt::layout
