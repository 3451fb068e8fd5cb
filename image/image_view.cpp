#include "image/image_view.h"

#include "image/byte_source.h"
#include "image/mapped_read.h"

#include <algorithm>
#include <cstring>

namespace rt {
namespace {

constexpr std::int64_t kPage = 4096;

// The image's bytes, rewound, with the runs' old or new bytes over them; -1 when the file cannot be read.
std::int64_t readView(PageCache& cache, const Rewind* rewind, const std::vector<Run>& runs, bool useAfter,
                      std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  const std::int64_t end = std::min(offset + length, cache.size());
  if (offset >= end) return 0;
  if (!cache.read(offset, out, end - offset)) return -1;
  if (rewind) rewind->apply(offset, out, end - offset);
  for (const Run& run : runs) {
    const QByteArray& bytes = useAfter ? run.after : run.before;
    const std::int64_t from = std::max(offset, run.offset);
    const std::int64_t to = std::min(end, run.offset + static_cast<std::int64_t>(bytes.size()));
    if (from < to) std::memcpy(out + (from - offset), bytes.constData() + (from - run.offset), static_cast<size_t>(to - from));
  }
  return end - offset;
}

class ViewFile final : public RomFile {
 public:
  ViewFile(std::shared_ptr<PageCache> cache, const Rewind* rewind, const std::vector<Run>* runs, bool useAfter,
           std::vector<SeenBytes>* const* log)
      : cache_(std::move(cache)), rewind_(rewind), runs_(runs), useAfter_(useAfter), log_(log) {}
  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::int64_t got = readView(*cache_, rewind_, *runs_, useAfter_, offset, out, length);
    if (got < 0) error_ = cache_->errorText();
    if (got > 0 && *log_) (*log_)->push_back({offset, QByteArray(reinterpret_cast<const char*>(out), got)});
    return got;
  }
  std::int64_t writeAt(std::int64_t, const void*, std::int64_t) override {
    error_ = QStringLiteral("a view of the history is read-only");
    return -1;
  }
  std::int64_t size() override { return cache_->size(); }
  Status flush() override { return Status::ok(); }
  bool interrupted() const override { return false; }
  QString errorText() const override { return error_; }

 private:
  std::shared_ptr<PageCache> cache_;
  const Rewind* rewind_;
  const std::vector<Run>* runs_;
  bool useAfter_;
  std::vector<SeenBytes>* const* log_;
  QString error_;
};

}  // namespace

void Rewind::fold(const Transaction& tx) {
  if (tx.state != TxState::Done && tx.state != TxState::Undone) return;
  for (const Run& run : tx.runs) put(run.offset, run.before);
}

void Rewind::put(std::int64_t offset, const QByteArray& bytes) {
  const std::int64_t end = offset + bytes.size();
  auto it = spans_.lower_bound(offset);
  if (it != spans_.end() && it->first == offset && it->second.size() == bytes.size()) {
    it->second = bytes;  // the same bytes saved again, the common case: nothing else overlaps
    return;
  }
  if (it != spans_.begin()) {  // a span begun before: keep what lies outside [offset, end)
    auto before = std::prev(it);
    const std::int64_t beforeEnd = before->first + before->second.size();
    if (beforeEnd > offset) {
      if (beforeEnd > end) spans_.emplace(end, before->second.mid(end - before->first));
      before->second.truncate(offset - before->first);
    }
  }
  for (it = spans_.lower_bound(offset); it != spans_.end() && it->first < end;) {
    const std::int64_t spanEnd = it->first + it->second.size();
    if (spanEnd > end) spans_.emplace(end, it->second.mid(end - it->first));
    it = spans_.erase(it);
  }
  spans_[offset] = bytes;
}

void Rewind::apply(std::int64_t offset, std::uint8_t* out, std::int64_t length) const {
  const std::int64_t end = offset + length;
  auto it = spans_.upper_bound(offset);
  if (it != spans_.begin()) --it;
  for (; it != spans_.end() && it->first < end; ++it) {
    const std::int64_t from = std::max(offset, it->first);
    const std::int64_t to = std::min(end, it->first + static_cast<std::int64_t>(it->second.size()));
    if (from < to)
      std::memcpy(out + (from - offset), it->second.constData() + (from - it->first), static_cast<size_t>(to - from));
  }
}

ImageView::ImageView(std::shared_ptr<PageCache> cache, std::vector<Run> runs, bool useAfter, const Rewind* rewind)
    : cache_(std::move(cache)), runs_(std::move(runs)), useAfter_(useAfter), rewind_(rewind) {}

Result<std::unique_ptr<RomFile>> ImageView::open(const QString&, OpenMode mode) {
  if (mode == OpenMode::ReadWrite) return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("a view of the history is read-only"));
  return std::unique_ptr<RomFile>(new ViewFile(cache_, rewind_, &runs_, useAfter_, &log_));
}

bool ImageView::holds(const std::vector<SeenBytes>& seen) {
  for (const SeenBytes& s : seen) {
    if (scratch_.size() < static_cast<size_t>(s.bytes.size())) scratch_.resize(static_cast<size_t>(s.bytes.size()));
    if (readView(*cache_, rewind_, runs_, useAfter_, s.offset, scratch_.data(), s.bytes.size()) != s.bytes.size())
      return false;
    if (std::memcmp(scratch_.data(), s.bytes.constData(), static_cast<size_t>(s.bytes.size())) != 0) return false;
  }
  return true;
}

Result<std::shared_ptr<PageCache>> PageCache::open(const QString& path, std::shared_ptr<FileLayer> files) {
  auto file = files->open(path, OpenMode::ReadOnly);
  if (!file) return Result<std::shared_ptr<PageCache>>::failure(QStringLiteral("\"%1\" cannot be read: %2.").arg(path, file.message()));
  auto cache = std::make_shared<PageCache>();
  cache->size_ = (*file)->size();
  if (cache->size_ < 0)
    return Result<std::shared_ptr<PageCache>>::failure(QStringLiteral("The size of \"%1\" cannot be read.").arg(path));
  cache->file_ = std::move(file.value());
  cache->path_ = path;
  return cache;
}

void PageCache::mapWhole() {
  if (!whole_ && size_ > 0 && size_ <= kWholeMap) whole_ = MappedWindow::map(file_->descriptor(), 0, size_);
}

Result<std::uint32_t> PageCache::fileCrc32() {
  constexpr std::int64_t kBlock = std::int64_t{256} << 10;
  std::uint32_t crc = 0;
  if (whole_) {
    if (!readMapped([&] { crc = crc32Update(0, whole_->at(0), size_); }))
      return Status::error(QStringLiteral("\"%1\" was cut short while it was read; was it changed meanwhile?").arg(path_));
    return crc;
  }
  FileMapping mapping(file_->descriptor(), size_);
  std::unique_ptr<std::uint8_t[]> buffer;
  for (std::int64_t offset = 0; offset < size_; offset += kBlock) {
    const std::int64_t n = std::min(kBlock, size_ - offset);
    if (const std::uint8_t* at = mapping.at(offset, n)) {
      if (!readMapped([&] { crc = crc32Update(crc, at, n); }))
        return Status::error(QStringLiteral("\"%1\" was cut short while it was read; was it changed meanwhile?").arg(path_));
      continue;
    }
    if (!buffer) buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(kBlock));
    {
      std::lock_guard lock(mutex_);  // the file's reads, shared with the pages' (its error text is the file's)
      for (std::int64_t done = 0; done < n;) {
        const std::int64_t got = file_->readAt(offset + done, buffer.get() + done, n - done);
        if (got < 0 && file_->interrupted()) continue;
        if (got <= 0)
          return Status::error(QStringLiteral("\"%1\" cannot be read at 0x%2: %3.")
                                   .arg(path_, QString::number(offset + done, 16).toUpper(),
                                        got < 0 ? file_->errorText() : QStringLiteral("it ended there")));
        done += got;
      }
    }
    crc = crc32Update(crc, buffer.get(), n);
  }
  return crc;
}

bool PageCache::fill(std::int64_t first, std::int64_t wanted) {
  // The missing pages from `first` on, up to `wanted` or the first one held,
  // in one read: a table's records span many pages.
  std::int64_t last = first;
  const auto count = static_cast<std::int64_t>(pages_.size());
  while (last + 1 <= wanted && last + 1 < count && !pages_[static_cast<size_t>(last + 1)]) ++last;
  const std::int64_t start = first * kPage;
  const std::int64_t want = std::min((last + 1) * kPage, size_) - start;
  const auto blockSize = static_cast<size_t>((last - first + 1) * kPage);
  const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(blockSize);  // zeroed below only past what is read
  std::uint8_t* const block = storage.get();
  std::int64_t done = 0;
  while (done < want) {
    const std::int64_t got = file_->readAt(start + done, block + done, want - done);
    if (got < 0 && file_->interrupted()) continue;
    if (got < 0) {
      error_ = file_->errorText();
      return false;
    }
    if (got == 0) break;
    done += got;
  }
  std::memset(block + done, 0, blockSize - static_cast<size_t>(done));  // past the end reads as 0
  for (auto it = overlay_.lower_bound(start); it != overlay_.end() && it->first < start + static_cast<std::int64_t>(blockSize); ++it)
    block[static_cast<size_t>(it->first - start)] = it->second;
  for (std::int64_t page = first; page <= last; ++page) {
    auto fresh = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(kPage));
    std::memcpy(fresh.get(), block + (page - first) * kPage, static_cast<size_t>(kPage));
    pages_[static_cast<size_t>(page)] = std::move(fresh);
  }
  return true;
}

bool PageCache::read(std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  if (offset < 0 || length < 0 || offset > size_) return false;
  if (whole_) {
    // In place: no lock, no pages; the overlay over the copy.
    const std::int64_t n = std::min(length, size_ - offset);
    const std::uint8_t* from = whole_->at(offset);
    if (!readMapped([&] { std::memcpy(out, from, static_cast<size_t>(n)); })) {
      std::lock_guard lock(mutex_);
      error_ = QStringLiteral("the file was cut short while it was read; was it changed meanwhile?");
      return false;
    }
    std::memset(out + n, 0, static_cast<size_t>(length - n));  // past the end reads as 0
    for (auto it = overlay_.lower_bound(offset); it != overlay_.end() && it->first < offset + length; ++it)
      out[it->first - offset] = it->second;
    return true;
  }
  std::lock_guard lock(mutex_);
  if (pages_.empty()) pages_.resize(static_cast<size_t>((size_ + kPage - 1) / kPage));
  while (length > 0) {
    const std::int64_t page = offset / kPage;
    if (page >= static_cast<std::int64_t>(pages_.size())) {  // past the end reads as 0
      std::memset(out, 0, static_cast<size_t>(length));
      return true;
    }
    std::unique_ptr<std::uint8_t[]>& bytes = pages_[static_cast<size_t>(page)];
    if (!bytes && !fill(page, (offset + length - 1) / kPage)) return false;
    const std::int64_t at = offset - page * kPage;
    const std::int64_t n = std::min(length, kPage - at);
    std::memcpy(out, bytes.get() + at, static_cast<size_t>(n));
    out += n;
    offset += n;
    length -= n;
  }
  return true;
}

}  // namespace rt
