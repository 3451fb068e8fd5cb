#include "image/output_file.h"

#include "image/byte_source.h"

#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace rt {
namespace {

constexpr size_t kBufferBytes = 1 << 20;

// Positioned read on the handle of the temporary file, which Qt opens for
// reading and writing; QSaveFile itself only writes.
std::int64_t readHandle(int handle, std::int64_t offset, std::uint8_t* out, std::int64_t length, QString* error) {
#ifdef _WIN32
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::int64_t>(length, 1 << 30));
  if (!ReadFile(h, out, want, &got, &at)) {
    *error = QStringLiteral("Windows error %1").arg(GetLastError());
    return -1;
  }
  return got;
#else
  for (;;) {
    const ssize_t got = ::pread(handle, out, static_cast<size_t>(length), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) *error = QString::fromLocal8Bit(std::strerror(errno));
    return got;
  }
#endif
}

// Writes all of [data, data + length) at offset. On failure, the system's own
// reason: QSaveFile reports a failed write as "Unknown error", losing errno
// (a full disk among them).
bool writeHandle(QSaveFile& file, std::int64_t offset, const std::uint8_t* data, std::int64_t length, QString* error) {
#ifdef _WIN32
  if (!file.seek(offset)) {
    *error = file.errorString();
    return false;
  }
  while (length > 0) {
    const qint64 put = file.write(reinterpret_cast<const char*>(data), length);
    if (put <= 0) {
      *error = file.errorString();
      return false;
    }
    data += put;
    length -= put;
  }
  return true;
#else
  while (length > 0) {
    const ssize_t put = ::pwrite(file.handle(), data, static_cast<size_t>(length), offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *error = put < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("nothing was written");
      return false;
    }
    data += put;
    offset += put;
    length -= put;
  }
  return true;
#endif
}

}  // namespace

OutputFile::OutputFile(const QString& path) : path_(path), file_(path) {}

Status OutputFile::failure(const QString& what) {
  file_.cancelWriting();
  return Status::error(QStringLiteral("Cannot write \"%1\": %2. Nothing was written.").arg(path_, what));
}

Status OutputFile::open() {
  buffer_.reserve(kBufferBytes);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return failure(file_.errorString());
  return Status::ok();
}

Status OutputFile::flush() {
  QString error;
  if (!buffer_.empty() && !writeHandle(file_, flushed_, buffer_.data(), static_cast<std::int64_t>(buffer_.size()), &error))
    return failure(error);
  flushed_ += static_cast<std::int64_t>(buffer_.size());
  buffer_.clear();
  return Status::ok();
}

Status OutputFile::append(const std::uint8_t* data, std::int64_t length) {
  crc_ = crc32Update(crc_, data, length);
  size_ += length;
  while (length > 0) {
    const std::int64_t room = static_cast<std::int64_t>(kBufferBytes - buffer_.size());
    const std::int64_t n = std::min(room, length);
    buffer_.insert(buffer_.end(), data, data + n);
    data += n;
    length -= n;
    if (buffer_.size() == kBufferBytes)
      if (Status s = flush(); !s) return s;
  }
  return Status::ok();
}

Status OutputFile::writeAt(std::int64_t offset, const std::uint8_t* data, std::int64_t length) {
  if (Status s = flush(); !s) return s;
  QString error;
  if (!writeHandle(file_, offset, data, length, &error)) return failure(error);
  return Status::ok();
}

Status OutputFile::readBack(std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  // What is still in the buffer is copied from there; the rest is in the file.
  const std::int64_t inFile = std::max<std::int64_t>(0, std::min(length, flushed_ - offset));
  if (inFile < length) {
    const std::int64_t from = offset + inFile - flushed_;
    std::memcpy(out + inFile, buffer_.data() + from, static_cast<size_t>(length - inFile));
  }
  std::int64_t done = 0;
  while (done < inFile) {
    QString error;
    const std::int64_t got = readHandle(file_.handle(), offset + done, out + done, inFile - done, &error);
    if (got <= 0) return failure(QStringLiteral("reading back what was written failed: %1").arg(error.isEmpty() ? QStringLiteral("end of file") : error));
    done += got;
  }
  return Status::ok();
}

Status OutputFile::commit() {
  if (Status s = flush(); !s) return s;
#ifndef _WIN32
  // Flushed here, where errno says why it failed (a disk that fills on
  // writeback, an I/O error); QSaveFile's own flush then finds nothing to do.
  while (::fsync(file_.handle()) != 0) {
    if (errno != EINTR) return failure(QString::fromLocal8Bit(std::strerror(errno)));
  }
#endif
  if (!file_.commit())
    return Status::error(QStringLiteral("Cannot write \"%1\": %2. Nothing was written.").arg(path_, file_.errorString()));
  return Status::ok();
}

}  // namespace rt
