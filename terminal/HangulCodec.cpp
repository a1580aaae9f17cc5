#include "terminal/HangulCodec.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "terminal/HangulTables.h"

namespace velo::hangul {
namespace {

using tables::kKsCount;

struct CodePair {
    uint16_t key;
    uint16_t value;
};

constexpr bool KeyLess(const CodePair& a, const CodePair& b) {
    return a.key < b.key || (a.key == b.key && a.value < b.value);
}

uint16_t Bisect(const CodePair* begin, const CodePair* end, uint16_t key, uint16_t none) {
    const CodePair* it = std::lower_bound(
        begin, end, key, [](const CodePair& e, uint16_t k) { return e.key < k; });
    return it != end && it->key == key ? it->value : none;
}

// Rows 0xAD and 0xAE as some hosts use them: symbols that live elsewhere in
// KS C 5601, and eight block glyphs (results 1..8).
constexpr std::array<CodePair, 128> kExtension{{
    {0xADA1, 0xA8B5}, {0xADA2, 0xA1DB}, {0xADA3, 0xA1DC}, {0xADA4, 0xA2BE}, {0xADA5, 0xA1DF},
    {0xADA6, 0xA2C0}, {0xADA7, 0xA2BC}, {0xADA8, 0xA1A4}, {0xADA9, 0x2020}, {0xADAA, 0xA1DB},
    {0xADAB, 0x2020}, {0xADAC, 0xA1CF}, {0xADAD, 0xA1CE}, {0xADAE, 0xA2DC}, {0xADAF, 0xA2DD},
    {0xADB0, 0xA2B4}, {0xADB1, 0xA2BA}, {0xADB2, 0xA2B8}, {0xADB3, 0xA2D5}, {0xADB4, 0xA5A2},
    {0xADB5, 0xA2D2}, {0xADB6, 0xA1D7}, {0xADB7, 0xA6AC}, {0xADB8, 0xA2A5}, {0xADB9, 0xA1E8},
    {0xADBA, 0xA1E9}, {0xADBB, 0xA1E6}, {0xADBC, 0xA1E7}, {0xADBD, 0xA4A4}, {0xADBE, 0xA2A2},
    {0xADBF, 0xA1E3}, {0xADC0, 0xA1E5}, {0xADC1, 0xA5E5}, {0xADC2, 0xA5E6}, {0xADC3, 0xA5E7},
    {0xADC4, 0xA5EB}, {0xADC5, 0xA5F4}, {0xADC6, 0xA5EE}, {0xADC7, 0xA5F1}, {0xADC8, 0xA5D7},
    {0xADC9, 0xA2CF}, {0xADCA, 0xA1BA}, {0xADCB, 0xA1BB}, {0xADCC, 0xA1C1}, {0xADCD, 0xA1C5},
    {0xADCE, 0xA3DF}, {0xADCF, 0xA1ED}, {0xADD0, 0xA1EC}, {0xADD1, 1},      {0xADD2, 2},
    {0xADD3, 3},      {0xADD4, 0xA6A2}, {0xADD5, 0xA6A9}, {0xADD6, 0xA6E3}, {0xADD7, 0xA6B9},
    {0xADD8, 0xA6C1}, {0xADD9, 0xA6C2}, {0xADDA, 0xA6B4}, {0xADDB, 0xA6AD}, {0xADDC, 0xA6AF},
    {0xADDD, 0xA6B0}, {0xADDE, 0xA6C3}, {0xADDF, 0xA6C4}, {0xADE0, 0xA6A4}, {0xADE1, 0xA6A6},
    {0xADE2, 0xA6AA}, {0xADE3, 0xA6A8}, {0xADE4, 0xA6A7}, {0xADE5, 0xA6A1}, {0xADE6, 0xA6AB},
    {0xADE7, 0xA6BC}, {0xADE8, 0xA6B7}, {0xADE9, 0xA6B1}, {0xADEA, 0xA6AE}, {0xADEB, 0xA6B5},
    {0xADEC, 0xA6B3}, {0xADED, 0xA6B2}, {0xADEE, 0xA6AC}, {0xADEF, 0xA6B6}, {0xADF0, 0xA6BA},
    {0xADF1, 0xA6BF}, {0xADF2, 0xA6B8}, {0xADF3, 0xA6BD}, {0xADF4, 0xA6C5}, {0xADF5, 0xA6C6},
    {0xADF6, 0xA6C8}, {0xADF7, 0xA6C7}, {0xADF8, 0xA6C0}, {0xADF9, 0xA6BB}, {0xADFA, 0xA6A5},
    {0xADFB, 0xA6A3}, {0xADFC, 4},      {0xADFD, 5},      {0xADFE, 6},      {0xAEA1, 7},
    {0xAEA2, 8},      {0xAEA3, 0xA5E1}, {0xAEA4, 0xA5E2}, {0xAEA5, 0xA5E3}, {0xAEA6, 0xA5F0},
    {0xAEA7, 0xA5D2}, {0xAEA8, 0xA5F2}, {0xAEA9, 0xA5EC}, {0xAEAA, 0xA5F3}, {0xAEAB, 0xACB6},
    {0xAEAC, 0xA5E8}, {0xAEAD, 0xA7D9}, {0xAEAE, 0xA5E4}, {0xAEAF, 0xA1C4}, {0xAEB0, 0xA5D5},
    {0xAEB1, 0xA1F4}, {0xAEB2, 0xA1FB}, {0xAEB3, 0xA1D5}, {0xAEB4, 0xA1BE}, {0xAEB5, 0xA1C3},
    {0xAEB6, 0xA1C2}, {0xAEB7, 0x2020}, {0xAEB8, 0x2020}, {0xAEB9, 0xA1C0}, {0xAEBA, 0xA1D6},
    {0xAEBB, 0xA2AA}, {0xAEBC, 0xA2AB}, {0xAEBD, 0xA2C3}, {0xAEBE, 0xA1EE}, {0xAEBF, 0xA9FA},
    {0xAEC0, 0xA9F7}, {0xAEC1, 0xA1E1}, {0xAEC2, 0xA1DB},
}};
static_assert(std::is_sorted(kExtension.begin(), kExtension.end(), KeyLess));

// Glyphs 1..8 as the block elements closest to their pictures: three shades,
// full block, lower, left, right and upper half.
constexpr char32_t kBlockElement[9] = {0,      0x2591, 0x2592, 0x2593, 0x2588,
                                       0x2584, 0x258C, 0x2590, 0x2580};

// The table sorted by its Johab column, built once on first use. Positions
// holding two spaces are left out: no received pair can be 0x2020.
const std::vector<CodePair>& JohabColumn() {
    static const std::vector<CodePair> column = [] {
        std::vector<CodePair> v;
        v.reserve(kKsCount);
        for (int i = 0; i < kKsCount; ++i) {
            const uint16_t johab = tables::kKsToJohab[i];
            if (johab == kTwoSpaces) continue;
            v.push_back({johab, static_cast<uint16_t>((0xA1 + i / 94) << 8 | (0xA1 + i % 94))});
        }
        std::sort(v.begin(), v.end(), KeyLess);
        return v;
    }();
    return column;
}

// Unicode -> CP949 for the keyboard, sorted by Unicode; where two codes share
// a character the lower code wins.
const std::vector<CodePair>& UnicodeColumn() {
    static const std::vector<CodePair> column = [] {
        std::vector<CodePair> v;
        for (int i = 0; i < tables::kCpCount; ++i) {
            const uint16_t u = tables::kCp949ToUnicode[i];
            if (u == 0) continue;
            const int first = tables::kCpFirst + i / tables::kCpSeconds;
            const int second = tables::kCpSecond + i % tables::kCpSeconds;
            v.push_back({u, static_cast<uint16_t>(first << 8 | second)});
        }
        std::sort(v.begin(), v.end(), KeyLess);
        return v;
    }();
    return column;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kBadUtf8 = 0xFFFFFFFF;

// One character of UTF-8 at s[i]; advances i. Overlong forms, surrogates,
// values above U+10FFFF and cut sequences give kBadUtf8 and skip one byte.
char32_t NextUtf8(std::string_view s, size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t c;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, c = lead & 0x07;
    } else {
        ++i;
        return kBadUtf8;
    }
    if (s.size() - i <= static_cast<size_t>(extra)) {
        ++i;
        return kBadUtf8;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kBadUtf8;
        }
        c = c << 6 | (b & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kBadUtf8;
    }
    i += extra + 1;
    return c;
}

// Conjoining jamo L V (T) as some input methods commit them: the precomposed
// syllable, or 0 when s[i] does not start such a run. Advances i past the run.
char32_t ComposeJamo(std::string_view s, size_t& i, char32_t l) {
    if (l < 0x1100 || l > 0x1112) return 0;
    size_t j = i;
    const char32_t v = j < s.size() ? NextUtf8(s, j) : 0;
    if (v < 0x1161 || v > 0x1175) return 0;
    char32_t syllable = 0xAC00 + ((l - 0x1100) * 21 + (v - 0x1161)) * 28;
    size_t k = j;
    const char32_t t = k < s.size() ? NextUtf8(s, k) : 0;
    if (t >= 0x11A8 && t <= 0x11C2) {
        syllable += t - 0x11A7;
        j = k;
    }
    i = j;
    return syllable;
}

}  // namespace

uint16_t KsToJohab(uint16_t ks) {
    const int first = ks >> 8, second = ks & 0xFF;
    if (first < 0xA1 || first > 0xFE || second < 0xA1 || second > 0xFE) return 0;
    return tables::kKsToJohab[(first - 0xA1) * 94 + second - 0xA1];
}

uint16_t JohabToKs(uint16_t johab) {
    const auto& column = JohabColumn();
    return Bisect(column.data(), column.data() + column.size(), johab, kTwoSpaces);
}

uint16_t ExtensionLookup(uint16_t code) {
    return Bisect(kExtension.data(), kExtension.data() + kExtension.size(), code, 0);
}

char32_t KsToUnicode(uint16_t ks) {
    const int first = ks >> 8, second = ks & 0xFF;
    if (first < tables::kCpFirst || first > 0xFE || second < tables::kCpSecond || second > 0xFE)
        return 0;
    return tables::kCp949ToUnicode[(first - tables::kCpFirst) * tables::kCpSeconds + second -
                                   tables::kCpSecond];
}

namespace {

Glyph TextOf(uint16_t ks) {
    if (ks == kTwoSpaces) return {};
    const char32_t u = KsToUnicode(ks);
    if (u == 0) return {};
    return {Glyph::Text, u, 0};
}

}  // namespace

Glyph DisplayPair(uint8_t first, uint8_t second, DisplayCode code) {
    const uint16_t pair = static_cast<uint16_t>(first << 8 | second);
    if (code == DisplayCode::Johab) return TextOf(JohabToKs(pair));
    if (first == 0xAD || first == 0xAE) {
        const uint16_t ext = ExtensionLookup(pair);
        if (ext >= 1 && ext <= 8) return {Glyph::Block, 0, static_cast<uint8_t>(ext)};
        if (ext != 0) return TextOf(ext);
    }
    return TextOf(pair);
}

std::string DecodeToUtf8(std::string_view hostBytes, DisplayCode code) {
    std::string out;
    out.reserve(hostBytes.size() * 3 / 2);
    for (size_t i = 0; i < hostBytes.size();) {
        const auto b = static_cast<unsigned char>(hostBytes[i]);
        if (b < 0x80) {
            // Plain runs are copied whole.
            size_t end = i + 1;
            while (end < hostBytes.size() && static_cast<unsigned char>(hostBytes[end]) < 0x80)
                ++end;
            out.append(hostBytes.data() + i, end - i);
            i = end;
            continue;
        }
        if (i + 1 == hostBytes.size()) {  // a lead byte cut off: one blank cell
            out += ' ';
            break;
        }
        const Glyph g = DisplayPair(b, static_cast<unsigned char>(hostBytes[i + 1]), code);
        switch (g.kind) {
        case Glyph::Text:
            AppendUtf8(out, g.ch);
            break;
        case Glyph::Block:  // one element per cell keeps columns aligned
            AppendUtf8(out, kBlockElement[g.block]);
            AppendUtf8(out, kBlockElement[g.block]);
            break;
        case Glyph::Spaces:
            out += "  ";
            break;
        }
        i += 2;
    }
    return out;
}

std::string EncodeCp949(std::string_view utf8) {
    const auto& column = UnicodeColumn();
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = NextUtf8(utf8, i);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (const char32_t syllable = ComposeJamo(utf8, i, c)) c = syllable;
        const uint16_t code = c > 0xFFFF ? 0
                                         : Bisect(column.data(), column.data() + column.size(),
                                                  static_cast<uint16_t>(c), 0);
        if (code == 0) {
            out += '?';
        } else {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        }
    }
    return out;
}

}  // namespace velo::hangul
