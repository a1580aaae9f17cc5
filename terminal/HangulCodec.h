// The one codec module for Korean text. Bytes to and from the host stay bytes;
// this module turns stored bytes into what is drawn, and typed text into host
// bytes. Codes are held as the two bytes in the order they are sent:
// (first << 8) | second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velo::hangul {

enum class DisplayCode : uint8_t { Ks = 0, Johab = 1 };

inline constexpr uint16_t kTwoSpaces = 0x2020;

// The 8836-pair conversion table over the 94 x 94 KS C 5601 space.
// KsToJohab: the Johab code of a position (first and second byte 0xA1..0xFE);
// 0 outside that space. JohabToKs: the KS code of the entry whose Johab
// column matches, kTwoSpaces when none does.
uint16_t KsToJohab(uint16_t ks);
uint16_t JohabToKs(uint16_t johab);

// The private extension of rows 0xAD and 0xAE (KS mode only). 0: no result;
// 1..8: block glyph number; otherwise a KS C 5601 code (kTwoSpaces: two spaces).
uint16_t ExtensionLookup(uint16_t code);

// The Unicode character of a two-byte KS C 5601 code read as CP949; 0 when the
// pair is no character.
char32_t KsToUnicode(uint16_t ks);

// What a stored two-byte pair shows in a display code.
struct Glyph {
    enum Kind : uint8_t { Text, Block, Spaces } kind = Spaces;
    char32_t ch = 0;    // Text: the character (two cells wide)
    uint8_t block = 0;  // Block: glyph number 1..8
};
Glyph DisplayPair(uint8_t first, uint8_t second, DisplayCode code);

// Host bytes (ASCII and two-byte pairs, as stored) to UTF-8 for reading and
// the clipboard, in a display code; pairs that show as spaces become two
// spaces, block glyphs their nearest Unicode block element.
std::string DecodeToUtf8(std::string_view hostBytes, DisplayCode code);

// Typed text (UTF-8) to host bytes: CP949. A character CP949 lacks becomes '?'.
std::string EncodeCp949(std::string_view utf8);

}  // namespace velo::hangul
