// The Korean codec against fixed facts of the code charts and, where it is an
// independent oracle, glibc's iconv (the codec computes its Johab column and
// its Unicode -> CP949 direction itself).
#include <gtest/gtest.h>
#include <iconv.h>

#include <map>
#include <set>
#include <string>

#include "terminal/HangulCodec.h"

namespace velo::hangul {
namespace {

// One conversion with iconv; empty when iconv refuses.
std::string Iconv(const char* from, const char* to, const std::string& in) {
    static std::map<std::pair<std::string, std::string>, iconv_t> open;  // kept for the run
    iconv_t& cd = open[{from, to}];
    if (cd == nullptr) cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 8, '\0');
    char* ip = const_cast<char*>(in.data());
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    if (r == static_cast<size_t>(-1) || il != 0) return {};
    out.resize(out.size() - ol);
    return out;
}

std::string Bytes(uint16_t code) {
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

uint16_t Code(const std::string& two) {
    return two.size() == 2 ? static_cast<uint16_t>(static_cast<unsigned char>(two[0]) << 8 |
                                                   static_cast<unsigned char>(two[1]))
                           : 0;
}

std::string Utf8(char32_t c) {
    const std::u32string s(1, c);
    return Iconv("UTF-32LE", "UTF-8", std::string(reinterpret_cast<const char*>(s.data()), 4));
}

bool IsCompatibilityJamo(const std::string& utf8) {
    return utf8 >= "\u3131" && utf8 <= "\u3163" && utf8.size() == 3;
}

TEST(HangulCodes, SyllableGaInBothCodes) {
    EXPECT_EQ(KsToJohab(0xB0A1), 0x8861);
    EXPECT_EQ(JohabToKs(0x8861), 0xB0A1);
    const Glyph ks = DisplayPair(0xB0, 0xA1, DisplayCode::Ks);
    EXPECT_EQ(ks.kind, Glyph::Text);
    EXPECT_EQ(ks.ch, U'\uAC00');
    // The same stored bytes read as Johab have no entry: two spaces.
    EXPECT_EQ(DisplayPair(0xB0, 0xA1, DisplayCode::Johab).kind, Glyph::Spaces);
    const Glyph johab = DisplayPair(0x88, 0x61, DisplayCode::Johab);
    EXPECT_EQ(johab.kind, Glyph::Text);
    EXPECT_EQ(johab.ch, U'\uAC00');
}

TEST(HangulCodes, JohabPairsWithoutEntryShowTwoSpaces) {
    EXPECT_EQ(JohabToKs(0x8441), kTwoSpaces);  // the all-fill code
    EXPECT_EQ(DisplayPair(0x84, 0x41, DisplayCode::Johab).kind, Glyph::Spaces);
    EXPECT_EQ(DisplayPair(0x80, 0x00, DisplayCode::Johab).kind, Glyph::Spaces);
    EXPECT_EQ(DisplayPair(0xFF, 0xFF, DisplayCode::Johab).kind, Glyph::Spaces);
    // 똠 is a Johab syllable outside the 2350 of KS C 5601.
    const std::string ttom = Iconv("UTF-8", "JOHAB", "\uB620");
    ASSERT_EQ(ttom.size(), 2u);
    EXPECT_EQ(JohabToKs(Code(ttom)), kTwoSpaces);
}

TEST(HangulCodes, TableMatchesIconvJohabAtEveryAssignedPosition) {
    int assigned = 0, syllables = 0, jamo = 0;
    for (int first = 0xA1; first <= 0xFE; ++first) {
        for (int second = 0xA1; second <= 0xFE; ++second) {
            const uint16_t ks = static_cast<uint16_t>(first << 8 | second);
            const std::string u = Iconv("EUC-KR", "UTF-8", Bytes(ks));
            if (u.empty()) continue;
            ++assigned;
            const uint16_t johab = KsToJohab(ks);
            SCOPED_TRACE(testing::Message() << std::hex << "KS " << ks << " Johab " << johab);
            if (IsCompatibilityJamo(u)) {
                // Kept in the symbol area rather than at iconv's jamo codes.
                ++jamo;
                EXPECT_EQ(johab, 0xDA00 | second);
                EXPECT_NE(Code(Iconv("UTF-8", "JOHAB", u)), johab);
            } else {
                EXPECT_EQ(johab, Code(Iconv("UTF-8", "JOHAB", u)));
            }
            EXPECT_EQ(JohabToKs(johab), ks);
            const Glyph g = DisplayPair(johab >> 8, johab & 0xFF, DisplayCode::Johab);
            EXPECT_EQ(g.kind, Glyph::Text);
            EXPECT_EQ(Utf8(g.ch), u);
            if (first >= 0xB0 && first <= 0xC8) ++syllables;
        }
    }
    EXPECT_EQ(syllables, 2350);
    EXPECT_EQ(jamo, 51);
    EXPECT_GE(assigned, 8224);
}

TEST(HangulCodes, TwoSpaceRowsAndDistinctJohabCodes) {
    std::set<uint16_t> seen;
    int spaces = 0;
    for (int first = 0xA1; first <= 0xFE; ++first) {
        for (int second = 0xA1; second <= 0xFE; ++second) {
            const uint16_t ks = static_cast<uint16_t>(first << 8 | second);
            const uint16_t johab = KsToJohab(ks);
            const bool blank = (first == 0xAD && second >= 0xE0) || first == 0xAE ||
                               first == 0xAF || first == 0xC9 || first == 0xFE;
            SCOPED_TRACE(testing::Message() << std::hex << "KS " << ks << " Johab " << johab);
            if (blank) {
                EXPECT_EQ(johab, kTwoSpaces);
                ++spaces;
                continue;
            }
            EXPECT_TRUE(seen.insert(johab).second) << "Johab code used twice";
            const int lead = johab >> 8;
            EXPECT_TRUE((lead >= 0x84 && lead <= 0xD3) || (lead >= 0xD8 && lead <= 0xF9));
            EXPECT_EQ(JohabToKs(johab), ks);
        }
    }
    EXPECT_EQ(spaces, 31 + 4 * 94);
    EXPECT_EQ(KsToJohab(0xADA1), 0xD831);
    EXPECT_EQ(KsToJohab(0xA0A1), 0);
    EXPECT_EQ(KsToJohab(0xA1FF), 0);
    EXPECT_EQ(KsToJohab(0x2020), 0);
}

TEST(HangulCodes, ExtensionRowsInKsMode) {
    EXPECT_EQ(ExtensionLookup(0xADA1), 0xA8B5);
    EXPECT_EQ(ExtensionLookup(0xAEC2), 0xA1DB);
    EXPECT_EQ(ExtensionLookup(0xAEC3), 0);  // past the last entry
    EXPECT_EQ(ExtensionLookup(0xADA0), 0);
    const uint16_t glyphs[8] = {0xADD1, 0xADD2, 0xADD3, 0xADFC, 0xADFD, 0xADFE, 0xAEA1, 0xAEA2};
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(ExtensionLookup(glyphs[n - 1]), n);
        const Glyph g = DisplayPair(glyphs[n - 1] >> 8, glyphs[n - 1] & 0xFF, DisplayCode::Ks);
        EXPECT_EQ(g.kind, Glyph::Block);
        EXPECT_EQ(g.block, n);
    }
    const Glyph circled = DisplayPair(0xAD, 0xA1, DisplayCode::Ks);
    EXPECT_EQ(circled.kind, Glyph::Text);
    EXPECT_EQ(circled.ch, U'\u3264');  // ㉤, KS 0xA8B5
    EXPECT_EQ(DisplayPair(0xAD, 0xA9, DisplayCode::Ks).kind, Glyph::Spaces);
    // No block glyphs in Johab mode: the same bytes are a Johab code there.
    EXPECT_NE(DisplayPair(0xAD, 0xD1, DisplayCode::Johab).kind, Glyph::Block);
    // Below 0xA1 the second byte makes a CP949 syllable, not an extension.
    const Glyph uhc = DisplayPair(0xAD, 0x41, DisplayCode::Ks);
    EXPECT_EQ(uhc.kind, Glyph::Text);
    EXPECT_EQ(Utf8(uhc.ch), Iconv("CP949", "UTF-8", "\xAD\x41"));
}

TEST(HangulCodes, KsModeReadsCp949) {
    EXPECT_EQ(KsToUnicode(0xB0A1), U'\uAC00');
    EXPECT_EQ(KsToUnicode(0xA1A1), U'\u3000');
    EXPECT_EQ(KsToUnicode(0x8141), U'\uAC02');  // 갂, outside the 2350
    EXPECT_EQ(KsToUnicode(0xC9A1), 0u);         // user-defined row
    EXPECT_EQ(KsToUnicode(0x8040), 0u);
    EXPECT_EQ(KsToUnicode(0xFFFF), 0u);
    EXPECT_EQ(KsToUnicode(0x4141), 0u);
    EXPECT_EQ(DisplayPair(0xB0, 0x0A, DisplayCode::Ks).kind, Glyph::Spaces);
}

TEST(HangulDecode, RunsPairsBlocksAndCutLeadBytes) {
    EXPECT_EQ(DecodeToUtf8("A\xB0\xA1 b", DisplayCode::Ks), "A\uAC00 b");
    EXPECT_EQ(DecodeToUtf8("\x88\x61\xB0\xA1", DisplayCode::Johab), "\uAC00  ");
    EXPECT_EQ(DecodeToUtf8("\xAD\xD1\xAD\xFC", DisplayCode::Ks), "\u2591\u2591\u2588\u2588");
    EXPECT_EQ(DecodeToUtf8("\xAD\xA1", DisplayCode::Ks), "\u3264");
    EXPECT_EQ(DecodeToUtf8("\xAE\xB7", DisplayCode::Ks), "  ");
    EXPECT_EQ(DecodeToUtf8("x\xB0", DisplayCode::Ks), "x ");
    EXPECT_EQ(DecodeToUtf8("\xA3\xC1", DisplayCode::Ks), "\uFF21");  // full-width A
    EXPECT_EQ(DecodeToUtf8("", DisplayCode::Johab), "");
    // The second byte of a pair is taken whatever it is.
    EXPECT_EQ(DecodeToUtf8("\xB0\x1B[m", DisplayCode::Ks), "  [m");
}

TEST(HangulEncode, TypedTextToCp949) {
    EXPECT_EQ(EncodeCp949("ls -l\r"), "ls -l\r");
    EXPECT_EQ(EncodeCp949("\uAC00\uB098"), "\xB0\xA1\xB3\xAA");
    EXPECT_EQ(EncodeCp949("\uAC02"), "\x81\x41");
    EXPECT_EQ(EncodeCp949("\u3131"), "\xA4\xA1");
    EXPECT_EQ(EncodeCp949("a\U0001F600b"), "a?b");
    EXPECT_EQ(EncodeCp949("\xFF\xC3"), "??");       // not UTF-8
    EXPECT_EQ(EncodeCp949("\xE0\x80\x80"), "???");  // overlong
    EXPECT_EQ(EncodeCp949("\xED\xA0\x80"), "???");  // surrogate
    EXPECT_EQ(EncodeCp949("\xEA\xB0"), "??");       // cut short
    // Conjoining jamo as an input method may commit them: 각, 가, then a lone L.
    EXPECT_EQ(EncodeCp949("\u1100\u1161\u11A8\u1100\u1161!\u1100"), "\xB0\xA2\xB0\xA1!?");
}

TEST(HangulEncode, EveryBmpCharacterAgreesWithIconv) {
    int encoded = 0;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c >= 0x1100 && c <= 0x11FF) continue;  // conjoining jamo compose
        const std::string u = Utf8(c);
        std::string want = Iconv("UTF-8", "CP949", u);
        if (want.empty()) {  // ㉾ is KS but not CP949; EUC-KR's one-way ₩ stays out
            const std::string ks = Iconv("UTF-8", "EUC-KR", u);
            if (Iconv("EUC-KR", "UTF-8", ks) == u) want = ks;
        }
        // iconv passes a few C1 controls through as one byte; typed text has none.
        if (want.size() != 2) want = "?";
        ASSERT_EQ(EncodeCp949(u), want) << std::hex << "U+" << static_cast<uint32_t>(c);
        if (want.size() == 2) {
            ++encoded;
            EXPECT_EQ(KsToUnicode(Code(want)), c);
        }
    }
    EXPECT_GE(encoded, 17000);
    // All 11172 syllables can be typed.
    for (char32_t c = 0xAC00; c <= 0xD7A3; ++c) EXPECT_EQ(EncodeCp949(Utf8(c)).size(), 2u);
}

}  // namespace
}  // namespace velo::hangul
