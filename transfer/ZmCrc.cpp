#include "transfer/ZmCrc.h"

#include <bit>
#include <cstring>

namespace velo::zm {

namespace {

constexpr std::array<uint16_t, 256> MakeCrc16()
{
    std::array<uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int k = 0; k < 8; ++k)
            c = (c & 0x8000) ? uint16_t((c << 1) ^ 0x1021) : uint16_t(c << 1);
        t[i] = c;
    }
    return t;
}

// Slicing-by-8 tables: table k advances a byte through k further zero bytes,
// so eight input bytes fold into the register with eight lookups.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeCrc32()
{
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

}  // namespace

const std::array<uint16_t, 256> kCrc16Table = MakeCrc16();
const std::array<std::array<uint32_t, 256>, 8> kCrc32Tables = MakeCrc32();

uint16_t Crc16Run(uint16_t crc, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        crc = Crc16Update(crc, p[i]);
    return crc;
}

uint32_t Crc32Run(uint32_t crc, const uint8_t* p, size_t n)
{
    const auto& t = kCrc32Tables;
    while (n >= 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        if constexpr (std::endian::native == std::endian::big) {
            lo = __builtin_bswap32(lo);
            hi = __builtin_bswap32(hi);
        }
        lo ^= crc;
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n--)
        crc = Crc32Update(crc, *p++);
    return crc;
}

}  // namespace velo::zm
