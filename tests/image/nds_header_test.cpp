// The header check of a chosen image: title and game code read, a checksum that
// does not match and a file too short for the tables are warned about.
#include "image/nds_header.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace rt::test {
namespace {

TEST(NdsHeader, GoodDamagedAndShortImages) {
  const QByteArray sample = sampleImage();
  struct Case {
    const char* what;
    QByteArray bytes;
    bool crcMatches;
    int warnings;
    const char* warned;  // a word of the first warning
  };
  QByteArray damaged = sample;
  damaged[3] = 'x';  // a title byte: the stored checksum no longer matches
  const Case cases[] = {
      {"sample", sample, true, 0, ""},
      {"damaged header", damaged, false, 1, "checksum"},
      {"shorter than the tables", sample.left(0x8000), true, 1, "tables reach"},
      {"no whole header", sample.left(0x100), false, 2, "too short"},
  };
  const std::int64_t needed = sample.size() - 0x1000;  // past the 32 KiB cut, inside the sample
  for (const Case& c : cases) {
    TempRom rom(c.bytes);
    RomImage image;
    image.setRomPath(rom.path());
    auto header = readNdsHeader(image);
    ASSERT_TRUE(header) << c.what;
    EXPECT_EQ(header->crcMatches, c.crcMatches) << c.what;
    const QStringList warnings = imageWarnings(*header, c.bytes.size(), needed);
    ASSERT_EQ(warnings.size(), c.warnings) << c.what << ": " << warnings.join(u'|').toStdString();
    if (c.warnings) EXPECT_TRUE(warnings[0].contains(QLatin1String(c.warned))) << warnings[0].toStdString();
  }
  TempRom rom(sample);
  RomImage image;
  image.setRomPath(rom.path());
  EXPECT_EQ(headerSummary(*readNdsHeader(image)), QStringLiteral("ROMTABLESMPL (%1)").arg(QString::fromLatin1(sample.mid(0x0C, 4))));
}

}  // namespace
}  // namespace rt::test
