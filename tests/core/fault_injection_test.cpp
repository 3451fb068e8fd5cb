// Saves under injected faults: every operation of a save is made to fail in
// turn (or to write short, or to be interrupted). Whatever happens, the file
// keeps its size, nothing outside the record changes, the record is all old or
// all new, and a failure is reported as a failure.
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace rt::test {
namespace {

QByteArray readSpan(const QString& path, std::int64_t from, std::int64_t length) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || !f.seek(from)) return {};
  return f.read(length);
}

struct Save {
  const TableAdapter* table;
  std::vector<ByteWrite> writes;
  std::int64_t lo, hi;  // the bytes a save may touch
};

// For every table: record 0 of the first image, given the values that record
// has in a second image, so that a save changes something.
std::vector<Save> plannedSaves(const QString& oldPath, const QString& newPath) {
  std::vector<Save> saves;
  static const TableRegistry registry = allTables();
  for (const auto& table : registry.all()) {
    RomImage oldRom, newRom;
    oldRom.setRomPath(oldPath);
    newRom.setRomPath(newPath);
    auto records = table->records(oldRom, namesDir());
    if (!records || records->empty()) continue;
    auto ref = table->resolve(oldRom, records->front().keys);
    auto newRef = table->resolve(newRom, records->front().keys);
    if (!ref || !newRef) continue;
    auto state = table->read(newRom, *newRef);
    if (!state) continue;
    Save save{table.get(), {}, 0, 0};
    FieldError error;
    if (!table->encode(oldRom, *ref, *state, &save.writes, &error) || save.writes.empty()) continue;
    auto [lo, hi] = std::minmax_element(save.writes.begin(), save.writes.end(),
                                        [](const ByteWrite& a, const ByteWrite& b) { return a.offset < b.offset; });
    save.lo = lo->offset;
    save.hi = hi->offset + 1;
    saves.push_back(std::move(save));
  }
  return saves;
}

TEST(FaultInjection, EveryFailedOperationLeavesTheRecordAllOldOrAllNew) {
  const QByteArray original = sampleImage(1);
  TempRom rom(original);
  TempRom other(sampleImage(2));
  const std::vector<Save> saves = plannedSaves(rom.path(), other.path());
  ASSERT_FALSE(saves.empty());

  int cases = 0;
  for (const Save& save : saves) {
    const std::int64_t from = std::max<std::int64_t>(0, save.lo - 4096);
    const std::int64_t length = save.hi + 4096 - from;
    const QByteArray before = original.mid(from, length);
    // The outcome of a save that succeeds.
    QByteArray after = before;
    for (const ByteWrite& w : save.writes) {
      char& b = after[static_cast<qsizetype>(w.offset - from)];
      b = static_cast<char>((static_cast<std::uint8_t>(b) & ~w.mask) | (w.value & w.mask));
    }
    rom.poke(from, before);
    auto layer = std::make_shared<ScriptedFileLayer>();
    RomImage clean(layer);
    clean.setRomPath(rom.path());
    ASSERT_TRUE(applyWrites(clean, save.writes, {}).status);
    const int operations = layer->operations;
    EXPECT_EQ(readSpan(rom.path(), from, length), after) << save.table->name().toStdString();

    for (Fault fault : {Fault::Fail, Fault::ShortWrite, Fault::Interrupt}) {
      for (int n = 0; n < operations; ++n) {
        rom.poke(from, before);
        auto scripted = std::make_shared<ScriptedFileLayer>();
        scripted->faultAt = n;
        scripted->fault = fault;
        RomImage image(scripted);
        image.setRomPath(rom.path());
        const SaveResult result = applyWrites(image, save.writes, {});
        const QByteArray now = readSpan(rom.path(), from, length);
        const std::string where = save.table->name().toStdString() + " op " + std::to_string(n) +
                                  " fault " + std::to_string(static_cast<int>(fault));
        EXPECT_EQ(QFileInfo(rom.path()).size(), original.size()) << where;
        EXPECT_TRUE(now == before || now == after) << where;
        if (fault == Fault::Fail && scripted->faulted) {
          EXPECT_FALSE(result.status) << where;  // a failure is never reported as success
        } else {
          EXPECT_TRUE(result.status) << where << ": " << result.status.message().toStdString();
        }
        if (result.status) {
          EXPECT_EQ(now, after) << where;
        }
        ++cases;
      }
    }
    rom.poke(from, before);
  }
  EXPECT_GT(cases, 0);
  rom.poke(0, QByteArray());  // keep the temp file alive to the end
}

TEST(FaultInjection, RealFiles) {
  QTemporaryDir dir;
  const TableDef table{QStringLiteral("T"), 16, 4, 4, {wordField(QStringLiteral("w"), 0, QStringLiteral("W"))}};
  const RecordState state{ControlValue{QStringLiteral("4660")}};
  struct Case {
    const char* what;
    std::function<QString()> make;
    bool readable;
    const char* saveMessage;
  };
  const Case cases[] = {
      {"missing", [&] { return dir.filePath(QStringLiteral("missing.nds")); }, false, "cannot be written"},
      {"directory", [&] { return dir.path(); }, false, "cannot be written"},
      {"empty", [&] { return writeFile(dir, QStringLiteral("empty.nds"), {}); }, true, "past the end"},
      {"short", [&] { return writeFile(dir, QStringLiteral("short.nds"), QByteArray(17, 'x')); }, true, "past the end"},
  };
  for (const Case& c : cases) {
    const QString path = c.make();
    const bool existed = QFile::exists(path);
    const qint64 size = QFileInfo(path).size();
    RomImage rom;
    rom.setRomPath(path);
    auto read = readRecord(rom, table, table.recordOffset(0));
    EXPECT_EQ(read.isOk(), c.readable) << c.what;
    if (read) {
      EXPECT_EQ((*read)[0].text, QString::number(size >= 18 ? 0x7878 : size == 17 ? 0x78 : 0)) << c.what;
    }
    const SaveResult saved = writeRecord(rom, table, table.recordOffset(0), state, {});
    EXPECT_FALSE(saved.status) << c.what;
    EXPECT_TRUE(saved.status.message().contains(QString::fromLatin1(c.saveMessage)))
        << c.what << ": " << saved.status.message().toStdString();
    EXPECT_EQ(QFile::exists(path), existed) << c.what;
    EXPECT_EQ(QFileInfo(path).size(), size) << c.what;
  }
}

TEST(FaultInjection, ASaveNeverLandsInAFileThatWasRemovedOrReplaced) {
  for (bool replace : {false, true}) {
    TempRom rom(64, 3);
    auto opened = systemFileLayer()->open(rom.path(), OpenMode::ReadWrite);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened.value()->stillAtPath());
    QFile::remove(rom.path());
    if (replace) rom.write(QByteArray(64, 'r'));
    EXPECT_FALSE(opened.value()->stillAtPath()) << replace;
  }
}

TEST(FaultInjection, TheImageDeletedBetweenReadingAndSavingIsReportedAndNotRecreated) {
  TestApp app;
  auto rom = std::make_unique<TempRom>(0xD4424 + 28 * 35, 4);
  const QString path = rom->path();
  QWidget* form = app.showForm(path, QStringLiteral("SPEdit"));
  ASSERT_NE(form, nullptr);
  QFile::remove(path);
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("cannot be written")));
  EXPECT_FALSE(QFile::exists(path));
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
