// The table view on the largest tables: opening the Weapon and PSkills grids
// (the read of the table included), sorting the Weapon grid by a column,
// pasting 989 x 20 cells into it, and saving 989 edited records as one
// transaction, paired with the floor of their writes (open, one pwrite per
// range, fsync, close).

#include "bench/bench_main.h"
#include "bench/bench_support.h"
#include "ui/table_view.h"
#include "editors/all_tables.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>

#include <memory>

namespace rt::bench {
namespace {

struct Shared {
  std::shared_ptr<CountingSink> sink = std::make_shared<CountingSink>();
  std::unique_ptr<AppContext> context;
};

Shared& shared() {
  static Shared s;
  if (!s.context) {
    s.context = Workspace::instance().makeContext(s.sink);
    s.context->setTables(allTables());
  }
  return s;
}

void openGrid(benchmark::State& run, const QString& id) {
  Shared& s = shared();
  for (auto _ : run) {
    if (!showTableView(*s.context, id)) {
      run.SkipWithError(("did not open: " + s.sink->last.toStdString()).c_str());
      break;
    }
    settle();
    run.PauseTiming();
    s.context->closeAllForms();
    settle();
    run.ResumeTiming();
  }
}

TableView* weaponView(benchmark::State& run) {
  TableView* view = showTableView(*shared().context, QStringLiteral("Weapon"));
  if (!view) run.SkipWithError("the Weapon grid did not open");
  settle();
  return view;
}

void sortWeapons(benchmark::State& run) {
  TableView* view = weaponView(run);
  if (!view) return;
  const int column = view->model()->columnOfControl(0);  // ATK
  bool down = false;
  for (auto _ : run) {
    view->grid()->sortByColumn(column, down ? Qt::DescendingOrder : Qt::AscendingOrder);
    settle();
    down = !down;
  }
  shared().context->closeAllForms();
  settle();
}

// The first 20 controls of every weapon (numbers and combo boxes), each moved
// one step, as tab-separated text.
QString movedBlock(const GridModel& model) {
  QString block;
  const GridSource& source = model.source();
  for (int r = 0; r < model.rowCount(); ++r) {
    for (int c = 0; c < 20; ++c) {
      const ControlRef& control = source.controls()[static_cast<size_t>(c)];
      const Field& field = source.fields()[static_cast<size_t>(control.field)];
      const ControlValue& v = model.edits().value(r, c);
      if (c) block += u'\t';
      if (control.kind == ControlKind::Combo) {
        const QStringList* items = model.listOf(c);
        block += items ? items->at(v.row >= 0 && v.row + 1 < items->size() ? v.row + 1 : 0) : QStringLiteral("0");
        continue;
      }
      const int n = v.text.toInt();
      const int top = field.kind == FieldKind::Word ? 65535 : field.kind == FieldKind::SignedByte ? 127 : 255;
      block += QString::number(n < top ? n + 1 : n - 1);
    }
    block += u'\n';
  }
  return block;
}

void pasteWeapons(benchmark::State& run) {
  TableView* view = weaponView(run);
  if (!view) return;
  const QString block = movedBlock(*view->model());
  const QModelIndex corner = view->proxy()->index(0, view->model()->columnOfControl(0));
  for (auto _ : run) {
    view->grid()->setCurrentIndex(corner);
    view->grid()->selectionModel()->select(corner, QItemSelectionModel::ClearAndSelect);
    if (!view->pasteText(block) || view->model()->edits().editedRows() != view->model()->rowCount()) {
      run.SkipWithError(("the paste was refused: " + shared().sink->last.toStdString()).c_str());
      break;
    }
    run.PauseTiming();
    view->revert();
    run.ResumeTiming();
  }
  shared().context->closeAllForms();
  settle();
}

// The floor writes into a copy of the image of its own, as the journal benchmarks do.
const QByteArray& floorCopy() {
  static const QByteArray path = [] {
    const QString floor = Workspace::instance().dir() + QStringLiteral("/grid_floor.nds");
    QFile::copy(Workspace::instance().romPath(), floor);
    return QFile::encodeName(floor);
  }();
  return path;
}

// Every weapon's ATK moved by one and saved, then put back and saved: each
// save writes 989 records. Staging the edits is not timed; the save is
// GridEdits::save as the editor makes it (checking nothing further, the
// history's transaction and its flush, the write; the image's flush follows
// in the idle step, untimed).
void saveWeapons(benchmark::State& run) {
  static RomImage rom;
  rom.setRomPath(Workspace::instance().romPath());
  rom.setDeferredFlush(true);  // as the editor saves
  auto source = shared().context->gridViews().make(QStringLiteral("Weapon"), shared().context->tables());
  GridEdits edits(source, rom);
  auto rows = readGrid(*source, rom, Workspace::instance().namesDir());
  if (!rows) {
    run.SkipWithError(rows.message().toStdString().c_str());
    return;
  }
  edits.setRows(std::move(*rows));
  const int count = static_cast<int>(edits.rows().size());
  std::vector<QString> original;
  std::vector<ByteWrite> touched;
  for (int r = 0; r < count; ++r) {
    original.push_back(edits.value(r, 0).text);
    const std::int64_t at = edits.rows()[static_cast<size_t>(r)].ref.offset + source->fields()[0].offset;
    touched.push_back({at, 0, 0xFF});
    touched.push_back({at + 1, 0, 0xFF});
  }
  const std::vector<Span> spans = spansOf(touched);
  std::vector<std::uint8_t> bytes(static_cast<size_t>(totalBytes(spans)));
  if (!floorRead(floorCopy().constData(), spans, &bytes)) {
    run.SkipWithError("the floor's read failed");
    return;
  }
  bool moved = false;  // what the image holds
  auto stage = [&] {
    std::vector<CellValue> values;
    for (int r = 0; r < count; ++r) {
      ControlValue v;
      const int n = original[static_cast<size_t>(r)].toInt();
      v.text = moved ? original[static_cast<size_t>(r)] : QString::number(n < 65535 ? n + 1 : n - 1);
      values.push_back({r, 0, v});
    }
    edits.take(values);
    rom.flushImage();  // as the editor does when the user pauses
    rom.checkpointHistory(Journal::LogStart::Now);
  };
  auto save = [&]() -> std::string {
    const GridSaveResult saved = edits.save(QStringLiteral("TableView Weapon"), Workspace::instance().namesDir());
    if (!saved.status) return saved.status.message().toStdString();
    if (saved.records != count || saved.bytesChanged == 0) return "the save did not write every record";
    moved = !moved;
    return {};
  };
  paired(run, save, [&] { return floorWrite(floorCopy().constData(), spans, bytes); }, stage);
  if (moved) {  // back to the values found, untimed
    stage();
    save();
  }
}

}  // namespace

void registerGridBenchmarks() {
  for (const char* id : {"Weapon", "PSkills"}) {
    const std::string name = std::string("grid_open/") + id;
    benchmark::RegisterBenchmark(name.c_str(), openGrid, QString::fromLatin1(id))->Unit(benchmark::kMillisecond)->UseRealTime();
    noteBenchmark(name);
  }
  benchmark::RegisterBenchmark("grid_sort/Weapon_ATK", sortWeapons)->Unit(benchmark::kMillisecond)->UseRealTime();
  noteBenchmark("grid_sort/Weapon_ATK");
  benchmark::RegisterBenchmark("grid_paste/Weapon_989x20", pasteWeapons)->Unit(benchmark::kMillisecond)->UseRealTime();
  noteBenchmark("grid_paste/Weapon_989x20");
  benchmark::RegisterBenchmark("grid_save/Weapon_989_records", saveWeapons)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void releaseGrids() {
  Shared& s = shared();
  s.context->closeAllForms();
  s.context.reset();
  settle();
}

}  // namespace rt::bench
