// Runs a fuzz target without libFuzzer: every file of the given corpus folders
// (or the given files) goes through LLVMFuzzerTestOneInput once. With
// --mutate N each file is also fed in N variants made by a fixed, seeded
// series of small edits, so a corpus run reaches a little past its seeds while
// staying reproducible. A failed check aborts, which fails the test.
//
//   fuzz_conversions [--mutate N] PATH...

#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint64_t nextRandom(std::uint64_t& state) {  // splitmix64
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::uint64_t seedOf(const Bytes& bytes, int variant) {
  std::uint64_t h = 1469598103934665603ULL ^ static_cast<std::uint64_t>(variant);
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ULL;
  return h;
}

// One to four edits of the kinds libFuzzer starts with.
Bytes mutate(Bytes data, std::uint64_t seed) {
  std::uint64_t state = seed;
  const int edits = 1 + static_cast<int>(nextRandom(state) % 4);
  for (int e = 0; e < edits; ++e) {
    const std::uint64_t r = nextRandom(state);
    const size_t at = data.empty() ? 0 : static_cast<size_t>(nextRandom(state) % data.size());
    switch (r % 6) {
      case 0:  // flip a bit
        if (!data.empty()) data[at] ^= static_cast<std::uint8_t>(1u << (nextRandom(state) % 8));
        break;
      case 1:  // overwrite a byte
        if (!data.empty()) data[at] = static_cast<std::uint8_t>(nextRandom(state));
        break;
      case 2:  // insert a byte
        data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(nextRandom(state)));
        break;
      case 3:  // erase a byte
        if (!data.empty()) data.erase(data.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      case 4:  // cut the tail
        data.resize(at);
        break;
      default: {  // repeat a short run
        if (data.empty()) break;
        const size_t len = std::min<size_t>(data.size() - at, 1 + nextRandom(state) % 8);
        const Bytes run(data.begin() + static_cast<std::ptrdiff_t>(at),
                        data.begin() + static_cast<std::ptrdiff_t>(at + len));
        data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), run.begin(), run.end());
        break;
      }
    }
  }
  return data;
}

bool readFile(const std::filesystem::path& path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The input being run, for the abort handler: a failing variant is saved as
// "failing-input" in the working folder so it can be rerun and kept.
const std::uint8_t* currentData = nullptr;
size_t currentSize = 0;

void saveFailingInput(int) {
  const int fd = ::open("failing-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    size_t done = 0;
    while (done < currentSize) {
      const ssize_t put = ::write(fd, currentData + done, currentSize - done);
      if (put <= 0) break;
      done += static_cast<size_t>(put);
    }
    ::close(fd);
    static const char note[] = "the failing input was saved as ./failing-input\n";
    (void)!::write(2, note, sizeof note - 1);
  }
  std::signal(SIGABRT, SIG_DFL);
  std::raise(SIGABRT);
}

void run(const Bytes& data) {
  // A copy in a buffer of its own size, so a read past the end is caught by ASan.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[data.size() ? data.size() : 1]);
  std::copy(data.begin(), data.end(), copy.get());
  currentData = copy.get();
  currentSize = data.size();
  LLVMFuzzerTestOneInput(copy.get(), data.size());
  currentData = nullptr;
  currentSize = 0;
}

}  // namespace

int main(int argc, char** argv) {
  int mutations = 0;
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--mutate" && i + 1 < argc) {
      mutations = std::max(0, std::atoi(argv[++i]));
      continue;
    }
    const std::filesystem::path path(arg);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
      std::vector<std::filesystem::path> inDir;
      for (const auto& entry : std::filesystem::directory_iterator(path, ec))
        if (entry.is_regular_file()) inDir.push_back(entry.path());
      std::sort(inDir.begin(), inDir.end());
      files.insert(files.end(), inDir.begin(), inDir.end());
    } else if (std::filesystem::is_regular_file(path, ec)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "%s: no such file or folder: %s\n", argv[0], arg.c_str());
      return 2;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s [--mutate N] CORPUS_DIR_OR_FILE...\n(no input found)\n", argv[0]);
    return 2;
  }

  std::signal(SIGABRT, saveFailingInput);
  long inputs = 0;
  for (const auto& file : files) {
    Bytes data;
    if (!readFile(file, &data)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.string().c_str());
      return 2;
    }
    // Named before running, so a failure's output says which input it was.
    std::fprintf(stderr, "running %s\n", file.string().c_str());
    run(data);
    ++inputs;
    for (int m = 0; m < mutations; ++m) {
      run(mutate(data, seedOf(data, m)));
      ++inputs;
    }
  }
  std::printf("%s: %ld inputs from %zu files passed\n", argv[0], inputs, files.size());
  return 0;
}
