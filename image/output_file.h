#pragma once
// A file written whole or not at all: the bytes go to a temporary file beside
// the target, which replaces the target only in commit(). A failure, or an
// object destroyed without commit(), leaves no file and no part of one, and an
// existing target as it was. Patches and patched images are written this way.

#include "image/result.h"

#include <QString>
#ifdef _WIN32
#include <QSaveFile>
#endif

#include <cstdint>
#include <vector>

namespace rt {

class OutputFile {
 public:
  explicit OutputFile(const QString& path);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  Status open();
  // Adds bytes at the end; buffered. crc() covers every appended byte.
  Status append(const std::uint8_t* data, std::int64_t length);
  // Overwrites bytes already appended.
  Status writeAt(std::int64_t offset, const std::uint8_t* data, std::int64_t length);
  // Reads bytes already appended (a patch that repeats earlier output).
  Status readBack(std::int64_t offset, std::uint8_t* out, std::int64_t length);
  std::int64_t size() const { return size_; }
  std::uint32_t crc() const { return crc_; }
  // Flushes to the disk and puts the file in place of the target.
  Status commit();
  const QString& path() const { return path_; }

 private:
  Status flush();
  Status failure(const QString& what);
  int handle() const;
#ifdef _WIN32
  QSaveFile& writer() { return file_; }
#else
  int writer() const { return fd_; }
  QString tempName() const;
#endif

  QString path_;
#ifdef _WIN32
  QSaveFile file_;
#else
  // The temporary file beside the target (the target's own file when the
  // path is a link), flushed once in commit() and then renamed over it.
  int fd_ = -1;
  QString temp_;  // the temporary file's name once it has one
  QString final_;
#endif
  std::vector<std::uint8_t> buffer_;
  std::int64_t flushed_ = 0;  // bytes already in the file
  std::int64_t size_ = 0;
  std::uint32_t crc_ = 0;
};

}  // namespace rt
