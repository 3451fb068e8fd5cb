#pragma once
// What the BPS and IPS modules share: a patch read front to back through a
// block buffer, and the bytes of the source copied to the output in blocks.

#include "image/byte_source.h"
#include "image/output_file.h"

#include <vector>

namespace rt {

class PatchReader {
 public:
  // Reads [0, end) of `patch`; a read past `end` is a cut-off patch.
  PatchReader(ByteSource& patch, std::int64_t end) : patch_(patch), end_(end) {}
  std::int64_t position() const { return pos_; }
  std::int64_t left() const { return end_ - pos_; }
  // False (and status() says why) when the patch ends first or cannot be read.
  bool byte(std::uint8_t* out);
  bool bytes(std::uint8_t* out, std::int64_t length);
  // Hands `length` bytes to `sink` a block at a time.
  template <typename Sink>
  bool stream(std::int64_t length, Sink sink) {
    while (length > 0) {
      if (at_ >= have_ && !fill()) return false;
      const std::int64_t n = std::min(length, have_ - at_);
      if (Status s = sink(buffer_.data() + at_, n); !s) {
        status_ = s;
        return false;
      }
      at_ += n;
      pos_ += n;
      length -= n;
    }
    return true;
  }
  const Status& status() const { return status_; }

 private:
  bool fill();
  ByteSource& patch_;
  std::int64_t end_;
  std::int64_t pos_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::int64_t at_ = 0, have_ = 0;
  Status status_;
};

// Appends source[offset, offset + length) to `out`.
Status copySource(ByteSource& source, std::int64_t offset, std::int64_t length, OutputFile& out);
// Appends `length` zero bytes.
Status appendZeros(std::int64_t length, OutputFile& out);

// "1A2B3C4D"
QString crcText(std::uint32_t crc);

}  // namespace rt
