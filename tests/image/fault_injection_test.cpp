// Saves under injected faults: every operation of a save is made to fail in
// turn (or to write short, or to be interrupted). Whatever happens, the file
// keeps its size, nothing outside the record changes, the record is all old or
// all new, and a failure is reported as a failure.
#include "image/journal.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace rt::test {
namespace {

QByteArray readSpan(const QString& path, std::int64_t from, std::int64_t length) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || !f.seek(from)) return {};
  return f.read(length);
}

struct Save {
  const TableAdapter* table;
  QVariantMap keys;
  std::vector<ByteWrite> writes;
  std::int64_t lo, hi;  // the bytes a save may touch
};

const TableRegistry& registry() {
  static const TableRegistry all = allTables();
  return all;
}

// Record 0 of `table` in the first image, given the values that record has in
// a second image, so that a save changes something; none when it cannot be saved.
std::optional<Save> plannedSave(const TableAdapter& table, const QString& oldPath, const QString& newPath) {
  RomImage oldRom, newRom;
  oldRom.setRomPath(oldPath);
  newRom.setRomPath(newPath);
  auto records = table.records(oldRom, namesDir());
  if (!records || records->empty()) return std::nullopt;
  auto ref = table.resolve(oldRom, records->front().keys);
  auto newRef = table.resolve(newRom, records->front().keys);
  if (!ref || !newRef) return std::nullopt;
  auto state = table.read(newRom, *newRef);
  if (!state) return std::nullopt;
  // Where the second image holds the same values, one value is changed by one
  // (or a box ticked), as a user would.
  std::vector<RecordState> candidates{*state};
  for (size_t c = 0; c < state->size(); ++c) {
    RecordState edited = *state;
    bool number = false;
    const int value = (*state)[c].text.toInt(&number);
    if (number) {
      edited[c].text = QString::number(value + 1);
      candidates.push_back(edited);
      edited[c].text = QString::number(value - 1);
    } else {
      edited[c].checked = !edited[c].checked;
    }
    candidates.push_back(edited);
  }
  const QByteArray old = readSpan(oldPath, 0, QFileInfo(oldPath).size());
  for (const RecordState& candidate : candidates) {
    Save save{&table, ref->keys, {}, 0, 0};
    FieldError error;
    if (!table.encode(oldRom, *ref, candidate, &save.writes, &error) || save.writes.empty()) continue;
    const bool changes = std::any_of(save.writes.begin(), save.writes.end(), [&](const ByteWrite& w) {
      const auto b = static_cast<std::uint8_t>(old[static_cast<qsizetype>(w.offset)]);
      return ((b & ~w.mask) | (w.value & w.mask)) != b;
    });
    if (!changes) continue;
    auto [lo, hi] = std::minmax_element(save.writes.begin(), save.writes.end(),
                                        [](const ByteWrite& a, const ByteWrite& b) { return a.offset < b.offset; });
    save.lo = lo->offset;
    save.hi = hi->offset + 1;
    return save;
  }
  return std::nullopt;
}

std::vector<Save> plannedSaves(const QString& oldPath, const QString& newPath) {
  std::vector<Save> saves;
  for (const auto& table : registry().all())
    if (auto save = plannedSave(*table, oldPath, newPath)) saves.push_back(std::move(*save));
  return saves;
}

// The bytes around a save, as they are before it and as a save that succeeds leaves them.
struct Around {
  std::int64_t from, length;
  QByteArray before, after;
};
Around around(const QByteArray& original, const Save& save) {
  Around a;
  a.from = std::max<std::int64_t>(0, save.lo - 4096);
  a.length = save.hi + 4096 - a.from;
  a.before = original.mid(a.from, a.length);
  a.after = a.before;
  for (const ByteWrite& w : save.writes) {
    char& b = a.after[static_cast<qsizetype>(w.offset - a.from)];
    b = static_cast<char>((static_cast<std::uint8_t>(b) & ~w.mask) | (w.value & w.mask));
  }
  return a;
}

TEST(FaultInjection, EveryFailedOperationLeavesTheRecordAllOldOrAllNew) {
  const QByteArray original = sampleImage(1);
  TempRom rom(original);
  TempRom other(sampleImage(2));
  const std::vector<Save> saves = plannedSaves(rom.path(), other.path());
  ASSERT_FALSE(saves.empty());

  int cases = 0;
  for (const Save& save : saves) {
    const auto [from, length, before, after] = around(original, save);
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

// The history's own calls failing, alone or with a fault of the image write
// (a failed write, a torn one, an interrupted one, a failed flush), for record
// 0 of every table. The save reports failure exactly when something failed and
// was not completed; a recovery with healthy layers then leaves the record new
// after a success and old after a failure, with nothing left pending. A history
// that could not record the save, or could not be searched for interrupted
// ones, means the image was never written.
class JournalFaults : public testing::TestWithParam<std::string> {};

TEST_P(JournalFaults, FailureIsReportedExactlyAndRecoveryLeavesTheRecordAllOldOrAllNew) {
  const QByteArray original = sampleImage(1);
  TempRom rom(original);
  TempRom other(sampleImage(2));
  const TableAdapter* table = registry().find(QString::fromStdString(GetParam()));
  ASSERT_NE(table, nullptr);
  const std::optional<Save> save = plannedSave(*table, rom.path(), other.path());
  if (!save) GTEST_SKIP() << "record 0 cannot be saved with other values";
  const auto [from, length, before, after] = around(original, *save);
  ASSERT_NE(before, after) << "record 0 holds the same values in both images";
  const TxInfo info = recordTx(table->name(), table->name(), {save->keys});

  struct Case {
    JournalFault journal;
    int faultAt;
    Fault fault;
    bool laterWritesFail;
    bool deferred;  // the editor's save: the image flushed afterwards (flushImage)
  };
  std::vector<Case> cases;
  for (const bool deferred : {false, true}) {
    auto clean = std::make_shared<ScriptedFileLayer>();
    {
      RomImage image(clean);
      image.setRomPath(rom.path());
      image.setDeferredFlush(deferred);
      ASSERT_TRUE(applyWrites(image, save->writes, info).status);
      ASSERT_TRUE(image.flushImage());
    }
    rom.poke(from, before);
    for (JournalFault j : {JournalFault::None, JournalFault::Begin, JournalFault::FinishDone,
                           JournalFault::FinishRolledBack, JournalFault::Pending}) {
      cases.push_back({j, -1, Fault::Fail, false, deferred});
      for (int n = 0; n < static_cast<int>(clean->trace.size()); ++n) {
        if (clean->trace[n] == FileOp::Flush) cases.push_back({j, n, Fault::Fail, false, deferred});
        if (clean->trace[n] != FileOp::Write) continue;
        for (Fault f : {Fault::Fail, Fault::Torn, Fault::Interrupt}) cases.push_back({j, n, f, false, deferred});
        if (j == JournalFault::None)
          for (Fault f : {Fault::Fail, Fault::Torn}) cases.push_back({j, n, f, true, deferred});
      }
    }
  }

  for (const Case& c : cases) {
    const std::string where = "journal fault " + std::to_string(static_cast<int>(c.journal)) + ", image fault " +
                              std::to_string(static_cast<int>(c.fault)) + " at op " + std::to_string(c.faultAt) +
                              (c.laterWritesFail ? ", later writes failing" : "") + (c.deferred ? ", deferred" : "");
    rom.poke(from, before);
    auto files = std::make_shared<ScriptedFileLayer>();
    files->faultAt = c.faultAt;
    files->fault = c.fault;
    files->laterWritesFail = c.laterWritesFail;
    auto journals = std::make_shared<FaultyJournalStore>();
    journals->fault = c.journal;
    Status saved;
    Status flushed;
    {
      RomImage image(files, journals);
      image.setRomPath(rom.path());
      image.setDeferredFlush(c.deferred);
      saved = applyWrites(image, save->writes, info).status;
      flushed = image.flushImage();  // a failure here comes after the save was reported done: recovery keeps it
    }
    const bool failed = journals->failed > 0 || files->failures > 0;
    EXPECT_EQ(saved.isOk() && flushed.isOk(), !failed) << where << ": " << saved.message().toStdString();
    if (c.journal == JournalFault::Begin || c.journal == JournalFault::Pending) {
      EXPECT_EQ(std::count(files->trace.begin(), files->trace.end(), FileOp::Write), 0) << where;
    }
    if (c.laterWritesFail && !saved) {
      EXPECT_TRUE(saved.message().contains(QStringLiteral("back failed too"))) << where << saved.message().toStdString();
      EXPECT_FALSE(saved.message().contains(QStringLiteral("did not take place"))) << where;
    }

    RomImage healthy;
    healthy.setRomPath(rom.path());
    ASSERT_TRUE(healthy.recover()) << where;
    EXPECT_EQ(readSpan(rom.path(), from, length), saved ? after : before) << where;
    EXPECT_EQ(QFileInfo(rom.path()).size(), original.size()) << where;
    ASSERT_NE(healthy.journal(), nullptr) << where;
    auto pending = healthy.journal()->pending();
    ASSERT_TRUE(pending) << where;
    EXPECT_TRUE(pending->empty()) << where;
  }
}

std::vector<std::string> tableNames() {
  std::vector<std::string> names;
  for (const auto& t : registry().all()) names.push_back(t->name().toStdString());
  return names;
}

INSTANTIATE_TEST_SUITE_P(AllTables, JournalFaults, testing::ValuesIn(tableNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

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
  auto* value = control<QLineEdit>(form, QStringLiteral("SP_VAL"));
  value->setText(QString::number(value->text().toInt() == 0 ? 1 : 0));  // an edit to save
  QFile::remove(path);
  control<QPushButton>(form, QStringLiteral("Save"))->click();
  ASSERT_EQ(app.sink->messages.size(), 1);
  EXPECT_TRUE(app.sink->messages[0].contains(QStringLiteral("cannot be written")));
  EXPECT_FALSE(QFile::exists(path));
  app.context->closeAllForms();
}

}  // namespace
}  // namespace rt::test
