// Opening every editor offscreen (its name lists, its widgets, its first
// record), reaching the main menu, and reading name lists.

#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "model/name_list.h"
#include "ui/menus.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>

namespace rt::bench {
namespace {

struct Shared {
  std::shared_ptr<CountingSink> sink = std::make_shared<CountingSink>();
  std::unique_ptr<AppContext> context;
  std::unique_ptr<MainMenu> menu;
};

Shared& shared() {
  static Shared s;
  return s;
}

void openForm(benchmark::State& run, const QString& name) {
  Shared& s = shared();
  const int messagesBefore = s.sink->count;
  for (auto _ : run) {
    QWidget* form = s.context->showForm(name);
    if (!form) {
      run.SkipWithError(("did not open: " + s.sink->last.toStdString()).c_str());
      break;
    }
    settle();
    run.PauseTiming();
    s.context->closeAllForms();
    settle();
    run.ResumeTiming();
  }
  if (s.sink->count != messagesBefore && !run.error_occurred())
    run.SkipWithError(("reported: " + s.sink->last.toStdString()).c_str());
}

void startToMainMenu(benchmark::State& run) {
  auto sink = std::make_shared<CountingSink>();
  for (auto _ : run) {
    auto context = Workspace::instance().makeContext(sink);
    auto menu = std::make_unique<MainMenu>(*context);
    registerMenus(*context, menu.get());
    menu->load();
    menu->show();
    settle();
    run.PauseTiming();
    menu.reset();
    context.reset();
    settle();
    run.ResumeTiming();
  }
  if (sink->count) run.SkipWithError(("reported: " + sink->last.toStdString()).c_str());
}

void loadList(benchmark::State& run, const QString& dir, const QString& file, int count) {
  for (auto _ : run) {
    auto items = loadNameList(dir, file, count);
    if (!items) {
      run.SkipWithError(items.message().toStdString().c_str());
      break;
    }
    benchmark::DoNotOptimize(items->constData());
  }
}

// A list of 10,000 items as a large user list would be: Chinese and Latin
// text, some quoted items holding commas, CRLF line ends, a BOM.
QString writeLargeList(const QString& dir) {
  const QString file = QStringLiteral("large_10000.txt");
  QString text = QStringLiteral("\uFEFF");
  for (int i = 0; i < 10000; ++i) {
    if (i % 10 == 3)
      text += QStringLiteral("\"機體 %1, 改\"\r\n").arg(i);
    else
      text += QStringLiteral("武器名稱 Weapon-%1\r\n").arg(i);
  }
  QFile out(dir + QLatin1Char('/') + file);
  if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0) {
    std::fprintf(stderr, "Cannot write %s\n", qPrintable(out.fileName()));
    std::exit(1);
  }
  return file;
}

}  // namespace

void registerUiBenchmarks() {
  Shared& s = shared();
  const Workspace& ws = Workspace::instance();
  s.context = ws.makeContext(s.sink);
  s.menu = std::make_unique<MainMenu>(*s.context);
  registerMenus(*s.context, s.menu.get());
  s.menu->load();

  noteBenchmark("start/main_menu");
  benchmark::RegisterBenchmark("start/main_menu", startToMainMenu)->Unit(benchmark::kMillisecond)->UseRealTime();

  QStringList forms = s.context->menus().forms(MenuKind::Main);
  forms += s.context->menus().forms(MenuKind::Skills);
  for (const QString& name : forms) {
    if (!s.context->hasForm(name)) {
      std::fprintf(stderr, "Form %s is not registered yet; left out.\n", qPrintable(name));
      continue;
    }
    noteBenchmark("open_form/" + name.toStdString());
    benchmark::RegisterBenchmark(("open_form/" + name.toStdString()).c_str(), openForm, name)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }

  noteBenchmark("name_list/Weapons.txt_989");
  noteBenchmark("name_list/10000_items");
  benchmark::RegisterBenchmark("name_list/Weapons.txt_989", loadList, ws.namesDir(), QStringLiteral("Weapons.txt"), 989)
      ->Unit(benchmark::kMicrosecond)->UseRealTime();
  const QString large = writeLargeList(ws.dir());
  benchmark::RegisterBenchmark("name_list/10000_items", loadList, ws.dir(), large, 10000)
      ->Unit(benchmark::kMicrosecond)->UseRealTime();
}

void releaseUi() {
  Shared& s = shared();
  if (s.context) s.context->closeAllForms();
  s.menu.reset();
  s.context.reset();
  settle();
}

}  // namespace rt::bench
