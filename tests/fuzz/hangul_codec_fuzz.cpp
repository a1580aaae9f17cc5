// Host bytes in either display code, and arbitrary "typed" text: the output
// must be valid UTF-8 of bounded size, and encoding must never fail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "terminal/HangulCodec.h"

namespace {

bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        const int n = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (n < 0 || i + n >= s.size()) return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velo::hangul;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    for (DisplayCode code : {DisplayCode::Ks, DisplayCode::Johab}) {
        const std::string text = DecodeToUtf8(in, code);
        // A byte gives at most three UTF-8 bytes (a pair at most six).
        if (text.size() > size * 3 || !ValidUtf8(text)) std::abort();
        // What was shown can be typed back; it never grows.
        const std::string typed = EncodeCp949(text);
        if (typed.size() > text.size()) std::abort();
    }
    const std::string bytes = EncodeCp949(in);
    if (bytes.size() > size * 2) std::abort();
    if (size >= 2) {
        const Glyph g = DisplayPair(data[0], data[1], DisplayCode::Ks);
        if (g.kind == Glyph::Block && (g.block < 1 || g.block > 8)) std::abort();
        JohabToKs(static_cast<uint16_t>(data[0] << 8 | data[1]));
    }
    return 0;
}
