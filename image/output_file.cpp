#include "image/output_file.h"

#include "image/byte_source.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rt {
namespace {

// Small enough to stay in the processor's cache and to cost few page faults
// (one per 4 KiB touched the first time); large enough that writes are few.
constexpr size_t kBufferBytes = 256 << 10;

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
#ifdef _WIN32
bool writeHandle(QSaveFile& file, std::int64_t offset, const std::uint8_t* data, std::int64_t length, QString* error) {
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
}
#else
QString errnoText() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool writeHandle(int fd, std::int64_t offset, const std::uint8_t* data, std::int64_t length, QString* error) {
  while (length > 0) {
    const ssize_t put = ::pwrite(fd, data, static_cast<size_t>(length), offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      *error = put < 0 ? errnoText() : QStringLiteral("nothing was written");
      return false;
    }
    data += put;
    offset += put;
    length -= put;
  }
  return true;
}
#endif

}  // namespace

#ifdef _WIN32
OutputFile::OutputFile(const QString& path) : path_(path), file_(path) {}
OutputFile::~OutputFile() = default;
int OutputFile::handle() const { return file_.handle(); }

Status OutputFile::failure(const QString& what) {
  file_.cancelWriting();
  return Status::error(QStringLiteral("Cannot write \"%1\": %2. Nothing was written.").arg(path_, what));
}

Status OutputFile::open() {
  buffer_.reserve(kBufferBytes);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return failure(file_.errorString());
  return Status::ok();
}
#else
OutputFile::OutputFile(const QString& path) : path_(path) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.isEmpty()) ::unlink(QFile::encodeName(temp_).constData());
}

int OutputFile::handle() const { return fd_; }

Status OutputFile::failure(const QString& what) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.isEmpty()) ::unlink(QFile::encodeName(temp_).constData());
  temp_.clear();
  return Status::error(QStringLiteral("Cannot write \"%1\": %2. Nothing was written.").arg(path_, what));
}

Status OutputFile::open() {
  buffer_.reserve(kBufferBytes);
  // A link is followed: the file it names is replaced, and the link stays.
  const QFileInfo target(path_);
  final_ = target.isSymLink() && target.exists() ? target.canonicalFilePath() : path_;
  struct stat existing {};
  const bool exists = ::stat(QFile::encodeName(final_).constData(), &existing) == 0;
  // Private until it has the replaced file's permissions; a new file's follow the umask.
  const mode_t mode = exists ? 0600 : 0666;
#ifdef O_TMPFILE
  // Nameless until commit(): a crash leaves nothing beside the target.
  fd_ = ::open(QFile::encodeName(QFileInfo(final_).absolutePath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
#endif
  for (int attempt = 0; fd_ < 0; ++attempt) {
    const QString name = tempName();
    fd_ = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ >= 0) temp_ = name;
    else if (errno != EEXIST || attempt == 100) return failure(errnoText());
  }
  if (exists && ::fchmod(fd_, existing.st_mode & 07777) != 0) return failure(errnoText());
  return Status::ok();
}

QString OutputFile::tempName() const {
  return final_ + QStringLiteral(".%1").arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}
#endif

Status OutputFile::flush() {
  QString error;
  if (!buffer_.empty() && !writeHandle(writer(), flushed_, buffer_.data(), static_cast<std::int64_t>(buffer_.size()), &error))
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
  if (!writeHandle(writer(), offset, data, length, &error)) return failure(error);
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
    const std::int64_t got = readHandle(handle(), offset + done, out + done, inFile - done, &error);
    if (got <= 0) return failure(QStringLiteral("reading back what was written failed: %1").arg(error.isEmpty() ? QStringLiteral("end of file") : error));
    done += got;
  }
  return Status::ok();
}

Status OutputFile::commit() {
  if (Status s = flush(); !s) return s;
#ifdef _WIN32
  if (!file_.commit())
    return Status::error(QStringLiteral("Cannot write \"%1\": %2. Nothing was written.").arg(path_, file_.errorString()));
#else
  // One flush, where errno says why it failed (a disk that fills on
  // writeback, an I/O error); then the file takes the target's name.
  while (::fsync(fd_) != 0)
    if (errno != EINTR) return failure(errnoText());
  for (int attempt = 0; temp_.isEmpty(); ++attempt) {  // a nameless file gets a name beside the target
    const QString name = tempName();
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, QFile::encodeName(name).constData(), AT_SYMLINK_FOLLOW) == 0)
      temp_ = name;
    else if (errno != EEXIST || attempt == 100)
      return failure(errnoText());
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return failure(errnoText());
  if (::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(final_).constData()) != 0)
    return failure(errnoText());
  temp_.clear();
#endif
  return Status::ok();
}

}  // namespace rt
