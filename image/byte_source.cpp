#include "image/byte_source.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace rt {

Result<std::unique_ptr<FileSource>> FileSource::open(const QString& path, const std::shared_ptr<FileLayer>& files) {
  auto file = files->open(path, OpenMode::ReadOnly);
  if (!file) return Result<std::unique_ptr<FileSource>>::failure(QStringLiteral("\"%1\" cannot be read: %2.").arg(path, file.message()));
  const std::int64_t size = (*file)->size();
  if (size < 0)
    return Result<std::unique_ptr<FileSource>>::failure(
        QStringLiteral("The size of \"%1\" cannot be read: %2.").arg(path, (*file)->errorText()));
  return std::unique_ptr<FileSource>(new FileSource(path, std::move(file.value()), size));
}

Status FileSource::read(std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  while (length > 0) {
    const std::int64_t got = file_->readAt(offset, out, length);
    if (got < 0 && file_->interrupted()) continue;
    if (got < 0) return Status::error(QStringLiteral("\"%1\" cannot be read at %2: %3.").arg(path_, hexOffset(offset), file_->errorText()));
    if (got == 0)
      return Status::error(QStringLiteral("\"%1\" ended at %2 while it was read; was it changed meanwhile?").arg(path_, hexOffset(offset)));
    offset += got;
    out += got;
    length -= got;
  }
  return Status::ok();
}

Status OverlaySource::read(std::int64_t offset, std::uint8_t* out, std::int64_t length) {
  if (Status s = base_->read(offset, out, length); !s) return s;
  auto it = std::lower_bound(bytes_.begin(), bytes_.end(), offset,
                             [](const std::pair<std::int64_t, std::uint8_t>& p, std::int64_t o) { return p.first < o; });
  for (; it != bytes_.end() && it->first < offset + length; ++it) out[it->first - offset] = it->second;
  return Status::ok();
}

Status scanBlocks(ByteSource& a, ByteSource& b, const std::function<Status(const BlockPair&)>& onBlock) {
  const std::int64_t end = std::max(a.size(), b.size());
  std::vector<std::uint8_t> bufA(static_cast<size_t>(kBlockBytes)), bufB(static_cast<size_t>(kBlockBytes));
  for (std::int64_t offset = 0; offset < end; offset += kBlockBytes) {
    BlockPair block;
    block.offset = offset;
    block.aLength = std::clamp<std::int64_t>(a.size() - offset, 0, kBlockBytes);
    block.bLength = std::clamp<std::int64_t>(b.size() - offset, 0, kBlockBytes);
    if (block.aLength > 0) {
      if (Status s = a.read(offset, bufA.data(), block.aLength); !s) return s;
      block.a = bufA.data();
    }
    if (block.bLength > 0) {
      if (Status s = b.read(offset, bufB.data(), block.bLength); !s) return s;
      block.b = bufB.data();
    }
    if (Status s = onBlock(block); !s) return s;
  }
  return Status::ok();
}

void differingRuns(const BlockPair& block, const std::function<void(std::int64_t, std::int64_t)>& onRun) {
  // Most of two versions of an image is the same: whole slices are compared
  // with memcmp, and only a slice that differs is walked byte by byte.
  constexpr std::int64_t kSlice = 256;
  const std::int64_t both = std::min(block.aLength, block.bLength);
  std::int64_t runStart = -1;
  for (std::int64_t s = 0; s < both; s += kSlice) {
    const std::int64_t n = std::min(kSlice, both - s);
    if (runStart < 0 && std::memcmp(block.a + s, block.b + s, static_cast<size_t>(n)) == 0) continue;
    for (std::int64_t i = s; i < s + n; ++i) {
      const bool differs = block.a[i] != block.b[i];
      if (differs && runStart < 0) {
        runStart = i;
      } else if (!differs && runStart >= 0) {
        onRun(runStart, i - runStart);
        runStart = -1;
      }
    }
  }
  const std::int64_t longer = std::max(block.aLength, block.bLength);
  if (runStart >= 0) {
    onRun(runStart, longer - runStart);
  } else if (longer > both) {
    onRun(both, longer - both);
  }
}

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::int64_t length) {
  uLong c = crc;
  while (length > 0) {
    const uInt n = static_cast<uInt>(std::min<std::int64_t>(length, INT_MAX));
    c = ::crc32(c, data, n);
    data += n;
    length -= n;
  }
  return static_cast<std::uint32_t>(c);
}

Result<std::uint32_t> crc32Of(ByteSource& source) {
  std::vector<std::uint8_t> buffer(static_cast<size_t>(kBlockBytes));
  std::uint32_t crc = 0;
  for (std::int64_t offset = 0; offset < source.size(); offset += kBlockBytes) {
    const std::int64_t n = std::min(kBlockBytes, source.size() - offset);
    if (Status s = source.read(offset, buffer.data(), n); !s) return s;
    crc = crc32Update(crc, buffer.data(), n);
  }
  return crc;
}

QString hexOffset(std::int64_t offset) { return QStringLiteral("0x%1").arg(QString::number(offset, 16).toUpper()); }

}  // namespace rt
