// The sample image and the table registry agree: the generator fills every
// byte a registered table reads and writes, and fills no table nobody registered.
#include "editors/all_tables.h"
#include "tests/support/test_support.h"
#include "tools/sample_rom.h"

#include <gtest/gtest.h>

#include <vector>

namespace rt::test {
namespace {

using sample::FilledRegion;

// The region holding `offset`, or -1.
int regionOf(const std::vector<FilledRegion>& regions, std::int64_t offset) {
  for (size_t r = 0; r < regions.size(); ++r)
    if (offset >= regions[r].begin && offset < regions[r].end) return static_cast<int>(r);
  return -1;
}

TEST(SampleRegions, EveryRegisteredTableLiesInFilledRegionsAndEveryRegionHoldsOne) {
  for (std::uint32_t seed : {1u, 7u}) {
    SCOPED_TRACE(seed);
    const std::vector<FilledRegion> regions = sample::filledTableRegions(seed);
    std::vector<int> bytesIn(regions.size(), 0);
    TempRom rom(sampleImage(seed));
    const TableRegistry tables = allTables();
    for (const auto& table : tables.all()) {
      SCOPED_TRACE(table->name().toStdString());
      RomImage image;
      image.setRomPath(rom.path());
      auto records = table->records(image, namesDir());
      ASSERT_TRUE(records) << records.message().toStdString();
      ASSERT_FALSE(records->empty());
      int written = 0, outside = 0;
      for (const RecordRef& record : *records) {
        auto state = table->read(image, record);
        ASSERT_TRUE(state) << state.message().toStdString();
        // Saving a record as it stands writes every byte its fields occupy.
        std::vector<ByteWrite> writes;
        FieldError error;
        ASSERT_TRUE(table->encode(image, record, *state, &writes, &error)) << error.message.toStdString();
        for (const ByteWrite& w : writes) {
          ++written;
          const int r = regionOf(regions, w.offset);
          if (r < 0 && ++outside <= 3) ADD_FAILURE() << "byte 0x" << std::hex << w.offset << " lies in no filled region";
          if (r >= 0) ++bytesIn[static_cast<size_t>(r)];
        }
      }
      EXPECT_GT(written, 0);
      EXPECT_EQ(outside, 0);
    }
    for (size_t r = 0; r < regions.size(); ++r)
      EXPECT_GT(bytesIn[r], 0) << "the generator fills 0x" << std::hex << regions[r].begin << "..0x" << regions[r].end
                               << ", which no registered table holds";
  }
}

}  // namespace
}  // namespace rt::test
