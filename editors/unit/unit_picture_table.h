#pragma once
#include "model/table_registry.h"
#include "editors/layout.h"

#include <array>
#include <cstdint>

namespace rt {
// Unit pictures: 303 records of 22 bytes at 0x78848, eleven 16-bit picture
// numbers per unit, in the same order as the unit table.
inline constexpr std::int64_t kUnitPictureBase = layout::kUnitPictureBase;
inline constexpr std::int64_t kUnitPictureStride = layout::kUnitPictureStride;
inline constexpr int kPictureWords = 11;

TableDef unitPictureTable();

// The eleven stored words of one picture record, as Copy takes them and Paste
// puts them back: unsigned, so every stored value survives the round trip.
using PictureWords = std::array<std::uint16_t, kPictureWords>;

// Reads the words of a record from the image in one read session.
Result<PictureWords> readPictureWords(RomImage& rom, std::int64_t recordOffset);
// Writes the words into a record in one write session: all 22 bytes or none.
SaveResult writePictureWords(RomImage& rom, std::int64_t recordOffset, const PictureWords& words, const TxInfo& info);
}  // namespace rt
