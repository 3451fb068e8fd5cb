#pragma once
// An image as it would be with some runs' bytes put over it: the history shows
// a transaction's fields by reading its records through the codec twice, once
// over its old bytes and once over its new ones. The file is read once per
// page and never written.

#include "image/file_layer.h"
#include "image/journal.h"
#include "image/mapped_read.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace rt {

class PageCache;

// The image as it was before some transactions, from the image as it is now:
// their old bytes over it, the oldest's last. Transactions keep only the bytes
// they changed, so a view of an older one over the image as it is now would
// mix in bytes later ones changed (the high byte of a value saved twice).
class Rewind {
 public:
  // Folds in a transaction older than every one folded so far; one that never
  // reached the image (rolled back, or still pending) changes nothing.
  void fold(const Transaction& tx);
  // Puts the bytes rewound over [offset, offset + length) of out.
  void apply(std::int64_t offset, std::uint8_t* out, std::int64_t length) const;

 private:
  void put(std::int64_t offset, const QByteArray& bytes);
  std::map<std::int64_t, QByteArray> spans_;  // by start, never overlapping
};

// Bytes a reader saw, at their offset: what a decoded record depends on.
struct SeenBytes {
  std::int64_t offset = 0;
  QByteArray bytes;
};

class ImageView final : public FileLayer {
 public:
  // `cache` may be shared by many views of the same image.
  // `rewind`, when given, is put under the runs and must outlive the view.
  ImageView(std::shared_ptr<PageCache> cache, std::vector<Run> runs, bool useAfter, const Rewind* rewind = nullptr);
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override;

  // While set, every read through this view is appended to `log`.
  void setReadLog(std::vector<SeenBytes>* log) { log_ = log; }
  // Whether the view holds exactly these bytes at their offsets now.
  bool holds(const std::vector<SeenBytes>& seen);

 private:
  std::shared_ptr<PageCache> cache_;
  std::vector<Run> runs_;
  bool useAfter_;
  const Rewind* rewind_;
  std::vector<SeenBytes>* log_ = nullptr;
  std::vector<std::uint8_t> scratch_;  // holds()'s scratch
};

// The pages of one image file, read on first use.
class PageCache {
 public:
  static Result<std::shared_ptr<PageCache>> open(const QString& path, std::shared_ptr<FileLayer> files = systemFileLayer());
  std::int64_t size() const { return size_; }
  // Bytes laid over the file's (an interrupted transaction's old bytes, as
  // recovery will leave them); set before the first read.
  void setOverlay(std::map<std::int64_t, std::uint8_t> overlay) { overlay_ = std::move(overlay); }
  // Copies [offset, offset + length) into out; bytes past the end are 0.
  bool read(std::int64_t offset, std::uint8_t* out, std::int64_t length);
  // From here on, reads copy from one mapping of the whole file rather than
  // through pages, where it can be mapped and is no larger than kWholeMap:
  // for commands that read every table (export --all, import of a folder).
  // Call before the first read.
  static constexpr std::int64_t kWholeMap = std::int64_t{64} << 20;
  void mapWhole();
  // The CRC-32 of the whole file as it holds it (without the overlay), read
  // in place where it can be mapped; beside reads on other threads.
  Result<std::uint32_t> fileCrc32();
  QString errorText() const {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  // Reads the missing pages from `first` to at most `wanted`; under the lock.
  bool fill(std::int64_t first, std::int64_t wanted);

  std::unique_ptr<RomFile> file_;
  QString path_;
  std::int64_t size_ = 0;
  std::vector<std::unique_ptr<std::uint8_t[]>> pages_;  // by page number, read on first use
  std::map<std::int64_t, std::uint8_t> overlay_;
  std::unique_ptr<MappedWindow> whole_;
  QString error_;
  // Views on several threads share a cache (export --all): a read may fill a page.
  mutable std::mutex mutex_;
};

}  // namespace rt
