#pragma once
// What every fuzz target shares: a reader that turns the fuzzer's bytes into
// choices, checks that stop the process (so libFuzzer and the corpus runner
// both see a failure), the one QCoreApplication, and a scratch folder.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstddef>
#include <cstdint>

// Fuzzer entry point, defined once per target.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace rt::fuzz {

// Prints what failed and where, then aborts. Active in every build type.
[[noreturn]] void fail(const char* file, int line, const char* condition, const QString& detail);

#define FUZZ_CHECK(condition, detail)                                                   \
  do {                                                                                  \
    if (!(condition)) ::rt::fuzz::fail(__FILE__, __LINE__, #condition, (detail));       \
  } while (false)

// Consumes the input from the front; once it runs dry every read gives 0, so
// short inputs are still valid and simply take the first choice everywhere.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t left() const { return size_ - pos_; }
  std::uint8_t byte();
  std::uint16_t u16();
  std::uint32_t u32();
  std::uint64_t u64();
  bool flag() { return byte() & 1; }
  // A value in [lo, hi]; lo <= hi.
  std::int64_t range(std::int64_t lo, std::int64_t hi);
  // Up to n bytes (fewer when the input ends).
  QByteArray bytes(std::size_t n);
  QByteArray rest() { return bytes(left()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Creates the process's QCoreApplication on first use.
void ensureApplication();

// A folder for the files a target writes; on a RAM disk where there is one, so
// that the flush of a save costs nothing. Lives until the process ends.
const QString& scratchDir();

// The default name lists of the source tree.
QString namesDir();

// The sample image of tools/sample_rom.h (seed 1), made once per process.
const QByteArray& sampleImage();

// A whole file written (replacing what was there) or read; a failed write stops the run.
void writeWhole(const QString& path, const QByteArray& bytes);
QByteArray readWhole(const QString& path);
// The names of the files in a folder, sorted; removeFiles empties it.
QStringList filesIn(const QString& dir);
void removeFiles(const QString& dir);

// Whether `text` is well-formed UTF-16: every surrogate in a pair.
bool isWellFormedUtf16(QStringView text);

// Shows a value in a failure message: printable ASCII as is, the rest escaped.
QString quoted(QStringView text);
QString hexBytes(const QByteArray& bytes, int limit = 64);

}  // namespace rt::fuzz
