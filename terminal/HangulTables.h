// The generated code charts behind HangulCodec (HangulTablesGenerated.cpp,
// written by HangulTablesGen.cpp). Internal to the codec.
#pragma once

#include <cstdint>

namespace velo::hangul::tables {

// KS C 5601 position (first, second in 0xA1..0xFE) -> Johab code, indexed
// (first - 0xA1) * 94 + (second - 0xA1). 0x2020 is two spaces.
inline constexpr int kKsCount = 94 * 94;
extern const uint16_t kKsToJohab[kKsCount];

// CP949 pair (first 0x81..0xFE, second 0x41..0xFE) -> Unicode (BMP), indexed
// (first - 0x81) * 190 + (second - 0x41); 0 when the pair is no character.
inline constexpr int kCpFirst = 0x81, kCpSecond = 0x41, kCpSeconds = 190;
inline constexpr int kCpCount = 126 * kCpSeconds;
extern const uint16_t kCp949ToUnicode[kCpCount];

}  // namespace velo::hangul::tables
