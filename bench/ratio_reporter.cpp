#include "bench/ratio_reporter.h"

#include <cstdio>
#include <ostream>
#include <set>

namespace rt::bench {
namespace {

std::string human(double seconds) {
  char text[32];
  if (seconds >= 1.0)
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  else if (seconds >= 1e-3)
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  else
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
  return text;
}

// "codec_read/Pilot" -> {"codec_read", "Pilot"}.
std::pair<std::string, std::string> split(const std::string& name) {
  const auto slash = name.find('/');
  if (slash == std::string::npos) return {name, {}};
  return {name.substr(0, slash), name.substr(slash + 1)};
}

}  // namespace

std::vector<RatioReporter::Table>& RatioReporter::tables() {
  static std::vector<Table> all;
  return all;
}

std::vector<std::string>& RatioReporter::others() {
  static std::vector<std::string> all;
  return all;
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const std::string name = run.run_name.function_name;
    const bool median = run.run_type == Run::RT_Aggregate;
    if (median && run.aggregate_name != "median") continue;
    Figure& f = figures_[name];
    if (run.error_occurred) {
      f.error = run.error_message;
      continue;
    }
    // A median outranks single repetitions; without repetitions the one run is the figure.
    if (f.median && !median) continue;
    f.median = median;
    f.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    if (auto c = run.counters.find("codec"); c != run.counters.end()) f.codec = c->second.value;
    if (auto c = run.counters.find("floor"); c != run.counters.end()) f.floor = c->second.value;
    for (const auto& [key, counter] : run.counters) f.counters[key] = counter.value;
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  auto figure = [&](const std::string& kind, const std::string& table) -> const Figure* {
    auto it = figures_.find(kind + "/" + table);
    return it == figures_.end() ? nullptr : &it->second;
  };
  auto failed = [](const Figure* f) { return !f || !f->error.empty(); };
  auto cell = [&](const Figure* f, double value) { return !f ? std::string("-") : failed(f) ? "error" : human(value); };

  char line[256];
  out << "\nCodec / floor, real time per record (median of the repetitions); '!' marks a ratio above " << kLimit
      << ".\nEach codec figure is measured in the same iterations as its floor, alternating.\n"
         "'in memory': the same codec read on the image held in memory, i.e. without system calls.\n";
  std::snprintf(line, sizeof line, "%-22s %8s %13s | %10s %10s %10s %6s | %10s %10s %6s\n", "table", "controls",
                "bytes(ranges)", "read codec", "in memory", "read floor", "ratio", "save codec", "save floor",
                "ratio");
  out << line;
  for (const Table& t : tables()) {
    const Figure* read = figure("read", t.name);
    const Figure* save = figure("save", t.name);
    if (!read && !save) continue;  // filtered out
    const Figure* pairs[2] = {read, save};
    char ratios[2][16];
    for (int k = 0; k < 2; ++k) {
      const Figure* f = pairs[k];
      if (!failed(f) && f->floor > 0) {
        const double ratio = f->codec / f->floor;
        std::snprintf(ratios[k], sizeof ratios[k], "%.2f%s", ratio, ratio > kLimit ? "!" : " ");
        if (ratio > kLimit) ++findings_;
      } else {
        std::snprintf(ratios[k], sizeof ratios[k], "-");
      }
    }
    const Figure* memory = figure("memory_read", t.name);
    char where[48];
    std::snprintf(where, sizeof where, "%lld (%d)", static_cast<long long>(t.bytes), t.ranges);
    std::snprintf(line, sizeof line, "%-22s %8d %13s | %10s %10s %10s %6s | %10s %10s %6s\n", t.name.c_str(),
                  t.controls, where, cell(read, read ? read->codec : 0).c_str(),
                  cell(memory, memory ? memory->seconds : 0).c_str(), cell(read, read ? read->floor : 0).c_str(),
                  ratios[0], cell(save, save ? save->codec : 0).c_str(), cell(save, save ? save->floor : 0).c_str(),
                  ratios[1]);
    out << line;
  }
  out << "Ratios above " << kLimit << ": " << findings_ << "\n";

  auto ratioText = [&](const Figure* f, double limit) {
    if (failed(f) || f->floor <= 0) return std::string("-");
    const double ratio = f->codec / f->floor;
    if (ratio > limit) ++findings_;
    std::snprintf(line, sizeof line, "%.2f%s", ratio, ratio > limit ? "!" : " ");
    return std::string(line);
  };
  bool saves = false;
  for (const Table& t : tables()) {
    const Figure* f = figure("journal_save", t.name);
    if (!f) continue;
    if (!saves) {
      out << "\nSaves that change their record as the editor saves, with the history (lock, transaction recorded\n"
             "and flushed, image written; its flush left to the idle step), against the floor (open, pwrite of\n"
             "the same bytes, fsync, close), real time per save, each after the editor's idle step (the image\n"
             "flushed, the log copied; untimed); '!' marks a ratio above "
          << kJournalLimit << ".\n";
      std::snprintf(line, sizeof line, "%-22s %12s %12s %7s\n", "table", "save+history", "floor", "ratio");
      out << line;
      saves = true;
    }
    const std::string ratio = ratioText(f, kJournalLimit);
    std::snprintf(line, sizeof line, "%-22s %12s %12s %7s\n", t.name.c_str(), cell(f, f->codec).c_str(),
                  cell(f, f->floor).c_str(), ratio.c_str());
    out << line;
  }
  if (const Figure* f = figure("import", "Weapon_989_records")) {
    const std::string ratio = ratioText(f, kJournalLimit);
    out << "\nImport of all 989 Weapon records (an edited export) as one transaction, in process: "
        << cell(f, f->codec) << "; floor (open, one pwrite per run, fsync, close): " << cell(f, f->floor)
        << "; ratio " << ratio << " (limit " << kJournalLimit << ")\n";
  }
  if (const Figure* f = figure("import_write", "Weapon_989_records")) {
    const std::string ratio = ratioText(f, kJournalLimit);
    out << "Its write session alone (989 encoded records staged, one transaction), in process: " << cell(f, f->codec)
        << "; floor: " << cell(f, f->floor) << "; ratio " << ratio << " (limit " << kJournalLimit << ")\n";
  }
  if (const Figure* f = figure("grid_save", "Weapon_989_records")) {
    const std::string ratio = ratioText(f, kJournalLimit);
    out << "Table view: Save of all 989 Weapon records edited, one transaction: " << cell(f, f->codec)
        << "; floor (open, one pwrite per range, fsync, close): " << cell(f, f->floor) << "; ratio " << ratio
        << " (limit " << kJournalLimit << ")\n";
  }
  if (const Figure* f = figure("history", "10000_transactions")) {
    const double bytes = f->counters.count("file_bytes") ? f->counters.at("file_bytes") : 0;
    const bool slow = !failed(f) && f->seconds > kHistorySeconds, big = bytes > kHistoryFileBytes;
    findings_ += slow + big;
    std::snprintf(line, sizeof line, "%.2f MiB", bytes / (1024.0 * 1024.0));
    out << "`history` of an image with 10,000 transactions, in process: " << cell(f, f->seconds)
        << (slow ? "!" : "") << " (limit " << human(kHistorySeconds) << "); history file " << line
        << (big ? "!" : "") << " (limit 5 MiB)\n";
  }

  out << "\nForms, menus and name lists, real time (median when repeated)\n";
  for (const std::string& name : others()) {
    if (!figures_.count(name)) continue;  // filtered out
    const Figure& f = figures_[name];
    std::snprintf(line, sizeof line, "  %-40s %12s%s%s\n", name.c_str(),
                  f.error.empty() ? human(f.seconds).c_str() : "error",
                  f.error.empty() ? "" : ": ", f.error.c_str());
    out << line;
  }
  for (const auto& [name, f] : figures_) {
    const std::string kind = split(name).first;
    if (!f.error.empty() && kind != "start" && kind != "open_form" && kind != "name_list")
      out << "Error in " << name << ": " << f.error << "\n";
  }
  out.flush();
}

}  // namespace rt::bench
