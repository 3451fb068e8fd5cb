#pragma once
// The file layer under RomImage: positioned reads and writes on one open file.
// It sits behind an interface so tests can make any step fail (short writes,
// EINTR, ENOSPC, a failing flush) and so Windows and POSIX share RomImage.

#include "image/result.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace rt {

class RomFile {
 public:
  virtual ~RomFile() = default;
  // Bytes actually transferred (may be fewer than asked), or -1 with errorText() set.
  // EINTR is reported as -1 with interrupted() true; callers retry.
  virtual std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t length) = 0;
  virtual std::int64_t writeAt(std::int64_t offset, const void* buffer, std::int64_t length) = 0;
  virtual std::int64_t size() = 0;  // -1 on failure
  virtual Status flush() = 0;       // to the disk, not only to the OS
  virtual bool interrupted() const = 0;
  // Whether the path still names the file this handle opened; a save checks it
  // before writing, so it never lands in a file that was deleted or replaced.
  virtual Status stillAtPath() { return Status::ok(); }
  // Which file this is (device and inode), to tell a replaced file; empty
  // when the layer cannot say.
  virtual QString identity() const { return {}; }
  // The system's descriptor of the open file, for mapping it; -1 where there
  // is none to map (Windows, the tests' layers).
  virtual int descriptor() const { return -1; }
  virtual QString errorText() const = 0;
};

enum class OpenMode { ReadOnly, ReadWrite };

class FileLayer {
 public:
  virtual ~FileLayer() = default;
  // Opens an existing regular file. Never creates or truncates: a missing path,
  // a directory or a device is an error.
  virtual Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) = 0;
};

// The operating system's files (POSIX pread/pwrite/fsync, or Win32 on Windows).
std::shared_ptr<FileLayer> systemFileLayer();

}  // namespace rt
