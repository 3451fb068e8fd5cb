// BPS patches, made and applied in blocks.
#include "compare/patch.h"
#include "compare/patch_stream.h"

#include <algorithm>
#include <cstring>

namespace rt::bps {
namespace {

enum Action : std::uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// Fewer unchanged bytes than this between two changes go out as literals: a
// source read of them would cost more patch bytes than it saves.
constexpr std::int64_t kMinSourceRead = 4;
// A literal byte repeated this often or more becomes one byte and a target copy.
constexpr std::int64_t kMinRepeat = 24;
constexpr std::int64_t kLiteralCap = std::int64_t{1} << 20;
constexpr std::int64_t kFooter = 12;

void putLe32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t le32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

class Encoder {
 public:
  Encoder(OutputFile& out, std::int64_t targetSize) : out_(out), targetSize_(targetSize) {}

  Status header(std::int64_t sourceSize) {
    if (Status s = out_.append(reinterpret_cast<const std::uint8_t*>("BPS1"), 4); !s) return s;
    if (Status s = number(static_cast<std::uint64_t>(sourceSize)); !s) return s;
    if (Status s = number(static_cast<std::uint64_t>(targetSize_)); !s) return s;
    return number(0);  // no metadata
  }

  Status block(const BlockPair& block, PatchSummary* summary) {
    if (block.bLength == 0) return Status::ok();  // the source runs on past the target
    block_ = &block;
    Status status;
    differingRuns(block, [&](std::int64_t start, std::int64_t length) {
      length = std::min(length, block.bLength - start);
      if (length <= 0 || !status) return;
      const std::int64_t at = block.offset + start;
      summary->bytesChanged += length;
      if (at != lastRunEnd_) ++summary->runs;
      lastRunEnd_ = at + length;
      status = run(at, length);
    });
    // The last bytes of the block: an unchanged gap that starts here and ends in
    // the next block may go out as literals.
    const std::int64_t keep = std::min<std::int64_t>(kMinSourceRead, block.bLength);
    std::memcpy(tail_, block.b + block.bLength - keep, static_cast<size_t>(keep));
    tailEnd_ = block.offset + block.bLength;
    block_ = nullptr;
    return status;
  }

  Status finish(std::uint32_t sourceCrc, std::uint32_t targetCrc) {
    if (Status s = gap(targetSize_); !s) return s;
    if (Status s = flushLiteral(); !s) return s;
    std::uint8_t footer[8];
    putLe32(footer, sourceCrc);
    putLe32(footer + 4, targetCrc);
    if (Status s = out_.append(footer, 8); !s) return s;
    putLe32(footer, out_.crc());
    return out_.append(footer, 4);
  }

 private:
  Status number(std::uint64_t v) {
    std::uint8_t bytes[10];
    int n = 0;
    for (;;) {
      const std::uint8_t x = v & 0x7F;
      v >>= 7;
      if (v == 0) {
        bytes[n++] = 0x80 | x;
        break;
      }
      bytes[n++] = x;
      --v;
    }
    return out_.append(bytes, n);
  }
  Status command(Action action, std::int64_t length) {
    return number((static_cast<std::uint64_t>(length - 1) << 2) | action);
  }

  std::uint8_t targetByte(std::int64_t at) const {
    if (block_ && at >= block_->offset) return block_->b[at - block_->offset];
    return tail_[at - (tailEnd_ - kMinSourceRead)];
  }

  // Unchanged bytes up to `end`.
  Status gap(std::int64_t end) {
    const std::int64_t length = end - pos_;
    if (length <= 0) return Status::ok();
    if (!literal_.empty() && length < kMinSourceRead && end < targetSize_) {
      for (std::int64_t at = pos_; at < end; ++at) literal_.push_back(targetByte(at));
      pos_ = end;
      return Status::ok();
    }
    if (Status s = flushLiteral(); !s) return s;
    if (Status s = command(SourceRead, length); !s) return s;
    written_ += length;
    pos_ = end;
    return Status::ok();
  }

  Status run(std::int64_t at, std::int64_t length) {
    if (Status s = gap(at); !s) return s;
    const std::uint8_t* bytes = block_->b + (at - block_->offset);
    while (length > 0) {
      const std::int64_t n = std::min(length, kLiteralCap - static_cast<std::int64_t>(literal_.size()));
      literal_.insert(literal_.end(), bytes, bytes + n);
      bytes += n;
      length -= n;
      pos_ += n;
      if (static_cast<std::int64_t>(literal_.size()) >= kLiteralCap)
        if (Status s = flushLiteral(); !s) return s;
    }
    return Status::ok();
  }

  Status targetRead(size_t from, size_t to) {
    if (from >= to) return Status::ok();
    const auto length = static_cast<std::int64_t>(to - from);
    if (Status s = command(TargetRead, length); !s) return s;
    if (Status s = out_.append(literal_.data() + from, length); !s) return s;
    written_ += length;
    return Status::ok();
  }

  // A run of one byte: the copy reads the byte just written, over and over.
  Status repeat(std::int64_t length) {
    if (Status s = command(TargetCopy, length); !s) return s;
    const std::int64_t from = written_ - 1;
    const std::int64_t delta = from - targetRelative_;
    if (Status s = number((static_cast<std::uint64_t>(delta < 0 ? -delta : delta) << 1) | (delta < 0 ? 1 : 0)); !s)
      return s;
    targetRelative_ = from + length;
    written_ += length;
    return Status::ok();
  }

  Status flushLiteral() {
    size_t start = 0;
    const size_t n = literal_.size();
    for (size_t i = 0; i < n;) {
      size_t j = i + 1;
      while (j < n && literal_[j] == literal_[i]) ++j;
      if (static_cast<std::int64_t>(j - i) >= kMinRepeat) {
        if (Status s = targetRead(start, i + 1); !s) return s;
        if (Status s = repeat(static_cast<std::int64_t>(j - i - 1)); !s) return s;
        start = j;
      }
      i = j;
    }
    if (Status s = targetRead(start, n); !s) return s;
    literal_.clear();
    return Status::ok();
  }

  OutputFile& out_;
  std::int64_t targetSize_;
  std::int64_t pos_ = 0;      // target bytes given by actions or waiting in literal_
  std::int64_t written_ = 0;  // target bytes given by actions written out
  std::int64_t targetRelative_ = 0;
  std::int64_t lastRunEnd_ = -1;
  std::vector<std::uint8_t> literal_;
  const BlockPair* block_ = nullptr;
  std::uint8_t tail_[kMinSourceRead] = {};
  std::int64_t tailEnd_ = 0;
};

// A BPS number: seven bits a byte, low first, the last byte flagged by its top
// bit; each continuation adds one, so every value has one encoding.
bool readNumber(PatchReader& in, std::uint64_t* value) {
  std::uint64_t data = 0, shift = 1;
  for (;;) {
    std::uint8_t x = 0;
    if (!in.byte(&x)) return false;
    if (shift > (std::uint64_t{1} << 56)) return false;
    data += (x & 0x7F) * shift;
    if (x & 0x80) break;
    shift <<= 7;
    data += shift;
  }
  *value = data;
  return true;
}

Result<PatchSummary> refused(const QString& why) {
  return Result<PatchSummary>::failure(QStringLiteral("The BPS patch is refused: %1. Nothing was written.").arg(why));
}

// The actions of a patch after its header, written to `out`; nothing is put in place.
Result<PatchSummary> actions(PatchReader& in, ByteSource& source, std::int64_t target, std::uint32_t targetCrc,
                             OutputFile& out, const PatchSummary& summary) {
  std::int64_t sourceRelative = 0, targetRelative = 0;
  std::vector<std::uint8_t> chunk;
  while (in.left() > 0) {
    std::uint64_t data = 0;
    if (!readNumber(in, &data)) return refused(QStringLiteral("an action at byte %1 is damaged").arg(in.position()));
    const auto action = static_cast<Action>(data & 3);
    const std::uint64_t length64 = (data >> 2) + 1;
    const std::int64_t at = out.size();
    if (length64 > static_cast<std::uint64_t>(target - at))
      return refused(QStringLiteral("an action at byte %1 writes past the end of the image").arg(in.position()));
    const auto length = static_cast<std::int64_t>(length64);
    if (action == SourceRead) {
      if (at + length > source.size()) return refused(QStringLiteral("an action reads past the end of the source"));
      if (Status s = copySource(source, at, length, out); !s) return s;
    } else if (action == TargetRead) {
      Status wrote;
      if (!in.stream(length, [&](const std::uint8_t* bytes, std::int64_t n) { return wrote = out.append(bytes, n); }))
        return wrote ? refused(in.status().message()) : Result<PatchSummary>(wrote);
    } else {
      std::uint64_t offset = 0;
      if (!readNumber(in, &offset)) return refused(QStringLiteral("an action at byte %1 is damaged").arg(in.position()));
      const auto delta = static_cast<std::int64_t>(offset >> 1);
      std::int64_t& relative = action == SourceCopy ? sourceRelative : targetRelative;
      relative += (offset & 1) ? -delta : delta;
      if (action == SourceCopy) {
        if (relative < 0 || relative + length > source.size())
          return refused(QStringLiteral("an action copies from outside the source"));
        if (Status s = copySource(source, relative, length, out); !s) return s;
      } else {
        if (relative < 0 || relative >= at) return refused(QStringLiteral("an action copies target bytes not yet written"));
        // The copy may overlap what it writes: its bytes repeat with the
        // period between where it reads and where it writes.
        const std::int64_t period = at - relative;
        std::int64_t left = length;
        while (left > 0) {
          const std::int64_t n = std::min(left, kBlockBytes);
          chunk.resize(static_cast<size_t>(n));
          const std::int64_t fresh = std::min(n, period);
          if (Status s = out.readBack(relative, chunk.data(), fresh); !s) return s;
          for (std::int64_t i = fresh; i < n; ++i) chunk[static_cast<size_t>(i)] = chunk[static_cast<size_t>(i - period)];
          if (Status s = out.append(chunk.data(), n); !s) return s;
          relative += n;
          left -= n;
        }
      }
      if (action == SourceCopy) sourceRelative += length;
    }
  }
  if (!in.status()) return in.status();
  if (out.size() != target)
    return refused(QStringLiteral("its actions make %1 bytes; its header says %2").arg(out.size()).arg(target));
  if (out.crc() != targetCrc)
    return refused(QStringLiteral("the patched image's CRC32 is %1, not the %2 the patch expects").arg(crcText(out.crc()), crcText(targetCrc)));
  return summary;
}

// The source read front to back once, a block at a time, its CRC-32 taken
// block by block: a patch copies its source mostly in order, so each copy is
// served from the block in memory; a copy from before the block reads the file
// directly, and finish() reads what no copy reached, for the checksum.
class SummedSource final : public ByteSource {
 public:
  explicit SummedSource(ByteSource& base) : base_(base), file_(dynamic_cast<FileSource*>(&base)) {}
  std::int64_t size() const override { return base_.size(); }
  Status read(std::int64_t offset, std::uint8_t* out, std::int64_t length) override {
    return stream(offset, length, [&out](const std::uint8_t* bytes, std::int64_t n) {
      std::memcpy(out, bytes, static_cast<size_t>(n));
      out += n;
      return Status::ok();
    });
  }
  Status stream(std::int64_t offset, std::int64_t length, const Sink& sink) override {
    while (length > 0) {
      // Before the block: read again (the block's own window stays as it is).
      if (offset < start_) return streamByReads(base_, offset, length, sink);
      while (offset >= start_ + have_)
        if (Status s = advance(); !s) return s;
      const std::int64_t n = std::min(length, start_ + have_ - offset);
      const std::uint8_t* bytes = at_ + (offset - start_);
      Status status;
      if (!mapped_) status = sink(bytes, n);
      else if (!readMapped([&] { status = sink(bytes, n); })) return file_->cutShort();
      if (!status) return status;
      offset += n;
      length -= n;
    }
    return Status::ok();
  }
  Result<std::uint32_t> finish() {
    while (start_ + have_ < base_.size())
      if (Status s = advance(); !s) return s;
    return crc_;
  }

 private:
  // The next block of the file, summed: in place where the file is mapped.
  Status advance() {
    // A block that stays in the cache while it is summed and copied from.
    constexpr std::int64_t kSummed = 256 << 10;
    const std::int64_t next = start_ + have_;
    const std::int64_t n = std::min(kSummed, base_.size() - next);
    if (n <= 0) return Status::error(QStringLiteral("a read reaches past the end of the source"));
    at_ = file_ ? file_->mapped(next, n) : nullptr;
    mapped_ = at_ != nullptr;
    if (mapped_) {
      std::uint32_t crc = crc_;
      if (!readMapped([&] { crc = crc32Update(crc, at_, n); })) return file_->cutShort();
      crc_ = crc;
    } else {
      if (block_.empty()) block_.resize(static_cast<size_t>(kSummed));
      if (Status s = base_.read(next, block_.data(), n); !s) return s;
      crc_ = crc32Update(crc_, block_.data(), n);
      at_ = block_.data();
    }
    start_ = next;
    have_ = n;
    return Status::ok();
  }
  ByteSource& base_;
  FileSource* file_;
  std::vector<std::uint8_t> block_;
  const std::uint8_t* at_ = nullptr;  // the block's bytes: mapped, or in block_
  bool mapped_ = false;
  std::int64_t start_ = 0, have_ = 0;
  std::uint32_t crc_ = 0;
};

}  // namespace

Result<PatchSummary> make(ByteSource& source, ByteSource& target, const QString& outPath) {
  PatchSummary summary;
  summary.format = PatchFormat::Bps;
  summary.sourceSize = source.size();
  summary.targetSize = target.size();
  OutputFile out(outPath);
  if (Status s = out.open(); !s) return s;
  Encoder encoder(out, target.size());
  if (Status s = encoder.header(source.size()); !s) return s;
  std::uint32_t sourceCrc = 0, targetCrc = 0;
  Status scanned = scanBlocks(source, target, [&](const BlockPair& block) {
    sourceCrc = crc32Update(sourceCrc, block.a, block.aLength);
    targetCrc = crc32Update(targetCrc, block.b, block.bLength);
    return encoder.block(block, &summary);
  });
  if (!scanned) return scanned;
  if (Status s = encoder.finish(sourceCrc, targetCrc); !s) return s;
  summary.patchSize = out.size();
  summary.sourceCrc = sourceCrc;
  summary.targetCrc = targetCrc;
  if (Status s = out.commit(); !s) return s;
  return summary;
}

Result<PatchSummary> apply(ByteSource& patch, ByteSource& source, const QString& outPath) {
  const std::int64_t size = patch.size();
  if (size < 4 + 3 + kFooter) return refused(QStringLiteral("it is cut short: %1 bytes hold no complete patch").arg(size));
  std::uint8_t footer[kFooter];
  if (Status s = patch.read(size - kFooter, footer, kFooter); !s) return s;
  const std::uint32_t sourceCrc = le32(footer), targetCrc = le32(footer + 4), patchCrc = le32(footer + 8);
  // The patch's own checksum first: a damaged or cut-off patch says nothing reliable.
  {
    std::uint32_t crc = 0;
    PatchReader whole(patch, size - 4);
    whole.stream(size - 4, [&crc](const std::uint8_t* data, std::int64_t n) {
      crc = crc32Update(crc, data, n);
      return Status::ok();
    });
    if (!whole.status()) return whole.status();
    if (crc != patchCrc)
      return refused(QStringLiteral("its own CRC32 is %1 but its bytes give %2; it is damaged or cut short")
                         .arg(crcText(patchCrc), crcText(crc)));
  }
  PatchReader in(patch, size - kFooter);
  std::uint8_t magic[4];
  std::uint64_t sourceSize = 0, targetSize = 0, metadata = 0;
  if (!in.bytes(magic, 4) || std::memcmp(magic, "BPS1", 4) != 0) return refused(QStringLiteral("it does not start with \"BPS1\""));
  if (!readNumber(in, &sourceSize) || !readNumber(in, &targetSize) || !readNumber(in, &metadata) ||
      metadata > static_cast<std::uint64_t>(in.left()))
    return refused(QStringLiteral("its header is damaged"));
  if (sourceSize != static_cast<std::uint64_t>(source.size()))
    return refused(QStringLiteral("it is for an image of %1 bytes; this one has %2").arg(sourceSize).arg(source.size()));
  if (targetSize > static_cast<std::uint64_t>(kMaxPatchedImage))
    return refused(QStringLiteral("it would make an image of %1 bytes, more than the 4 GiB any image has").arg(targetSize));

  PatchSummary summary;
  summary.format = PatchFormat::Bps;
  summary.sourceSize = source.size();
  summary.targetSize = static_cast<std::int64_t>(targetSize);
  summary.sourceCrc = sourceCrc;
  summary.targetCrc = targetCrc;
  summary.patchSize = size;
  OutputFile out(outPath);
  // The source is read once: its CRC-32 is taken as its bytes are copied, and
  // checked before anything else the patch says is believed, so a patch for
  // another image is refused as such, and before the output is put in place.
  SummedSource summed(source);
  const Result<PatchSummary> built = [&]() -> Result<PatchSummary> {
    if (!in.stream(static_cast<std::int64_t>(metadata), [](const std::uint8_t*, std::int64_t) { return Status::ok(); }))
      return refused(in.status().message());
    if (Status s = out.open(); !s) return s;
    return actions(in, summed, static_cast<std::int64_t>(targetSize), targetCrc, out, summary);
  }();
  auto actual = summed.finish();
  if (!actual) return actual.status();
  if (*actual != sourceCrc)
    return refused(QStringLiteral("it was made for an image whose CRC32 is %1; this one's is %2").arg(crcText(sourceCrc), crcText(*actual)));
  if (!built) return built;
  if (Status s = out.commit(); !s) return s;
  return summary;
}

}  // namespace rt::bps
