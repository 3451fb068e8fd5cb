// Merging two hacks of the sample image, each changing 1,000 byte fields of
// the pilot table (the first hack the first three combat stats of each pilot,
// the second the last three, so nothing conflicts), against the floor of
// reading the three images once.

#include "app/cli.h"
#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "editors/layout.h"
#include "image/byte_source.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace rt::bench {
namespace {

QString workPath(const char* name) { return QDir(Workspace::instance().dir()).filePath(QString::fromLatin1(name)); }

constexpr int kFields = 1000;
constexpr std::int64_t kCombatStats = 0x39;  // Ab(0)..Ab(5) of a pilot record

struct Hacks {
  QString clean = workPath("merge_clean.nds");
  QString a = workPath("merge_a.nds");
  QString b = workPath("merge_b.nds");
  Hacks() {
    QFile f(Workspace::instance().romPath());
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    write(clean, bytes);
    write(a, changed(bytes, 0));
    write(b, changed(bytes, 3));
  }
  // 1,000 fields: stats first..first+2 of pilot after pilot, each value one bit different.
  static QByteArray changed(QByteArray bytes, int first) {
    for (int n = 0; n < kFields; ++n) {
      const std::int64_t at = layout::kPilotBase + layout::kPilotStride * (n / 3) + kCombatStats + first + n % 3;
      bytes[static_cast<qsizetype>(at)] = static_cast<char>(bytes[static_cast<qsizetype>(at)] ^ 0x01);
    }
    return bytes;
  }
  static void write(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) {
      std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
      std::exit(1);
    }
  }
};
const Hacks& hacks() {
  static const Hacks files;
  return files;
}

void mergeTwoHacks(benchmark::State& state) {
  const QString out = workPath("merged.nds");
  for (auto _ : state) {
    QString text, err;
    QTextStream o(&text), e(&err);
    const int code = runCli({QStringLiteral("merge"), hacks().clean, hacks().a, hacks().b, QStringLiteral("--output"), out},
                            Workspace::instance().namesDir(), o, e);
    if (code != 0) {
      e.flush();
      state.SkipWithError(qPrintable(err));
      return;
    }
  }
}

// Each of the three images read once, front to back in blocks.
void readThreeImages(benchmark::State& state) {
  for (auto _ : state) {
    for (const QString& path : {hacks().clean, hacks().a, hacks().b}) {
      auto source = FileSource::open(path);
      auto crc = source ? crc32Of(**source) : Result<std::uint32_t>::failure(QStringLiteral("open"));
      if (!crc) {
        state.SkipWithError(qPrintable(crc.message()));
        return;
      }
      benchmark::DoNotOptimize(*crc);
    }
  }
}

}  // namespace

void registerMergeBenchmarks() {
  auto add = [](const char* name, auto fn) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    noteBenchmark(name);
  };
  add("merge/two_hacks_1000_fields_each", mergeTwoHacks);
  add("merge/floor_read_three_images", readThreeImages);
}

}  // namespace rt::bench
