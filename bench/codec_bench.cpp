// Reading and saving one record of every table through the codec, each paired
// with the least any program must do for the same bytes (the floor): open the
// file, one positioned read (or write and fsync) of the record's bytes, close.
// The read also runs on the image held in memory, which leaves the codec's own
// work (addressing, conversions to text, allocations) without system calls.

#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "editors/all_tables.h"
#include "tools/sample_rom.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace rt::bench {
namespace {

// One record of one table, with what the benchmarks need to repeat its read
// and its save: the address, the values it holds and where its bytes lie.
struct Subject {
  std::shared_ptr<const TableAdapter> table;
  RecordRef record;
  RecordState state;
  std::vector<Span> spans;
  std::vector<std::uint8_t> bytes;  // the record's bytes as found, for the write floor
  QByteArray path;
};

// The middle record: the first and last of a table are sometimes special.
std::unique_ptr<Subject> prepare(const std::shared_ptr<const TableAdapter>& table, RomImage& rom, QString* why) {
  auto subject = std::make_unique<Subject>();
  subject->table = table;
  subject->path = QFile::encodeName(rom.romPath());
  auto records = table->records(rom, Workspace::instance().namesDir());
  if (!records) {
    *why = records.message();
    return nullptr;
  }
  if (records->empty()) {
    *why = QStringLiteral("no records");
    return nullptr;
  }
  subject->record = (*records)[records->size() / 2];
  auto state = table->read(rom, subject->record);
  if (!state) {
    *why = state.message();
    return nullptr;
  }
  subject->state = *state;
  std::vector<ByteWrite> writes;
  FieldError error;
  if (!table->encode(rom, subject->record, subject->state, &writes, &error)) {
    *why = error.message;
    return nullptr;
  }
  if (writes.empty()) {
    *why = QStringLiteral("the record has no bytes");
    return nullptr;
  }
  subject->spans = spansOf(writes);
  if (!floorRead(subject->path.constData(), subject->spans, &subject->bytes)) {
    *why = QStringLiteral("the floor read failed");
    return nullptr;
  }
  return subject;
}

// One read through the codec, as the command line reads a record it is given
// by its keys: TableAdapter::fetch (address the record, open, read the fields,
// close; a table whose records are found by reading the image does both in
// one session). Gives the reason of a failure, or an empty text.
std::string codecRead(Subject* s, RomImage* rom) {
  auto fetched = s->table->fetch(*rom, s->record.keys);
  if (!fetched) return fetched.message().toStdString();
  benchmark::DoNotOptimize(fetched->state.data());
  return {};
}

// One save through the codec of the values the record holds (so the image
// never changes): address, convert and check, write in one session.
std::string codecSave(Subject* s, RomImage* rom, std::vector<ByteWrite>* writes) {
  auto ref = s->table->resolve(*rom, s->record.keys);
  if (!ref) return ref.message().toStdString();
  writes->clear();
  FieldError error;
  if (!s->table->encode(*rom, *ref, s->state, writes, &error)) return error.message.toStdString();
  const SaveResult saved = applyWrites(*rom, *writes, {});
  if (!saved.status) return saved.status.message().toStdString();
  return {};
}

void pairedRead(benchmark::State& run, Subject* s, RomImage* rom) {
  std::vector<std::uint8_t> buffer;
  paired(run, [&] { return codecRead(s, rom); },
         [&] { return floorRead(s->path.constData(), s->spans, &buffer); });
}

void pairedSave(benchmark::State& run, Subject* s, RomImage* rom) {
  std::vector<ByteWrite> writes;
  paired(run, [&] { return codecSave(s, rom, &writes); },
         [&] { return floorWrite(s->path.constData(), s->spans, s->bytes); });
}

void memoryRead(benchmark::State& run, Subject* s, RomImage* memoryRom) {
  for (auto _ : run) {
    const std::string failure = codecRead(s, memoryRom);
    if (!failure.empty()) {
      run.SkipWithError(failure.c_str());
      break;
    }
  }
}

}  // namespace

void registerCodecBenchmarks() {
  static RomImage rom;  // one image object for the whole run, as the program has
  rom.setRomPath(Workspace::instance().romPath());
  static RomImage memoryRom(std::make_shared<MemoryFileLayer>(sample::buildSampleRom()));
  memoryRom.setRomPath(Workspace::instance().romPath());
  static const TableRegistry registry = allTables();
  static std::vector<std::unique_ptr<Subject>> subjects;
  for (const auto& table : registry.all()) {
    QString why;
    auto subject = prepare(table, rom, &why);
    if (!subject) {
      std::fprintf(stderr, "Table %s left out: %s\n", qPrintable(table->name()), qPrintable(why));
      continue;
    }
    Subject* s = subject.get();
    subjects.push_back(std::move(subject));
    const std::string name = table->name().toStdString();
    benchmark::RegisterBenchmark(("read/" + name).c_str(), pairedRead, s, &rom)
        ->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark(("memory_read/" + name).c_str(), memoryRead, s, &memoryRom)
        ->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark(("save/" + name).c_str(), pairedSave, s, &rom)
        ->Unit(benchmark::kMicrosecond)->UseRealTime();
    noteTable(name, static_cast<int>(table->controls().size()), static_cast<int>(s->spans.size()),
              totalBytes(s->spans));
  }
}

}  // namespace rt::bench
