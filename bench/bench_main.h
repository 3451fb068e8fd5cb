#pragma once
// The groups of benchmarks, registered at start-up once the application and
// the workspace exist.

#include <cstdint>
#include <string>

namespace rt::bench {

void registerCodecBenchmarks();
void registerUiBenchmarks();
// Saves and an import with their history, and the history command.
void registerJournalBenchmarks();
// Diff, patches and `export --all` between whole images.
void registerPatchBenchmarks();
// Two hacks of the sample merged, against reading the three images once.
void registerMergeBenchmarks();
// The table view: opening, sorting, pasting, saving.
void registerGridBenchmarks();
// `check` of the whole sample against reading every table once.
void registerCheckBenchmarks();
// Drops the windows the UI benchmarks keep, while the application still exists.
void releaseUi();
void releaseGrids();

// Notes a table for the summary, in registration order: how many controls its
// record has, in how many separate byte ranges it lies and how many bytes in all.
void noteTable(const std::string& table, int controls, int ranges, std::int64_t bytes);
// Notes any other benchmark for the summary, in registration order.
void noteBenchmark(const std::string& name);

}  // namespace rt::bench
