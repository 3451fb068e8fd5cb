#pragma once
// What the header of a DS image says about it: its title and game code, shown
// beside the chosen path, and whether its own checksum holds. A file whose
// header checksum does not match may not be a DS image at all; the editors
// write at fixed offsets, so the user is warned (not refused: a hack in
// progress may have a stale checksum).
#include "image/result.h"
#include "image/rom_image.h"

#include <QString>
#include <QStringList>

namespace rt {

struct NdsHeader {
  QString title;     // 12 bytes at 0x00, printable ASCII, trailing NULs dropped
  QString gameCode;  // 4 bytes at 0x0C
  bool complete = false;  // the file holds the whole 0x160-byte header
  bool crcMatches = false;
  std::uint16_t storedCrc = 0;
  std::uint16_t computedCrc = 0;
};

inline constexpr int kNdsHeaderBytes = 0x160;
inline constexpr int kNdsHeaderCrcOffset = 0x15E;

// One read session of the header's bytes.
Result<NdsHeader> readNdsHeader(RomImage& rom);

// "ROMTABLESMPL (RTSM)", or "" for a header without a printable title.
QString headerSummary(const NdsHeader& header);

// Warnings for the chosen file: a header checksum that does not match, and a
// file shorter than `needed` bytes (the end of the farthest table).
QStringList imageWarnings(const NdsHeader& header, std::int64_t fileSize, std::int64_t needed);

}  // namespace rt
