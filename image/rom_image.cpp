#include "image/rom_image.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <limits>

namespace rt {
namespace {

constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kWindow = 4096;
// Staged bytes closer than this are read and written in one call, the bytes
// between them rewritten with the values read in the same session: a record
// of scattered fields costs one pread and one pwrite, not one per field.
constexpr std::int64_t kMergeGap = kWindow;
constexpr std::int64_t kMaxRun = 64 * 1024;  // ...but no more than this in one call
// The history keeps only the bytes a save changes, a run per group of changed
// bytes at most this far apart. Rows that small fit the history's pages (a
// whole record did not, and every save then grew the file), and undo or revert
// of one field is not refused because another field of the record changed since.
constexpr size_t kJournalGap = 8;

}  // namespace

RomImage::RomImage(std::shared_ptr<FileLayer> files, std::shared_ptr<JournalStore> journals)
    : files_(std::move(files)), journals_(std::move(journals)) {}

RomImage::~RomImage() {
  abortRomImage();
  while (depth_ > 0) endTransaction();
  flushImage();
  checkpointHistory();
}

void RomImage::setRomPath(const QString& path) {
  if (path == romPath_) return;
  abortRomImage();
  while (depth_ > 0) endTransaction();
  closeJournal();
  overlay_.clear();
  romPath_ = path;
}

void RomImage::closeJournal() {
  if (depth_ > 0) return;
  flushImage();
  checkpointHistory();
  journal_.reset();
  expectKnown_ = false;
}

void RomImage::reset() {
  if (std::exchange(borrowed_, false)) txFile_ = std::move(file_);
  file_.reset();
  access_ = Access::Read;
  window_.clear();
  windowStart_ = -1;
  held_.clear();
  lastHeld_ = 0;
  staged_.clear();
  error_ = Status::ok();
  size_ = 0;
}

Status RomImage::openRomImage(Access access) {
  abortRomImage();
  if (romPath_.isEmpty()) return Status::error(QStringLiteral("No ROM image has been chosen."));
  if (access == Access::Write && depth_ == 0) {
    if (Status begun = beginTransaction(info_); !begun) return begun;
    implicitTx_ = true;
  }
  // What a write changes is read again. Until its commit the file holds what
  // the transaction read under the lock, so the session keeps those bytes
  // (its commit's old bytes), if it opens the same file.
  std::vector<Held> txHeld;
  QString txIdentity;
  std::int64_t txSize = -1;
  if (access == Access::Write) {
    if (txFile_) {
      txIdentity = txFile_->identity();
      txSize = txSize_;
      txHeld = std::move(txHeld_);
    }
    dropTxReads();
  }
  if (access == Access::Read && depth_ > 0 && txFile_) {
    file_ = std::move(txFile_);
    borrowed_ = true;
    size_ = txSize_;
    return Status::ok();
  }
  auto opened = files_->open(romPath_, access == Access::Write ? OpenMode::ReadWrite : OpenMode::ReadOnly);
  if (!opened) {
    abortRomImage();
    const QString what = access == Access::Write ? QStringLiteral("cannot be written")
                                                 : QStringLiteral("cannot be read");
    return Status::error(QStringLiteral("The ROM image \"%1\" %2: %3.").arg(romPath_, what, opened.message()));
  }
  file_ = std::move(opened.value());
  access_ = access;
  size_ = file_->size();
  if (size_ < 0) {
    const QString why = file_->errorText();
    abortRomImage();
    return Status::error(QStringLiteral("The size of \"%1\" cannot be read: %2.").arg(romPath_, why));
  }
  if (!txHeld.empty() && !txIdentity.isEmpty() && txIdentity == file_->identity() && txSize == size_) {
    held_ = std::move(txHeld);
    lastHeld_ = 0;
  }
  if (access == Access::Read && depth_ > 0) {
    borrowed_ = true;
    txSize_ = size_;
  }
  return Status::ok();
}

void RomImage::dropTxReads() {
  if (!borrowed_) txFile_.reset();
  txHeld_.clear();
  lastTxHeld_ = 0;
}

Status RomImage::holdSpans(std::vector<ByteSpan> spans) {
  if (depth_ == 0) return Status::ok();
  if (Status opened = openRomImage(Access::Read); !opened) return opened;
  prefetchSpans(std::move(spans));
  std::vector<Held> held = std::move(held_);
  Status closed = closeRomImage();
  if (!closed) return closed;
  for (Held& h : held) txHeld_.push_back(std::move(h));
  std::sort(txHeld_.begin(), txHeld_.end(), [](const Held& a, const Held& b) { return a.start < b.start; });
  lastTxHeld_ = 0;
  return Status::ok();
}

void RomImage::abortRomImage() {
  reset();
  if (std::exchange(implicitTx_, false)) endTransaction();
}

Status RomImage::closeRomImage() {
  if (!file_) return Status::error(QStringLiteral("The ROM image is not open."));
  Status result = error_;
  if (result && access_ == Access::Write) result = commit();
  abortRomImage();
  return result;
}

void RomImage::fail(const QString& message) {
  if (error_) error_ = Status::error(message);
}

void RomImage::seek(std::int64_t offset) {
  if (offset < 0 || offset > kMaxOffset) {
    fail(QStringLiteral("Offset %1 lies outside the range a ROM image can address.").arg(offset));
    return;
  }
  cursor_ = offset;
}

void RomImage::skip(std::int64_t count) {
  if (count > kMaxOffset || count < -kMaxOffset) {
    fail(QStringLiteral("A skip of %1 bytes is out of range.").arg(count));
    return;
  }
  seek(cursor_ + count);
}

bool RomImage::take(int width, std::int64_t* offset) {
  if (!file_) {
    fail(QStringLiteral("The ROM image is not open."));
    return false;
  }
  if (cursor_ + width - 1 > kMaxOffset) {
    fail(QStringLiteral("Offset %1 lies outside the range a ROM image can address.").arg(cursor_));
    return false;
  }
  *offset = cursor_;
  cursor_ += width;
  return true;
}

bool RomImage::readInto(std::int64_t offset, std::int64_t end, ReadBytes* bytes) {
  bytes->resize(static_cast<size_t>(end - offset));  // every byte is then read or zeroed: no zeroing first
  return readRaw(offset, end, bytes->data());
}

bool RomImage::readRaw(std::int64_t offset, std::int64_t end, std::uint8_t* out) {
  const std::int64_t length = end - offset;
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t got = file_->readAt(offset + done, out + done, length - done);
    if (got < 0 && file_->interrupted()) continue;
    if (got < 0) {
      fail(QStringLiteral("Reading \"%1\" failed: %2.").arg(romPath_, file_->errorText()));
      return false;
    }
    if (got == 0) break;  // the file shrank since it was opened: the rest reads as 0
    done += got;
  }
  if (done < length) std::memset(out + done, 0, static_cast<size_t>(length - done));
  if (access_ == Access::Read && !overlay_.empty())
    for (auto it = overlay_.lower_bound(offset); it != overlay_.end() && it->first < end; ++it)
      out[it->first - offset] = it->second;
  return true;
}

namespace {

// The run of `held` (by start) holding all of [offset, end), else null; `last` remembers the one found.
template <typename H>
const H* findHeld(const std::vector<H>& held, size_t& last, std::int64_t offset, std::int64_t end) {
  if (held.empty()) return nullptr;
  auto holds = [&](const H& h) { return offset >= h.start && end <= h.start + static_cast<std::int64_t>(h.bytes.size()); };
  if (last < held.size() && holds(held[last])) return &held[last];
  auto after = std::upper_bound(held.begin(), held.end(), offset, [](std::int64_t at, const H& h) { return at < h.start; });
  if (after == held.begin() || !holds(*(after - 1))) return nullptr;
  last = static_cast<size_t>(after - 1 - held.begin());
  return &*(after - 1);
}

}  // namespace

const RomImage::Held* RomImage::heldAt(std::int64_t offset, std::int64_t end) {
  if (const Held* h = findHeld(held_, lastHeld_, offset, end)) return h;
  if (!borrowed_) return nullptr;
  return findHeld(txHeld_, lastTxHeld_, offset, end);
}

void RomImage::prefetch(std::int64_t offset, std::int64_t length) {
  if (!file_ || offset < 0 || length <= 0) return;
  const std::int64_t end = std::min(offset + length, size_);
  if (offset >= end) return;
  if (windowStart_ >= 0 && offset >= windowStart_ &&
      end <= windowStart_ + static_cast<std::int64_t>(window_.size()))
    return;
  if (heldAt(offset, end)) return;
  readInto(offset, end, &window_);
  windowStart_ = offset;
}

void RomImage::prefetchSpans(std::vector<ByteSpan> spans) {
  if (!file_) return;
  // Only bytes inside the file are read; past the end reads as 0 anyway.
  std::erase_if(spans, [&](const ByteSpan& s) { return s.length <= 0 || s.offset < 0 || s.offset >= size_; });
  // Runs the transaction already holds are served from there.
  if (borrowed_ && !txHeld_.empty())
    std::erase_if(spans, [&](const ByteSpan& s) {
      return findHeld(txHeld_, lastTxHeld_, s.offset, std::min(s.offset + s.length, size_)) != nullptr;
    });
  auto byOffset = [](const ByteSpan& a, const ByteSpan& b) { return a.offset < b.offset; };
  if (!std::is_sorted(spans.begin(), spans.end(), byOffset))  // most callers list records in order
    std::sort(spans.begin(), spans.end(), byOffset);
  std::vector<Held> held;
  for (size_t i = 0; i < spans.size();) {
    const std::int64_t start = spans[i].offset;
    std::int64_t end = std::min(start + spans[i].length, size_);
    for (++i; i < spans.size() && spans[i].offset <= end + kWindow; ++i)
      end = std::max(end, std::min(spans[i].offset + spans[i].length, size_));
    Held h{start, {}};
    if (!readInto(start, end, &h.bytes)) return;
    held.push_back(std::move(h));
  }
  held_ = std::move(held);
  lastHeld_ = 0;
}

const std::uint8_t* RomImage::peek(std::int64_t offset, std::int64_t length) {
  if (!file_ || !error_ || offset < 0 || length <= 0 || offset + length > size_ || offset + length - 1 > kMaxOffset)
    return nullptr;
  if (windowStart_ >= 0 && offset >= windowStart_ &&
      offset + length <= windowStart_ + static_cast<std::int64_t>(window_.size()))
    return window_.data() + (offset - windowStart_);
  if (const Held* h = heldAt(offset, offset + length)) return h->bytes.data() + (offset - h->start);
  return nullptr;
}

int RomImage::byteAt(std::int64_t offset) {
  if (offset >= size_) return 0;  // past the end reads as 0
  if (windowStart_ >= 0 && offset >= windowStart_ &&
      offset < windowStart_ + static_cast<std::int64_t>(window_.size()))
    return window_[static_cast<size_t>(offset - windowStart_)];
  if (const Held* h = heldAt(offset, offset + 1)) return h->bytes[static_cast<size_t>(offset - h->start)];
  prefetch(offset, kWindow);
  if (windowStart_ < 0 || offset < windowStart_ ||
      offset >= windowStart_ + static_cast<std::int64_t>(window_.size()))
    return 0;
  return window_[static_cast<size_t>(offset - windowStart_)];
}

int RomImage::readU8() {
  std::int64_t at;
  if (!take(1, &at)) return 0;
  return byteAt(at);
}

int RomImage::readU16() {
  std::int64_t at;
  if (!take(2, &at)) return 0;
  return byteAt(at) | (byteAt(at + 1) << 8);
}

std::int32_t RomImage::readU32() {
  std::int64_t at;
  if (!take(4, &at)) return 0;
  const std::uint32_t bits = static_cast<std::uint32_t>(byteAt(at)) |
                             (static_cast<std::uint32_t>(byteAt(at + 1)) << 8) |
                             (static_cast<std::uint32_t>(byteAt(at + 2)) << 16) |
                             (static_cast<std::uint32_t>(byteAt(at + 3)) << 24);
  return static_cast<std::int32_t>(bits);
}

void RomImage::stage(std::int64_t offset, int value, int mask) {
  if (access_ != Access::Write) {
    fail(QStringLiteral("The ROM image was opened for reading only."));
    return;
  }
  staged_.push_back({offset, static_cast<std::uint8_t>(value & mask), static_cast<std::uint8_t>(mask)});
}

void RomImage::writeU8(int value) {
  if (value < 0 || value > 255) {
    fail(QStringLiteral("%1 does not fit in a byte (0 to 255).").arg(value));
    return;
  }
  std::int64_t at;
  if (take(1, &at)) stage(at, value, 0xFF);
}

void RomImage::writeU8Masked(int value, int mask) {
  std::int64_t at;
  if (take(1, &at)) stage(at, value & 0xFF, mask & 0xFF);
}

void RomImage::writeU8MaskedAt(std::int64_t offset, int value, int mask) {
  if (offset < 0 || offset > kMaxOffset) {
    fail(QStringLiteral("Offset %1 lies outside the range a ROM image can address.").arg(offset));
    return;
  }
  if (!file_) {
    fail(QStringLiteral("The ROM image is not open."));
    return;
  }
  stage(offset, value & 0xFF, mask & 0xFF);
}

void RomImage::writeU16(int value) {
  if (value < 0 || value > 65535) {
    fail(QStringLiteral("%1 does not fit in 16 bits (0 to 65535).").arg(value));
    return;
  }
  std::int64_t at;
  if (!take(2, &at)) return;
  stage(at, value & 0xFF, 0xFF);
  stage(at + 1, value >> 8, 0xFF);
}

void RomImage::writeU32(std::int32_t value) {
  std::int64_t at;
  if (!take(4, &at)) return;
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) stage(at + i, static_cast<int>((bits >> (8 * i)) & 0xFF), 0xFF);
}

namespace {

bool readExactly(RomFile& file, std::int64_t offset, char* data, std::int64_t length) {
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t got = file.readAt(offset + done, data + done, length - done);
    if (got < 0 && file.interrupted()) continue;
    if (got <= 0) return false;
    done += got;
  }
  return true;
}

bool writeExactly(RomFile& file, std::int64_t offset, const char* data, std::int64_t length) {
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t put = file.writeAt(offset + done, data + done, length - done);
    if (put < 0 && file.interrupted()) continue;
    if (put <= 0) return false;
    done += put;
  }
  return true;
}

QString hexOffset(std::int64_t offset) { return QStringLiteral("0x%1").arg(QString::number(offset, 16).toUpper()); }

// The first index in [from, to) where `a` and `b` differ, else `to`: eight
// bytes at a time, as the records a save changes lie tens of bytes apart.
size_t firstDifference(const std::uint8_t* a, const std::uint8_t* b, size_t from, size_t to) {
  for (; from + 8 <= to; from += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + from, 8);
    std::memcpy(&y, b + from, 8);
    if (x != y) break;
  }
  while (from < to && a[from] == b[from]) ++from;
  return from;
}

// The recorded size and header of the file open as `image`.
// `over`: bytes laid over the file's (as recovery will leave them).
Result<ImageIdentity> identityOf(RomFile& image, std::int64_t size,
                                 const std::map<std::int64_t, std::uint8_t>& over = {}) {
  std::uint8_t header[ImageIdentity::kHeaderSpan];
  const std::int64_t length = std::min(size, ImageIdentity::kHeaderSpan);
  if (length > 0 && !readExactly(image, 0, reinterpret_cast<char*>(header), length))
    return Result<ImageIdentity>::failure(image.errorText());
  for (auto it = over.begin(); it != over.end() && it->first < length; ++it) header[it->first] = it->second;
  ImageIdentity id;
  id.size = size;
  id.headerCrc = headerCrc(header, length);
  return id;
}


}  // namespace

Status RomImage::writeFully(std::int64_t offset, const std::uint8_t* data, std::int64_t length) {
  if (writeExactly(*file_, offset, reinterpret_cast<const char*>(data), length)) return Status::ok();
  const QString why = file_->errorText();
  return Status::error(why.isEmpty() ? QStringLiteral("the system wrote nothing") : why);
}

Status RomImage::commit() {
  lastChanged_ = 0;
  lastFirst_ = -1;
  lastTx_ = 0;
  if (staged_.empty()) return Status::ok();
  // By offset, each byte once: a later write of the same byte wins, bit by bit.
  const auto byOffset = [](const Staged& a, const Staged& b) { return a.offset < b.offset; };
  if (!std::is_sorted(staged_.begin(), staged_.end(), byOffset)) std::stable_sort(staged_.begin(), staged_.end(), byOffset);
  size_t kept = 0;
  for (const Staged& s : staged_) {
    if (kept > 0 && staged_[kept - 1].offset == s.offset) {
      Staged& into = staged_[kept - 1];
      into.value = static_cast<std::uint8_t>((into.value & ~s.mask) | s.value);
      into.mask = static_cast<std::uint8_t>(into.mask | s.mask);
    } else {
      staged_[kept++] = s;
    }
  }
  staged_.resize(kept);
  const std::int64_t last = staged_.back().offset;
  if (last >= size_) {
    return Status::error(QStringLiteral("The save would reach offset 0x%1, past the end of \"%2\" (%3 bytes). "
                                        "Nothing was written: the editor never grows a ROM image.")
                             .arg(QString::number(last, 16).toUpper(), romPath_)
                             .arg(size_));
  }
  // Group the staged bytes into runs; each run is read in one call, patched,
  // and what changed of it written in one call. The runs' old and new bytes
  // lie in two buffers they share: a save of many records made two arrays a run.
  struct Run_ {
    std::int64_t start, end;
    size_t at = 0;  // where its bytes lie in `before` and `after`
    size_t firstChange = 0, endChange = 0;  // what is written of it: unchanged ends are left alone
  };
  std::vector<Run_> runs;
  size_t total = 0;
  for (const Staged& s : staged_) {
    const std::int64_t offset = s.offset;
    if (runs.empty() || offset - runs.back().end > kMergeGap || offset - runs.back().start >= kMaxRun) {
      if (!runs.empty()) total += static_cast<size_t>(runs.back().end - runs.back().start);
      runs.push_back(Run_{offset, offset + 1, total});
    } else {
      runs.back().end = offset + 1;
    }
  }
  total += static_cast<size_t>(runs.back().end - runs.back().start);
  // The old bytes of a run read already under the lock (a table view's check
  // of its rows) are used where they lie; the others are read once. The
  // buffers are filled before they are read: no zeroing first. A table view's
  // save spans most of a table (records of a few bytes changed, a few hundred
  // apart), so each pass over them counts.
  std::vector<const std::uint8_t*> before(runs.size(), nullptr);
  size_t unheld = 0;
  for (size_t r = 0; r < runs.size(); ++r) {
    before[r] = peek(runs[r].start, runs[r].end - runs[r].start);
    if (!before[r]) unheld += static_cast<size_t>(runs[r].end - runs[r].start);
  }
  const auto buffers = std::make_unique_for_overwrite<std::uint8_t[]>(total + unheld);
  std::uint8_t* const after = buffers.get();
  std::uint8_t* read = after + total;
  for (size_t r = 0; r < runs.size(); ++r) {
    const Run_& run = runs[r];
    const auto length = static_cast<size_t>(run.end - run.start);
    if (!before[r]) {
      if (!readRaw(run.start, run.end, read)) return error_;
      before[r] = read;
      read += length;
    }
    std::memcpy(after + run.at, before[r], length);
  }
  size_t runOf = 0;
  size_t flipped = 0;  // staged bytes whose value changes: at most that many journaled runs
  for (auto next = staged_.begin(); next != staged_.end(); ++next) {
    // The runs hold every staged byte, in order.
    while (next->offset >= runs[runOf].end) ++runOf;
    auto& b = after[runs[runOf].at + static_cast<size_t>(next->offset - runs[runOf].start)];
    const auto now = static_cast<std::uint8_t>((b & ~next->mask) | next->value);
    flipped += now != b;
    b = now;
  }
  if (!error_) return error_;
  if (Status same = checkUnchanged(); !same)
    return Status::error(QStringLiteral("\"%1\" cannot be written: %2. Nothing was written.").arg(romPath_, same.message()));

  // Only staged bytes can differ, so the changes are found from them rather
  // than by comparing every byte of every run.
  std::vector<Run> journaled;
  journaled.reserve(flipped);
  std::vector<size_t> journaledBy;  // per run: how many journaled runs start before its end
  journaledBy.reserve(runs.size());
  std::int64_t changed = 0;
  auto next = staged_.begin();
  for (size_t r = 0; r < runs.size(); ++r) {
    Run_& run = runs[r];
    const std::uint8_t* was = before[r];
    const std::uint8_t* now = after + run.at;
    size_t first = 0, last = 0;
    bool open = false;
    auto close = [&] {
      if (!open) return;
      const auto length = static_cast<qsizetype>(last + 1 - first);
      if (run.endChange == 0) run.firstChange = first;
      run.endChange = last + 1;
      // Over the runs' own buffers, which outlive every use of them in this
      // commit (the history copies what it keeps, and so does the sample
      // below): a save of many records allocated two arrays a changed field.
      journaled.push_back(Run{run.start + static_cast<std::int64_t>(first),
                              QByteArray::fromRawData(reinterpret_cast<const char*>(was + first), length),
                              QByteArray::fromRawData(reinterpret_cast<const char*>(now + first), length)});
      open = false;
    };
    for (; next != staged_.end() && next->offset < run.end; ++next) {
      const auto i = static_cast<size_t>(next->offset - run.start);
      if (now[i] == was[i]) continue;
      ++changed;
      // Changes this close share a journaled run, the bytes between included.
      if (open && i - last <= kJournalGap) {
        last = i;
        continue;
      }
      close();
      open = true;
      first = last = i;
    }
    close();
    journaledBy.push_back(journaled.size());
  }
  if (changed == 0) return Status::ok();  // nothing to write, nothing to record
  // Recorded first and durably: a crash from here on leaves a pending
  // transaction that the next open rolls back, or a committed one it completes.
  const bool committed = deferFlush_ && info_.target <= 0;
  auto id = journal_->begin(info_, journaled, committed ? Journal::Begin::Committed : Journal::Begin::Pending);
  if (!id) return Status::error(QStringLiteral("%1 Nothing was written to \"%2\".").arg(id.message(), romPath_));

  auto failWith = [&](size_t written, const QString& what) {
    // Told to the history first: this one is rolled back, never kept, even if
    // every byte reached the image before the failure.
    const bool marked = journal_->finish(*id, TxState::RollingBack).isOk();
    std::vector<Run> stuck;
    Status back = putBack(journaled, written, &stuck);
    if (back) {
      journal_->finish(*id, TxState::RolledBack);  // if this fails, recovery finds the old bytes and says so
      return Status::error(QStringLiteral("%1 The old bytes were put back: the save did not take place.").arg(what));
    }
    QString fields;
    if (fieldNamer_ && !stuck.empty()) {
      Transaction failed;
      failed.info = info_;
      failed.runs = changedBytes(stuck);  // the fields of the bytes it changed, not of those between
      const QStringList named = fieldNamer_(failed);
      if (!named.isEmpty()) fields = QStringLiteral(" Fields that may still hold new values: %1.").arg(named.join(QStringLiteral("; ")));
    }
    return Status::error(QStringLiteral("%1 Putting the old bytes back failed too: %2%3 Until then \"%4\" may hold part "
                                        "of the change; the next time it is opened %5.")
                             .arg(what, back.message(), fields, romPath_,
                                  marked      ? QStringLiteral("the change is rolled back")
                                  : committed ? QStringLiteral("the change is written again whole from its history")
                                              : QStringLiteral("the change is rolled back, or kept whole where every byte "
                                                               "of it was written")));
  };
  for (size_t r = 0; r < runs.size(); ++r) {
    const Run_& run = runs[r];
    if (run.endChange == 0) continue;
    Status written = writeFully(run.start + static_cast<std::int64_t>(run.firstChange), after + run.at + run.firstChange,
                                static_cast<std::int64_t>(run.endChange - run.firstChange));
    if (!written)
      return failWith(journaledBy[r], QStringLiteral("Writing \"%1\" failed: %2.").arg(romPath_, written.message()));
  }
  if (!committed) {
    if (Status flushed = file_->flush(); !flushed)
      return failWith(journaled.size(), QStringLiteral("Writing \"%1\" to the disk failed: %2.").arg(romPath_, flushed.message()));
    if (Status done = journal_->finish(*id, TxState::Done); !done)
      return failWith(journaled.size(), QStringLiteral("The save could not be marked done in the history: %1").arg(done.message()));
    // That flush took what earlier saves left too.
    if (owedTx_ > 0 && owedFile_ && owedFile_->identity() == file_->identity() && journal_->setFlushedThrough(*id)) {
      owedFile_.reset();
      owedTx_ = 0;
    }
  }
  lastChanged_ = changed;
  lastFirst_ = journaled.front().offset;
  lastTx_ = *id;
  // This save is the newest finished transaction now: what the file must hold at the next one.
  expectTx_ = *id;
  expectBytes_.clear();
  // Only the runs the sample takes are cut down to their changed bytes (and
  // copied: they lie over this commit's buffers); the rest of a large save is
  // never looked at. Only a strict check reads the sample; turning it on
  // reads the history's newest transaction again.
  std::int64_t sampled = strictIdentity_ ? 0 : 4096;
  for (size_t r = 0; r < journaled.size() && sampled < 4096; ++r) {
    const auto* was = reinterpret_cast<const std::uint8_t*>(journaled[r].before.constData());
    const auto* now = reinterpret_cast<const std::uint8_t*>(journaled[r].after.constData());
    const auto n = static_cast<size_t>(journaled[r].before.size());
    for (size_t i = firstDifference(was, now, 0, n); i < n && sampled < 4096; i = firstDifference(was, now, i, n)) {
      size_t j = i;
      while (j < n && was[j] != now[j]) ++j;
      const auto length = static_cast<qsizetype>(j - i);
      expectBytes_.add(journaled[r].offset + static_cast<std::int64_t>(i), reinterpret_cast<const char*>(now + i),
                  reinterpret_cast<const char*>(was + i), length);
      sampled += length;
      i = j;
    }
  }
  if (lastFirst_ < ImageIdentity::kHeaderSpan) {
    // The save wrote into the header the history recognises the file by.
    auto now = identityOf(*file_, size_);
    if (now && journal_->setIdentity(*now)) expectIdentity_ = *now;
    else expectKnown_ = false;
  }
  if (committed) {
    // Its handle is kept until the flush: that flushes the file this save
    // wrote, even if another has taken its name since.
    if (owedFile_ && owedFile_->identity() != file_->identity()) owedFile_->flush();
    owedFile_ = std::move(file_);
    owedTx_ = *id;
  }
  return Status::ok();
}

Status RomImage::flushImage() {
  if (!owedFile_) return Status::ok();
  const std::int64_t through = std::exchange(owedTx_, 0);
  const std::unique_ptr<RomFile> file = std::move(owedFile_);
  if (Status flushed = file->flush(); !flushed)
    return Status::error(QStringLiteral("Writing \"%1\" to the disk failed: %2. Its saves are kept in its history and "
                                        "are written again the next time it is opened.")
                             .arg(romPath_, flushed.message()));
  if (!journal_ || journalReadOnly_) return Status::ok();  // the next recovery only finds the bytes in place
  return journal_->setFlushedThrough(through);
}

Status RomImage::checkUnchanged() {
  if (Status same = file_->stillAtPath(); !same) return same;
  const std::int64_t now = file_->size();
  if (now < 0) return Status::error(QStringLiteral("its size cannot be read (%1)").arg(file_->errorText()));
  if (now != size_ || (identitySize_ >= 0 && now != identitySize_))
    return Status::error(QStringLiteral("another program changed its size from %1 to %2 bytes since it was read")
                             .arg(identitySize_ >= 0 ? identitySize_ : size_)
                             .arg(now));
  if (!identity_.isEmpty() && file_->identity() != identity_)
    return Status::error(QStringLiteral("the file was replaced by another one since it was read"));
  return Status::ok();
}

Status RomImage::putBack(const std::vector<Run>& runs, size_t count, std::vector<Run>* stuck) {
  QStringList failed;
  QString why;
  for (size_t r = count; r-- > 0;) {
    const Run& run = runs[r];
    Status s = writeFully(run.offset, reinterpret_cast<const std::uint8_t*>(run.before.constData()), run.before.size());
    if (!s) {
      failed << QStringLiteral("0x%1 (%2 bytes)").arg(QString::number(run.offset, 16).toUpper()).arg(run.before.size());
      why = s.message();
      stuck->push_back(run);
    }
  }
  if (failed.isEmpty()) {
    Status flushed = file_->flush();
    if (flushed) return Status::ok();
    stuck->assign(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(count));
    return Status::error(QStringLiteral("flushing the old bytes to the disk failed (%1).").arg(flushed.message()));
  }
  file_->flush();
  std::reverse(stuck->begin(), stuck->end());
  return Status::error(QStringLiteral("the bytes at %1 could not be written (%2).").arg(failed.join(QStringLiteral(", ")), why));
}

Status RomImage::openJournal(bool create, bool readOnly) {
  if (journal_ && (readOnly || !journalReadOnly_)) return Status::ok();
  journal_.reset();
  expectKnown_ = false;
  if (!journals_) return Status::error(QStringLiteral("This view of \"%1\" cannot be written.").arg(romPath_));
  QString notice;
  auto opened = journals_->open(romPath_, create, &notice, readOnly);
  if (!notice.isEmpty()) notices_ << notice;
  if (!opened) return opened.status();
  journal_ = std::move(opened.value());
  journalReadOnly_ = readOnly;
  return Status::ok();
}


QString RomImage::notTheFile(const QString& why) {
  historyRefused_ = true;
  const QString history = journal_ ? journal_->path() : historyPathOf(romPath_);
  return QStringLiteral("\"%1\" is not the file its history \"%2\" describes: %3. Nothing was written, and nothing "
                        "will be written from that history. If this is the image you want to work on, set the old "
                        "history aside and start a new one: romtables-cli history \"%1\" --restart (the editor "
                        "offers the same when it opens the image).")
      .arg(romPath_, history, why);
}

// A history describes one file's content: its size, its header, and the bytes
// its newest finished transaction left. A copy made with its history passes;
// another image copied over the path, or bytes changed under the history by
// another program, do not, and nothing is then written from that history.
Status RomImage::checkIdentity(RomFile& image, std::int64_t size, const std::map<std::int64_t, std::uint8_t>& over) {
  if (!expectKnown_ || journal_->changedElsewhere()) {
    auto recorded = journal_->identity();
    if (!recorded) return recorded.status();
    auto newest = journal_->newestFinished();
    if (!newest) return newest.status();
    if (newest->damaged) {
      historyRefused_ = true;
      return Status::error(damagedTransaction(newest->id, journal_->path(), romPath_));
    }
    expectIdentity_ = *recorded;
    expectTx_ = newest->id;
    expectBytes_.clear();
    // A sample of its bytes is enough to tell another file: the first few
    // hundred, not the whole of an import.
    const bool after = newest->state == TxState::Done;
    std::int64_t kept = 0;
    for (Run& run : changedBytes(newest->runs)) {
      if (kept >= 4096) break;
      kept += run.before.size();
      const QByteArray& must = after ? run.after : run.before;
      const QByteArray& was = after ? run.before : run.after;
      expectBytes_.add(run.offset, must.constData(), was.constData(), std::min(must.size(), was.size()));
    }
    expectKnown_ = true;
  }
  auto now = identityOf(image, size, over);
  if (!now) return Status::error(QStringLiteral("Reading \"%1\" failed: %2.").arg(romPath_, now.message()));
  if (!expectIdentity_.known()) {
    // A history made before identities were kept, or a new one: this file is its own from now on.
    if (Status s = journal_->setIdentity(*now); !s) return s;
    journal_->changedElsewhere();
    expectIdentity_ = *now;
  }
  if (now->size != expectIdentity_.size)
    return Status::error(notTheFile(QStringLiteral("it holds %1 bytes, the file the history journals held %2")
                                        .arg(now->size)
                                        .arg(expectIdentity_.size)));
  if (now->headerCrc != expectIdentity_.headerCrc)
    return Status::error(notTheFile(QStringLiteral("its header (the first %1 bytes) is not the one the history recorded")
                                        .arg(ImageIdentity::kHeaderSpan)));
  // A byte another program changed since is its own business for a new save,
  // and undo names such fields itself; a patch from the history must not
  // carry it as this file's change.
  if (!strictIdentity_) return Status::ok();
  for (const ExpectedBytes::Run& run : expectBytes_.runs) {
    QByteArray held(run.length, '\0');
    if (run.offset + run.length > size || !readExactly(image, run.offset, held.data(), held.size()))
      return Status::error(notTheFile(QStringLiteral("it ends before the bytes transaction %1 wrote at %2")
                                          .arg(expectTx_)
                                          .arg(hexOffset(run.offset))));
    for (auto it = over.lower_bound(run.offset); it != over.end() && it->first < run.offset + held.size(); ++it)
      held[static_cast<qsizetype>(it->first - run.offset)] = static_cast<char>(it->second);
    const char* must = expectBytes_.must.data() + run.at;
    const char* was = expectBytes_.was.data() + run.at;
    // Only the bits the transaction flipped are its own.
    for (qsizetype i = 0; i < held.size(); ++i) {
      const auto mask = static_cast<std::uint8_t>(must[i] ^ was[i]);
      if ((held[i] ^ must[i]) & mask)
        return Status::error(notTheFile(QStringLiteral("the byte at %1, which transaction %2 set, holds another value "
                                                       "(another program changed it, or another image was copied over "
                                                       "this one)")
                                            .arg(hexOffset(run.offset + i))
                                            .arg(expectTx_)));
    }
  }
  return Status::ok();
}

Status RomImage::beginTransaction(const TxInfo& info) {
  if (depth_ > 0) {
    ++depth_;
    info_ = info;
    return Status::ok();
  }
  if (romPath_.isEmpty()) return Status::error(QStringLiteral("No ROM image has been chosen."));
  historyRefused_ = false;
  // Say what is wrong with the image itself before making a history for it;
  // and note the file as it is now: a write must land in this file at this size.
  auto image = files_->open(romPath_, OpenMode::ReadOnly);
  if (!image)
    return Status::error(QStringLiteral("The ROM image \"%1\" cannot be written: %2.").arg(romPath_, image.message()));
  const QString identity = (*image)->identity();
  const std::int64_t size = (*image)->size();
  if (size < 0) return Status::error(QStringLiteral("The size of \"%1\" cannot be read.").arg(romPath_));
  if (!journal_ || journalReadOnly_) {
    const bool exists = !historyPathOf(romPath_).isEmpty();
    if (!exists) {
      // A renamed image whose history was left behind is not given an empty
      // one that pretends nothing changed, nor told only that it has none.
      RomFile& file = **image;
      const QString behind =
          journals_ ? journals_->leftBehind(romPath_, [&file, size] { return identityOf(file, size); }) : QString();
      if (!createsHistory_) {
        QString message = QStringLiteral("\"%1\" has no history.").arg(romPath_);
        if (!behind.isEmpty())
          message += QStringLiteral(" \"%1\" beside it is the history of an image of the same size and header whose "
                                    "file is gone: if this image was renamed, rename that history to \"%2\" to use it.")
                         .arg(behind, historyPathBeside(romPath_));
        return Status::error(message);
      }
      if (!behind.isEmpty())
        return Status::error(QStringLiteral("\"%1\" has no history, but \"%2\" beside it is the history of an image of "
                                            "the same size and header whose file is gone: the image was probably "
                                            "renamed and its history left behind. Nothing was written. To keep "
                                            "that history, rename it to \"%3\"; to start a new one, run "
                                            "romtables-cli history \"%1\" --restart.")
                                 .arg(romPath_, behind, historyPathBeside(romPath_)));
    }
    if (Status s = openJournal(createsHistory_); !s) {
      historyRefused_ = true;
      return Status::error(QStringLiteral("%1 Nothing was written to \"%2\". If the history is damaged, move it aside "
                                          "or start a new one: romtables-cli history \"%2\" --restart.")
                               .arg(s.message(), romPath_));
    }
    if (!journal_) return Status::error(QStringLiteral("\"%1\" has no history.").arg(romPath_));
  }
  if (Status s = journal_->lock(lockTimeoutMs_); !s) return s;
  Status checked = recoverLocked(**image, size);
  if (!checked) {
    journal_->unlock();
    return checked;
  }
  // The transaction's reads go through this handle: the file checked is the file read.
  txFile_ = std::move(image.value());
  txSize_ = size;
  identity_ = identity;
  identitySize_ = size;
  depth_ = 1;
  info_ = info;
  return Status::ok();
}

void RomImage::endTransaction() {
  if (depth_ == 0) return;
  if (--depth_ > 0) return;
  abortRomImage();
  dropTxReads();
  if (journal_) journal_->unlock();
  identity_.clear();
  identitySize_ = -1;
  info_ = TxInfo{};
}

void RomImage::checkpointHistory(Journal::LogStart start) {
  if (journal_ && !journalReadOnly_ && depth_ == 0) journal_->checkpoint(start);
}

Status RomImage::recover() {
  if (romPath_.isEmpty()) return Status::ok();
  if (depth_ > 0) return Status::ok();  // a transaction recovered when it began
  if (historyPathOf(romPath_).isEmpty()) return Status::ok();
  // A transaction of its own: the lock, the check of the file, the recovery.
  const bool creates = std::exchange(createsHistory_, false);
  Status begun = beginTransaction(TxInfo{});
  createsHistory_ = creates;
  if (begun) endTransaction();
  return begun;
}

Status RomImage::restartHistory() {
  if (romPath_.isEmpty()) return Status::error(QStringLiteral("No ROM image has been chosen."));
  if (depth_ > 0) return Status::error(QStringLiteral("The history cannot be restarted during a save."));
  flushImage();  // the new history starts from the image as its disk holds it
  journal_.reset();
  expectKnown_ = false;
  overlay_.clear();
  auto aside = JournalStore::restartHistory(romPath_);
  if (!aside) return aside.status();
  if (!aside->isEmpty()) notices_ << QStringLiteral("The history of \"%1\" was set aside as \"%2\".").arg(romPath_, *aside);
  // The new history records the file as it is now.
  if (Status s = openJournal(true); !s) return s;
  if (Status s = journal_->lock(lockTimeoutMs_); !s) return s;
  auto image = files_->open(romPath_, OpenMode::ReadOnly);
  Status result = image ? Status::ok() : Status::error(QStringLiteral("\"%1\" cannot be read: %2.").arg(romPath_, image.message()));
  if (result) {
    auto id = identityOf(**image, (*image)->size());
    result = id ? journal_->setIdentity(*id) : id.status();
  }
  journal_->unlock();
  if (result) notices_ << QStringLiteral("A new history of \"%1\" starts now, at \"%2\".").arg(romPath_, journal_->path());
  return result;
}

// What recovery would do, worked out on the bytes concerned in memory first:
// interrupted transactions newest first, each kept when every bit it flips
// holds its new value (only the done mark was lost), else rolled back bit by
// bit. A byte whose other bits are not what the transaction found was written
// by someone else since: then nothing at all is written.
struct RomImage::RecoveryPlan {
  std::map<std::int64_t, std::uint8_t> was, now;
  std::vector<std::pair<const Transaction*, TxState>> marks;
  std::vector<Run> foreign;  // a byte each: what it should be (before) against what it is (after)
  const Transaction* foreignTx = nullptr;
  std::int64_t damaged = 0;
  std::int64_t redoThrough = 0;  // the newest committed save the image's disk may lack
  std::int64_t redone = 0;       // bytes of those saves written again
  std::int64_t leftForeign = 0;  // bytes of those saves another program wrote since
};

Status RomImage::planRecovery(RomFile& image, const std::vector<Transaction>& pending, RecoveryPlan* plan) {
  const std::int64_t size = image.size();
  std::vector<std::vector<Run>> exact;
  for (const Transaction& tx : pending) {
    if (tx.damaged) {
      plan->damaged = tx.id;
      return Status::ok();
    }
    exact.push_back(changedBytes(tx.runs));
    for (const Run& run : exact.back()) {
      const auto length = static_cast<std::int64_t>(run.before.size());
      if (run.offset + length > size) {
        plan->foreign.push_back(run);
        plan->foreignTx = &tx;
        continue;
      }
      QByteArray held(length, '\0');
      if (!readExactly(image, run.offset, held.data(), length))
        return Status::error(QStringLiteral("Reading \"%1\" failed: %2.").arg(romPath_, image.errorText()));
      for (std::int64_t i = 0; i < length; ++i) plan->was.emplace(run.offset + i, static_cast<std::uint8_t>(held[static_cast<qsizetype>(i)]));
    }
  }
  if (!plan->foreign.empty()) return Status::ok();
  plan->now = plan->was;
  // Saves begun committed, oldest first: where a byte holds a value their
  // chain passed through (the disk lost the later ones), it gets the last;
  // a byte holding anything else was written by another program since, and
  // is left to it, as a save leaves such a byte.
  std::map<std::int64_t, std::vector<std::pair<std::uint8_t, std::uint8_t>>> chains;  // per byte: (bits flipped, after)
  for (size_t t = 0; t < pending.size(); ++t) {
    if (pending[t].state != TxState::Done && pending[t].state != TxState::Undone) continue;
    plan->redoThrough = std::max(plan->redoThrough, pending[t].id);
    for (const Run& run : exact[t])
      for (qsizetype i = 0; i < run.before.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(run.before[i]), a = static_cast<std::uint8_t>(run.after[i]);
        chains[run.offset + i].emplace_back(static_cast<std::uint8_t>(b ^ a), a);
      }
  }
  for (const auto& [at, chain] : chains) {
    std::uint8_t touched = 0;
    for (const auto& [flip, a] : chain) touched |= flip;
    // What the oldest save found, in the bits the chain flips (its other bits are the byte's own).
    auto state = static_cast<std::uint8_t>((chain.front().second ^ chain.front().first) & touched);
    std::uint8_t& held = plan->now[at];
    bool ours = (held & touched) == state;
    for (const auto& [flip, a] : chain) {
      state = static_cast<std::uint8_t>((state & ~flip) | (a & flip));
      ours = ours || (held & touched) == state;
    }
    if (!ours) {
      ++plan->leftForeign;
      continue;
    }
    const auto now = static_cast<std::uint8_t>((held & ~touched) | state);
    if (now != held) ++plan->redone;
    held = now;
  }
  std::map<std::int64_t, std::uint8_t> claimed;  // bits a newer transaction kept owns
  for (size_t t = pending.size(); t-- > 0;) {
    const Transaction& tx = pending[t];
    if (tx.state == TxState::Done || tx.state == TxState::Undone) continue;
    auto mine = [&](std::int64_t at, std::uint8_t flipped) {
      auto c = claimed.find(at);
      return static_cast<std::uint8_t>(flipped & ~(c == claimed.end() ? 0 : c->second));
    };
    bool whole = tx.state == TxState::Pending;
    for (const Run& run : exact[t])
      for (qsizetype i = 0; i < run.before.size() && whole; ++i) {
        const auto b = static_cast<std::uint8_t>(run.before[i]), a = static_cast<std::uint8_t>(run.after[i]);
        const std::uint8_t mask = mine(run.offset + i, b ^ a);
        whole = ((plan->now[run.offset + i] ^ a) & mask) == 0;
      }
    if (whole) {
      for (const Run& run : exact[t])
        for (qsizetype i = 0; i < run.before.size(); ++i) claimed[run.offset + i] |= static_cast<std::uint8_t>(run.before[i] ^ run.after[i]);
      plan->marks.emplace_back(&tx, TxState::Done);
      continue;
    }
    for (const Run& run : exact[t])
      for (qsizetype i = 0; i < run.before.size(); ++i) {
        const std::int64_t at = run.offset + i;
        const auto b = static_cast<std::uint8_t>(run.before[i]), a = static_cast<std::uint8_t>(run.after[i]);
        const std::uint8_t flipped = mine(at, b ^ a);
        const std::uint8_t others = mine(at, static_cast<std::uint8_t>(~(b ^ a)));
        std::uint8_t& held = plan->now[at];
        if ((held ^ b) & others) {
          plan->foreign.push_back(Run{at, QByteArray(1, static_cast<char>(b)), QByteArray(1, static_cast<char>(held))});
          plan->foreignTx = &tx;
        }
        held = static_cast<std::uint8_t>((held & ~flipped) | (b & flipped));
      }
    plan->marks.emplace_back(&tx, TxState::RolledBack);
  }
  return Status::ok();
}

// The checks every write session begins with, under the lock: the file is the
// history's (judged as recovery will leave it), and an interrupted change is
// rolled back. `image` is open for reading; the file is opened for writing
// only when recovery has bytes to put back.
Status RomImage::recoverLocked(RomFile& image, std::int64_t size) {
  overlay_.clear();
  auto pending = journal_->pending();
  if (!pending) return pending.status();
  RecoveryPlan plan;
  if (!pending->empty())
    if (Status s = planRecovery(image, *pending, &plan); !s) return s;
  if (Status s = checkIdentity(image, size, plan.now); !s) return s;
  if (pending->empty()) return Status::ok();
  if (plan.damaged) historyRefused_ = true;
  if (plan.damaged)
    return Status::error(QStringLiteral("\"%1\" holds an interrupted change, but transaction %2 in its history \"%3\" is "
                                        "damaged (a stored change fails its checksum), so it cannot be rolled back. "
                                        "Nothing was written. Move the history aside or start a new one: "
                                        "romtables-cli history \"%1\" --restart.")
                             .arg(romPath_)
                             .arg(plan.damaged)
                             .arg(journal_->path()));
  if (!plan.foreign.empty()) {
    QStringList where;
    for (const Run& run : plan.foreign) {
      if (where.size() == 8) {
        where << QStringLiteral("...");
        break;
      }
      where << hexOffset(run.offset);
    }
    QString fields;
    if (fieldNamer_) {
      Transaction theirs = *plan.foreignTx;
      theirs.runs = plan.foreign;
      const QStringList named = fieldNamer_(theirs);
      if (!named.isEmpty()) fields = QStringLiteral(" (%1)").arg(named.join(QStringLiteral("; ")));
    }
    return Status::error(notTheFile(QStringLiteral("an interrupted %1 cannot be rolled back, as bytes it wrote hold "
                                                   "values it neither found nor wrote, at %2%3")
                                        .arg(describeTransaction(*plan.foreignTx), where.join(QStringLiteral(", ")), fields)));
  }
  // Written in runs of neighbouring bytes, then flushed, then marked.
  std::vector<std::pair<std::int64_t, QByteArray>> writes;
  for (const auto& [at, value] : plan.now) {
    if (plan.was[at] == value) continue;
    if (!writes.empty() && writes.back().first + writes.back().second.size() == at)
      writes.back().second.append(static_cast<char>(value));
    else
      writes.emplace_back(at, QByteArray(1, static_cast<char>(value)));
  }
  std::unique_ptr<RomFile> writable;
  if (!writes.empty() || plan.redoThrough > 0) {
    auto opened = files_->open(romPath_, OpenMode::ReadWrite);
    if (opened) writable = std::move(opened.value());
    else if (!writes.empty())
      return Status::error(QStringLiteral("\"%1\" holds an interrupted change that must be rolled back, but it cannot be "
                                          "written: %2. Nothing else was done to it.")
                               .arg(romPath_, opened.message()));
  }
  for (const auto& [at, bytes] : writes)
    if (!writeExactly(*writable, at, bytes.constData(), bytes.size()))
      return Status::error(QStringLiteral("Rolling back the interrupted change in \"%1\" failed at %2: %3. Nothing "
                                          "else was done to it.")
                               .arg(romPath_, hexOffset(at), writable->errorText()));
  if (writable)
    if (Status flushed = writable->flush(); !flushed)
      return Status::error(QStringLiteral("Rolling back the interrupted change in \"%1\" failed: %2.").arg(romPath_, flushed.message()));
  // Unmarked (a failure here, or a read-only image), the next recovery only
  // finds the same bytes in place again.
  if (writable && plan.redoThrough > 0) journal_->setFlushedThrough(plan.redoThrough);
  auto bytes = [](std::int64_t n) { return QStringLiteral("%1 byte%2").arg(n).arg(n == 1 ? "" : "s"); };
  if (plan.redone > 0)
    notices_ << QStringLiteral("Saves to \"%1\" that had not all reached its disk were written again from its history (%2).")
                    .arg(romPath_, bytes(plan.redone));
  if (plan.leftForeign > 0)
    notices_ << QStringLiteral("Bytes of saves to \"%1\" not yet flushed to its disk hold values another program wrote "
                               "since (%2); they were left as they are.")
                    .arg(romPath_, bytes(plan.leftForeign));
  for (const auto& [tx, state] : plan.marks) {
    if (Status marked = journal_->finish(tx->id, state); !marked) return marked;
    notices_ << (state == TxState::Done
                     ? QStringLiteral("An interrupted %1 had reached the image in full; it was kept.").arg(describeTransaction(*tx))
                     : QStringLiteral("An interrupted %1 was rolled back.").arg(describeTransaction(*tx)));
  }
  expectKnown_ = false;
  return Status::ok();
}

void RomImage::prepareRead() {
  overlay_.clear();
  if (romPath_.isEmpty() || depth_ > 0) return;
  const QString history = historyPathOf(romPath_);
  if (history.isEmpty()) return;
  auto warn = [&](const QString& why) {
    notices_ << QStringLiteral("Warning: %1 \"%2\" is read as it is; commands that write it refuse until the history "
                               "is moved aside or restarted: romtables-cli history \"%2\" --restart.")
                    .arg(why, romPath_);
  };
  if (Status s = openJournal(false, true); !s) {
    warn(s.message());
    return;
  }
  if (!journal_) return;
  auto pending = journal_->pending();
  if (!pending) {
    warn(pending.message());
    return;
  }
  if (pending->empty()) return;
  auto image = files_->open(romPath_, OpenMode::ReadOnly);
  if (!image) return;  // the read itself says why
  RecoveryPlan plan;
  if (Status s = planRecovery(**image, *pending, &plan); !s) {
    warn(s.message());
    return;
  }
  auto recorded = journal_->identity();
  auto now = identityOf(**image, (*image)->size(), plan.now);
  if (recorded && now && recorded->known() && !(*recorded == *now)) {
    warn(QStringLiteral("The history \"%1\" holds an interrupted change but describes another file (its size or "
                        "header differs).")
             .arg(journal_->path()));
    return;
  }
  if (plan.damaged || !plan.foreign.empty()) {
    warn(QStringLiteral("The history \"%1\" holds an interrupted change that cannot be rolled back (%2).")
             .arg(journal_->path(), plan.damaged ? QStringLiteral("transaction %1 is damaged").arg(plan.damaged)
                                                 : QStringLiteral("bytes it wrote were changed since")));
    return;
  }
  for (const auto& [at, value] : plan.now)
    if (plan.was[at] != value) overlay_[at] = value;
  QStringList what;
  for (const auto& [tx, state] : plan.marks)
    if (state == TxState::RolledBack) what << describeTransaction(*tx);
  if (!what.isEmpty())
    notices_ << QStringLiteral("\"%1\" holds an interrupted %2; it is read as the recovery will leave it (rolled back). "
                               "The next command that writes it, or Open NDS in the editor, performs the recovery.")
                    .arg(romPath_, what.join(QStringLiteral(", an interrupted ")));
}

QString describeTransaction(const Transaction& tx) {
  const QDateTime local = tx.time.toLocalTime();
  const QString when = local.date() == QDate::currentDate() ? local.toString(QStringLiteral("HH:mm"))
                                                            : local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  const int n = tx.info.recordCount;
  const QString records = tx.info.table.isEmpty()
                              ? QString()
                              : QStringLiteral(" of %1 %2 record%3").arg(n).arg(tx.info.table, n == 1 ? "" : "s");
  QString what;
  if (tx.info.kind == QLatin1String("undo")) what = QStringLiteral("undo of transaction %1").arg(tx.info.target);
  else if (tx.info.kind == QLatin1String("redo")) what = QStringLiteral("redo of transaction %1").arg(tx.info.target);
  else if (tx.info.source.startsWith(QLatin1String("import"))) what = QStringLiteral("import") + records;
  else what = QStringLiteral("save") + records + (tx.info.source.isEmpty() ? QString() : QStringLiteral(" in ") + tx.info.source);
  return QStringLiteral("%1 from %2").arg(what, when);
}

std::map<std::int64_t, std::uint8_t> recoveryOverlay(const QString& path) {
  RomImage rom;
  rom.setRomPath(path);
  rom.prepareRead();
  return rom.readOverlay();
}

Result<std::int64_t> imageSize(RomImage& rom) {
  return readSession(rom, [](RomImage& open) { return open.fileSize(); });
}

}  // namespace rt
