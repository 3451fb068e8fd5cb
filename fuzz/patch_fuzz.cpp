// The BPS and IPS readers of `romtables-cli apply`: any bytes as a patch of the
// first few KiB of the sample image (its header and what follows). The result
// is compared with readers written here from the formats' descriptions: a patch
// they accept is applied by applyPatch to the same bytes, a patch they refuse is
// refused with a message and leaves no file at all (not even a temporary one).
// Neither the patch nor the source is read outside its size. The writers are
// checked the same way: patches made between the source and an edited copy read
// back, through both readers, to the edited copy.
//
// Input: 1 byte mode. Bits 0-1: 0 the rest is the patch as it is; 1 the same
// with a BPS patch's source CRC32 and own CRC32 made right (so its actions are
// reached); 2 the rest edits a copy of the source (groups of 4 bytes: operation,
// 16-bit position, value), and both formats' patches between them are made and
// applied. Bit 2: the source's length is the next 16-bit value modulo 8193
// instead of 4096.

#include "compare/patch.h"
#include "fuzz/fuzz_support.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

using rt::fuzz::hexBytes;

constexpr qsizetype kSourceBytes = 4096;
// Outputs larger than this are not made: a patch may ask for up to 4 GiB (BPS)
// or 16 MiB (IPS), which the readers write to the disk as asked.
constexpr std::int64_t kMaxOutput = std::int64_t{2} << 20;

// Bytes in memory; a read outside them stops the run.
class MemorySource final : public rt::ByteSource {
 public:
  MemorySource(QByteArray bytes, const char* what) : bytes_(std::move(bytes)), what_(what) {}
  std::int64_t size() const override { return bytes_.size(); }
  rt::Status read(std::int64_t offset, std::uint8_t* out, std::int64_t length) override {
    FUZZ_CHECK(offset >= 0 && length >= 0 && offset + length <= bytes_.size(),
               QStringLiteral("%1 read at %2, %3 bytes, of %4").arg(QLatin1String(what_)).arg(offset).arg(length).arg(bytes_.size()));
    std::memcpy(out, bytes_.constData() + offset, static_cast<size_t>(length));
    return rt::Status::ok();
  }

 private:
  QByteArray bytes_;
  const char* what_;
};

std::uint32_t crc32(const QByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (char ch : bytes) {
    crc ^= static_cast<std::uint8_t>(ch);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

std::uint32_t le32(const QByteArray& b, qsizetype at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

QByteArray putLe32(QByteArray b, qsizetype at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  return b;
}

enum class Verdict { Accepted, Refused, TooLarge };

struct Expected {
  Verdict verdict = Verdict::Refused;
  QByteArray image;
};

// BPS as published: "BPS1", source, target and metadata sizes, actions, then
// the CRC32s of source, target and patch. Numbers are 7 bits a byte, low first,
// the last byte flagged, each continuation adding one; this program takes at
// most 9 bytes a number and images up to 4 GiB.
Expected readBps(const QByteArray& patch, const QByteArray& source) {
  Expected refused;
  if (patch.size() < 19 || !patch.startsWith("BPS1")) return refused;
  const qsizetype end = patch.size() - 12;
  if (crc32(patch.left(patch.size() - 4)) != le32(patch, patch.size() - 4)) return refused;
  qsizetype at = 4;
  auto number = [&](std::uint64_t* value) {
    std::uint64_t data = 0, shift = 1;
    for (int n = 0; n < 9; ++n, shift <<= 7) {
      if (at >= end) return false;
      const auto x = static_cast<std::uint8_t>(patch[at++]);
      data += (x & 0x7F) * shift;
      if (x & 0x80) {
        *value = data;
        return true;
      }
      data += shift << 7;
    }
    return false;
  };
  std::uint64_t sourceSize = 0, targetSize = 0, metadata = 0;
  if (!number(&sourceSize) || !number(&targetSize) || !number(&metadata)) return refused;
  if (metadata > static_cast<std::uint64_t>(end - at)) return refused;
  if (sourceSize != static_cast<std::uint64_t>(source.size()) || targetSize > (std::uint64_t{4} << 30)) return refused;
  if (crc32(source) != le32(patch, end)) return refused;
  if (targetSize > static_cast<std::uint64_t>(kMaxOutput)) return {Verdict::TooLarge, {}};
  at += static_cast<qsizetype>(metadata);
  QByteArray target;
  const auto targetLength = static_cast<qsizetype>(targetSize);
  std::int64_t sourceRelative = 0, targetRelative = 0;
  while (at < end) {
    std::uint64_t data = 0;
    if (!number(&data)) return refused;
    const std::uint64_t length64 = (data >> 2) + 1;
    if (length64 > static_cast<std::uint64_t>(targetLength - target.size())) return refused;
    const auto length = static_cast<qsizetype>(length64);
    switch (data & 3) {
      case 0:  // source read: the source's bytes at the same place
        if (target.size() + length > source.size()) return refused;
        target += source.mid(target.size(), length);
        break;
      case 1:  // target read: literal bytes
        if (end - at < length) return refused;
        target += patch.mid(at, length);
        at += length;
        break;
      default: {
        std::uint64_t offset = 0;
        if (!number(&offset)) return refused;
        const auto delta = static_cast<std::int64_t>(offset >> 1);
        if ((data & 3) == 2) {  // source copy
          sourceRelative += (offset & 1) ? -delta : delta;
          if (sourceRelative < 0 || sourceRelative + length > source.size()) return refused;
          target += source.mid(sourceRelative, length);
          sourceRelative += length;
        } else {  // target copy, byte by byte: it may read what it writes
          targetRelative += (offset & 1) ? -delta : delta;
          if (targetRelative < 0 || targetRelative >= target.size()) return refused;
          for (qsizetype i = 0; i < length; ++i) target += target[static_cast<qsizetype>(targetRelative++)];
        }
      }
    }
  }
  if (target.size() != targetLength || crc32(target) != le32(patch, end + 4)) return refused;
  return {Verdict::Accepted, target};
}

// IPS as published: "PATCH", records of a 24-bit big-endian offset and a 16-bit
// length (0: a 16-bit count and one byte to repeat), "EOF", and optionally a
// 24-bit size to cut the image to. A record may reach past the image, which
// grows with zeros; this program refuses a run of 0 bytes and other bytes after "EOF".
Expected readIps(const QByteArray& patch, const QByteArray& source) {
  Expected refused;
  if (!patch.startsWith("PATCH")) return refused;
  auto byte = [&](qsizetype at) { return std::int64_t{static_cast<std::uint8_t>(patch[at])}; };
  struct Record {
    std::int64_t offset;
    QByteArray bytes;
  };
  std::vector<Record> records;
  std::int64_t end = source.size(), truncate = -1;
  qsizetype at = 5;
  for (;;) {
    if (patch.size() - at < 3) return refused;
    if (patch.mid(at, 3) == "EOF") {
      at += 3;
      if (patch.size() - at == 3) truncate = byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2);
      else if (patch.size() != at) return refused;
      break;
    }
    if (patch.size() - at < 5) return refused;
    Record r{byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2), {}};
    const qsizetype length = static_cast<qsizetype>(byte(at + 3) << 8 | byte(at + 4));
    at += 5;
    if (length == 0) {
      if (patch.size() - at < 3) return refused;
      const qsizetype count = static_cast<qsizetype>(byte(at) << 8 | byte(at + 1));
      if (count == 0) return refused;
      r.bytes = QByteArray(count, patch[at + 2]);
      at += 3;
    } else {
      if (patch.size() - at < length) return refused;
      r.bytes = patch.mid(at, length);
      at += length;
    }
    end = std::max<std::int64_t>(end, r.offset + r.bytes.size());
    records.push_back(std::move(r));
  }
  if (truncate >= 0) end = truncate;
  if (end > kMaxOutput) return {Verdict::TooLarge, {}};
  QByteArray image = source;
  image.resize(std::max<qsizetype>(static_cast<qsizetype>(end), image.size()), '\0');
  for (const Record& r : records)
    if (r.offset < image.size()) image.replace(r.offset, std::min(r.bytes.size(), image.size() - r.offset), r.bytes.left(image.size() - r.offset));
  image.truncate(static_cast<qsizetype>(end));
  return {Verdict::Accepted, image};
}

Expected expectedOf(const QByteArray& patch, const QByteArray& source) {
  if (patch.startsWith("BPS1")) return readBps(patch, source);
  if (patch.startsWith("PATCH")) return readIps(patch, source);
  return {};
}

const QString& workDir() {
  static const QString dir = [] {
    const QString d = rt::fuzz::scratchDir() + QStringLiteral("/patch");
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

// Applies `patch` to `source` through applyPatch and checks the outcome against `expected`.
void checkApply(const QByteArray& patch, const QByteArray& source, const Expected& expected, const QString& what) {
  if (expected.verdict == Verdict::TooLarge) return;
  rt::fuzz::removeFiles(workDir());
  const QString out = workDir() + QStringLiteral("/out.nds");
  MemorySource patchSource(patch, "the patch");
  MemorySource image(source, "the source");
  const auto applied = rt::applyPatch(patchSource, image, out);
  const QStringList left = rt::fuzz::filesIn(workDir());
  if (!applied) {
    FUZZ_CHECK(!applied.message().isEmpty(), what + QStringLiteral(": refused without a message"));
    FUZZ_CHECK(left.isEmpty(), what + QStringLiteral(": refused (%1) but left %2").arg(applied.message(), left.join(u' ')));
    FUZZ_CHECK(expected.verdict == Verdict::Refused,
               what + QStringLiteral(": refused a patch the format allows: %1; patch %2").arg(applied.message(), hexBytes(patch)));
    return;
  }
  FUZZ_CHECK(expected.verdict == Verdict::Accepted,
             what + QStringLiteral(": applied a patch the format refuses: %1").arg(hexBytes(patch)));
  FUZZ_CHECK(left == QStringList{QStringLiteral("out.nds")}, what + QStringLiteral(": left %1").arg(left.join(u' ')));
  const QByteArray made = rt::fuzz::readWhole(out);
  FUZZ_CHECK(made == expected.image, what + QStringLiteral(": made %1, the format says %2; patch %3")
                                                .arg(hexBytes(made), hexBytes(expected.image), hexBytes(patch)));
  FUZZ_CHECK(applied->targetSize == made.size() && applied->sourceSize == source.size(),
             what + QStringLiteral(": the summary says %1 -> %2 bytes").arg(applied->sourceSize).arg(applied->targetSize));
  FUZZ_CHECK(applied->format == (patch.startsWith("BPS1") ? rt::PatchFormat::Bps : rt::PatchFormat::Ips),
             what + QStringLiteral(": the summary names the other format"));
}

// A copy of `source` edited by groups of 4 bytes: operation, 16-bit position, value.
QByteArray edited(const QByteArray& source, rt::fuzz::FuzzInput& in) {
  QByteArray target = source;
  while (in.left() >= 4 && target.size() < 3 * kSourceBytes) {
    const std::uint8_t op = in.byte();
    const std::uint16_t pos = in.u16();
    const std::uint8_t value = in.byte();
    const qsizetype at = target.isEmpty() ? 0 : pos % target.size();
    switch (op % 5) {
      case 0:  // one byte
        if (!target.isEmpty()) target[at] = static_cast<char>(value);
        break;
      case 1:  // a run of one value
        target.replace(at, std::min<qsizetype>(op, target.size() - at), QByteArray(std::min<qsizetype>(op, target.size() - at), static_cast<char>(value)));
        break;
      case 2:  // inverted bytes
        for (qsizetype i = at; i < std::min<qsizetype>(at + value, target.size()); ++i) target[i] = static_cast<char>(~target[i]);
        break;
      case 3:  // longer, by a run of one value
        target += QByteArray(pos % 2048, static_cast<char>(value));
        break;
      default:  // shorter
        target.truncate(at);
        break;
    }
  }
  return target;
}

void roundTrip(const QByteArray& source, const QByteArray& target) {
  const QString dir = rt::fuzz::scratchDir() + QStringLiteral("/made");
  QDir().mkpath(dir);
  std::int64_t differing = 0;
  for (qsizetype i = 0; i < target.size(); ++i) differing += i >= source.size() || source[i] != target[i];
  for (const rt::PatchFormat format : {rt::PatchFormat::Bps, rt::PatchFormat::Ips}) {
    const bool bps = format == rt::PatchFormat::Bps;
    const QString path = dir + (bps ? QStringLiteral("/made.bps") : QStringLiteral("/made.ips"));
    QFile::remove(path);
    MemorySource a(source, "the source"), b(target, "the target");
    const auto made = rt::makePatch(format, a, b, path);
    if (!bps && source.size() != target.size()) {
      FUZZ_CHECK(!made && !QFile::exists(path), QStringLiteral("an IPS patch was made between images of two sizes"));
      continue;
    }
    FUZZ_CHECK(made, QStringLiteral("no patch made: ") + (made ? QString() : made.message()));
    const QByteArray patch = rt::fuzz::readWhole(path);
    FUZZ_CHECK(made->patchSize == patch.size() && made->bytesChanged == differing,
               QStringLiteral("the made patch's summary: %1 bytes, %2 changed; the file has %3, the images differ in %4")
                   .arg(made->patchSize).arg(made->bytesChanged).arg(patch.size()).arg(differing));
    const Expected expected = expectedOf(patch, source);
    FUZZ_CHECK(expected.verdict == Verdict::Accepted && expected.image == target,
               QStringLiteral("a made %1 patch reads back as %2: %3").arg(bps ? "BPS" : "IPS", hexBytes(expected.image), hexBytes(patch)));
    checkApply(patch, source, expected, QStringLiteral("a made patch"));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  rt::fuzz::FuzzInput in(data, size);
  const std::uint8_t mode = in.byte();
  const qsizetype length = (mode & 4) ? in.u16() % (2 * kSourceBytes + 1) : kSourceBytes;
  const QByteArray source = rt::fuzz::sampleImage().left(length);
  switch (mode & 3) {
    case 2:
    case 3:
      roundTrip(source, edited(source, in));
      break;
    default: {
      QByteArray patch = in.rest();
      if ((mode & 3) == 1 && patch.startsWith("BPS1") && patch.size() >= 19) {
        patch = putLe32(patch, patch.size() - 12, crc32(source));
        patch = putLe32(patch, patch.size() - 4, crc32(patch.left(patch.size() - 4)));
      }
      checkApply(patch, source, expectedOf(patch, source), QStringLiteral("apply"));
    }
  }
  return 0;
}
