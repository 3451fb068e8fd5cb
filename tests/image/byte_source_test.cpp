// The CRC-32 of images and patches is zlib's, however it is computed.
#include "image/byte_source.h"

#include <zlib.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
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

// Images are read in place where they can be mapped; a file another program
// cuts short meanwhile is a failure that names it, not a bus error.
TEST(FileSource, AFileCutShortWhileMappedIsReportedNotAFault) {
  QTemporaryDir dir;
  const QString a = dir.filePath(QStringLiteral("a.nds")), b = dir.filePath(QStringLiteral("b.nds"));
  const QByteArray bytes(600 * 1024, '\x5A');
  for (const QString& path : {a, b}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  auto clean = FileSource::open(a);
  auto cut = FileSource::open(b);
  ASSERT_TRUE(clean && cut);
  std::int64_t same = 0;
  ASSERT_TRUE(scanBlocks(**clean, **cut, [&](const BlockPair& block) {
    same += std::memcmp(block.a, block.b, static_cast<size_t>(block.aLength)) == 0 ? block.aLength : 0;
    return Status::ok();
  }));
  EXPECT_EQ(same, bytes.size());
  ASSERT_TRUE(QFile::resize(b, 4096));
  Status scanned = scanBlocks(**clean, **cut, [](const BlockPair& block) {
    differingRuns(block, [](std::int64_t, std::int64_t) {});
    return Status::ok();
  });
  ASSERT_FALSE(scanned);
  EXPECT_TRUE(scanned.message().contains(QStringLiteral("\"%1\" was cut short to 4096 bytes").arg(b))) << qPrintable(scanned.message());
  auto again = FileSource::open(a);
  ASSERT_TRUE(again);
  ASSERT_TRUE(QFile::resize(a, 100));
  auto sum = crc32Of(**again);
  ASSERT_FALSE(sum);
  EXPECT_TRUE(sum.message().contains(QStringLiteral("cut short"))) << qPrintable(sum.message());
}

}  // namespace
}  // namespace rt
