// make_sample_rom OUTPUT [--seed N]: writes the synthetic sample ROM image.

#include "tools/sample_rom.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

namespace {

int usage(std::string_view problem) {
  std::cerr << "make_sample_rom: " << problem << "\n"
            << "usage: make_sample_rom OUTPUT [--seed N]   (N: 0 to 4294967295, default 1)\n";
  return 2;
}

bool parseSeed(std::string_view text, std::uint32_t& seed) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, seed);
  return ec == std::errc() && ptr == end && !text.empty();
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  std::uint32_t seed = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--seed") {
      if (i + 1 >= argc) return usage("--seed needs a value");
      if (!parseSeed(argv[++i], seed)) return usage("invalid seed '" + std::string(argv[i]) + "'");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage("unknown option '" + std::string(arg) + "'");
    } else if (output.empty()) {
      output = arg;
    } else {
      return usage("more than one output file given");
    }
  }
  if (output.empty()) return usage("no output file given");

  const std::string error = rt::sample::writeImageFile(output, rt::sample::buildSampleRom(seed));
  if (!error.empty()) {
    std::cerr << "make_sample_rom: " << error << "\n";
    return 1;
  }
  return 0;
}
