#include "image/byte_source.h"

#include <zlib.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

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

FileSource::FileSource(QString path, std::unique_ptr<RomFile> file, std::int64_t size)
    : path_(std::move(path)), file_(std::move(file)), size_(size), mapping_(file_->descriptor(), size) {}

FileSource::~FileSource() = default;

const std::uint8_t* FileSource::mapped(std::int64_t offset, std::int64_t length) { return mapping_.at(offset, length); }

bool FileSource::shrunk() {
  const std::int64_t now = file_->size();
  return now >= 0 && now < size_;
}

Status FileSource::cutShort() {
  mapping_.release();
  if (shrunk())
    return Status::error(QStringLiteral("\"%1\" was cut short to %2 bytes while it was read (it held %3); was it changed "
                                        "meanwhile?")
                             .arg(path_)
                             .arg(file_->size())
                             .arg(size_));
  return Status::error(QStringLiteral("\"%1\" could not be read; was it changed meanwhile?").arg(path_));
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

Status ByteSource::streamByReads(ByteSource& source, std::int64_t offset, std::int64_t length, const Sink& sink) {
  constexpr std::int64_t kPiece = 256 * 1024;
  const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(std::min(length, kPiece)));
  while (length > 0) {
    const std::int64_t n = std::min(length, kPiece);
    if (Status s = source.read(offset, buffer.get(), n); !s) return s;
    if (Status s = sink(buffer.get(), n); !s) return s;
    offset += n;
    length -= n;
  }
  return Status::ok();
}

Status FileSource::stream(std::int64_t offset, std::int64_t length, const Sink& sink) {
  constexpr std::int64_t kPiece = 256 * 1024;
  while (length > 0) {
    const std::int64_t n = std::min(length, kPiece);
    const std::uint8_t* in = mapped(offset, n);
    if (!in) return streamByReads(*this, offset, length, sink);
    Status status;
    if (!readMapped([&] { status = sink(in, n); })) return cutShort();
    if (!status) return status;
    offset += n;
    length -= n;
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

namespace {

// Both sources' part of one block: in place where the file is mapped, else
// read into the buffer.
struct BlockSide {
  ByteSource& source;
  FileSource* file;
  std::uint8_t* buffer;
  bool mapped = false;
  Status fill(std::int64_t offset, std::int64_t length, const std::uint8_t** at) {
    mapped = false;
    if (length <= 0) {
      *at = nullptr;
      return Status::ok();
    }
    if (file)
      if (const std::uint8_t* in = file->mapped(offset, length)) {
        *at = in;
        mapped = true;
        return Status::ok();
      }
    *at = buffer;
    return source.read(offset, buffer, length);
  }
};

}  // namespace

Status scanBlocks(ByteSource& a, ByteSource& b, const std::function<Status(const BlockPair&)>& onBlock) {
  const std::int64_t end = std::max(a.size(), b.size());
  // Blocks that stay in the processor's cache while a caller reads them more
  // than once (a sum of each, then the comparison). Where a file can be
  // mapped it is read in place; else each block is read into a buffer, each
  // page of which is touched once (1 MiB ones cost a page fault per 4 KiB).
  constexpr std::int64_t kScan = 128 * 1024;
  // Filled by each read before any byte is looked at: not cleared first.
  const auto bufA = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(kScan));
  const auto bufB = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(kScan));
  BlockSide sideA{a, dynamic_cast<FileSource*>(&a), bufA.get()};
  BlockSide sideB{b, dynamic_cast<FileSource*>(&b), bufB.get()};
  for (std::int64_t offset = 0; offset < end; offset += kScan) {
    BlockPair block;
    block.offset = offset;
    block.aLength = std::clamp<std::int64_t>(a.size() - offset, 0, kScan);
    block.bLength = std::clamp<std::int64_t>(b.size() - offset, 0, kScan);
    if (Status s = sideA.fill(offset, block.aLength, &block.a); !s) return s;
    if (Status s = sideB.fill(offset, block.bLength, &block.b); !s) return s;
    if (!sideA.mapped && !sideB.mapped) {
      if (Status s = onBlock(block); !s) return s;
      continue;
    }
    Status status;
    if (!readMapped([&] { status = onBlock(block); })) {
      // The file that is shorter now, else the first mapped one.
      FileSource* faulted = sideB.mapped && (!sideA.mapped || sideB.file->shrunk()) ? sideB.file : sideA.file;
      return faulted->cutShort();
    }
    if (!status) return status;
  }
  return Status::ok();
}

void differingRuns(const BlockPair& block, const std::function<void(std::int64_t, std::int64_t)>& onRun) {
  // Most of two versions of an image is the same: whole slices are compared
  // with memcmp, and only a slice that differs is walked byte by byte.
  // Whole chunks first, so that equal blocks cost a few calls, not one a slice.
  constexpr std::int64_t kChunk = 16384, kSlice = 256;
  const std::int64_t both = std::min(block.aLength, block.bLength);
  std::int64_t runStart = -1;
  for (std::int64_t s = 0; s < both; s += kSlice) {
    if (runStart < 0 && s % kChunk == 0) {
      const std::int64_t n = std::min(kChunk, both - s);
      if (std::memcmp(block.a + s, block.b + s, static_cast<size_t>(n)) == 0) {
        s += n - kSlice;
        continue;
      }
    }
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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
namespace {

// CRC-32 (zlib's, reflected 0xEDB88320) of whole 16-byte blocks by carry-less
// multiplication: four 128-bit lanes folded 64 bytes at a time, folded into
// one, then reduced to 32 bits (Barrett). `reg` is the register, not
// inverted; `length` is at least 64 and a multiple of 16. About ten times
// zlib's table-driven loop, which made the checksum most of the time of an
// apply or an export of a large image.
inline __m128i load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
// A 128-bit lane carried 64 (k1k2) or 16 (k3k4) bytes further.
__attribute__((target("pclmul"))) inline __m128i fold(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul,sse4.1"))) std::uint32_t foldCrc(std::uint32_t reg, const std::uint8_t* data,
                                                               std::int64_t length) {
  const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);
  const __m128i poly = _mm_set_epi64x(0x1f7011641, 0x1db710641);  // u, then P(x)
  const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
  __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
  __m128i x2 = load(data + 16), x3 = load(data + 32), x4 = load(data + 48);
  data += 64;
  length -= 64;
  for (; length >= 64; data += 64, length -= 64) {
    // The processor's own prefetch stops at the end of each 4 KiB page, and
    // a whole image mostly comes from memory, not the cache: asked for a page
    // ahead, an image's sum takes half the time. A prefetch never faults, past
    // the end of the bytes either.
    _mm_prefetch(reinterpret_cast<const char*>(data + 4096), _MM_HINT_T0);
    x1 = _mm_xor_si128(fold(x1, k1k2), load(data));
    x2 = _mm_xor_si128(fold(x2, k1k2), load(data + 16));
    x3 = _mm_xor_si128(fold(x3, k1k2), load(data + 32));
    x4 = _mm_xor_si128(fold(x4, k1k2), load(data + 48));
  }
  x1 = _mm_xor_si128(fold(x1, k3k4), x2);
  x1 = _mm_xor_si128(fold(x1, k3k4), x3);
  x1 = _mm_xor_si128(fold(x1, k3k4), x4);
  for (; length >= 16; data += 16, length -= 16) x1 = _mm_xor_si128(fold(x1, k3k4), load(data));
  // 128 to 64 bits (with 32 zero bits appended), 64 to 32, then Barrett.
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(k3k4, x1, 0x01), _mm_srli_si128(x1, 8));
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), _mm_srli_si128(x1, 4));
  const __m128i t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10), low32);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(t, poly, 0x00), x1);
  return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool canFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return can;
}

}  // namespace
#endif

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* data, std::int64_t length) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (length >= 64 && canFold()) {
    const std::int64_t whole = length & ~std::int64_t{15};
    crc = ~foldCrc(~crc, data, whole);
    data += whole;
    length -= whole;
  }
#endif
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
  // A file that can be mapped is summed in place, else a block at a time that
  // stays in the processor's cache between the read and the sum.
  constexpr std::int64_t kSum = 256 * 1024;
  auto* file = dynamic_cast<FileSource*>(&source);
  std::unique_ptr<std::uint8_t[]> buffer;
  std::uint32_t crc = 0;
  for (std::int64_t offset = 0; offset < source.size(); offset += kSum) {
    const std::int64_t n = std::min(kSum, source.size() - offset);
    if (const std::uint8_t* in = file ? file->mapped(offset, n) : nullptr) {
      if (!readMapped([&] { crc = crc32Update(crc, in, n); })) return file->cutShort();
      continue;
    }
    if (!buffer) buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<size_t>(kSum));
    if (Status s = source.read(offset, buffer.get(), n); !s) return s;
    crc = crc32Update(crc, buffer.get(), n);
  }
  return crc;
}

QString hexOffset(std::int64_t offset) { return QStringLiteral("0x%1").arg(QString::number(offset, 16).toUpper()); }

}  // namespace rt
