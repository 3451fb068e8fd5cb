// Undo, redo and revert on the command line, on the Weapon table of the sample
// image: each puts the image back byte for byte, and each refuses, naming the
// table, record and field, when something else has written those bytes since.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace rt::test {
namespace {

constexpr std::int64_t kWeaponBase = 0x7A254;
constexpr std::int64_t kWeaponStride = 36;

// An import setting `field` of records first..last to base + index.
QByteArray weaponImport(const char* field, int first, int last, int base) {
  QByteArray records;
  for (int i = first; i <= last; ++i)
    records += (i == first ? "" : ",") + QStringLiteral("{\"index\":%1,\"fields\":{\"%2\":\"%3\"}}")
                                             .arg(i).arg(QLatin1String(field)).arg(base + i).toUtf8();
  return "{\"table\":\"Weapon\",\"records\":[" + records + "]}";
}

CliRun command(const QStringList& words, const TempRom& rom) {
  QStringList args{words.front(), rom.path()};
  return cli(args + words.mid(1));
}

TEST(UndoCli, UndoRedoAndRevertPutTheImageBackByteForByte) {
  const QByteArray original = sampleImage();
  TempRom rom(original);
  ASSERT_EQ(importFile(rom.path(), weaponImport("ATK", 0, 4, 1000)).code, 0);
  const QByteArray first = rom.bytes();
  // Another field of records 2 to 6, three of them the first import's.
  ASSERT_EQ(importFile(rom.path(), weaponImport("EN", 2, 6, 50)).code, 0);
  const QByteArray second = rom.bytes();
  ASSERT_NE(first, original);
  ASSERT_NE(second, first);
  // The second import with the first one's ATK values as they were: a revert
  // puts back only what its transaction changed.
  QByteArray firstReverted = second;
  for (int i = 0; i <= 4; ++i) {
    const std::int64_t atk = kWeaponBase + i * kWeaponStride + 8;
    firstReverted.replace(atk, 2, original.mid(atk, 2));
  }

  struct Step {
    QStringList command;
    const QByteArray& expected;
  };
  const Step steps[] = {
      {{QStringLiteral("undo")}, first},  {{QStringLiteral("undo")}, original},
      {{QStringLiteral("redo")}, first},  {{QStringLiteral("redo")}, second},
      {{QStringLiteral("revert"), QStringLiteral("1")}, firstReverted},
      {{QStringLiteral("redo")}, second},
  };
  int n = 0;
  for (const Step& s : steps) {
    const CliRun run = command(s.command, rom);
    ASSERT_EQ(run.code, 0) << "step " << n << ": " << run.err.toStdString();
    const auto diff = differences(s.expected, rom.bytes());
    EXPECT_TRUE(diff.empty()) << "step " << n << " " << s.command.join(u' ').toStdString() << ": " << diff.size()
                              << " bytes differ, the first at " << (diff.empty() ? 0 : diff.front());
    ++n;
  }
}

TEST(UndoCli, ChangedBytesAreRefusedByNameAndForced) {
  const std::int64_t atk3 = kWeaponBase + 3 * kWeaponStride + 8;
  auto byAnotherProgram = [&](TempRom& rom) { rom.poke(atk3, le(4321, 2)); };
  auto byALaterImport = [](TempRom& rom) { ASSERT_EQ(importFile(rom.path(), weaponImport("ATK", 3, 3, 2000)).code, 0); };
  auto undoFirst = [](TempRom& rom) { ASSERT_EQ(command({QStringLiteral("undo")}, rom).code, 0); };
  struct Case {
    const char* what;
    std::vector<std::function<void(TempRom&)>> after;  // what happens after the first import
    QStringList command;
    const char* force;  // how the message offers --force
    bool forcedToNew;   // a forced redo puts the import's new bytes back; the others its old ones
  };
  const Case cases[] = {
      {"undo after another program", {byAnotherProgram}, {QStringLiteral("undo")}, "--force undoes", false},
      {"revert after a later import", {byALaterImport}, {QStringLiteral("revert"), QStringLiteral("1")}, "--force reverts", false},
      {"redo after another program", {undoFirst, byAnotherProgram}, {QStringLiteral("redo")}, "--force redoes", true},
  };
  const QByteArray original = sampleImage();
  for (const Case& c : cases) {
    TempRom rom(original);
    ASSERT_EQ(importFile(rom.path(), weaponImport("ATK", 3, 3, 1000)).code, 0) << c.what;
    const QByteArray imported = rom.bytes();
    for (const auto& step : c.after) ASSERT_NO_FATAL_FAILURE(step(rom)) << c.what;
    const QByteArray changed = rom.bytes();

    const CliRun refused = command(c.command, rom);
    EXPECT_EQ(refused.code, 1) << c.what;
    for (const char* named : {"Weapon 3", "ATK", c.force})
      EXPECT_TRUE(refused.err.contains(QLatin1String(named))) << c.what << ": " << refused.err.toStdString();
    EXPECT_TRUE(rom.bytes() == changed) << c.what;

    const CliRun forced = command(c.command + QStringList{QStringLiteral("--force")}, rom);
    EXPECT_EQ(forced.code, 0) << c.what << ": " << forced.err.toStdString();
    EXPECT_TRUE(differences(c.forcedToNew ? imported : original, rom.bytes()).empty()) << c.what;
  }
}

// A record that goes back and forth between the same values: the history
// reuses a record's decoding while the bytes it read are unchanged, and must
// still show every transaction's own old and new values, undone ones included;
// and a value later saved with another high byte leaves the earlier ones,
// which changed only the low byte, shown as they were.
TEST(UndoCli, HistoryShowsEachTransactionsOwnValuesWhenARecordRepeats) {
  TempRom rom(sampleImage());
  const int atk[] = {1001, 1002, 1001, 1002, 1001};
  const QString original = exportRecords(rom.path(), QStringLiteral("Weapon"))[3]
                               .toObject()[QStringLiteral("fields")].toObject()[QStringLiteral("ATK")].toVariant().toString();
  for (int value : atk) ASSERT_EQ(importFile(rom.path(), weaponImport("ATK", 3, 3, value - 3)).code, 0);
  ASSERT_EQ(command({QStringLiteral("undo")}, rom).code, 0);
  ASSERT_EQ(importFile(rom.path(), weaponImport("ATK", 3, 3, 5000 - 3)).code, 0);
  const CliRun run = command({QStringLiteral("history"), QStringLiteral("--format"), QStringLiteral("json")}, rom);
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  QStringList seen;
  for (const QJsonValue& tx : QJsonDocument::fromJson(run.out.toUtf8())[QStringLiteral("transactions")].toArray())
    for (const QJsonValue& c : tx[QStringLiteral("changes")].toArray())
      seen.prepend(c[QStringLiteral("field")].toString() + u' ' + c[QStringLiteral("old")].toString() + u'>' +
                   c[QStringLiteral("new")].toString());
  // Oldest first: the five imports, the undo of the last, one more import.
  EXPECT_EQ(seen, (QStringList{"ATK " + original + ">1001", "ATK 1001>1002", "ATK 1002>1001", "ATK 1001>1002",
                               "ATK 1002>1001", "ATK 1001>1002", "ATK 1002>5000"}))
      << run.out.toStdString();
}

}  // namespace
}  // namespace rt::test
