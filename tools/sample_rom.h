#pragma once
// A synthetic ROM image with every table the editors touch filled with
// plausible values, for trying the program out and for tests that need a whole
// image. Everything is made up: a header of our own, pseudo-random filler and
// tables generated from a small fixed PRNG, so the same seed gives the same
// bytes with every compiler and standard library.

#include "image/crc16.h"
#include "editors/layout.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace rt::sample {

// --- Table layout (file offsets, counts and record sizes) -------------------
// The tables the editors share with other code come from editors/layout.h.

// Skill effect grids.
inline constexpr std::uint32_t kSkillXinGrid = layout::kSkillXinGrid;        // 3 x 2 bytes
inline constexpr std::uint32_t kSkillAtkPowerColumn = layout::kSkillAtkPowerColumn;  // 9 x u16
inline constexpr std::uint32_t kSkillAtkRateColumn = layout::kSkillAtkRateColumn;   // 9 x u16
inline constexpr std::uint32_t kSkillSuperGrid = layout::kSkillSuperGrid;       // 9 x 3 bytes
inline constexpr std::uint32_t kSkillFireGrid = layout::kSkillFireGrid;        // 9 x 4 bytes
inline constexpr std::uint32_t kSkillOverGrid = layout::kSkillOverGrid;        // 9 x 3 bytes
inline constexpr std::uint32_t kSkillHpBlocks = layout::kSkillHpBlocks;        // 4 blocks of 9 x 10
inline constexpr std::uint32_t kSkillHpBlockStride = layout::kSkillHpBlockStride;
inline constexpr std::uint32_t kSkillHpBlockCount = layout::kSkillHpBlockCount;
inline constexpr std::uint32_t kSkillMoraleBlocks = layout::kSkillMoraleBlocks;    // 3 blocks of 8 x 6
inline constexpr std::uint32_t kSkillMoraleBlockStride = layout::kSkillMoraleBlockStride;
inline constexpr std::uint32_t kSkillMoraleBlockCount = layout::kSkillMoraleBlockCount;

// Weapon upgrade table: 15 levels of 4 u16 (one per upgrade step type).
inline constexpr std::uint32_t kWeaponUpgradeTable = layout::kWeaponUpgradeBase;
inline constexpr std::uint32_t kUpgradeLevels = layout::kUpgradeLevels;
inline constexpr std::uint32_t kUpgradeStepTypes = layout::kUpgradeStepTypes;

// Money table: 15 levels of 10 signed 32-bit values.
inline constexpr std::uint32_t kMoneyTable = layout::kMoneyBase;
inline constexpr std::uint32_t kMoneyLevels = layout::kMoneyLevels;
inline constexpr std::uint32_t kMoneyColumns = layout::kMoneyColumns;

// Skill item records: 22 x 20 bytes, price (signed 32-bit) at +16.
inline constexpr std::uint32_t kSkillItemTable = layout::kSkillItemBase;
inline constexpr std::uint32_t kSkillItemStride = layout::kSkillItemStride;
inline constexpr std::uint32_t kSkillItemCount = layout::kSkillItemCount;
inline constexpr std::uint32_t kSkillItemPriceOffset = layout::kSkillItemPriceAt;

// Part records: 47 x 28 bytes, price (signed 32-bit) at +20.
inline constexpr std::uint32_t kPartTable = layout::kPartBase;
inline constexpr std::uint32_t kPartStride = layout::kPartStride;
inline constexpr std::uint32_t kPartCount = layout::kPartCount;
inline constexpr std::uint32_t kPartPriceOffset = layout::kPartPriceAt;

// Skill level records: 9 bytes each, reached through the pilot skill slots.
// They run up to the unit picture table, which leaves room for exactly 560.
inline constexpr std::uint32_t kSkillLevelTable = layout::kSkillLevelBase;
inline constexpr std::uint32_t kSkillLevelStride = layout::kSkillLevelsPerRecord;

// Unit picture table: 303 x 11 u16.
inline constexpr std::uint32_t kUnitPictureTable = layout::kUnitPictureBase;
inline constexpr std::uint32_t kUnitPictureStride = layout::kUnitPictureStride;
inline constexpr std::uint32_t kSkillLevelCount =
    (kUnitPictureTable - kSkillLevelTable) / kSkillLevelStride;

// Weapon table: 989 x 36 bytes, directly followed by the unit table.
inline constexpr std::uint32_t kWeaponTable = layout::kWeaponBase;
inline constexpr std::uint32_t kWeaponStride = layout::kWeaponStride;
inline constexpr std::uint32_t kWeaponCount = layout::kWeaponCount;

// Unit table: 303 x 132 bytes.
inline constexpr std::uint32_t kUnitTable = layout::kUnitBase;
inline constexpr std::uint32_t kUnitStride = layout::kUnitStride;
inline constexpr std::uint32_t kUnitCount = layout::kUnitCount;
inline constexpr std::uint32_t kUnitFirstWeapon = layout::kUnitFirstWeapon;  // u16
inline constexpr std::uint32_t kUnitWeaponCount = layout::kUnitWeaponCount;  // u8

// Pilot table: 476 x 104 bytes; the last 28 bytes are 14 skill slots.
inline constexpr std::uint32_t kPilotTable = layout::kPilotBase;
inline constexpr std::uint32_t kPilotStride = layout::kPilotStride;
inline constexpr std::uint32_t kPilotCount = layout::kPilotCount;
inline constexpr std::uint32_t kPilotSkillSlots = layout::kPilotSkillSlotsAt;
inline constexpr std::uint32_t kPilotSkillSlotCount = layout::kPilotSkillSlots;

// Stage deployment: 65 signed 32-bit offsets, each counted from the table
// itself, to lists of 56-byte records ended by a record whose first u16 is
// 0x7FFF.
inline constexpr std::uint32_t kStageTable = layout::kStageOffsetTable;
inline constexpr std::uint32_t kStageCount = layout::kStageCount;
inline constexpr std::uint32_t kDeploymentStride = layout::kDeploymentStride;
inline constexpr std::uint16_t kDeploymentEndMarker = layout::kDeploymentEndMarker;
inline constexpr std::uint32_t kMaxDeploymentsPerStage = 8;

// Game-wide limits (u16).
inline constexpr std::uint32_t kExpGainLimit = layout::kExpGainLimit;
inline constexpr std::uint32_t kWeaponAttackLimit = layout::kWeaponAttackLimit;
inline constexpr std::uint16_t kExpGainLimitValue = 500;
inline constexpr std::uint16_t kWeaponAttackLimitValue = 9999;

// Personality table: 8 x 12 signed morale bytes.
inline constexpr std::uint32_t kPersonalityTable = layout::kPersonalityBase;
inline constexpr std::uint32_t kPersonalityStride = layout::kPersonalityStride;
inline constexpr std::uint32_t kPersonalityCount = layout::kPersonalityCount;

// Spirit command table: 35 x 28 bytes, SP cost in byte 0.
inline constexpr std::uint32_t kSpiritTable = layout::kSpiritBase;
inline constexpr std::uint32_t kSpiritStride = layout::kSpiritStride;
inline constexpr std::uint32_t kSpiritCount = layout::kSpiritCount;

// --- Header and image regions -----------------------------------------------

inline constexpr char kGameTitle[] = "ROMTABLESMPL";  // exactly 12 characters
inline constexpr char kGameCode[] = "RT0E";
inline constexpr char kMakerCode[] = "00";
inline constexpr std::uint32_t kHeaderCrcOffset = 0x15E;
inline constexpr std::uint32_t kHeaderSize = 0x4000;
inline constexpr std::uint32_t kArm9Offset = 0x4000;
inline constexpr std::uint32_t kArm9Size = 0xD6000;  // holds every table below 1 MiB
inline constexpr std::uint32_t kArm7Offset = 0xDA000;
inline constexpr std::uint32_t kArm7Size = 0x26000;
inline constexpr std::uint32_t kFntOffset = 0x100000;
inline constexpr std::uint32_t kFatOffset = 0x100200;
inline constexpr std::uint32_t kDataFileOffset = 0x101000;  // one file, to the end

// A run of bytes [begin, end) the generator fills with the values of a table.
struct FilledRegion {
  std::uint32_t begin;
  std::uint32_t end;
};
// Every table region buildSampleRom(seed) writes, the filler, the header and
// the file system aside. Padding between blocks of one table is left out.
std::vector<FilledRegion> filledTableRegions(std::uint32_t seed = 1);

using ::rt::crc16;  // the DS header's CRC-16

// The whole image for `seed`. Its size depends a little on the seed (the stage
// lists vary in length); it always ends a few KiB after the last stage list.
std::vector<std::uint8_t> buildSampleRom(std::uint32_t seed = 1);

// Writes `bytes` to `path` through a temporary file beside it (`path` + ".tmp")
// that replaces `path` only once complete, so a failed run leaves no partial
// image behind. Returns an empty string on success, otherwise the reason.
std::string writeImageFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace rt::sample
