// Comparisons, patches and whole-image dumps, in process: the field-level diff
// of two 10 MiB images over every table, BPS and IPS patches between them and
// between two 256 MiB sparse images with a few changes, applying a patch, and
// `export --all`.

#include "app/cli.h"
#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "compare/image_diff.h"
#include "compare/patch.h"
#include "editors/all_tables.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <random>

namespace rt::bench {
namespace {

const TableRegistry& registry() {
  static const TableRegistry all = allTables();
  return all;
}

QString workPath(const char* name) { return QDir(Workspace::instance().dir()).filePath(QString::fromLatin1(name)); }

void writeBytes(const QString& path, const QByteArray& bytes, qint64 size = -1) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
      (size >= 0 && !f.resize(size))) {
    std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

// The sample image and a copy with 40 seeded bytes changed: inside the tables
// (a record's field or flag) and outside them.
struct TenMiB {
  QString clean = workPath("diff_clean.nds");
  QString modified = workPath("diff_modified.nds");
  TenMiB() {
    QFile f(Workspace::instance().romPath());
    f.open(QIODevice::ReadOnly);
    QByteArray bytes = f.readAll();
    writeBytes(clean, bytes);
    std::mt19937 random(14);
    const auto& tables = registry().all();
    for (int i = 0; i < 40; ++i) {
      const TableAdapter& t = *tables[random() % tables.size()];
      const std::int64_t at = i % 4 == 0 ? static_cast<std::int64_t>(random() % bytes.size())
                                         : t.base() + t.stride() * static_cast<std::int64_t>(random() % std::max(1, t.count()));
      bytes[static_cast<qsizetype>(at)] = static_cast<char>(bytes[static_cast<qsizetype>(at)] ^ (1 << (random() % 8)));
    }
    writeBytes(modified, bytes);
  }
};
const TenMiB& tenMiB() {
  static const TenMiB files;
  return files;
}

// Two 256 MiB sparse images, the second with four changes.
struct Sparse {
  QString clean = workPath("sparse_clean.nds");
  QString modified = workPath("sparse_modified.nds");
  Sparse() {
    constexpr qint64 kSize = qint64{256} << 20;
    writeBytes(clean, {}, kSize);
    writeBytes(modified, {}, kSize);
    QFile f(modified);
    f.open(QIODevice::ReadWrite);
    for (qint64 at : {qint64{0x1000}, qint64{0x123456}, qint64{0x4000000}, kSize - 2}) {
      f.seek(at);
      f.write("\x5A", 1);
    }
  }
};
const Sparse& sparse() {
  static const Sparse files;
  return files;
}

void diffTenMiB(benchmark::State& state) {
  ImageDiffRequest request;
  request.clean = tenMiB().clean;
  request.modified = tenMiB().modified;
  request.namesDir = Workspace::instance().namesDir();
  std::size_t changes = 0;
  for (auto _ : state) {
    auto diff = diffImages(registry(), request);
    if (!diff) {
      state.SkipWithError(qPrintable(diff.message()));
      return;
    }
    changes = diff->changes.size() + diff->outside.size();
  }
  state.counters["listed"] = static_cast<double>(changes);
}

void patchBetween(benchmark::State& state, const QString& clean, const QString& modified, PatchFormat format) {
  const QString out = workPath(format == PatchFormat::Bps ? "bench.bps" : "bench.ips");
  std::int64_t size = 0;
  for (auto _ : state) {
    auto a = FileSource::open(clean);
    auto b = FileSource::open(modified);
    auto made = a && b ? makePatch(format, **a, **b, out) : Result<PatchSummary>::failure(QStringLiteral("open"));
    if (!made) {
      state.SkipWithError(qPrintable(made.message()));
      return;
    }
    size = made->patchSize;
  }
  state.counters["patch_bytes"] = static_cast<double>(size);
}

void applyTenMiB(benchmark::State& state) {
  const QString patch = workPath("apply.bps");
  {
    auto a = FileSource::open(tenMiB().clean);
    auto b = FileSource::open(tenMiB().modified);
    if (!a || !b || !makePatch(PatchFormat::Bps, **a, **b, patch)) {
      state.SkipWithError("the patch could not be made");
      return;
    }
  }
  for (auto _ : state) {
    auto p = FileSource::open(patch);
    auto source = FileSource::open(tenMiB().clean);
    auto applied = p && source ? applyPatch(**p, **source, workPath("applied.nds")) : Result<PatchSummary>::failure(QStringLiteral("open"));
    if (!applied) {
      state.SkipWithError(qPrintable(applied.message()));
      return;
    }
  }
}

void exportAll(benchmark::State& state, const char* format) {
  const QString dir = workPath("dump");
  for (auto _ : state) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = runCli({QStringLiteral("export"), Workspace::instance().romPath(), QStringLiteral("--all"),
                             QStringLiteral("--output"), dir, QStringLiteral("--format"), QString::fromLatin1(format)},
                            Workspace::instance().namesDir(), o, e);
    if (code != 0) {
      e.flush();
      state.SkipWithError(qPrintable(err));
      return;
    }
  }
}

}  // namespace

void registerPatchBenchmarks() {
  auto add = [](const char* name, auto fn) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    noteBenchmark(name);
  };
  add("diff/10MiB_every_table", diffTenMiB);
  add("patch/bps_10MiB", [](benchmark::State& s) { patchBetween(s, tenMiB().clean, tenMiB().modified, PatchFormat::Bps); });
  add("patch/ips_10MiB", [](benchmark::State& s) { patchBetween(s, tenMiB().clean, tenMiB().modified, PatchFormat::Ips); });
  add("patch/bps_256MiB_sparse", [](benchmark::State& s) { patchBetween(s, sparse().clean, sparse().modified, PatchFormat::Bps); });
  add("apply/bps_10MiB", applyTenMiB);
  add("export_all/json", [](benchmark::State& s) { exportAll(s, "json"); });
  add("export_all/csv", [](benchmark::State& s) { exportAll(s, "csv"); });
}

}  // namespace rt::bench
