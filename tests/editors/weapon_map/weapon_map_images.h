#pragma once
// Test images for the weapon and map editors: seeded random bytes, with the
// unit weapon ranges and the stage lists laid out so the forms can walk them.

#include "tests/support/test_support.h"

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <vector>

namespace rt::test::wm {

inline constexpr std::int64_t kWeaponBase = 0x7A254;
inline constexpr std::int64_t kWeaponStride = 36;
inline constexpr int kWeaponCount = 989;
inline constexpr std::int64_t kUnitBase = 0x82D68;
inline constexpr std::int64_t kUnitStride = 132;
inline constexpr int kUnitCount = 303;
inline constexpr std::int64_t kUpgradeBase = 0x6A230;
inline constexpr std::int64_t kStageTable = 0xA22400;
inline constexpr int kStageCount = 65;
inline constexpr std::int64_t kRecord = 56;

inline void put(QByteArray& b, std::int64_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[static_cast<qsizetype>(at + i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
inline int u16(const QByteArray& b, std::int64_t at) { return byteAt(b, at) | (byteAt(b, at + 1) << 8); }

// Offsets where two images differ; quick on images of several MiB.
inline std::vector<std::int64_t> changedOffsets(const QByteArray& a, const QByteArray& b) {
  std::vector<std::int64_t> out;
  const qsizetype n = std::min(a.size(), b.size());
  constexpr qsizetype kBlock = 4096;
  for (qsizetype at = 0; at < n; at += kBlock) {
    const qsizetype len = std::min(kBlock, n - at);
    if (std::memcmp(a.constData() + at, b.constData() + at, static_cast<size_t>(len)) == 0) continue;
    for (qsizetype i = at; i < at + len; ++i)
      if (a[i] != b[i]) out.push_back(i);
  }
  if (a.size() != b.size()) out.push_back(n);
  return out;
}

// Units name consecutive weapon ranges that wrap at the end of the table.
// Unit 5 has no weapons; unit 300's run past the table, unit 301's lie wholly
// past it and unit 302 has only the last weapon.
struct WeaponImage {
  QByteArray bytes;
  std::vector<int> first, count;
};

inline WeaponImage weaponImage(std::uint64_t seed) {
  WeaponImage img;
  img.bytes = randomBytes(kUnitBase + kUnitStride * kUnitCount + 64, seed);
  int next = 0;
  for (int u = 0; u < kUnitCount; ++u) {
    int first = 0, count = 0;
    if (u == 300) {
      first = 987, count = 4;
    } else if (u == 301) {
      first = 1012, count = 2;
    } else if (u == 302) {
      first = 988, count = 1;
    } else if (u != 5) {
      count = 1 + static_cast<int>((static_cast<std::uint64_t>(u) * 7 + seed) % 6);
      if (next + count > kWeaponCount) next = 0;
      first = next;
      next += count;
    }
    put(img.bytes, kUnitBase + kUnitStride * u + 0x26, static_cast<std::uint32_t>(first), 2);
    put(img.bytes, kUnitBase + kUnitStride * u + 0x28, static_cast<std::uint32_t>(count), 1);
    img.first.push_back(first);
    img.count.push_back(count);
  }
  return img;
}

// Stage lists follow the offset table, some after padding, each closed by an
// end marker; stage 10 is empty. Codes mix FFFF, named codes and codes past
// the name lists; part and skill bytes mix "none", normal values, the values a
// save normalises (part 0, skill 22) and values past the lists.
struct MapImage {
  QByteArray bytes;
  std::vector<std::int64_t> start;  // file offset of record 0 of each stage
  std::vector<int> count;
};

inline MapImage mapImage(std::uint64_t seed) {
  MapImage img;
  img.bytes = randomBytes(kStageTable + 0x8000, seed);
  std::int64_t rel = 4 * kStageCount;
  static const int kParts[] = {0, 255, 5, 47, 48, 200};
  static const int kSkills[] = {255, 22, 0, 21, 23, 100};
  static const int kSides[] = {0, 1, 2, 3, 4, 5, 6, 250};
  for (int s = 0; s < kStageCount; ++s) {
    if (s % 5 == 2) rel += 4;  // padding: only the offset tells where a list starts
    const std::uint32_t mix = (static_cast<std::uint32_t>(s) + 1) * 2654435761u + static_cast<std::uint32_t>(seed) * 40503u;
    const int count = s == 10 ? 0 : static_cast<int>((mix >> 13) % 6);
    put(img.bytes, kStageTable + 4 * s, static_cast<std::uint32_t>(rel), 4);
    img.start.push_back(kStageTable + rel);
    img.count.push_back(count);
    for (int r = 0; r < count; ++r, rel += kRecord) {
      const std::int64_t at = kStageTable + rel;
      const int k = s + r;
      int leader = u16(img.bytes, at);
      switch (k % 4) {
        case 0: leader = 0xFFFF; break;
        case 1: leader = (s * 31 + r) % 476; break;
        case 2: leader = leader == 0x7FFF ? 0x7FFE : leader; break;  // mostly past the name list
        default: leader = 0x1A; break;
      }
      put(img.bytes, at, static_cast<std::uint32_t>(leader), 2);
      put(img.bytes, at + 2, static_cast<std::uint32_t>(k % 3 == 0 ? 0xFFFF : k % 3 == 1 ? (s * 17 + r) % 303 : 303 + k), 2);
      put(img.bytes, at + 28, static_cast<std::uint32_t>(k % 3 == 1 ? 0xFFFF : (s * 7 + r) % 480), 2);
      put(img.bytes, at + 30, static_cast<std::uint32_t>(k % 2 ? 0xFFFF : (s + r * 5) % 310), 2);
      put(img.bytes, at + 18, static_cast<std::uint32_t>(kSides[k % 8]), 1);
      put(img.bytes, at + 46, static_cast<std::uint32_t>(kSides[(k + 3) % 8]), 1);
      for (int i = 0; i < 2; ++i) {
        put(img.bytes, at + 24 + i, static_cast<std::uint32_t>(kParts[(k + i) % 6]), 1);
        put(img.bytes, at + 26 + i, static_cast<std::uint32_t>(kSkills[(k + 2 * i) % 6]), 1);
        put(img.bytes, at + 52 + i, static_cast<std::uint32_t>(kParts[(k + 3 + i) % 6]), 1);
        put(img.bytes, at + 54 + i, static_cast<std::uint32_t>(kSkills[(k + 1 + 2 * i) % 6]), 1);
      }
    }
    put(img.bytes, kStageTable + rel, 0x7FFF, 2);
    rel += kRecord;
  }
  return img;
}

}  // namespace rt::test::wm
