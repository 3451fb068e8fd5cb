#include "core/history/image_view.h"

#include <algorithm>
#include <cstring>

namespace rt {
namespace {

constexpr std::int64_t kPage = 4096;

class ViewFile final : public RomFile {
 public:
  ViewFile(std::shared_ptr<PageCache> cache, const std::vector<Run>* runs, bool useAfter)
      : cache_(std::move(cache)), runs_(runs), useAfter_(useAfter) {}
  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    const std::int64_t end = std::min(offset + length, cache_->size());
    if (offset >= end) return 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (!cache_->read(offset, out, end - offset)) {
      error_ = cache_->errorText();
      return -1;
    }
    for (const Run& run : *runs_) {
      const QByteArray& bytes = useAfter_ ? run.after : run.before;
      const std::int64_t from = std::max(offset, run.offset);
      const std::int64_t to = std::min(end, run.offset + static_cast<std::int64_t>(bytes.size()));
      if (from < to) std::memcpy(out + (from - offset), bytes.constData() + (from - run.offset), static_cast<size_t>(to - from));
    }
    return end - offset;
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
  const std::vector<Run>* runs_;
  bool useAfter_;
  QString error_;
};

}  // namespace

ImageView::ImageView(std::shared_ptr<PageCache> cache, std::vector<Run> runs, bool useAfter)
    : cache_(std::move(cache)), runs_(std::move(runs)), useAfter_(useAfter) {}

Result<std::unique_ptr<RomFile>> ImageView::open(const QString&, OpenMode mode) {
  if (mode == OpenMode::ReadWrite) return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("a view of the history is read-only"));
  return std::unique_ptr<RomFile>(new ViewFile(cache_, &runs_, useAfter_));
}

Result<std::shared_ptr<PageCache>> PageCache::open(const QString& path, std::shared_ptr<FileLayer> files) {
  auto file = files->open(path, OpenMode::ReadOnly);
  if (!file) return Result<std::shared_ptr<PageCache>>::failure(QStringLiteral("\"%1\" cannot be read: %2.").arg(path, file.message()));
  auto cache = std::make_shared<PageCache>();
  cache->size_ = (*file)->size();
  if (cache->size_ < 0)
    return Result<std::shared_ptr<PageCache>>::failure(QStringLiteral("The size of \"%1\" cannot be read.").arg(path));
  cache->file_ = std::move(file.value());
  return cache;
}

bool PageCache::read(std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  while (length > 0) {
    const std::int64_t page = offset / kPage;
    auto it = pages_.find(page);
    if (it == pages_.end()) {
      std::vector<std::uint8_t> bytes(static_cast<size_t>(kPage), 0);
      std::int64_t done = 0;
      const std::int64_t want = std::min(kPage, size_ - page * kPage);
      while (done < want) {
        const std::int64_t got = file_->readAt(page * kPage + done, bytes.data() + done, want - done);
        if (got < 0 && file_->interrupted()) continue;
        if (got < 0) {
          error_ = file_->errorText();
          return false;
        }
        if (got == 0) break;
        done += got;
      }
      it = pages_.emplace(page, std::move(bytes)).first;
    }
    const std::int64_t at = offset - page * kPage;
    const std::int64_t n = std::min(length, kPage - at);
    std::memcpy(out, it->second.data() + at, static_cast<size_t>(n));
    out += n;
    offset += n;
    length -= n;
  }
  return true;
}

}  // namespace rt
