// The page cache hands back the file's bytes with the overlay laid over them,
// however the reads fall on its pages, and the same from one mapping of the
// whole file; and its sum of the file is zlib's either way.
#include "image/image_view.h"

#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <vector>

#include <gtest/gtest.h>

namespace rt {
namespace {

TEST(PageCache, ReadsAcrossHeldAndMissingPagesGiveTheFileWithItsOverlay) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("image.nds"));
  QByteArray bytes(5 * 4096 + 100, '\0');
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();
  const std::map<std::int64_t, std::uint8_t> overlay{{10, 0xA1}, {4095, 0xA2}, {4096, 0xA3}, {3 * 4096 + 5, 0xA4},
                                                     {5 * 4096 + 99, 0xA5}};
  QByteArray expected = bytes;
  for (const auto& [at, b] : overlay) expected[static_cast<qsizetype>(at)] = static_cast<char>(b);
  // Each case starts from an empty cache; `first` is read before the whole
  // file, so that one page is held while the pages around it are not.
  for (std::int64_t first : {-1, 0, 2, 5, -2}) {
    auto cache = PageCache::open(path);
    ASSERT_TRUE(cache);
    (*cache)->setOverlay(overlay);
    if (first == -2) (*cache)->mapWhole();
    std::vector<std::uint8_t> out(static_cast<size_t>(bytes.size() + 60), 0xEE);
    if (first >= 0) {
      ASSERT_TRUE((*cache)->read(first * 4096 + 1, out.data(), 2));
    }
    ASSERT_TRUE((*cache)->read(1, out.data() + 1, bytes.size() + 59)) << first;
    for (qsizetype i = 1; i < bytes.size(); ++i)
      ASSERT_EQ(out[static_cast<size_t>(i)], static_cast<std::uint8_t>(expected[i])) << "byte " << i << ", page " << first << " first";
    for (size_t i = static_cast<size_t>(bytes.size()); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "past the end, " << i;
    auto sum = (*cache)->fileCrc32();
    ASSERT_TRUE(sum);
    EXPECT_EQ(*sum, ::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), static_cast<uInt>(bytes.size())));
  }
}

#ifndef _WIN32  // mapped where the system maps files for reading
// A file cut short under a whole mapping is a failed read, not a crash.
TEST(PageCache, AFileCutShortUnderItsMappingFailsTheRead) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("image.nds"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.write(QByteArray(8 * 4096, 'x'));
  file.flush();
  auto cache = PageCache::open(path);
  ASSERT_TRUE(cache);
  (*cache)->mapWhole();
  ASSERT_TRUE(file.resize(4096));
  std::vector<std::uint8_t> out(4096);
  EXPECT_TRUE((*cache)->read(0, out.data(), 4096));
  EXPECT_FALSE((*cache)->read(6 * 4096, out.data(), 4096));
  EXPECT_FALSE((*cache)->fileCrc32());
}
#endif

}  // namespace
}  // namespace rt
