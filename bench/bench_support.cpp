#include "bench/bench_support.h"

#include "editors/all_forms.h"
#include "editors/all_tables.h"
#include "tools/sample_rom.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace rt::bench {

Workspace& Workspace::instance() {
  static Workspace workspace;
  return workspace;
}

Workspace::Workspace() {
  if (!dir_.isValid()) {
    std::fprintf(stderr, "Cannot make a temporary folder.\n");
    std::exit(1);
  }
  dirPath_ = dir_.path();
  romPath_ = dirPath_ + QStringLiteral("/sample.nds");
  namesDir_ = QStringLiteral(RT_NAMES_DIR);
  const std::string error = sample::writeImageFile(QFile::encodeName(romPath_).toStdString(), sample::buildSampleRom());
  if (!error.empty()) {
    std::fprintf(stderr, "Cannot write the sample image: %s\n", error.c_str());
    std::exit(1);
  }
}

std::unique_ptr<AppContext> Workspace::makeContext(std::shared_ptr<CountingSink> sink) const {
  auto context = std::make_unique<AppContext>(namesDir_, std::make_shared<FixedChooser>(romPath_), std::move(sink));
  context->rom().setRomPath(romPath_);
  context->setMenus(allMenuRows());
  registerAllForms(*context);
  return context;
}

namespace {

class MemoryFile final : public RomFile {
 public:
  explicit MemoryFile(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (offset >= size) return 0;
    const std::int64_t n = std::min(length, size - offset);
    std::memcpy(buffer, bytes_.data() + offset, static_cast<size_t>(n));
    return n;
  }
  std::int64_t writeAt(std::int64_t offset, const void* buffer, std::int64_t length) override {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    const std::int64_t n = std::max<std::int64_t>(0, std::min(length, size - offset));
    std::memcpy(bytes_.data() + offset, buffer, static_cast<size_t>(n));
    return n;
  }
  std::int64_t size() override { return static_cast<std::int64_t>(bytes_.size()); }
  Status flush() override { return Status::ok(); }
  bool interrupted() const override { return false; }
  QString errorText() const override { return {}; }

 private:
  std::vector<std::uint8_t>& bytes_;
};

}  // namespace

Result<std::unique_ptr<RomFile>> MemoryFileLayer::open(const QString&, OpenMode) {
  return std::unique_ptr<RomFile>(new MemoryFile(bytes_));
}

std::vector<Span> spansOf(const std::vector<ByteWrite>& writes) {
  constexpr std::int64_t kApart = 4096;
  std::vector<std::int64_t> offsets;
  offsets.reserve(writes.size());
  for (const ByteWrite& w : writes) offsets.push_back(w.offset);
  std::sort(offsets.begin(), offsets.end());
  std::vector<Span> spans;
  for (std::int64_t o : offsets) {
    if (spans.empty() || o - spans.back().end > kApart)
      spans.push_back({o, o + 1});
    else
      spans.back().end = std::max(spans.back().end, o + 1);
  }
  return spans;
}

std::int64_t totalBytes(const std::vector<Span>& spans) {
  std::int64_t total = 0;
  for (const Span& s : spans) total += s.end - s.start;
  return total;
}

bool floorRead(const char* path, const std::vector<Span>& spans, std::vector<std::uint8_t>* buffer) {
  buffer->resize(static_cast<size_t>(totalBytes(spans)));
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  std::uint8_t* at = buffer->data();
  for (const Span& s : spans) {
    const auto length = static_cast<size_t>(s.end - s.start);
    ok &= ::pread(fd, at, length, s.start) == static_cast<ssize_t>(length);
    at += length;
  }
  ok &= ::close(fd) == 0;
  return ok;
}

bool floorWrite(const char* path, const std::vector<Span>& spans, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  const std::uint8_t* at = bytes.data();
  for (const Span& s : spans) {
    const auto length = static_cast<size_t>(s.end - s.start);
    ok &= ::pwrite(fd, at, length, s.start) == static_cast<ssize_t>(length);
    at += length;
  }
  ok &= ::fsync(fd) == 0;
  ok &= ::close(fd) == 0;
  return ok;
}

void settle() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace rt::bench
