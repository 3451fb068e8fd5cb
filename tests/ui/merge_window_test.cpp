// The Merge window: another hack's changes against the open image, a conflict
// left to "keep mine", the rest written as one "merge FILE" transaction that
// one undo takes back.
#include "ui/merge_window.h"

#include "editors/layout.h"
#include "tests/support/test_support.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

std::int64_t pilotByte(int index, int at) { return layout::kPilotBase + layout::kPilotStride * index + at; }
constexpr int kAb0 = 0x39, kAb1 = 0x3A;

QByteArray flipped(QByteArray bytes, std::int64_t offset, std::uint8_t flip) {
  bytes[static_cast<qsizetype>(offset)] = static_cast<char>(bytes[static_cast<qsizetype>(offset)] ^ flip);
  return bytes;
}

TEST(MergeWindow, TakesTheirChangesKeepsMineOnAConflictAndOneUndoTakesItBack) {
  SampleMenu s;
  const QByteArray clean = sampleImage();
  const std::int64_t conflict = pilotByte(13, kAb0), theirsOnly = pilotByte(7, kAb1);
  s.rom.poke(conflict, QByteArray(1, static_cast<char>(byteAt(clean, conflict) ^ 0x03)));
  const QByteArray mine = s.rom.bytes();
  TempRom cleanRom(clean), theirs(flipped(flipped(clean, conflict, 0x0C), theirsOnly, 0x12));

  MergeWindow window(*s.app.context);
  QSignalSpy ready(&window, &MergeWindow::ready);
  window.mergeFrom(cleanRom.path(), theirs.path());
  if (window.busy()) {
    ASSERT_TRUE(ready.wait(30000));
  }
  ASSERT_EQ(window.incoming().changes.size(), 2u);
  EXPECT_EQ(window.plan().count(EditState::Conflict), 1);
  EXPECT_EQ(window.plan().count(EditState::Applies), 1);
  expectRendersWithinScreen(&window, QStringLiteral("Merge"));

  control<QPushButton>(&window, QStringLiteral("MergeApply"))->click();
  ASSERT_TRUE(s.app.sink->messages.isEmpty()) << s.app.sink->messages.join(u'\n').toStdString();
  expectOnlyBytes(mine, s.rom.bytes(), {{theirsOnly, byteAt(theirs.bytes(), theirsOnly)}});

  const CliRun history = cli({QStringLiteral("history"), s.rom.path()});
  EXPECT_TRUE(history.out.contains(QStringLiteral("merge ") + QFileInfo(theirs.path()).fileName()))
      << history.out.toStdString();
  ASSERT_EQ(cli({QStringLiteral("undo"), s.rom.path()}).code, 0);
  EXPECT_EQ(s.rom.bytes(), mine);
  if (window.busy()) ready.wait(30000);  // the window reads the changes again after writing
}

}  // namespace
}  // namespace rt::test
