#pragma once
// Standard patches between two versions of an image, made and applied in
// blocks so that memory does not grow with the image.
//
// BPS: "BPS1", the source, target and metadata sizes, then actions (copy from
// the source, literal bytes, copies from elsewhere in the source or from the
// target written so far), then the CRC32s of the source, the target and the
// patch. The patches made here read the source where it is unchanged, give the
// changed bytes literally, and repeat a byte with a target copy where it runs on.
//
// IPS: "PATCH", records (24-bit big-endian offset, 16-bit length, bytes; a
// length of 0 is a run of one byte), "EOF". Offsets stop at 16 MiB and there
// is no checksum; a record may not start at 0x454F46, which reads as "EOF".

#include "image/byte_source.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace rt {

enum class PatchFormat { Bps, Ips };

// The format a file name asks for: ".bps" or ".ips" in any letter case.
std::optional<PatchFormat> patchFormatForName(const QString& path);

struct PatchSummary {
  PatchFormat format = PatchFormat::Bps;
  std::int64_t sourceSize = 0;
  std::int64_t targetSize = 0;
  std::int64_t bytesChanged = 0;  // bytes of the target that differ from the source
  std::int64_t runs = 0;          // runs of such bytes
  std::int64_t patchSize = 0;
  std::uint32_t sourceCrc = 0;  // BPS only
  std::uint32_t targetCrc = 0;
};

// Writes a patch that turns `source` into `target` to `outPath`, whole or not at all.
Result<PatchSummary> makePatch(PatchFormat format, ByteSource& source, ByteSource& target, const QString& outPath);

// Applies `patch` (BPS or IPS, told by its first bytes) to `source` and writes
// the result to `outPath`, whole or not at all: a BPS patch's own CRC32 and
// the source's are checked before anything is written, the target's once it
// is complete; an IPS patch is checked to be complete first.
Result<PatchSummary> applyPatch(ByteSource& patch, ByteSource& source, const QString& outPath);

// The largest image a patch may make; a patch that claims more is refused.
inline constexpr std::int64_t kMaxPatchedImage = std::int64_t{4} << 30;

namespace bps {
Result<PatchSummary> make(ByteSource& source, ByteSource& target, const QString& outPath);
Result<PatchSummary> apply(ByteSource& patch, ByteSource& source, const QString& outPath);
}  // namespace bps

namespace ips {
inline constexpr std::int64_t kLimit = std::int64_t{1} << 24;
Result<PatchSummary> make(ByteSource& source, ByteSource& target, const QString& outPath);
Result<PatchSummary> apply(ByteSource& patch, ByteSource& source, const QString& outPath);
}  // namespace ips

}  // namespace rt
