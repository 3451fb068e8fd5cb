// The page cache hands back the file's bytes with the overlay laid over them,
// however the reads fall on its pages.
#include "image/image_view.h"

#include <QFile>
#include <QTemporaryDir>

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
  for (std::int64_t first : {-1, 0, 2, 5}) {
    auto cache = PageCache::open(path);
    ASSERT_TRUE(cache);
    (*cache)->setOverlay(overlay);
    std::vector<std::uint8_t> out(static_cast<size_t>(bytes.size() + 60), 0xEE);
    if (first >= 0) {
      ASSERT_TRUE((*cache)->read(first * 4096 + 1, out.data(), 2));
    }
    ASSERT_TRUE((*cache)->read(1, out.data() + 1, bytes.size() + 59)) << first;
    for (qsizetype i = 1; i < bytes.size(); ++i)
      ASSERT_EQ(out[static_cast<size_t>(i)], static_cast<std::uint8_t>(expected[i])) << "byte " << i << ", page " << first << " first";
    for (size_t i = static_cast<size_t>(bytes.size()); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "past the end, " << i;
  }
}

}  // namespace
}  // namespace rt
