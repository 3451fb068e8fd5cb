#include "image/nds_header.h"

#include "image/crc16.h"

#include <array>

namespace rt {
namespace {

// Printable ASCII up to the first NUL; anything else makes the field unreadable.
QString asciiField(const std::uint8_t* bytes, int length) {
  QString text;
  for (int i = 0; i < length && bytes[i]; ++i) {
    if (bytes[i] < 0x20 || bytes[i] > 0x7E) return {};
    text += QLatin1Char(static_cast<char>(bytes[i]));
  }
  return text.trimmed();
}

QString hex4(std::uint16_t v) { return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(4, u'0'); }

}  // namespace

Result<NdsHeader> readNdsHeader(RomImage& rom) {
  RomSession session(rom, Access::Read);
  if (!session.status()) return session.status();
  std::array<std::uint8_t, kNdsHeaderBytes> bytes{};
  rom.prefetch(0, kNdsHeaderBytes);
  rom.seek(0);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rom.readU8());
  NdsHeader header;
  header.complete = rom.fileSize() >= kNdsHeaderBytes;
  if (Status closed = session.close(); !closed) return closed;
  header.title = asciiField(bytes.data(), 12);
  header.gameCode = asciiField(bytes.data() + 0x0C, 4);
  header.storedCrc = static_cast<std::uint16_t>(bytes[kNdsHeaderCrcOffset] | bytes[kNdsHeaderCrcOffset + 1] << 8);
  header.computedCrc = crc16(bytes.data(), kNdsHeaderCrcOffset);
  header.crcMatches = header.complete && header.storedCrc == header.computedCrc;
  return header;
}

QString headerSummary(const NdsHeader& header) {
  if (header.title.isEmpty()) return {};
  return header.gameCode.isEmpty() ? header.title : QStringLiteral("%1 (%2)").arg(header.title, header.gameCode);
}

QStringList imageWarnings(const NdsHeader& header, std::int64_t fileSize, std::int64_t needed) {
  QStringList out;
  if (!header.complete)
    out << QStringLiteral("The file is too short to hold a DS header (%1 bytes); it may not be a DS image.")
               .arg(fileSize);
  else if (!header.crcMatches)
    out << QStringLiteral("The header checksum does not match (stored %1, computed %2): the file may not be a DS "
                          "image, or its header was edited. The editors write at fixed offsets; check the file "
                          "before saving.")
               .arg(hex4(header.storedCrc), hex4(header.computedCrc));
  if (fileSize < needed)
    out << QStringLiteral("The file holds %1 bytes, but the tables reach to byte %2: records past its end cannot be "
                          "read or saved.")
               .arg(fileSize)
               .arg(needed);
  return out;
}

}  // namespace rt
