#pragma once
// CRC-16 with the reflected polynomial 0xA001 and initial value 0xFFFF: the
// checksum a DS image's header keeps of its first 0x15E bytes (and of its
// secure area and logo). Plain C++, shared by the editor and the sample image
// generator.
#include <cstddef>
#include <cstdint>

namespace rt {

inline std::uint16_t crc16(const std::uint8_t* data, std::size_t size) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < size; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ data[i]);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
  }
  return crc;
}

}  // namespace rt
