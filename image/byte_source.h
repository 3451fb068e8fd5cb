#pragma once
// Whole images read front to back in blocks, for comparisons, patches and
// checksums: memory stays a few blocks whatever the size of the image, and a
// block is one system call.

#include "image/file_layer.h"
#include "image/mapped_read.h"
#include "image/result.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace rt {

inline constexpr std::int64_t kBlockBytes = std::int64_t{1} << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t size() const = 0;
  // Fills `out` with [offset, offset + length), which lies inside size().
  virtual Status read(std::int64_t offset, std::uint8_t* out, std::int64_t length) = 0;
  using Sink = std::function<Status(const std::uint8_t* bytes, std::int64_t length)>;
  // Hands [offset, offset + length) to `sink` a piece at a time, each valid
  // during its call: from where the bytes are when they are in memory
  // already (a mapped file), else read into a buffer.
  virtual Status stream(std::int64_t offset, std::int64_t length, const Sink& sink) {
    return streamByReads(*this, offset, length, sink);
  }
  static Status streamByReads(ByteSource& source, std::int64_t offset, std::int64_t length, const Sink& sink);
};

// A file, opened read-only.
class FileSource final : public ByteSource {
 public:
  static Result<std::unique_ptr<FileSource>> open(const QString& path,
                                                 const std::shared_ptr<FileLayer>& files = systemFileLayer());
  std::int64_t size() const override { return size_; }
  Status read(std::int64_t offset, std::uint8_t* out, std::int64_t length) override;
  Status stream(std::int64_t offset, std::int64_t length, const Sink& sink) override;
  const QString& path() const { return path_; }
  // [offset, offset + length) mapped in place, or nullptr where the file
  // cannot be mapped; valid until the next call. Read under readMapped().
  const std::uint8_t* mapped(std::int64_t offset, std::int64_t length);
  // A read of mapped bytes faulted: the failure to report, saying whether
  // the file is shorter now than when it was opened.
  Status cutShort();
  bool shrunk();  // whether the file holds fewer bytes now than when it was opened
  ~FileSource() override;

 private:
  FileSource(QString path, std::unique_ptr<RomFile> file, std::int64_t size);
  QString path_;
  std::unique_ptr<RomFile> file_;
  std::int64_t size_;
  FileMapping mapping_;
};

// An image with some of its bytes replaced: the image as the history says it
// was before its first change, without writing anything.
class OverlaySource final : public ByteSource {
 public:
  // `bytes`: offsets in increasing order, each inside the base.
  OverlaySource(std::unique_ptr<ByteSource> base, std::vector<std::pair<std::int64_t, std::uint8_t>> bytes)
      : base_(std::move(base)), bytes_(std::move(bytes)) {}
  std::int64_t size() const override { return base_->size(); }
  Status read(std::int64_t offset, std::uint8_t* out, std::int64_t length) override;

 private:
  std::unique_ptr<ByteSource> base_;
  std::vector<std::pair<std::int64_t, std::uint8_t>> bytes_;
};

// Reads `a` and `b` side by side, one block of each at a time, to the end of
// the longer. `aLength`/`bLength` are how many bytes of the block each holds
// (fewer, or none, past its end).
struct BlockPair {
  std::int64_t offset = 0;
  const std::uint8_t* a = nullptr;
  std::int64_t aLength = 0;
  const std::uint8_t* b = nullptr;
  std::int64_t bLength = 0;
};
Status scanBlocks(ByteSource& a, ByteSource& b, const std::function<Status(const BlockPair&)>& onBlock);

// The runs of a block where the two differ, in order: [start, start + length)
// relative to the block. Past the end of the shorter one every byte differs.
void differingRuns(const BlockPair& block, const std::function<void(std::int64_t start, std::int64_t length)>& onRun);

// zlib's CRC-32 of a whole source.
Result<std::uint32_t> crc32Of(ByteSource& source);
std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::int64_t length);

// "0x1A2B3C"
QString hexOffset(std::int64_t offset);

}  // namespace rt
