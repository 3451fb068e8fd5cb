#include "core/rom_image.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <limits>

namespace rt {
namespace {

constexpr std::int64_t kMaxOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kWindow = 4096;
// Staged bytes closer than this are written as one run, the bytes between them
// rewritten with the values read in the same session.
constexpr std::int64_t kMergeGap = 64;

}  // namespace

RomImage::RomImage(std::shared_ptr<FileLayer> files) : files_(std::move(files)) {}

RomImage::~RomImage() { abortRomImage(); }

void RomImage::reset() {
  file_.reset();
  window_.clear();
  windowStart_ = -1;
  staged_.clear();
  error_ = Status::ok();
  size_ = 0;
}

Status RomImage::openRomImage(Access access) {
  abortRomImage();
  if (romPath_.isEmpty()) return Status::error(QStringLiteral("No ROM image has been chosen."));
  auto opened = files_->open(romPath_, access == Access::Write ? OpenMode::ReadWrite : OpenMode::ReadOnly);
  if (!opened) {
    const QString what = access == Access::Write ? QStringLiteral("cannot be written")
                                                 : QStringLiteral("cannot be read");
    return Status::error(QStringLiteral("The ROM image \"%1\" %2: %3.").arg(romPath_, what, opened.message()));
  }
  file_ = std::move(opened.value());
  access_ = access;
  size_ = file_->size();
  if (size_ < 0) {
    const QString why = file_->errorText();
    reset();
    return Status::error(QStringLiteral("The size of \"%1\" cannot be read: %2.").arg(romPath_, why));
  }
  return Status::ok();
}

void RomImage::abortRomImage() { reset(); }

Status RomImage::closeRomImage() {
  if (!file_) return Status::error(QStringLiteral("The ROM image is not open."));
  Status result = error_;
  if (result && access_ == Access::Write) result = commit();
  reset();
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

void RomImage::prefetch(std::int64_t offset, std::int64_t length) {
  if (!file_ || offset < 0 || length <= 0) return;
  const std::int64_t end = std::min(offset + length, size_);
  if (offset >= end) return;
  if (windowStart_ >= 0 && offset >= windowStart_ &&
      end <= windowStart_ + static_cast<std::int64_t>(window_.size()))
    return;
  window_.assign(static_cast<size_t>(end - offset), 0);
  std::int64_t done = 0;
  while (done < end - offset) {
    const std::int64_t got = file_->readAt(offset + done, window_.data() + done, end - offset - done);
    if (got < 0 && file_->interrupted()) continue;
    if (got < 0) {
      fail(QStringLiteral("Reading \"%1\" failed: %2.").arg(romPath_, file_->errorText()));
      break;
    }
    if (got == 0) break;  // the file shrank since it was opened: the rest reads as 0
    done += got;
  }
  windowStart_ = offset;
}

int RomImage::byteAt(std::int64_t offset) {
  if (offset >= size_) return 0;  // past the end reads as 0
  if (windowStart_ < 0 || offset < windowStart_ ||
      offset >= windowStart_ + static_cast<std::int64_t>(window_.size()))
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
  auto [it, inserted] = staged_.try_emplace(offset, Staged{0, 0});
  Staged& s = it->second;
  // A later write of the same byte wins, bit by bit.
  s.value = static_cast<std::uint8_t>((s.value & ~mask) | (value & mask));
  s.mask = static_cast<std::uint8_t>(s.mask | mask);
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

Status RomImage::writeFully(std::int64_t offset, const std::uint8_t* data, std::int64_t length) {
  std::int64_t done = 0;
  while (done < length) {
    const std::int64_t put = file_->writeAt(offset + done, data + done, length - done);
    if (put < 0 && file_->interrupted()) continue;
    if (put <= 0)
      return Status::error(put < 0 ? file_->errorText() : QStringLiteral("the system wrote nothing"));
    done += put;
  }
  return Status::ok();
}

Status RomImage::commit() {
  lastChanged_ = 0;
  if (staged_.empty()) return Status::ok();
  const std::int64_t last = staged_.rbegin()->first;
  if (last >= size_) {
    return Status::error(QStringLiteral("The save would reach offset 0x%1, past the end of \"%2\" (%3 bytes). "
                                        "Nothing was written: the editor never grows a ROM image.")
                             .arg(QString::number(last, 16).toUpper(), romPath_)
                             .arg(size_));
  }
  // Group the staged bytes into runs; each run is read, patched and written whole.
  struct Run {
    std::int64_t start, end;
    std::vector<std::uint8_t> before, after;
  };
  std::vector<Run> runs;
  for (const auto& [offset, s] : staged_) {
    if (runs.empty() || offset - runs.back().end > kMergeGap)
      runs.push_back(Run{offset, offset + 1, {}, {}});
    else
      runs.back().end = offset + 1;
  }
  for (Run& run : runs) {
    prefetch(run.start, run.end - run.start);
    if (!error_) return error_;
    run.before.resize(static_cast<size_t>(run.end - run.start));
    for (std::int64_t o = run.start; o < run.end; ++o) run.before[static_cast<size_t>(o - run.start)] = static_cast<std::uint8_t>(byteAt(o));
    run.after = run.before;
    for (auto it = staged_.lower_bound(run.start); it != staged_.end() && it->first < run.end; ++it) {
      auto& b = run.after[static_cast<size_t>(it->first - run.start)];
      b = static_cast<std::uint8_t>((b & ~it->second.mask) | (it->second.value & it->second.mask));
    }
  }
  if (!error_) return error_;
  if (Status same = file_->stillAtPath(); !same)
    return Status::error(QStringLiteral("\"%1\" cannot be written: %2. Nothing was written.").arg(romPath_, same.message()));
  std::int64_t changed = 0;
  for (size_t r = 0; r < runs.size(); ++r) {
    const Run& run = runs[r];
    Status written = writeFully(run.start, run.after.data(), run.end - run.start);
    if (!written) {
      // Put back what was there, so no record is left half old and half new.
      for (size_t back = 0; back <= r; ++back)
        writeFully(runs[back].start, runs[back].before.data(), runs[back].end - runs[back].start);
      file_->flush();
      return Status::error(QStringLiteral("Writing \"%1\" failed: %2. The save did not take place.")
                               .arg(romPath_, written.message()));
    }
    for (size_t i = 0; i < run.after.size(); ++i) changed += run.after[i] != run.before[i];
  }
  Status flushed = file_->flush();
  if (!flushed) {
    return Status::error(QStringLiteral("Writing \"%1\" to the disk failed: %2. The save may not have taken place.")
                             .arg(romPath_, flushed.message()));
  }
  lastChanged_ = changed;
  return Status::ok();
}

}  // namespace rt
