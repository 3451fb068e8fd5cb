#include "tools/sample_rom.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

namespace rt::sample {
namespace {

// splitmix64: tiny, fast and fully specified, so every platform produces the
// same stream. Each table draws from its own stream (seed mixed with a table
// tag), so changing how one table is generated leaves the others as they were.
class Rng {
 public:
  Rng(std::uint32_t seed, std::uint64_t stream)
      : state_(static_cast<std::uint64_t>(seed) * 0x9E3779B97F4A7C15ULL ^
               (stream + 1) * 0xD1B54A32D192ED03ULL) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // lo..hi inclusive. The modulo bias is irrelevant for sample data.
  int range(int lo, int hi) {
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  bool chance(int percent) { return range(0, 99) < percent; }
  // A byte with one or two random bits set.
  std::uint8_t someBits() {
    std::uint8_t b = static_cast<std::uint8_t>(1u << range(0, 7));
    if (chance(40)) b = static_cast<std::uint8_t>(b | (1u << range(0, 7)));
    return b;
  }

 private:
  std::uint64_t state_;
};

enum Stream : std::uint64_t {
  kFillerStream = 1,
  kSpiritStream,
  kPilotStream,
  kPersonalityStream,
  kUnitStream,
  kPictureStream,
  kWeaponStream,
  kUpgradeStream,
  kMoneyStream,
  kPriceStream,
  kSkillLevelStream,
  kSkillGridStream,
  kStageStream,
};

using Bytes = std::vector<std::uint8_t>;

void put8(Bytes& b, std::uint32_t at, int v) { b.at(at) = static_cast<std::uint8_t>(v); }
void put16(Bytes& b, std::uint32_t at, std::uint32_t v) {
  put8(b, at, static_cast<int>(v & 0xFF));
  put8(b, at + 1, static_cast<int>((v >> 8) & 0xFF));
}
void put32(Bytes& b, std::uint32_t at, std::uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}
void putS32(Bytes& b, std::uint32_t at, std::int32_t v) { put32(b, at, static_cast<std::uint32_t>(v)); }
void putS8(Bytes& b, std::uint32_t at, int v) { put8(b, at, v < 0 ? v + 256 : v); }

// Record bytes that no editor names get small values, so tables look like data
// rather than code when viewed in a hex dump.
void smallFiller(Bytes& b, std::uint32_t from, std::uint32_t size, Rng& rng) {
  for (std::uint32_t i = 0; i < size; ++i) put8(b, from + i, rng.chance(60) ? 0 : rng.range(1, 15));
}

std::uint32_t alignUp(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }

// --- Filler for everything outside the tables -------------------------------

// Words that look like 32-bit ARM code: mostly "always" condition instructions,
// some literal-pool addresses in main RAM, some zero words.
void codeFiller(Bytes& b, std::uint32_t from, std::uint32_t size, std::uint32_t ramBase, Rng& rng) {
  for (std::uint32_t at = from; at + 4 <= from + size; at += 4) {
    const int kind = rng.range(0, 99);
    std::uint32_t word = 0;
    if (kind < 72)
      word = 0xE0000000u | static_cast<std::uint32_t>(rng.next() & 0x0FFFFFFFu);
    else if (kind < 88)
      word = ramBase + (static_cast<std::uint32_t>(rng.next() & 0x3FFFFu) << 2);
    put32(b, at, word);
  }
}

// The data file: packed-looking bytes with occasional zero runs.
void dataFiller(Bytes& b, std::uint32_t from, std::uint32_t to, Rng& rng) {
  std::uint32_t at = from;
  while (at < to) {
    if (rng.chance(3)) {
      at += static_cast<std::uint32_t>(rng.range(16, 256));  // zero run (buffer starts zeroed)
      continue;
    }
    std::uint64_t r = rng.next();
    for (int i = 0; i < 8 && at < to; ++i, ++at, r >>= 8) b[at] = static_cast<std::uint8_t>(r);
  }
}

// --- Tables -------------------------------------------------------------------

void writeSpiritCosts(Bytes& b, Rng& rng) {
  for (std::uint32_t i = 0; i < kSpiritCount; ++i) {
    const std::uint32_t rec = kSpiritTable + kSpiritStride * i;
    smallFiller(b, rec, kSpiritStride, rng);
    put8(b, rec, 5 * rng.range(1, 16));  // SP cost 5..80
  }
}

void writePersonalities(Bytes& b, Rng& rng) {
  for (std::uint32_t r = 0; r < kPersonalityCount; ++r)
    for (std::uint32_t k = 0; k < kPersonalityStride; ++k)
      putS8(b, kPersonalityTable + kPersonalityStride * r + k, rng.range(-10, 10));
}

void writeSkillLevels(Bytes& b, Rng& rng) {
  // Each level record rises from LV1 to LV9.
  for (std::uint32_t k = 0; k < kSkillLevelCount; ++k) {
    int v = rng.range(0, 5);
    for (std::uint32_t j = 0; j < 9; ++j) {
      if (j > 0) v += rng.range(0, 3);
      put8(b, kSkillLevelTable + kSkillLevelStride * k + j, v);
    }
  }
}

void writePilots(Bytes& b, Rng& rng) {
  for (std::uint32_t i = 0; i < kPilotCount; ++i) {
    const std::uint32_t rec = kPilotTable + kPilotStride * i;
    smallFiller(b, rec, kPilotStride, rng);
    for (std::uint32_t p = 0; p < 3; ++p)  // name and profile pointers into main RAM
      put32(b, rec + 4 * p, 0x02150000u + 0x100u * i + 0x40u * p);
    std::int32_t boarding = 0;
    if (rng.chance(15)) boarding = 1 << rng.range(0, 7);
    if (rng.chance(3)) boarding = -1;
    putS32(b, rec + 0x0C, boarding);
    put8(b, rec + 0x14, rng.range(0, 7));     // personality
    put8(b, rec + 0x15, rng.range(0, 40));    // series of interest
    put8(b, rec + 0x16, rng.range(0, 40));    // series of appearance
    put8(b, rec + 0x1B, rng.range(30, 120));  // SP
    put8(b, rec + 0x1F, rng.chance(50) ? 0 : rng.someBits());
    put8(b, rec + 0x20, rng.chance(50) ? 0 : rng.someBits());
    for (std::uint32_t k = 0; k < 3; ++k) put8(b, rec + 0x36 + k, rng.chance(50) ? 0xFF : 0x01);
    for (std::uint32_t k = 0; k < 6; ++k) put8(b, rec + 0x39 + k, rng.range(100, 220));

    // Six distinct spirit commands; the last slots are sometimes empty.
    const int empty = rng.chance(30) ? rng.range(1, 3) : 0;
    std::array<bool, kSpiritCount> used{};
    for (int k = 0; k < 6; ++k) {
      int cmd = 0xFF;
      if (k < 6 - empty) {
        do cmd = rng.range(0, static_cast<int>(kSpiritCount) - 1);
        while (used[static_cast<std::size_t>(cmd)]);
        used[static_cast<std::size_t>(cmd)] = true;
      }
      put8(b, rec + 0x3F + static_cast<std::uint32_t>(k), cmd);
    }
    // Learn levels: the first at level 1, then strictly rising up to 60.
    std::array<int, 6> levels{1, 0, 0, 0, 0, 0};
    for (std::size_t k = 1; k < 6; ++k) {
      const int maxLevel = 60 - static_cast<int>(5 - k);  // room for the rest
      levels[k] = std::min(maxLevel, levels[k - 1] + rng.range(1, 12));
    }
    for (std::uint32_t k = 0; k < 6; ++k) put8(b, rec + 0x45 + k, levels[k]);

    for (std::uint32_t s = 0; s < kPilotSkillSlotCount; ++s)
      put16(b, rec + kPilotSkillSlots + 2 * s,
            static_cast<std::uint32_t>(rng.range(0, static_cast<int>(kSkillLevelCount) - 1)));
  }
}

void writeUnits(Bytes& b, Rng& rng) {
  // Weapon counts 1..6, weighted so that 303 units average a little over 3
  // and the consecutive ranges fit in the 989 weapons.
  static constexpr std::array<int, 6> kCountWeights{15, 20, 25, 20, 12, 8};
  std::uint32_t nextWeapon = 0;
  for (std::uint32_t i = 0; i < kUnitCount; ++i) {
    const std::uint32_t rec = kUnitTable + kUnitStride * i;
    smallFiller(b, rec, kUnitStride, rng);
    for (std::uint32_t p = 0; p < 3; ++p) put32(b, rec + 4 * p, 0x02100000u + 0x80u * i + 0x20u * p);
    putS32(b, rec + 0x0C, 100 * rng.range(20, 90));  // HP
    putS32(b, rec + 0x10, rng.chance(20) ? 1 << rng.range(0, 7) : 0);
    put16(b, rec + 0x14, static_cast<std::uint32_t>(5 * rng.range(20, 60)));    // EN
    put16(b, rec + 0x16, static_cast<std::uint32_t>(50 * rng.range(16, 40)));   // armour
    put16(b, rec + 0x18, static_cast<std::uint32_t>(100 * rng.range(5, 200)));  // reward

    int pick = rng.range(0, 99), count = 1;
    for (int w : kCountWeights) {
      if (pick < w) break;
      pick -= w;
      ++count;
    }
    // Leave at least one weapon for every later unit.
    const std::uint32_t unitsAfter = kUnitCount - 1 - i;
    const auto room = static_cast<int>(kWeaponCount - nextWeapon - unitsAfter);
    count = std::min({count, 6, room});
    put16(b, rec + kUnitFirstWeapon, nextWeapon);
    put8(b, rec + kUnitWeaponCount, count);
    nextWeapon += static_cast<std::uint32_t>(count);

    put8(b, rec + 0x29, rng.range(0, 5));  // weapon upgrade cost class
    std::uint8_t move = rng.chance(25) ? 0x01 : 0x02;
    if (rng.chance(30)) move = static_cast<std::uint8_t>(move | (1u << rng.range(0, 2)));
    if (rng.chance(3)) move = static_cast<std::uint8_t>(move | 0x08);
    put8(b, rec + 0x2A, move);
    put8(b, rec + 0x2B, rng.range(4, 8));      // MOV
    put8(b, rec + 0x2C, rng.range(120, 190));  // aim
    put8(b, rec + 0x2D, rng.range(60, 150));   // mobility
    put8(b, rec + 0x2E, rng.range(5, 200));    // base EXP
    put8(b, rec + 0x30, rng.range(1, 4));      // part slots
    put8(b, rec + 0x31, rng.range(0, 80));     // BGM
    put8(b, rec + 0x32, rng.range(1, 3));      // pilots aboard
    put8(b, rec + 0x33, rng.range(0, 5));      // size
    put8(b, rec + 0x34, rng.range(0, 40));
    put8(b, rec + 0x35, rng.range(0, 40));
    for (std::uint32_t k = 0; k < 14; ++k) put8(b, rec + 0x6C + k, rng.chance(30) ? rng.someBits() : 0);
    for (std::uint32_t k = 0; k < 4; ++k) put8(b, rec + 0x7A + k, rng.range(0, 4));
    for (std::uint32_t k = 0; k < 6; ++k) put8(b, rec + 0x7E + k, rng.range(0, 9));
  }
}

void writeUnitPictures(Bytes& b, Rng& rng) {
  for (std::uint32_t i = 0; i < kUnitCount; ++i) {
    const std::uint32_t rec = kUnitPictureTable + kUnitPictureStride * i;
    const std::uint32_t small = 0x400 + i, large = 0x800 + 2 * i;
    put16(b, rec, 0x100 + i);  // map icon
    put16(b, rec + 2, small);
    put16(b, rec + 4, rng.chance(30) ? small + kUnitCount : 0);
    put16(b, rec + 6, 0);
    for (std::uint32_t w = 4; w < 10; ++w)
      put16(b, rec + 2 * w, w == 4 || rng.chance(40) ? large + (w - 4) : 0);
    put16(b, rec + 20, static_cast<std::uint32_t>(rng.range(0, 3)));
  }
}

void writeWeapons(Bytes& b, Rng& rng) {
  for (std::uint32_t w = 0; w < kWeaponCount; ++w) {
    const std::uint32_t rec = kWeaponTable + kWeaponStride * w;
    smallFiller(b, rec, kWeaponStride, rng);
    put32(b, rec, 0x02120000u + 0x30u * w);  // name pointer
    put16(b, rec + 0x08, static_cast<std::uint32_t>(50 * rng.range(20, 120)));  // attack
    const bool usesAmmo = rng.chance(40);
    put8(b, rec + 0x0A, usesAmmo ? 0 : rng.range(5, 50));        // EN cost
    putS8(b, rec + 0x0B, rng.range(-20, 30));                     // hit
    putS8(b, rec + 0x0C, rng.range(-20, 30));                     // critical
    put8(b, rec + 0x0D, usesAmmo ? rng.range(1, 20) : 0);         // ammo
    put8(b, rec + 0x0E, usesAmmo && rng.chance(15) ? rng.range(1, 5) : 0);
    put8(b, rec + 0x0F, rng.chance(25) ? 5 * rng.range(20, 26) : 0);  // morale
    put8(b, rec + 0x10, rng.range(0, 80));
    const int minRange = rng.range(1, 3);
    put8(b, rec + 0x11, rng.range(minRange, 8));
    put8(b, rec + 0x12, minRange);
    put8(b, rec + 0x13, rng.chance(5) ? rng.range(1, 20) : 0);  // map area
    const bool combo = rng.chance(5);
    put8(b, rec + 0x14, combo ? rng.range(1, 255) : 0);
    put8(b, rec + 0x15, combo ? rng.range(1, 255) : 0);
    const int special = rng.chance(70) ? 0 : rng.range(1, 10);
    put8(b, rec + 0x16, special);
    put8(b, rec + 0x17, special == 0 ? 0 : rng.range(1, 5));
    put8(b, rec + 0x18, rng.range(0, 3));
    for (std::uint32_t k = 0; k < 4; ++k) put8(b, rec + 0x19 + k, rng.range(0, 4));
    for (std::uint32_t k = 0; k < 5; ++k) put8(b, rec + 0x1D + k, rng.chance(40) ? rng.someBits() : 0);
  }
}

void writeWeaponUpgrades(Bytes& b, Rng& rng) {
  static constexpr std::array<int, kUpgradeStepTypes> kSteps{100, 150, 200, 60};
  for (std::uint32_t c = 0; c < kUpgradeStepTypes; ++c) {
    int v = 0;
    for (std::uint32_t n = 0; n < kUpgradeLevels; ++n) {
      v += kSteps[c] + rng.range(0, kSteps[c] / 4);
      put16(b, kWeaponUpgradeTable + 8 * n + 2 * c, static_cast<std::uint32_t>(v));
    }
  }
}

void writeMoney(Bytes& b, Rng& rng) {
  for (std::uint32_t c = 0; c < kMoneyColumns; ++c) {
    const int step = 500 * static_cast<int>(c + 1);
    int v = 0;
    for (std::uint32_t n = 0; n < kMoneyLevels; ++n) {
      v += step + 10 * rng.range(0, step / 20);
      putS32(b, kMoneyTable + 40 * n + 4 * c, v);
    }
  }
}

void writePrices(Bytes& b, Rng& rng) {
  for (std::uint32_t i = 0; i < kSkillItemCount; ++i) {
    const std::uint32_t rec = kSkillItemTable + kSkillItemStride * i;
    smallFiller(b, rec, kSkillItemStride, rng);
    putS32(b, rec + kSkillItemPriceOffset, 500 * rng.range(4, 100));
  }
  for (std::uint32_t i = 0; i < kPartCount; ++i) {
    const std::uint32_t rec = kPartTable + kPartStride * i;
    smallFiller(b, rec, kPartStride, rng);
    putS32(b, rec + kPartPriceOffset, 500 * rng.range(2, 120));
  }
}

// A grid of bytes stored row by row whose every column rises from row to row.
void risingGrid(Bytes& b, std::uint32_t at, int rows, int cols, int step, Rng& rng) {
  for (int k = 0; k < cols; ++k) {
    int v = rng.range(0, step);
    for (int r = 0; r < rows; ++r) {
      v += step + rng.range(0, step / 2);
      put8(b, at + static_cast<std::uint32_t>(cols * r + k), std::min(v, 255));
    }
  }
}

void writeSkillGrids(Bytes& b, Rng& rng) {
  risingGrid(b, kSkillXinGrid, 3, 2, 5, rng);
  for (std::uint32_t n = 0; n < 9; ++n) {
    put16(b, kSkillAtkRateColumn + 2 * n, 2 * (n + 1));
    put16(b, kSkillAtkPowerColumn + 2 * n, 100 * (n + 1));
  }
  risingGrid(b, kSkillSuperGrid, 9, 3, 2, rng);
  risingGrid(b, kSkillFireGrid, 9, 4, 3, rng);
  risingGrid(b, kSkillOverGrid, 9, 3, 2, rng);
  // Latent strength: grows with the level and as the remaining HP falls.
  for (std::uint32_t blk = 0; blk < kSkillHpBlockCount; ++blk)
    for (std::uint32_t lv = 1; lv <= 9; ++lv)
      for (std::uint32_t h = 0; h < 10; ++h)
        put8(b, kSkillHpBlocks + kSkillHpBlockStride * blk + 10 * (lv - 1) + h,
             static_cast<int>(lv * h * (blk + 2) / 4));
  for (std::uint32_t blk = 0; blk < kSkillMoraleBlockCount; ++blk)
    risingGrid(b, kSkillMoraleBlocks + kSkillMoraleBlockStride * blk, 8, 6, 2 + static_cast<int>(blk), rng);
}

// --- Stage deployments ---------------------------------------------------------

int partOrNone(Rng& rng) { return rng.chance(60) ? 255 : rng.range(1, static_cast<int>(kPartCount)); }
int skillOrNone(Rng& rng) { return rng.chance(60) ? 255 : rng.range(0, static_cast<int>(kSkillItemCount) - 1); }

// One 56-byte record: leader half at 0, partner half at 28 with the same shape.
void writeDeployment(Bytes& b, std::uint32_t rec, Rng& rng) {
  for (std::uint32_t i = 0; i < kDeploymentStride; ++i) put8(b, rec + i, rng.chance(60) ? 0 : rng.range(1, 3));
  const int x = rng.range(0, 40), y = rng.range(0, 40), side = rng.range(0, 5);
  put16(b, rec, rng.chance(4) ? 0xFFFF : static_cast<std::uint32_t>(rng.range(0, static_cast<int>(kPilotCount) - 1)));
  put16(b, rec + 2, static_cast<std::uint32_t>(rng.range(0, static_cast<int>(kUnitCount) - 1)));
  put8(b, rec + 6, rng.range(0, 10));
  put8(b, rec + 7, rng.range(0, 10));
  put8(b, rec + 8, x);
  put8(b, rec + 9, y);
  put8(b, rec + 12, rng.range(0, 5));   // order of appearance
  put8(b, rec + 13, rng.range(0, 20));  // level correction
  put8(b, rec + 14, rng.range(0, 10));  // action time
  put8(b, rec + 18, side);
  put8(b, rec + 24, partOrNone(rng));
  put8(b, rec + 25, partOrNone(rng));
  put8(b, rec + 26, skillOrNone(rng));
  put8(b, rec + 27, skillOrNone(rng));

  const std::uint32_t p = rec + 28;
  if (rng.chance(60)) {  // no partner
    put16(b, p, 0xFFFF);
    put16(b, p + 2, 0xFFFF);
    for (std::uint32_t at : {6u, 7u, 8u, 9u, 12u, 13u, 14u, 18u}) put8(b, p + at, 0);
    for (std::uint32_t at : {24u, 25u, 26u, 27u}) put8(b, p + at, 255);
    return;
  }
  put16(b, p, static_cast<std::uint32_t>(rng.range(0, static_cast<int>(kPilotCount) - 1)));
  put16(b, p + 2, static_cast<std::uint32_t>(rng.range(0, static_cast<int>(kUnitCount) - 1)));
  put8(b, p + 6, rng.range(0, 10));
  put8(b, p + 7, rng.range(0, 10));
  put8(b, p + 8, std::clamp(x + rng.range(-1, 1), 0, 40));  // next to the leader
  put8(b, p + 9, std::clamp(y + rng.range(-1, 1), 0, 40));
  put8(b, p + 12, rng.range(0, 5));
  put8(b, p + 13, rng.range(0, 20));
  put8(b, p + 14, rng.range(0, 10));
  put8(b, p + 18, side);
  put8(b, p + 24, partOrNone(rng));
  put8(b, p + 25, partOrNone(rng));
  put8(b, p + 26, skillOrNone(rng));
  put8(b, p + 27, skillOrNone(rng));
}

struct StagePlan {
  std::array<std::uint32_t, kStageCount> start{};  // offset from kStageTable
  std::array<int, kStageCount> records{};
  std::uint32_t end = 0;  // file offset just past the last end marker
};

// Lists follow the offset table in stage order, some separated by a few
// padding words, so only the offsets tell where a list starts.
StagePlan planStages(Rng& rng) {
  StagePlan plan;
  const int alwaysEmpty = rng.range(1, static_cast<int>(kStageCount) - 1);
  std::uint32_t at = kStageCount * 4;
  for (std::uint32_t s = 0; s < kStageCount; ++s) {
    if (rng.chance(25)) at += 4 * static_cast<std::uint32_t>(rng.range(1, 3));
    const bool empty = static_cast<int>(s) == alwaysEmpty || (s > 0 && rng.chance(5));
    plan.start[s] = at;
    plan.records[s] = empty ? 0 : rng.range(2, static_cast<int>(kMaxDeploymentsPerStage));
    at += kDeploymentStride * static_cast<std::uint32_t>(plan.records[s] + 1);
  }
  plan.end = kStageTable + at;
  return plan;
}

void writeStages(Bytes& b, const StagePlan& plan, Rng& rng) {
  for (std::uint32_t s = 0; s < kStageCount; ++s) {
    put32(b, kStageTable + 4 * s, plan.start[s]);
    std::uint32_t rec = kStageTable + plan.start[s];
    for (int r = 0; r < plan.records[s]; ++r, rec += kDeploymentStride) writeDeployment(b, rec, rng);
    std::fill_n(b.begin() + rec, kDeploymentStride, std::uint8_t{0});
    put16(b, rec, kDeploymentEndMarker);
  }
}

// --- Header ---------------------------------------------------------------------

void writeHeader(Bytes& b) {
  std::fill_n(b.begin(), kHeaderSize, std::uint8_t{0});
  std::memcpy(b.data(), kGameTitle, 12);
  std::memcpy(b.data() + 0x0C, kGameCode, 4);
  std::memcpy(b.data() + 0x10, kMakerCode, 2);
  put8(b, 0x12, 0);  // unit code: plain DS
  int capacity = 0;  // chip size is 128 KiB << capacity
  while ((0x20000u << capacity) < b.size()) ++capacity;
  put8(b, 0x14, capacity);
  put32(b, 0x20, kArm9Offset);
  put32(b, 0x24, 0x02000800);  // entry
  put32(b, 0x28, 0x02000000);  // load address
  put32(b, 0x2C, kArm9Size);
  put32(b, 0x30, kArm7Offset);
  put32(b, 0x34, 0x02380000);
  put32(b, 0x38, 0x02380000);
  put32(b, 0x3C, kArm7Size);
  put32(b, 0x40, kFntOffset);
  put32(b, 0x44, 18);  // root directory with the one data file
  put32(b, 0x48, kFatOffset);
  put32(b, 0x4C, 8);
  put16(b, 0x6C, crc16(b.data() + kArm9Offset, 0x4000));  // secure area checksum
  put32(b, 0x80, static_cast<std::uint32_t>(b.size()));    // used ROM size
  put32(b, 0x84, kHeaderSize);
  put16(b, 0x15C, crc16(b.data() + 0xC0, 0x15C - 0xC0));  // logo area (left blank)
  put16(b, kHeaderCrcOffset, crc16(b.data(), kHeaderCrcOffset));
}

void writeFileSystem(Bytes& b) {
  std::fill(b.begin() + kFntOffset, b.begin() + kDataFileOffset, std::uint8_t{0xFF});
  // File name table: root directory entry, then its one file name.
  put32(b, kFntOffset, 8);
  put16(b, kFntOffset + 4, 0);  // first file id
  put16(b, kFntOffset + 6, 1);  // directory count
  static constexpr char kName[] = "data.bin";
  put8(b, kFntOffset + 8, 8);
  std::memcpy(b.data() + kFntOffset + 9, kName, 8);
  put8(b, kFntOffset + 17, 0);
  // File allocation table: start and end of file 0.
  put32(b, kFatOffset, kDataFileOffset);
  put32(b, kFatOffset + 4, static_cast<std::uint32_t>(b.size()));
}

}  // namespace

std::string writeImageFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::path tmp = path;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + tmp.string();
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(tmp, ignored);
      return "cannot write " + tmp.string();
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(tmp, ignored);
    return "cannot rename " + tmp.string() + " to " + path.string() + ": " + ec.message();
  }
  return {};
}

std::vector<FilledRegion> filledTableRegions(std::uint32_t seed) {
  Rng stageRng(seed, kStageStream);
  const StagePlan plan = planStages(stageRng);
  auto run = [](std::uint32_t at, std::uint32_t bytes) { return FilledRegion{at, at + bytes}; };
  std::vector<FilledRegion> out = {
      run(kSpiritTable, kSpiritStride * kSpiritCount),
      run(kPilotTable, kPilotStride * kPilotCount),
      run(kSkillLevelTable, kSkillLevelStride * kSkillLevelCount),
      run(kPersonalityTable, kPersonalityStride * kPersonalityCount),
      run(kWeaponTable, kWeaponStride * kWeaponCount),
      run(kUnitTable, kUnitStride * kUnitCount),
      run(kUnitPictureTable, kUnitPictureStride * kUnitCount),
      run(kWeaponUpgradeTable, 2 * kUpgradeStepTypes * kUpgradeLevels),
      run(kMoneyTable, 4 * kMoneyColumns * kMoneyLevels),
      run(kSkillItemTable, kSkillItemStride * kSkillItemCount),
      run(kPartTable, kPartStride * kPartCount),
      run(kExpGainLimit, 2),
      run(kWeaponAttackLimit, 2),
      run(kSkillXinGrid, 3 * 2),
      run(kSkillAtkPowerColumn, 9 * 2),
      run(kSkillAtkRateColumn, 9 * 2),
      run(kSkillSuperGrid, 9 * 3),
      run(kSkillFireGrid, 9 * 4),
      run(kSkillOverGrid, 9 * 3),
      {kStageTable, plan.end},
  };
  for (std::uint32_t blk = 0; blk < kSkillHpBlockCount; ++blk) out.push_back(run(kSkillHpBlocks + kSkillHpBlockStride * blk, 9 * 10));
  for (std::uint32_t blk = 0; blk < kSkillMoraleBlockCount; ++blk)
    out.push_back(run(kSkillMoraleBlocks + kSkillMoraleBlockStride * blk, 8 * 6));
  return out;
}

std::vector<std::uint8_t> buildSampleRom(std::uint32_t seed) {
  Rng stageRng(seed, kStageStream);
  const StagePlan plan = planStages(stageRng);
  // A few KiB of data after the last list, then round to a whole sector.
  Bytes b(alignUp(plan.end + 0x800, 0x200), 0);

  Rng filler(seed, kFillerStream);
  codeFiller(b, kArm9Offset, kArm9Size, 0x02000000, filler);
  codeFiller(b, kArm7Offset, kArm7Size, 0x02380000, filler);
  dataFiller(b, kDataFileOffset, static_cast<std::uint32_t>(b.size()), filler);

  Rng spirit(seed, kSpiritStream), pilot(seed, kPilotStream), personality(seed, kPersonalityStream),
      unit(seed, kUnitStream), picture(seed, kPictureStream), weapon(seed, kWeaponStream),
      upgrade(seed, kUpgradeStream), money(seed, kMoneyStream), price(seed, kPriceStream),
      levels(seed, kSkillLevelStream), grids(seed, kSkillGridStream);
  writeSkillGrids(b, grids);
  writeWeaponUpgrades(b, upgrade);
  writeMoney(b, money);
  writePrices(b, price);
  writeSkillLevels(b, levels);
  writeUnitPictures(b, picture);
  writeWeapons(b, weapon);
  writeUnits(b, unit);
  writePilots(b, pilot);
  put16(b, kExpGainLimit, kExpGainLimitValue);
  put16(b, kWeaponAttackLimit, kWeaponAttackLimitValue);
  writePersonalities(b, personality);
  writeSpiritCosts(b, spirit);

  writeFileSystem(b);
  writeStages(b, plan, stageRng);
  writeHeader(b);  // last: its checksums cover what was written before
  return b;
}

}  // namespace rt::sample
