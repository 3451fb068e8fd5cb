// The history's log between saves: the editor's idle step copies it into the
// history file and starts it over, so that the next save only appends to it.
#include "tests/support/test_support.h"

#include "model/record_codec.h"

#include <QFile>
#include <gtest/gtest.h>

namespace rt::test {
namespace {

// Bytes 12-19 of the log's header: its checkpoint sequence and first salt,
// which change each time the log starts over.
QByteArray logStart(const QString& romPath) {
  QFile log(romPath + QStringLiteral(".history-wal"));
  return log.open(QIODevice::ReadOnly) ? log.read(32).mid(12, 8) : QByteArray();
}

TEST(HistoryLog, TheIdleStepStartsTheLogOverSoTheNextSaveOnlyAppends) {
  TempRom rom(1024, 5);
  RomImage image;
  image.setRomPath(rom.path());
  auto save = [&](std::uint8_t value) {
    return applyWrites(image, {{100, value, 0xFF}}, recordTx(QStringLiteral("t"), QString(), {})).status;
  };
  ASSERT_TRUE(save(1));
  const QByteArray first = logStart(rom.path());
  ASSERT_EQ(first.size(), 8);
  image.checkpointHistory(Journal::LogStart::Now);
  const QByteArray idle = logStart(rom.path());
  EXPECT_NE(idle, first);
  // A save started over again would write (and flush) the header once more.
  ASSERT_TRUE(save(2));
  EXPECT_EQ(logStart(rom.path()), idle);
}

}  // namespace
}  // namespace rt::test
