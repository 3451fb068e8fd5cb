#pragma once
// What the benchmarks share: a temporary copy of the sample image, the name
// lists, a context without dialogs, and the bare file accesses a record needs
// (the floor the codec is compared with).

#include "model/record_codec.h"
#include "ui/app_context.h"

#include <QString>

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace rt::bench {

// A file dialog that always picks `path`; nothing is shown.
class FixedChooser final : public FileChooser {
 public:
  explicit FixedChooser(QString path) : path_(std::move(path)) {}
  QString chooseRomImage(QWidget*, const QString&) override { return path_; }

 private:
  QString path_;
};

// Counts messages instead of showing them; a benchmark that provokes one is
// not measuring what it claims, so the run reports them.
class CountingSink final : public MessageSink {
 public:
  int count = 0;
  QString last;
  void error(QWidget*, const QString&, const QString& text) override {
    ++count;
    last = text;
  }
  // Notices are not failures; a question is answered No, as a dismissed one is.
  void info(QWidget*, const QString&, const QString&) override {}
  bool ask(QWidget*, const QString&, const QString&) override { return false; }
};

// The workspace of one run: a temporary folder with a copy of the sample
// image and generated name lists.
class Workspace {
 public:
  static Workspace& instance();
  const QString& romPath() const { return romPath_; }
  const QString& namesDir() const { return namesDir_; }
  const QString& dir() const { return dirPath_; }
  // A context on the copy, with every form registered.
  std::unique_ptr<AppContext> makeContext(std::shared_ptr<CountingSink> sink) const;

 private:
  Workspace();
  QTemporaryDir dir_;
  QString dirPath_;
  QString romPath_;
  QString namesDir_;
};

// Files held in memory: the image's bytes, read once. A codec run on it costs
// what the codec itself does (conversions, allocations), without system calls.
class MemoryFileLayer final : public FileLayer {
 public:
  explicit MemoryFileLayer(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override;

 private:
  std::vector<std::uint8_t> bytes_;
};

// Byte ranges [start, end) of a record, from the bytes its save writes. Ranges
// further apart than a page are kept apart: one read of everything between two
// distant parts would be a floor no reader needs.
struct Span {
  std::int64_t start = 0;
  std::int64_t end = 0;
};
std::vector<Span> spansOf(const std::vector<ByteWrite>& writes);
std::int64_t totalBytes(const std::vector<Span>& spans);

// The floor of a read: open read-only, one pread per span, close.
// Returns false when a call failed.
bool floorRead(const char* path, const std::vector<Span>& spans, std::vector<std::uint8_t>* buffer);
// The floor of a save: open read-write, one pwrite per span of `bytes` (laid
// out as floorRead filled them), fsync, close.
bool floorWrite(const char* path, const std::vector<Span>& spans, const std::vector<std::uint8_t>& bytes);

// Lets the window system deliver what a show queued (expose, first paint),
// and runs deferred deletes.
void settle();

// Each iteration runs the codec and the floor back to back, in alternating
// order, and times each: both see the same moment of a busy machine (a shared
// disk makes one fsync take 0.1 ms and the next 4 ms), so their ratio holds
// where two separate benchmarks would not. The time of the pair is the
// benchmark's time; the two parts are the counters "codec" and "floor"
// (seconds per record). `codec` gives the reason of a failure or an empty
// text; `floor` gives false when a system call failed. `stage`, when given,
// runs untimed before each pair (a grid's edits, taken again for each save).
template <typename Codec, typename Floor, typename Stage = std::nullptr_t>
void paired(benchmark::State& run, Codec codec, Floor floor, Stage stage = nullptr) {
  using Clock = std::chrono::steady_clock;
  double codecSeconds = 0, floorSeconds = 0;
  bool codecFirst = true;
  for (auto _ : run) {
    if constexpr (!std::is_same_v<Stage, std::nullptr_t>) {
      run.PauseTiming();
      stage();
      run.ResumeTiming();
    }
    std::string codecFailure;
    bool floorDone = true;
    auto runCodec = [&] { codecFailure = codec(); };
    auto runFloor = [&] { floorDone = floor(); };
    const auto t0 = Clock::now();
    codecFirst ? runCodec() : runFloor();
    const auto t1 = Clock::now();
    codecFirst ? runFloor() : runCodec();
    const auto t2 = Clock::now();
    const double first = std::chrono::duration<double>(t1 - t0).count();
    const double second = std::chrono::duration<double>(t2 - t1).count();
    codecSeconds += codecFirst ? first : second;
    floorSeconds += codecFirst ? second : first;
    codecFirst = !codecFirst;
    if (!codecFailure.empty() || !floorDone) {
      run.SkipWithError(codecFailure.empty() ? "the floor's system call failed" : codecFailure.c_str());
      break;
    }
  }
  run.counters["codec"] = benchmark::Counter(codecSeconds, benchmark::Counter::kAvgIterations);
  run.counters["floor"] = benchmark::Counter(floorSeconds, benchmark::Counter::kAvgIterations);
}

}  // namespace rt::bench
