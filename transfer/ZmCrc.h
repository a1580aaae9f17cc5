// The two CRCs of the ZModem wire, table driven.
//
// CRC-16/XMODEM (polynomial 0x1021, initial 0, MSB first). Computed in the
// direct form, which gives the same value as the ZModem form
// update(c, crc) = table[crc >> 8] ^ (crc << 8) ^ c finished by two updates
// with 0; running it over the data and the two CRC bytes (high first) leaves 0.
//
// CRC-32 as in IEEE 802.3 (reflected, initial all ones); the value sent is
// the complement, least significant byte first, and running the register over
// the data and the four sent bytes leaves the residue 0xDEBB20E3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velo::zm {

inline constexpr uint32_t kCrc32Residue = 0xDEBB20E3;

extern const std::array<uint16_t, 256> kCrc16Table;
extern const std::array<std::array<uint32_t, 256>, 8> kCrc32Tables;

inline uint16_t Crc16Update(uint16_t crc, uint8_t b)
{
    return uint16_t(kCrc16Table[uint8_t(crc >> 8) ^ b] ^ uint16_t(crc << 8));
}
uint16_t Crc16Run(uint16_t crc, const uint8_t* p, size_t n);

// The register form: start with 0xFFFFFFFF, send ~register.
inline uint32_t Crc32Update(uint32_t crc, uint8_t b)
{
    return kCrc32Tables[0][uint8_t(crc ^ b)] ^ (crc >> 8);
}
uint32_t Crc32Run(uint32_t crc, const uint8_t* p, size_t n);

}  // namespace velo::zm
