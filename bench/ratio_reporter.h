#pragma once
// The console output of Google Benchmark, followed by two summaries: for every
// table the codec's time over the floor's (read and save, from the counters of
// the paired benchmarks), and the time of everything else (forms, menus, name
// lists).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>

namespace rt::bench {

class RatioReporter final : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

  struct Table {
    std::string name;
    int controls = 0;
    int ranges = 0;
    std::int64_t bytes = 0;
  };
  static std::vector<Table>& tables();
  static std::vector<std::string>& others();

  // Ratios above this are findings.
  static constexpr double kLimit = 2.0;
  // Writes with their history: a save or an import over its floor, the
  // history of 10,000 transactions, its file.
  static constexpr double kJournalLimit = 3.0;
  static constexpr double kHistorySeconds = 0.1;
  static constexpr double kHistoryFileBytes = 5.0 * 1024 * 1024;
  int findings() const { return findings_; }

 private:
  struct Figure {
    double seconds = 0;  // per iteration, real time
    double codec = 0;    // paired benchmarks: seconds of each part
    double floor = 0;
    std::map<std::string, double> counters;  // any other
    bool median = false;
    std::string error;
  };
  std::map<std::string, Figure> figures_;
  int findings_ = 0;
};

}  // namespace rt::bench
