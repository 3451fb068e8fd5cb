// romtables_export_bench: runs `romtables-cli export IMAGE TABLE` for every
// table, on the sample image and on a large sparse image that starts with the
// sample's bytes, and reports per run the wall time, the child's peak resident
// memory and the bytes it read through system calls. A reader that touched the
// whole file would show both growing with the image; the command line must not.
//
// Usage: romtables_export_bench --cli PATH --work DIR [--runs N] [--size-mib M]

#include "tools/sample_rom.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Options {
  std::string cli;
  std::string work;
  int runs = 3;
  long long sizeMiB = 512;
};

struct Measure {
  double seconds = 0;
  long maxRssKiB = 0;
  long long readChars = -1;  // bytes passed by read/pread calls; -1 if not available
  int exitCode = -1;
};

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "romtables_export_bench: %s\n", what.c_str());
  std::exit(2);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) die(a + " needs a value");
      return argv[++i];
    };
    if (a == "--cli") o.cli = value();
    else if (a == "--work") o.work = value();
    else if (a == "--runs") o.runs = std::max(1, std::atoi(value().c_str()));
    else if (a == "--size-mib") o.sizeMiB = std::max(16LL, std::atoll(value().c_str()));
    else die("unknown argument " + a);
  }
  if (o.cli.empty() || o.work.empty()) die("usage: --cli PATH --work DIR [--runs N] [--size-mib M]");
  return o;
}

void writeAll(int fd, const std::vector<std::uint8_t>& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (put <= 0) die("cannot write " + path + ": " + std::strerror(errno));
    done += static_cast<std::size_t>(put);
  }
}

// Our own scratch file: created (or emptied) here, then sized without writing
// the gap, so it takes no more disk than the sample's bytes.
void makeImage(const std::string& path, const std::vector<std::uint8_t>& bytes, long long size) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) die("cannot create " + path + ": " + std::strerror(errno));
  if (size > 0 && ::ftruncate(fd, static_cast<off_t>(size)) != 0) die("cannot size " + path);
  writeAll(fd, bytes, path);
  ::close(fd);
}

long long readCharsOf(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  std::string key;
  long long value;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

Measure run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  Measure m;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) die("fork failed");
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    std::_Exit(127);
  }
  // Wait without reaping first, so the child's I/O counters can still be read.
  siginfo_t info{};
  ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  const auto end = std::chrono::steady_clock::now();
  m.readChars = readCharsOf(pid);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  m.seconds = std::chrono::duration<double>(end - start).count();
  m.maxRssKiB = usage.ru_maxrss;
  m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return m;
}

// Median time, largest memory and read count of `runs` runs.
Measure repeat(const std::vector<std::string>& args, int runs) {
  std::vector<Measure> all;
  for (int i = 0; i < runs; ++i) all.push_back(run(args));
  std::vector<double> times;
  Measure out;
  for (const Measure& m : all) {
    times.push_back(m.seconds);
    out.maxRssKiB = std::max(out.maxRssKiB, m.maxRssKiB);
    out.readChars = std::max(out.readChars, m.readChars);
    if (m.exitCode != 0) out.exitCode = m.exitCode;
  }
  if (out.exitCode == -1) out.exitCode = 0;
  std::sort(times.begin(), times.end());
  out.seconds = times[times.size() / 2];
  return out;
}

std::vector<std::string> tableNames(const std::string& cli) {
  const std::string command = "'" + cli + "' tables";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) die("cannot run " + command);
  std::vector<std::string> names;
  char line[1024];
  bool header = true;
  while (std::fgets(line, sizeof line, pipe)) {
    if (header) {
      header = false;
      continue;
    }
    char name[256];
    if (std::sscanf(line, "%255s", name) == 1) names.emplace_back(name);
  }
  if (::pclose(pipe) != 0 || names.empty()) die(command + " failed or listed no table");
  return names;
}

std::string mib(long long bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  const auto sample = rt::sample::buildSampleRom();
  const std::string small = o.work + "/export_sample.nds";
  const std::string large = o.work + "/export_sparse.nds";
  const long long largeSize = o.sizeMiB * 1024 * 1024;
  makeImage(small, sample, 0);
  makeImage(large, sample, largeSize);
  struct stat info {};
  ::stat(large.c_str(), &info);
  std::printf("Images: sample %s; sparse %s (%s on disk)\n", mib(static_cast<long long>(sample.size())).c_str(),
              mib(largeSize).c_str(), mib(static_cast<long long>(info.st_blocks) * 512).c_str());

  // The process alone, to tell start-up from the export's own work.
  const Measure baseline = repeat({o.cli, "tables"}, o.runs);
  std::printf("`romtables-cli tables` (start-up, no image): %.1f ms, peak %ld KiB\n\n", baseline.seconds * 1e3,
              baseline.maxRssKiB);

  std::printf("romtables-cli export, median of %d run(s); memory = peak resident set of the child,\n"
              "read = bytes passed by read calls (program, libraries' headers, name lists, image)\n",
              o.runs);
  std::printf("%-24s | %9s %10s %10s | %9s %10s %10s | %9s %10s\n", "table", "sample", "memory", "read", "sparse",
              "memory", "read", "d memory", "d read");
  long worstGrowthKiB = 0;
  long long worstReadGrowth = 0;
  double totalSmall = 0, totalLarge = 0;
  long peakSmall = 0, peakLarge = 0;
  int failures = 0;
  for (const std::string& table : tableNames(o.cli)) {
    const Measure a = repeat({o.cli, "export", small, table}, o.runs);
    const Measure b = repeat({o.cli, "export", large, table}, o.runs);
    const long growth = b.maxRssKiB - a.maxRssKiB;
    const long long readGrowth = b.readChars - a.readChars;
    worstGrowthKiB = std::max(worstGrowthKiB, growth);
    worstReadGrowth = std::max(worstReadGrowth, readGrowth);
    totalSmall += a.seconds;
    totalLarge += b.seconds;
    peakSmall = std::max(peakSmall, a.maxRssKiB);
    peakLarge = std::max(peakLarge, b.maxRssKiB);
    std::printf("%-24s | %6.1f ms %6ld KiB %8lld B | %6.1f ms %6ld KiB %8lld B | %5ld KiB %8lld B%s\n",
                table.c_str(), a.seconds * 1e3, a.maxRssKiB, a.readChars, b.seconds * 1e3, b.maxRssKiB, b.readChars,
                growth, readGrowth, a.exitCode || b.exitCode ? "  FAILED" : "");
    failures += a.exitCode != 0 || b.exitCode != 0;
  }
  std::printf("%-24s | %6.1f ms %6ld KiB %10s | %6.1f ms %6ld KiB\n", "all tables (sum / peak)", totalSmall * 1e3,
              peakSmall, "", totalLarge * 1e3, peakLarge);
  std::printf("\nImage %lldx larger: peak memory grew by at most %ld KiB, bytes read by at most %lld B per export.\n",
              largeSize / static_cast<long long>(sample.size()), worstGrowthKiB, worstReadGrowth);
  if (failures) std::printf("%d export(s) failed.\n", failures);
  ::unlink(small.c_str());
  ::unlink(large.c_str());
  return failures ? 1 : 0;
}
