// Writes with their history: a form's save that changes its record (lock, the
// transaction recorded pending, the image written and flushed, the transaction
// marked done) for every table, and an import of all 989 Weapon records as one
// transaction, each paired with the floor of the same bytes; and the command
// line's `history` of an image with 10,000 transactions, with the size of its
// history file.

#include "app/cli.h"
#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "history/sqlite_journal.h"
#include "editors/all_tables.h"
#include "tools/sample_rom.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <memory>
#include <string>

namespace rt::bench {
namespace {

constexpr int kHistoryTransactions = 10000;

const TableRegistry& registry() {
  static const TableRegistry all = allTables();
  return all;
}

// A user's edit of a record: one value changed by one (a box ticked or
// cleared), and what a changed pointer selects read again, trying the controls from `from` on until one encodes and changes a
// byte of `image`. Gives the writes of that edit, or nothing.
std::optional<RecordState> edit(const TableAdapter& table, RomImage& rom, const RecordRef& record,
                                const RecordState& state, size_t from, const QByteArray& image,
                                std::vector<ByteWrite>* writes) {
  for (size_t k = 0; k < state.size(); ++k) {
    const size_t c = (from + k) % state.size();
    for (int step : {1, -1}) {
      RecordState edited = state;
      bool number = false;
      const int value = state[c].text.toInt(&number);
      if (number) edited[c].text = QString::number(value + step);
      else edited[c].checked = !edited[c].checked;
      // A changed pointer selects other values, which a form shows before saving.
      auto followed = table.follow(rom, record, edited);
      if (!followed) continue;
      (*followed)[c] = edited[c];
      edited = *followed;
      writes->clear();
      FieldError error;
      if (!table.encode(rom, record, edited, writes, &error)) continue;
      for (const ByteWrite& w : *writes) {
        const auto b = static_cast<std::uint8_t>(image[static_cast<qsizetype>(w.offset)]);
        if (((b & ~w.mask) | (w.value & w.mask)) != b) return edited;
      }
    }
  }
  return std::nullopt;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The floor writes into a copy of the image of its own: on the image itself it
// would put back what the codec is about to write, and the codec's save would
// then change nothing and record nothing.
const QByteArray& floorPath() {
  static const QByteArray path = [] {
    const QString floor = Workspace::instance().dir() + QStringLiteral("/floor.nds");
    QFile::copy(Workspace::instance().romPath(), floor);
    return QFile::encodeName(floor);
  }();
  return path;
}

int cli(const QStringList& args, QString* out = nullptr) {
  QString o, e;
  QTextStream os(&o), es(&e);
  const int code = runCli(args + QStringList{QStringLiteral("--names"), Workspace::instance().namesDir()},
                          Workspace::instance().namesDir(), os, es);
  os.flush();
  if (code != 0) std::fprintf(stderr, "romtables-cli %s: %s\n", qPrintable(args.join(u' ')), qPrintable(e));
  if (out) *out = o;
  return code;
}

// The runs of the newest transaction and their new bytes: what its floor writes.
bool floorOfLast(Journal& journal, std::vector<Span>* runs, std::vector<std::uint8_t>* bytes) {
  auto last = journal.list(1, true);
  if (!last || last->empty()) return false;
  for (const Run& r : last->front().runs) {
    runs->push_back({r.offset, r.offset + r.after.size()});
    bytes->insert(bytes->end(), r.after.begin(), r.after.end());
  }
  return true;
}

// One record of one table, saved in turn with the values it has and with one
// of them changed by one: every save changes it, as a form's save does.
struct SaveSubject {
  std::shared_ptr<const TableAdapter> table;
  RecordRef record;
  RecordState states[2];
  int next = 1;  // the state the next save writes
  std::vector<Span> spans;
  std::vector<std::uint8_t> bytes;
};

std::string formSave(SaveSubject* s, RomImage* rom) {
  auto ref = s->table->resolve(*rom, s->record.keys);
  if (!ref) return ref.message().toStdString();
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!s->table->encode(*rom, *ref, s->states[s->next], &writes, &error)) return error.message.toStdString();
  const SaveResult saved = applyWrites(*rom, writes, recordTx(s->table->name(), s->table->name(), {ref->keys}));
  if (!saved.status) return saved.status.message().toStdString();
  if (saved.bytesChanged == 0) return "the save changed nothing";
  s->next ^= 1;
  return {};
}

// Between saves, untimed, what the editor does once the user pauses: the
// image flushed, the log copied into the history file and started over.
void pairedJournalSave(benchmark::State& run, SaveSubject* s, RomImage* rom) {
  paired(run, [&] { return formSave(s, rom); }, [&] { return floorWrite(floorPath().constData(), s->spans, s->bytes); },
         [&] {
           rom->flushImage();
           rom->checkpointHistory(Journal::LogStart::Now);
         });
  if (s->next == 0) formSave(s, rom);  // back to the values found, untimed
}

std::unique_ptr<SaveSubject> prepareSave(const std::shared_ptr<const TableAdapter>& table, RomImage& rom,
                                         QString* why) {
  auto s = std::make_unique<SaveSubject>();
  s->table = table;
  auto records = table->records(rom, Workspace::instance().namesDir());
  if (!records || records->empty()) {
    *why = records ? QStringLiteral("no records") : records.message();
    return nullptr;
  }
  s->record = (*records)[records->size() / 2];
  auto mine = table->read(rom, s->record);
  if (!mine) {
    *why = mine.message();
    return nullptr;
  }
  s->states[0] = *mine;
  std::vector<ByteWrite> writes;
  auto edited = edit(*table, rom, s->record, *mine, 0, fileBytes(rom.romPath()), &writes);
  if (!edited) {
    *why = QStringLiteral("no value can be changed by one");
    return nullptr;
  }
  s->states[1] = *edited;
  s->spans = spansOf(writes);
  if (!floorRead(floorPath().constData(), s->spans, &s->bytes)) {
    *why = QStringLiteral("the floor read failed");
    return nullptr;
  }
  for (int i = 0; i < 2; ++i) {  // there and back: both saves work
    if (const std::string failed = formSave(s.get(), &rom); !failed.empty()) {
      *why = QString::fromStdString(failed);
      return nullptr;
    }
  }
  return s;
}

// The import of every Weapon record, from an export in which ATK was changed,
// in turn with the export as it was.
struct ImportSubject {
  QString files[2];
  int next = 1;
  std::vector<Span> runs;
  std::vector<std::uint8_t> bytes;
};

std::string runImport(ImportSubject* s) {
  if (cli({QStringLiteral("import"), Workspace::instance().romPath(), s->files[s->next]}) != 0) return "import failed";
  s->next ^= 1;
  return {};
}

std::unique_ptr<ImportSubject> prepareImport(QString* why) {
  auto s = std::make_unique<ImportSubject>();
  const QString dir = Workspace::instance().dir();
  s->files[0] = dir + QStringLiteral("/weapon-as-found.json");
  s->files[1] = dir + QStringLiteral("/weapon-atk.json");
  if (cli({QStringLiteral("export"), Workspace::instance().romPath(), QStringLiteral("Weapon"), QStringLiteral("--output"),
           s->files[0]}) != 0) {
    *why = QStringLiteral("the export failed");
    return nullptr;
  }
  QFile found(s->files[0]);
  found.open(QIODevice::ReadOnly);
  QJsonObject root = QJsonDocument::fromJson(found.readAll()).object();
  QJsonArray records = root.value(QStringLiteral("records")).toArray();
  for (QJsonValueRef r : records) {
    QJsonObject record = r.toObject();
    QJsonObject fields = record.value(QStringLiteral("fields")).toObject();
    fields.insert(QStringLiteral("ATK"), QString::number((fields.value(QStringLiteral("ATK")).toString().toInt() + 10) % 65536));
    record.insert(QStringLiteral("fields"), fields);
    r = record;
  }
  root.insert(QStringLiteral("records"), records);
  QFile changed(s->files[1]);
  if (records.size() != 989 || !changed.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      changed.write(QJsonDocument(root).toJson()) <= 0) {
    *why = QStringLiteral("the changed export cannot be written");
    return nullptr;
  }
  changed.close();
  // The runs the import writes, as its transaction recorded them: the floor writes the same.
  if (!runImport(s.get()).empty()) {
    *why = QStringLiteral("the import failed");
    return nullptr;
  }
  auto journal = systemJournalStore()->open(Workspace::instance().romPath(), false, nullptr);
  if (!journal || !*journal || !floorOfLast(**journal, &s->runs, &s->bytes)) {
    *why = QStringLiteral("the import left no transaction");
    return nullptr;
  }
  runImport(s.get());
  return s;
}

// The write session of that import, without its file: every Weapon record
// with its ATK moved by ten, encoded whole beforehand, is staged, then written
// as one transaction (lock, the runs recorded pending, image written and
// flushed, marked done), in turn with the records as they were.
struct ImportWriteSubject {
  std::vector<ByteWrite> writes[2];
  TxInfo info;
  int next = 1;
  std::vector<Span> runs;
  std::vector<std::uint8_t> bytes;
};

std::string importWrite(ImportWriteSubject* s, RomImage* rom) {
  const SaveResult saved = applyWrites(*rom, s->writes[s->next], s->info);
  if (!saved.status) return saved.status.message().toStdString();
  if (saved.bytesChanged == 0) return "the import changed nothing";
  s->next ^= 1;
  return {};
}

std::unique_ptr<ImportWriteSubject> prepareImportWrite(RomImage& rom, QString* why) {
  const TableAdapter* table = registry().find(QStringLiteral("Weapon"));
  auto records = table ? table->records(rom, Workspace::instance().namesDir()) : Result<std::vector<RecordRef>>::failure({});
  if (!records || records->size() != 989) {
    *why = QStringLiteral("the sample has no 989 Weapon records");
    return nullptr;
  }
  const std::vector<ControlRef> controls = table->controls();
  const auto atk = std::find_if(controls.begin(), controls.end(), [](const ControlRef& c) { return c.name == QLatin1String("ATK"); });
  if (atk == controls.end()) {
    *why = QStringLiteral("Weapon has no ATK");
    return nullptr;
  }
  auto s = std::make_unique<ImportWriteSubject>();
  QList<QVariantMap> keys;
  for (const RecordRef& record : *records) {
    auto state = table->read(rom, record);
    if (!state) {
      *why = state.message();
      return nullptr;
    }
    RecordState edited = *state;
    QString& value = edited[static_cast<size_t>(atk - controls.begin())].text;
    value = QString::number((value.toInt() + 10) % 65536);
    FieldError error;
    if (!table->encode(rom, record, *state, &s->writes[0], &error) || !table->encode(rom, record, edited, &s->writes[1], &error)) {
      *why = error.message;
      return nullptr;
    }
    keys << record.keys;
  }
  s->info = recordTx(QStringLiteral("import weapon-atk.json"), table->name(), keys);
  if (const std::string failed = importWrite(s.get(), &rom); !failed.empty()) {
    *why = QString::fromStdString(failed);
    return nullptr;
  }
  if (!rom.journal() || !floorOfLast(*rom.journal(), &s->runs, &s->bytes)) {
    *why = QStringLiteral("the write left no transaction");
    return nullptr;
  }
  importWrite(s.get(), &rom);  // back to the records as they were
  return s;
}

// An image whose history holds kHistoryTransactions form saves, spread over
// every table and the first records of each. The history is made through the
// Journal API on a memory file system, where a flush costs nothing, and then
// copied beside the image.
struct HistorySubject {
  QString image;
  std::int64_t fileBytes = 0;
};

std::unique_ptr<HistorySubject> prepareHistory(QString* why) {
  const QString scratchRoot = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  QTemporaryDir scratch(scratchRoot + QStringLiteral("/romtables-history-XXXXXX"));
  const QString built = scratch.filePath(QStringLiteral("image.nds"));
  auto s = std::make_unique<HistorySubject>();
  s->image = Workspace::instance().dir() + QStringLiteral("/history/image.nds");
  QDir().mkpath(QFileInfo(s->image).absolutePath());
  if (!QFile::copy(Workspace::instance().romPath(), built) || !QFile::copy(Workspace::instance().romPath(), s->image)) {
    *why = QStringLiteral("the image cannot be copied");
    return nullptr;
  }
  // Saves of up to 40 records of every table, each changing one value by one,
  // a different value for each record.
  struct Candidate {
    TxInfo info;
    std::vector<Run> runs;
  };
  std::vector<Candidate> candidates;
  RomImage rom;
  rom.setRomPath(built);
  const QByteArray bytes = fileBytes(built);
  for (const auto& table : registry().all()) {
    auto records = table->records(rom, Workspace::instance().namesDir());
    if (!records) continue;
    for (size_t i = 0; i < records->size() && i < 40; ++i) {
      const RecordRef& ref = (*records)[i];
      auto state = table->read(rom, ref);
      std::vector<ByteWrite> writes;
      if (!state || !edit(*table, rom, ref, *state, i * 7, bytes, &writes)) continue;
      Candidate c{recordTx(table->name(), table->name(), {ref.keys}), {}};
      std::map<std::int64_t, std::uint8_t> after;
      for (const ByteWrite& w : writes) {
        const auto old = static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(w.offset)]);
        after[w.offset] = static_cast<std::uint8_t>((old & ~w.mask) | (w.value & w.mask));
      }
      for (const auto& [offset, value] : after) {  // runs as a save groups them: bytes up to 64 apart
        if (c.runs.empty() || offset - (c.runs.back().offset + c.runs.back().before.size()) > 64)
          c.runs.push_back({offset, {}, {}});
        Run& run = c.runs.back();
        while (run.offset + run.before.size() < offset) {
          const char between = bytes[static_cast<qsizetype>(run.offset + run.before.size())];
          run.before.append(between);
          run.after.append(between);
        }
        run.before.append(bytes[static_cast<qsizetype>(offset)]);
        run.after.append(static_cast<char>(value));
      }
      candidates.push_back(std::move(c));
    }
  }
  if (candidates.empty()) {
    *why = QStringLiteral("no record differs between the two images");
    return nullptr;
  }
  {
    auto journal = systemJournalStore()->open(built, true, nullptr);
    if (!journal || !*journal) {
      *why = journal ? QStringLiteral("no history") : journal.message();
      return nullptr;
    }
    for (int k = 0; k < kHistoryTransactions; ++k) {
      const Candidate& c = candidates[static_cast<size_t>(k) % candidates.size()];
      auto id = (*journal)->begin(c.info, c.runs);
      if (!id || !(*journal)->finish(*id, TxState::Done)) {
        *why = id ? QStringLiteral("finish failed") : id.message();
        return nullptr;
      }
    }
  }  // closed: the WAL is folded into the file
  const QString history = historyPathBeside(s->image);
  QFile::remove(history);
  if (!QFile::copy(historyPathBeside(built), history)) {
    *why = QStringLiteral("the history cannot be copied");
    return nullptr;
  }
  s->fileBytes = QFileInfo(history).size();
  return s;
}

// The import and the history are prepared when first run (a second or two):
// a run filtered to other benchmarks does not wait for them.
void pairedImport(benchmark::State& run) {
  static QString why;
  static const std::unique_ptr<ImportSubject> s = prepareImport(&why);
  if (!s) {
    run.SkipWithError(why.toStdString().c_str());
    return;
  }
  paired(run, [&] { return runImport(s.get()); },
         [&] { return floorWrite(floorPath().constData(), s->runs, s->bytes); });
  if (s->next == 0) runImport(s.get());
}

void pairedImportWrite(benchmark::State& run, RomImage* rom) {
  static QString why;
  static const std::unique_ptr<ImportWriteSubject> s = prepareImportWrite(*rom, &why);
  if (!s) {
    run.SkipWithError(why.toStdString().c_str());
    return;
  }
  paired(run, [&] { return importWrite(s.get(), rom); },
         [&] { return floorWrite(floorPath().constData(), s->runs, s->bytes); });
  if (s->next == 0) importWrite(s.get(), rom);
}

void historyOfImage(benchmark::State& run) {
  static QString why;
  static const std::unique_ptr<HistorySubject> s = prepareHistory(&why);
  if (!s) {
    run.SkipWithError(why.toStdString().c_str());
    return;
  }
  std::int64_t printed = 0;
  for (auto _ : run) {
    QString out;
    if (cli({QStringLiteral("history"), s->image}, &out) != 0) {
      run.SkipWithError("history failed");
      break;
    }
    printed = out.size();
  }
  run.counters["file_bytes"] = static_cast<double>(s->fileBytes);
  run.counters["printed_chars"] = static_cast<double>(printed);
}

}  // namespace

void registerJournalBenchmarks() {
  static RomImage rom;
  rom.setRomPath(Workspace::instance().romPath());
  rom.setDeferredFlush(true);  // as the editor saves
  static std::vector<std::unique_ptr<SaveSubject>> saves;
  for (const auto& table : registry().all()) {
    QString why;
    auto subject = prepareSave(table, rom, &why);
    if (!subject) {
      std::fprintf(stderr, "Table %s left out of journal_save: %s\n", qPrintable(table->name()), qPrintable(why));
      continue;
    }
    saves.push_back(std::move(subject));
    benchmark::RegisterBenchmark(("journal_save/" + table->name().toStdString()).c_str(), pairedJournalSave,
                                 saves.back().get(), &rom)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  benchmark::RegisterBenchmark("import/Weapon_989_records", pairedImport)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("import_write/Weapon_989_records", pairedImportWrite, &rom)
      ->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("history/10000_transactions", historyOfImage)
      ->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace rt::bench
