// The CRC-32 of images and patches is zlib's, however it is computed.
#include "image/byte_source.h"

#include <zlib.h>

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(Crc32, EveryLengthAlignmentAndSplitGivesZlibsSum) {
  std::mt19937 random(27);
  std::vector<std::uint8_t> bytes(3 << 16);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  for (std::int64_t length : {0, 1, 15, 16, 63, 64, 65, 79, 80, 127, 128, 129, 1000, 4096, 65535, 65536 + 17}) {
    for (std::int64_t offset : {0, 1, 8, 13}) {
      for (std::uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        const std::uint8_t* at = bytes.data() + offset;
        const auto expected = static_cast<std::uint32_t>(crc32(start, at, static_cast<uInt>(length)));
        EXPECT_EQ(crc32Update(start, at, length), expected) << length << " at " << offset;
        // Summed in two parts, as a block-wise reader sums a file.
        const std::int64_t cut = length / 3;
        EXPECT_EQ(crc32Update(crc32Update(start, at, cut), at + cut, length - cut), expected) << length << " cut";
      }
    }
  }
}

}  // namespace
}  // namespace rt
