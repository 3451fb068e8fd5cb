#include "compare/patch.h"

#include "compare/patch_stream.h"

#include <algorithm>
#include <cstring>

namespace rt {

bool PatchReader::fill() {
  if (pos_ >= end_) {
    status_ = Status::error(QStringLiteral("it is cut short: it ends at byte %1, in the middle of its data").arg(end_));
    return false;
  }
  // No larger than the patch: each page of the buffer costs a fault the first time.
  if (buffer_.empty()) buffer_.resize(static_cast<size_t>(std::min(kBlockBytes, end_ - pos_)));
  const std::int64_t n = std::min(static_cast<std::int64_t>(buffer_.size()), end_ - pos_);
  if (Status s = patch_.read(pos_, buffer_.data(), n); !s) {
    status_ = s;
    return false;
  }
  at_ = 0;
  have_ = n;
  return true;
}

bool PatchReader::byte(std::uint8_t* out) {
  if (at_ >= have_ && !fill()) return false;
  *out = buffer_[static_cast<size_t>(at_++)];
  ++pos_;
  return true;
}

bool PatchReader::bytes(std::uint8_t* out, std::int64_t length) {
  return stream(length, [&out](const std::uint8_t* data, std::int64_t n) {
    std::memcpy(out, data, static_cast<size_t>(n));
    out += n;
    return Status::ok();
  });
}

Status copySource(ByteSource& source, std::int64_t offset, std::int64_t length, OutputFile& out) {
  return source.stream(offset, length, [&out](const std::uint8_t* bytes, std::int64_t n) { return out.append(bytes, n); });
}

Status appendZeros(std::int64_t length, OutputFile& out) {
  const std::vector<std::uint8_t> zeros(static_cast<size_t>(std::min(length, kBlockBytes)), 0);
  while (length > 0) {
    const std::int64_t n = std::min(length, kBlockBytes);
    if (Status s = out.append(zeros.data(), n); !s) return s;
    length -= n;
  }
  return Status::ok();
}

QString crcText(std::uint32_t crc) { return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper(); }

std::optional<PatchFormat> patchFormatForName(const QString& path) {
  if (path.endsWith(QLatin1String(".bps"), Qt::CaseInsensitive)) return PatchFormat::Bps;
  if (path.endsWith(QLatin1String(".ips"), Qt::CaseInsensitive)) return PatchFormat::Ips;
  return std::nullopt;
}

Result<PatchSummary> makePatch(PatchFormat format, ByteSource& source, ByteSource& target, const QString& outPath) {
  return format == PatchFormat::Bps ? bps::make(source, target, outPath) : ips::make(source, target, outPath);
}

Result<PatchSummary> applyPatch(ByteSource& patch, ByteSource& source, const QString& outPath) {
  std::uint8_t magic[5] = {};
  const std::int64_t n = std::min<std::int64_t>(patch.size(), 5);
  if (Status s = patch.read(0, magic, n); !s) return s;
  if (n >= 4 && std::memcmp(magic, "BPS1", 4) == 0) return bps::apply(patch, source, outPath);
  if (n >= 5 && std::memcmp(magic, "PATCH", 5) == 0) return ips::apply(patch, source, outPath);
  return Result<PatchSummary>::failure(
      QStringLiteral("It is neither a BPS patch (it would start with \"BPS1\") nor an IPS patch (\"PATCH\")."));
}

}  // namespace rt
