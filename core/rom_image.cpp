#include "core/rom_image.h"

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
}

void RomImage::setRomPath(const QString& path) {
  if (path == romPath_) return;
  abortRomImage();
  while (depth_ > 0) endTransaction();
  closeJournal();
  romPath_ = path;
}

void RomImage::closeJournal() {
  if (depth_ == 0) journal_.reset();
}

void RomImage::reset() {
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

bool RomImage::readInto(std::int64_t offset, std::int64_t end, std::vector<std::uint8_t>* bytes) {
  bytes->assign(static_cast<size_t>(end - offset), 0);
  std::int64_t done = 0;
  while (done < end - offset) {
    const std::int64_t got = file_->readAt(offset + done, bytes->data() + done, end - offset - done);
    if (got < 0 && file_->interrupted()) continue;
    if (got < 0) {
      fail(QStringLiteral("Reading \"%1\" failed: %2.").arg(romPath_, file_->errorText()));
      return false;
    }
    if (got == 0) break;  // the file shrank since it was opened: the rest reads as 0
    done += got;
  }
  return true;
}

const RomImage::Held* RomImage::heldAt(std::int64_t offset, std::int64_t end) {
  if (held_.empty()) return nullptr;
  auto holds = [&](const Held& h) { return offset >= h.start && end <= h.start + static_cast<std::int64_t>(h.bytes.size()); };
  if (lastHeld_ < held_.size() && holds(held_[lastHeld_])) return &held_[lastHeld_];
  auto after = std::upper_bound(held_.begin(), held_.end(), offset,
                                [](std::int64_t at, const Held& h) { return at < h.start; });
  if (after == held_.begin() || !holds(*(after - 1))) return nullptr;
  lastHeld_ = static_cast<size_t>(after - 1 - held_.begin());
  return &*(after - 1);
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
  std::sort(spans.begin(), spans.end(), [](const ByteSpan& a, const ByteSpan& b) { return a.offset < b.offset; });
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
  // and what changed of it written in one call.
  struct Run_ {
    std::int64_t start, end;
    std::vector<std::uint8_t> before, after;
    size_t firstChange = 0, endChange = 0;  // what is written of it: unchanged ends are left alone
  };
  std::vector<Run_> runs;
  for (const Staged& s : staged_) {
    const std::int64_t offset = s.offset;
    if (runs.empty() || offset - runs.back().end > kMergeGap || offset - runs.back().start >= kMaxRun)
      runs.push_back(Run_{offset, offset + 1, {}, {}});
    else
      runs.back().end = offset + 1;
  }
  auto next = staged_.begin();
  for (Run_& run : runs) {
    prefetch(run.start, run.end - run.start);
    if (!error_) return error_;
    run.before.resize(static_cast<size_t>(run.end - run.start));
    for (std::int64_t o = run.start; o < run.end; ++o) run.before[static_cast<size_t>(o - run.start)] = static_cast<std::uint8_t>(byteAt(o));
    run.after = run.before;
    for (; next != staged_.end() && next->offset < run.end; ++next) {
      auto& b = run.after[static_cast<size_t>(next->offset - run.start)];
      b = static_cast<std::uint8_t>((b & ~next->mask) | next->value);
    }
  }
  if (!error_) return error_;
  if (Status same = checkUnchanged(); !same)
    return Status::error(QStringLiteral("\"%1\" cannot be written: %2. Nothing was written.").arg(romPath_, same.message()));

  std::vector<Run> journaled;
  std::vector<size_t> journaledBy;  // per run: how many journaled runs start before its end
  std::int64_t changed = 0;
  for (Run_& run : runs) {
    const std::vector<std::uint8_t>& was = run.before;
    const std::vector<std::uint8_t>& now = run.after;
    for (size_t i = 0; i < now.size();) {
      if (now[i] == was[i]) {
        ++i;
        continue;
      }
      size_t last = i;
      for (size_t j = i; j < now.size() && j - last <= kJournalGap; ++j)
        if (now[j] != was[j]) {
          last = j;
          ++changed;
        }
      const auto length = static_cast<qsizetype>(last + 1 - i);
      if (run.endChange == 0) run.firstChange = i;
      run.endChange = last + 1;
      journaled.push_back(Run{run.start + static_cast<std::int64_t>(i),
                              QByteArray(reinterpret_cast<const char*>(was.data() + i), length),
                              QByteArray(reinterpret_cast<const char*>(now.data() + i), length)});
      i = last + 1;
    }
    journaledBy.push_back(journaled.size());
  }
  if (changed == 0) return Status::ok();  // nothing to write, nothing to record
  // Recorded first and durably: a crash from here on leaves a pending
  // transaction that the next open rolls back.
  auto id = journal_->begin(info_, journaled);
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
      failed.runs = stuck;
      const QStringList named = fieldNamer_(failed);
      if (!named.isEmpty()) fields = QStringLiteral(" Fields that may still hold new values: %1.").arg(named.join(QStringLiteral("; ")));
    }
    return Status::error(QStringLiteral("%1 Putting the old bytes back failed too: %2%3 Until then \"%4\" may hold part "
                                        "of the change; the next time it is opened %5.")
                             .arg(what, back.message(), fields, romPath_,
                                  marked ? QStringLiteral("the change is rolled back")
                                         : QStringLiteral("the change is rolled back, or kept whole where every byte "
                                                          "of it was written")));
  };
  for (size_t r = 0; r < runs.size(); ++r) {
    const Run_& run = runs[r];
    if (run.endChange == 0) continue;
    Status written = writeFully(run.start + static_cast<std::int64_t>(run.firstChange), run.after.data() + run.firstChange,
                                static_cast<std::int64_t>(run.endChange - run.firstChange));
    if (!written)
      return failWith(journaledBy[r], QStringLiteral("Writing \"%1\" failed: %2.").arg(romPath_, written.message()));
  }
  if (Status flushed = file_->flush(); !flushed)
    return failWith(journaled.size(), QStringLiteral("Writing \"%1\" to the disk failed: %2.").arg(romPath_, flushed.message()));
  if (Status done = journal_->finish(*id, TxState::Done); !done)
    return failWith(journaled.size(), QStringLiteral("The save could not be marked done in the history: %1").arg(done.message()));
  lastChanged_ = changed;
  lastFirst_ = journaled.front().offset;
  lastTx_ = *id;
  return Status::ok();
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

Status RomImage::openJournal(bool create) {
  if (journal_) return Status::ok();
  if (!journals_) return Status::error(QStringLiteral("This view of \"%1\" cannot be written.").arg(romPath_));
  QString notice;
  auto opened = journals_->open(romPath_, create, &notice);
  if (!notice.isEmpty()) notices_ << notice;
  if (!opened) return opened.status();
  journal_ = std::move(opened.value());
  return Status::ok();
}

Status RomImage::beginTransaction(const TxInfo& info) {
  if (depth_ > 0) {
    ++depth_;
    info_ = info;
    return Status::ok();
  }
  if (romPath_.isEmpty()) return Status::error(QStringLiteral("No ROM image has been chosen."));
  // Say what is wrong with the image itself before making a history for it;
  // and note the file as it is now: a write must land in this file at this size.
  auto image = files_->open(romPath_, OpenMode::ReadOnly);
  if (!image)
    return Status::error(QStringLiteral("The ROM image \"%1\" cannot be written: %2.").arg(romPath_, image.message()));
  const QString identity = (*image)->identity();
  const std::int64_t size = (*image)->size();
  image = Result<std::unique_ptr<RomFile>>::failure({});
  if (size < 0) return Status::error(QStringLiteral("The size of \"%1\" cannot be read.").arg(romPath_));
  if (Status s = openJournal(true); !s)
    return Status::error(QStringLiteral("%1 Nothing was written to \"%2\".").arg(s.message(), romPath_));
  if (Status s = journal_->lock(lockTimeoutMs_); !s) return s;
  if (Status s = recoverLocked(); !s) {
    journal_->unlock();
    return s;
  }
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
  if (journal_) journal_->unlock();
  identity_.clear();
  identitySize_ = -1;
  info_ = TxInfo{};
}

Status RomImage::recover() {
  if (romPath_.isEmpty()) return Status::ok();
  if (depth_ > 0) return Status::ok();  // a transaction recovered when it began
  if (Status s = openJournal(false); !s) return s;
  if (!journal_) return Status::ok();
  if (Status s = journal_->lock(lockTimeoutMs_); !s) return s;
  Status result = recoverLocked();
  journal_->unlock();
  return result;
}


Status RomImage::recoverLocked() {
  auto pending = journal_->pending();
  if (!pending) return pending.status();
  if (pending->empty()) return Status::ok();
  auto opened = files_->open(romPath_, OpenMode::ReadWrite);
  if (!opened)
    return Status::error(QStringLiteral("\"%1\" holds an interrupted change that must be rolled back, but it cannot be "
                                        "written: %2. Nothing else was done to it.")
                             .arg(romPath_, opened.message()));
  RomFile& file = **opened;
  const std::int64_t size = file.size();
  // Newest first, so runs that overlap end with the oldest bytes.
  for (auto tx = pending->rbegin(); tx != pending->rend(); ++tx) {
    // Every byte written: the save completed and only its done mark was lost
    // (it is flushed with the next commit). Keeping it is as whole as rolling
    // it back, and does not undo a save that may have been reported done.
    if (tx->state == TxState::Pending) {
      bool whole = true;
      for (const Run& run : tx->runs) {
        QByteArray now(run.after.size(), '\0');
        whole = run.offset + run.after.size() <= size && readExactly(file, run.offset, now.data(), now.size()) &&
                now == run.after;
        if (!whole) break;
      }
      if (whole) {
        if (Status marked = journal_->finish(tx->id, TxState::Done); !marked) return marked;
        notices_ << QStringLiteral("An interrupted %1 had reached the image in full; it was kept.").arg(describeTransaction(*tx));
        continue;
      }
    }
    QStringList foreign;
    std::vector<Run> foreignRuns;
    for (auto run = tx->runs.rbegin(); run != tx->runs.rend(); ++run) {
      const auto length = static_cast<std::int64_t>(run->before.size());
      const QString where = QStringLiteral("0x%1 (%2 bytes)").arg(QString::number(run->offset, 16).toUpper()).arg(length);
      QByteArray now(length, '\0');
      if (run->offset + length > size || !readExactly(file, run->offset, now.data(), length)) {
        foreign << where;
        foreignRuns.push_back(*run);
        continue;
      }
      // A torn write leaves each byte old or new; any other byte was written
      // by someone else, and that run is left alone.
      bool ours = true;
      for (qsizetype i = 0; i < length && ours; ++i) ours = now[i] == run->before[i] || now[i] == run->after[i];
      if (!ours) {
        foreign << where;
        foreignRuns.push_back(*run);
        continue;
      }
      if (now != run->before && !writeExactly(file, run->offset, run->before.constData(), length))
        return Status::error(QStringLiteral("Rolling back the interrupted change in \"%1\" failed at %2: %3. Nothing "
                                            "else was done to it.")
                                 .arg(romPath_, where, file.errorText()));
    }
    if (Status flushed = file.flush(); !flushed)
      return Status::error(QStringLiteral("Rolling back the interrupted change in \"%1\" failed: %2.").arg(romPath_, flushed.message()));
    if (Status marked = journal_->finish(tx->id, TxState::RolledBack); !marked) return marked;
    QString notice = QStringLiteral("An interrupted %1 was rolled back.").arg(describeTransaction(*tx));
    if (!foreign.isEmpty()) {
      QStringList named;
      if (fieldNamer_) {
        Transaction theirs = *tx;
        theirs.runs = foreignRuns;
        named = fieldNamer_(theirs);
      }
      notice += QStringLiteral(" Another program has written at %1 since; those bytes were left as they are%2.")
                    .arg(foreign.join(QStringLiteral(", ")),
                         named.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(named.join(QStringLiteral("; "))));
    }
    notices_ << notice;
  }
  return Status::ok();
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

Result<std::int64_t> imageSize(RomImage& rom) {
  return readSession(rom, [](RomImage& open) { return open.fileSize(); });
}

}  // namespace rt
