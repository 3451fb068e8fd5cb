// romtables_bench: Google Benchmark over the codec, the forms and the name
// lists, on a temporary copy of the sample image, on Qt's offscreen platform
// unless QT_QPA_PLATFORM says otherwise.

#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "history/sqlite_journal.h"
#include "ui/menus.h"
#include "tools/sample_rom.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace rt::bench {

void noteTable(const std::string& table, int controls, int ranges, std::int64_t bytes) {
  RatioReporter::tables().push_back({table, controls, ranges, bytes});
}

void noteBenchmark(const std::string& name) { RatioReporter::others().push_back(name); }

namespace {

// What the first window of a run costs once per process (font database,
// style, platform plugin), which the repeated benchmarks no longer see.
double firstMainMenuSeconds() {
  const auto start = std::chrono::steady_clock::now();
  auto sink = std::make_shared<CountingSink>();
  auto context = Workspace::instance().makeContext(sink);
  auto menu = std::make_unique<MainMenu>(*context);
  registerMenus(*context, menu.get());
  menu->load();
  menu->show();
  QCoreApplication::processEvents();
  const auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double>(end - start).count();
}

// The offscreen platform warns at every raise() and size hint of a window;
// those lines would drown the figures. Everything else is passed on.
QtMessageHandler defaultHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support")) ||
      text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  defaultHandler(type, context, text);
}

}  // namespace
}  // namespace rt::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  benchmark::Initialize(&argc, argv);
  using namespace rt::bench;
  defaultHandler = qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  rt::setDefaultJournalStore(rt::systemJournalStore());  // every image journals into its SQLite history
  const double first = firstMainMenuSeconds();
  registerCodecBenchmarks();
  registerJournalBenchmarks();
  registerPatchBenchmarks();
  registerMergeBenchmarks();
  registerUiBenchmarks();
  registerGridBenchmarks();
  registerCheckBenchmarks();

  RatioReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                               : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  releaseUi();
  releaseGrids();

  std::printf("\nFirst main menu of the process (platform plugin, fonts, style; once per run): %.1f ms\n",
              first * 1e3);
  // Every save wrote back the values it read: the image must be as generated.
  QFile image(Workspace::instance().romPath());
  const auto expected = rt::sample::buildSampleRom();
  const bool same = image.open(QIODevice::ReadOnly) &&
                    image.readAll() == QByteArray(reinterpret_cast<const char*>(expected.data()),
                                                  static_cast<qsizetype>(expected.size()));
  std::printf("Image after the saves: %s\n", same ? "unchanged (every save wrote back what it read)"
                                                  : "CHANGED: a save without edits altered the image");
  return same ? 0 : 1;
}
