// romtables_patch_bench: runs `romtables-cli patch`, `apply` and `diff` as
// child processes on pairs of sparse images of growing size with the same few
// changes, and `export --all` on the sample image, and reports per run the
// wall time and the child's peak resident memory. Reading in blocks, the
// memory must not grow with the image. Plain C++, no Qt.
//
// Usage: romtables_patch_bench --cli PATH --work DIR [--runs N]

#include "tools/sample_rom.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Measure {
  double seconds = 0;
  long maxRssKiB = 0;
  int exitCode = 0;
};

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "romtables_patch_bench: %s\n", what.c_str());
  std::exit(2);
}

Measure run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) die("fork failed");
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Measure m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.maxRssKiB = usage.ru_maxrss;
  m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return m;
}

// Median time and largest memory of `runs` runs; the worst exit code.
Measure repeat(const std::vector<std::string>& args, int runs) {
  std::vector<double> times;
  Measure out;
  for (int i = 0; i < runs; ++i) {
    const Measure m = run(args);
    times.push_back(m.seconds);
    out.maxRssKiB = std::max(out.maxRssKiB, m.maxRssKiB);
    out.exitCode = std::max(out.exitCode, m.exitCode);
  }
  std::sort(times.begin(), times.end());
  out.seconds = times[times.size() / 2];
  return out;
}

// A sparse image of `mib` MiB, zero but for `changes` (offset, byte).
void makeSparse(const std::string& path, long long mib, const std::vector<std::pair<long long, unsigned char>>& changes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(mib << 20)) != 0) die("cannot make " + path);
  for (const auto& [at, byte] : changes)
    if (::pwrite(fd, &byte, 1, static_cast<off_t>(at)) != 1) die("cannot write " + path);
  ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  std::string cli, work;
  int runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--cli") cli = argv[i + 1];
    else if (a == "--work") work = argv[i + 1];
    else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    else die("unknown argument " + a);
  }
  if (cli.empty() || work.empty()) die("usage: --cli PATH --work DIR [--runs N]");

  const Measure start = repeat({cli, "tables"}, runs);
  std::printf("`romtables-cli tables` (start-up, no image): %.1f ms, peak %ld KiB\n\n", start.seconds * 1e3, start.maxRssKiB);
  std::printf("Two sparse images, the second with 4 bytes changed (at 4 KiB, 1 MiB, 15 MiB, the last byte);\n"
              "median of %d run(s), memory = peak resident set of the child\n", runs);
  std::printf("%8s | %22s | %22s | %22s\n", "size", "patch (BPS)", "apply (BPS)", "diff --tables SPEdit");
  int failures = 0;
  for (long long mib : {16LL, 64LL, 256LL}) {
    const std::string a = work + "/a.nds", b = work + "/b.nds", patch = work + "/p.bps", out = work + "/out.nds";
    makeSparse(a, mib, {});
    makeSparse(b, mib, {{0x1000, 1}, {0x100000, 2}, {0xF00000, 3}, {(mib << 20) - 1, 4}});
    const Measure p = repeat({cli, "patch", a, b, "--output", patch}, runs);
    const Measure ap = repeat({cli, "apply", patch, a, "--output", out}, runs);
    Measure d = repeat({cli, "diff", a, b, "--tables", "SPEdit"}, runs);
    if (d.exitCode == 1) d.exitCode = 0;  // "they differ"
    std::printf("%4lld MiB | %8.1f ms %7ld KiB | %8.1f ms %7ld KiB | %8.1f ms %7ld KiB%s\n", mib, p.seconds * 1e3,
                p.maxRssKiB, ap.seconds * 1e3, ap.maxRssKiB, d.seconds * 1e3, d.maxRssKiB,
                p.exitCode || ap.exitCode || d.exitCode ? "  FAILED" : "");
    failures += p.exitCode != 0 || ap.exitCode != 0 || d.exitCode != 0;
    for (const std::string& f : {a, b, patch, out}) ::unlink(f.c_str());
  }

  const std::string image = work + "/sample.nds";
  const std::string error = rt::sample::writeImageFile(image, rt::sample::buildSampleRom());
  if (!error.empty()) die(error);
  std::printf("\n`export --all` of the sample image (every table, one run), median of %d run(s):\n", runs);
  for (const char* format : {"json", "csv"}) {
    const Measure e = repeat({cli, "export", image, "--all", "--output", work + "/dump", "--format", format}, runs);
    std::printf("  %-5s %8.1f ms %7ld KiB%s\n", format, e.seconds * 1e3, e.maxRssKiB, e.exitCode ? "  FAILED" : "");
    failures += e.exitCode != 0;
  }
  return failures ? 1 : 0;
}
