// IPS patches, made and applied in blocks.
#include "compare/patch.h"
#include "compare/patch_stream.h"

#include <algorithm>
#include <cstring>

namespace rt::ips {
namespace {

constexpr std::int64_t kMaxRecord = 0xFFFF;
// An offset whose three bytes spell "EOF": a reader would stop there.
constexpr std::int64_t kEofOffset = 0x454F46;
// Unchanged bytes fewer than a record header's five join the records around them.
constexpr std::int64_t kJoinGap = 4;

class Encoder {
 public:
  explicit Encoder(OutputFile& out) : out_(out) {}

  Status block(const BlockPair& block, PatchSummary* summary) {
    block_ = &block;
    Status status;
    differingRuns(block, [&](std::int64_t start, std::int64_t length) {
      if (!status) return;
      const std::int64_t at = block.offset + start;
      summary->bytesChanged += length;
      if (at != lastRunEnd_) ++summary->runs;
      lastRunEnd_ = at + length;
      if (at + length > kLimit) {
        status = Status::error(
            QStringLiteral("An IPS patch cannot reach past 16 MiB (its offsets have 24 bits), and the images differ "
                           "at %1. Make a BPS patch instead (name the output .bps). Nothing was written.")
                .arg(hexOffset(std::max(at, kLimit))));
        return;
      }
      status = run(at, length);
    });
    const std::int64_t keep = std::min<std::int64_t>(kJoinGap, block.bLength);
    std::memcpy(tail_, block.b + block.bLength - keep, static_cast<size_t>(keep));
    tailEnd_ = block.offset + block.bLength;
    block_ = nullptr;
    return status;
  }

  Status finish() {
    if (Status s = flush(); !s) return s;
    return out_.append(reinterpret_cast<const std::uint8_t*>("EOF"), 3);
  }

 private:
  std::uint8_t targetByte(std::int64_t at) const {
    if (block_ && at >= block_->offset) return block_->b[at - block_->offset];
    return tail_[at - (tailEnd_ - kJoinGap)];
  }

  void start(std::int64_t at) {
    // One unchanged byte more in front keeps a record off the offset that reads as "EOF".
    if (at == kEofOffset) {
      record_.push_back(targetByte(at - 1));
      --at;
    }
    recordStart_ = at;
  }

  Status add(std::int64_t at) {
    if (!record_.empty() && static_cast<std::int64_t>(record_.size()) >= kMaxRecord) {
      if (Status s = flush(); !s) return s;
    }
    if (record_.empty()) start(at);
    record_.push_back(targetByte(at));
    return Status::ok();
  }

  Status run(std::int64_t at, std::int64_t length) {
    const std::int64_t end = recordStart_ + static_cast<std::int64_t>(record_.size());
    if (!record_.empty() && at - end > kJoinGap)
      if (Status s = flush(); !s) return s;
    if (!record_.empty())
      for (std::int64_t gap = end; gap < at; ++gap)
        if (Status s = add(gap); !s) return s;
    for (std::int64_t i = at; i < at + length; ++i)
      if (Status s = add(i); !s) return s;
    return Status::ok();
  }

  Status flush() {
    if (record_.empty()) return Status::ok();
    const auto size = static_cast<std::uint32_t>(record_.size());
    const auto at = static_cast<std::uint32_t>(recordStart_);
    const std::uint8_t head[5] = {static_cast<std::uint8_t>(at >> 16), static_cast<std::uint8_t>(at >> 8),
                                  static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(size >> 8),
                                  static_cast<std::uint8_t>(size)};
    if (Status s = out_.append(head, 5); !s) return s;
    if (Status s = out_.append(record_.data(), static_cast<std::int64_t>(record_.size())); !s) return s;
    record_.clear();
    return Status::ok();
  }

  OutputFile& out_;
  std::vector<std::uint8_t> record_;
  std::int64_t recordStart_ = 0;
  std::int64_t lastRunEnd_ = -1;
  const BlockPair* block_ = nullptr;
  std::uint8_t tail_[kJoinGap] = {};
  std::int64_t tailEnd_ = 0;
};

struct Record {
  std::int64_t offset;
  std::int64_t length;
  std::int64_t data;  // where its bytes lie in the patch; -1 for a run of `value`
  std::uint8_t value;
};

Result<PatchSummary> refused(const QString& why) {
  return Result<PatchSummary>::failure(QStringLiteral("The IPS patch is refused: %1. Nothing was written.").arg(why));
}

}  // namespace

Result<PatchSummary> make(ByteSource& source, ByteSource& target, const QString& outPath) {
  if (source.size() != target.size())
    return Result<PatchSummary>::failure(
        QStringLiteral("An IPS patch cannot change the size of an image, and the images have %1 and %2 bytes. Make a "
                       "BPS patch instead (name the output .bps). Nothing was written.")
            .arg(source.size())
            .arg(target.size()));
  PatchSummary summary;
  summary.format = PatchFormat::Ips;
  summary.sourceSize = source.size();
  summary.targetSize = target.size();
  OutputFile out(outPath);
  if (Status s = out.open(); !s) return s;
  if (Status s = out.append(reinterpret_cast<const std::uint8_t*>("PATCH"), 5); !s) return s;
  Encoder encoder(out);
  std::uint32_t targetCrc = 0;
  Status scanned = scanBlocks(source, target, [&](const BlockPair& block) {
    targetCrc = crc32Update(targetCrc, block.b, block.bLength);
    return encoder.block(block, &summary);
  });
  if (!scanned) return scanned;
  if (Status s = encoder.finish(); !s) return s;
  summary.patchSize = out.size();
  summary.targetCrc = targetCrc;
  if (Status s = out.commit(); !s) return s;
  return summary;
}

Result<PatchSummary> apply(ByteSource& patch, ByteSource& source, const QString& outPath) {
  // Every record is read before anything is written: a cut-off patch writes nothing.
  PatchReader in(patch, patch.size());
  std::uint8_t head[5];
  if (!in.bytes(head, 5) || std::memcmp(head, "PATCH", 5) != 0) return refused(QStringLiteral("it does not start with \"PATCH\""));
  std::vector<Record> records;
  std::int64_t end = source.size();
  std::int64_t truncate = -1;
  for (;;) {
    std::uint8_t at[3];
    if (!in.bytes(at, 3)) return refused(QStringLiteral("it ends without \"EOF\" after %1 record(s)").arg(records.size()));
    if (std::memcmp(at, "EOF", 3) == 0) {
      if (in.left() == 3) {  // the common extension: the size to cut the image to
        std::uint8_t size[3];
        in.bytes(size, 3);
        truncate = std::int64_t{size[0]} << 16 | std::int64_t{size[1]} << 8 | size[2];
      } else if (in.left() != 0) {
        return refused(QStringLiteral("%1 byte(s) follow its \"EOF\"").arg(in.left()));
      }
      break;
    }
    Record r{std::int64_t{at[0]} << 16 | std::int64_t{at[1]} << 8 | at[2], 0, -1, 0};
    std::uint8_t size[2];
    if (!in.bytes(size, 2)) return refused(QStringLiteral("record %1 is cut short").arg(records.size()));
    r.length = std::int64_t{size[0]} << 8 | size[1];
    if (r.length == 0) {
      std::uint8_t run[3];
      if (!in.bytes(run, 3)) return refused(QStringLiteral("record %1 is cut short").arg(records.size()));
      r.length = std::int64_t{run[0]} << 8 | run[1];
      r.value = run[2];
      if (r.length == 0) return refused(QStringLiteral("record %1 repeats a byte 0 times").arg(records.size()));
    } else {
      r.data = in.position();
      if (in.left() < r.length) return refused(QStringLiteral("record %1 is cut short").arg(records.size()));
      in.stream(r.length, [](const std::uint8_t*, std::int64_t) { return Status::ok(); });
    }
    if (!in.status()) return in.status();
    end = std::max(end, r.offset + r.length);
    records.push_back(r);
  }
  if (!in.status()) return in.status();
  if (truncate >= 0) end = truncate;

  PatchSummary summary;
  summary.format = PatchFormat::Ips;
  summary.sourceSize = source.size();
  summary.targetSize = end;
  summary.patchSize = patch.size();
  summary.runs = static_cast<std::int64_t>(records.size());
  OutputFile out(outPath);
  if (Status s = out.open(); !s) return s;
  const std::int64_t kept = std::min(end, source.size());
  if (Status s = copySource(source, 0, kept, out); !s) return s;
  if (Status s = appendZeros(end - kept, out); !s) return s;
  std::vector<std::uint8_t> bytes;
  for (const Record& r : records) {
    const std::int64_t length = std::min(r.length, end - r.offset);
    if (length <= 0) continue;
    bytes.assign(static_cast<size_t>(length), r.value);
    if (r.data >= 0)
      if (Status s = patch.read(r.data, bytes.data(), length); !s) return s;
    if (Status s = out.writeAt(r.offset, bytes.data(), length); !s) return s;
    summary.bytesChanged += length;
  }
  if (Status s = out.commit(); !s) return s;
  return summary;
}

}  // namespace rt::ips
