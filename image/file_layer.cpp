#include "image/file_layer.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif
#endif

namespace rt {
namespace {

#ifdef _WIN32

QString lastErrorText() {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString result = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("unknown error");
  LocalFree(text);
  return result;
}

class WinRomFile final : public RomFile {
 public:
  explicit WinRomFile(HANDLE handle) : handle_(handle) {}
  ~WinRomFile() override { CloseHandle(handle_); }

  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(length), &done, &where)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      error_ = lastErrorText();
      return -1;
    }
    return done;
  }
  std::int64_t writeAt(std::int64_t offset, const void* buffer, std::int64_t length) override {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!WriteFile(handle_, buffer, static_cast<DWORD>(length), &done, &where)) {
      error_ = lastErrorText();
      return -1;
    }
    return done;
  }
  std::int64_t size() override {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(handle_, &value)) {
      error_ = lastErrorText();
      return -1;
    }
    return value.QuadPart;
  }
  Status flush() override {
    if (!FlushFileBuffers(handle_)) return Status::error(lastErrorText());
    return Status::ok();
  }
  bool interrupted() const override { return false; }
  QString errorText() const override { return error_; }

 private:
  HANDLE handle_;
  QString error_;
};

class WinFileLayer final : public FileLayer {
 public:
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override {
    const DWORD access = mode == OpenMode::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    // OPEN_EXISTING: never create; no truncating disposition is ever used.
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), access,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Result<std::unique_ptr<RomFile>>::failure(lastErrorText());
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      CloseHandle(handle);
      return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("it is not a file"));
    }
    return std::unique_ptr<RomFile>(new WinRomFile(handle));
  }
};

#else

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// What a save asks of a file: its kind, size, identity and links; never its
// times. Asking for a file's times (as stat does) makes Linux (6.13 on) stamp
// the next write with a fresh fine-grained time, so every save's flush wrote
// the file's inode too: a third more time per save on a file system without a
// journal. statx can leave the times out.
struct Facts {
  bool regular = false, folder = false;
  std::int64_t size = 0;
  dev_t device = 0;
  ino_t inode = 0;
  nlink_t links = 0;
};

bool factsOf(int dirfd, const char* path, Facts* out) {
#if defined(__linux__) && defined(STATX_BASIC_STATS)
  struct statx x {};
  const int flags = *path ? 0 : AT_EMPTY_PATH;
  if (::statx(dirfd, path, flags, STATX_TYPE | STATX_SIZE | STATX_INO | STATX_NLINK, &x) == 0) {
    out->regular = S_ISREG(x.stx_mode);
    out->folder = S_ISDIR(x.stx_mode);
    out->size = static_cast<std::int64_t>(x.stx_size);
    out->device = makedev(x.stx_dev_major, x.stx_dev_minor);
    out->inode = static_cast<ino_t>(x.stx_ino);
    out->links = static_cast<nlink_t>(x.stx_nlink);
    return true;
  }
  if (errno != ENOSYS) return false;
#endif
  struct stat info {};
  if ((*path ? ::stat(path, &info) : ::fstat(dirfd, &info)) != 0) return false;
  out->regular = S_ISREG(info.st_mode);
  out->folder = S_ISDIR(info.st_mode);
  out->size = static_cast<std::int64_t>(info.st_size);
  out->device = info.st_dev;
  out->inode = info.st_ino;
  out->links = info.st_nlink;
  return true;
}

class PosixRomFile final : public RomFile {
 public:
  // `openedSize`: the size the open has just read with fstat.
  PosixRomFile(int fd, QByteArray path, dev_t device, ino_t inode, std::int64_t openedSize)
      : fd_(fd), path_(std::move(path)), device_(device), inode_(inode), openedSize_(openedSize) {}
  ~PosixRomFile() override { ::close(fd_); }

  std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) override {
    const ssize_t done = ::pread(fd_, buffer, static_cast<size_t>(length), offset);
    return finish(done);
  }
  std::int64_t writeAt(std::int64_t offset, const void* buffer, std::int64_t length) override {
    const ssize_t done = ::pwrite(fd_, buffer, static_cast<size_t>(length), offset);
    return finish(done);
  }
  std::int64_t size() override {
    // A session asks right after opening: answer that first question from the
    // open's fstat instead of a second system call.
    if (openedSize_ >= 0) return std::exchange(openedSize_, -1);
    Facts facts;
    if (!factsOf(fd_, "", &facts)) {
      error_ = errnoText(errno);
      return -1;
    }
    return facts.size;
  }
  Status flush() override {
    // The bytes, and what is needed to read them back (the size), reach the
    // disk; the modification time need not, and leaving it out spares a
    // write of the inode on every save in place.
#ifdef __linux__
    while (::fdatasync(fd_) != 0) {
#else
    while (::fsync(fd_) != 0) {
#endif
      if (errno != EINTR) return Status::error(errnoText(errno));
    }
    return Status::ok();
  }
  bool interrupted() const override { return interrupted_; }
  QString errorText() const override { return error_; }
  Status stillAtPath() override {
    Facts now;
    if (!factsOf(AT_FDCWD, path_.constData(), &now))
      return Status::error(QStringLiteral("the file was removed (%1)").arg(errnoText(errno)));
    if (now.device != device_ || now.inode != inode_)
      return Status::error(QStringLiteral("the file was replaced by another one"));
    Facts mine;
    if (factsOf(fd_, "", &mine) && mine.links == 0) return Status::error(QStringLiteral("the file was removed"));
    return Status::ok();
  }
  QString identity() const override {
    // Asked several times a save: made once.
    if (identity_.isEmpty())
      identity_ = QStringLiteral("%1:%2").arg(static_cast<qulonglong>(device_)).arg(static_cast<qulonglong>(inode_));
    return identity_;
  }
  int descriptor() const override { return fd_; }

 private:
  std::int64_t finish(ssize_t done) {
    interrupted_ = false;
    if (done < 0) {
      interrupted_ = errno == EINTR;
      error_ = errnoText(errno);
      return -1;
    }
    return done;
  }
  int fd_;
  QByteArray path_;
  dev_t device_;
  ino_t inode_;
  mutable QString identity_;
  std::int64_t openedSize_;
  bool interrupted_ = false;
  QString error_;
};

class PosixFileLayer final : public FileLayer {
 public:
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override {
    const QByteArray name = QFile::encodeName(path);
    // No O_CREAT, no O_TRUNC: an editor must never make or empty a file.
    // O_NONBLOCK keeps a FIFO from hanging the open.
    int flags = (mode == OpenMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd;
    do {
      fd = ::open(name.constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Result<std::unique_ptr<RomFile>>::failure(errnoText(errno));
    Facts info;
    if (!factsOf(fd, "", &info) || !info.regular) {
      ::close(fd);
      return Result<std::unique_ptr<RomFile>>::failure(info.folder ? QStringLiteral("it is a folder, not a file")
                                                                   : QStringLiteral("it is not a regular file"));
    }
    // O_NONBLOCK stays set: it only kept a FIFO from hanging the open, and a
    // regular file ignores it.
    return std::unique_ptr<RomFile>(
        new PosixRomFile(fd, name, info.device, info.inode, info.size));
  }
};

#endif

}  // namespace

std::shared_ptr<FileLayer> systemFileLayer() {
#ifdef _WIN32
  static auto layer = std::make_shared<WinFileLayer>();
#else
  static auto layer = std::make_shared<PosixFileLayer>();
#endif
  return layer;
}

}  // namespace rt
