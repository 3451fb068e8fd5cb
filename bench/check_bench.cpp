// `check` of the whole sample image against the floor of reading every table
// once (each table's records, listed before the loop, read with readMany: one
// session a table), timed in the same iterations; the ratio is a counter. The
// check's time includes its reading of the name lists, the floor's does not.

#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "editors/all_tables.h"
#include "model/table_check.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace rt::bench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void checkAgainstReading(benchmark::State& run) {
  const TableRegistry tables = allTables();
  const Workspace& w = Workspace::instance();
  RomImage rom;
  rom.setRomPath(w.romPath());
  std::vector<std::pair<const TableAdapter*, std::vector<RecordRef>>> listed;
  for (const auto& table : tables.all()) {
    auto refs = table->records(rom, w.namesDir());
    if (refs) listed.emplace_back(table.get(), std::move(*refs));
  }
  double checkTime = 0, floorTime = 0;
  std::size_t problems = 0, records = 0;
  for (auto _ : run) {
    const auto started = Clock::now();
    auto found = checkImage(rom, tables, w.namesDir());
    checkTime += seconds(started);
    if (!found) {
      run.SkipWithError(found.message().toStdString().c_str());
      return;
    }
    problems = found->size();
    const auto floorStarted = Clock::now();
    records = 0;
    for (const auto& [table, refs] : listed) {
      auto read = table->readMany(rom, refs);
      if (read) records += read->size();
    }
    floorTime += seconds(floorStarted);
  }
  const double n = static_cast<double>(run.iterations());
  run.counters["check_ms"] = checkTime / n * 1e3;
  run.counters["floor_ms"] = floorTime / n * 1e3;
  run.counters["ratio"] = floorTime > 0 ? checkTime / floorTime : 0;
  run.counters["problems"] = static_cast<double>(problems);
  run.counters["records_read"] = static_cast<double>(records);
}

}  // namespace

void registerCheckBenchmarks() {
  benchmark::RegisterBenchmark("check/sample_vs_reading_every_table", checkAgainstReading)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  noteBenchmark("check/sample_vs_reading_every_table");
}

}  // namespace rt::bench
