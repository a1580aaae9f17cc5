#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/videotex/RecordingCanvas.h"
#include "videotex/VtxDecoder.h"
#include "videotex/VtxReceiver.h"
#include "videotex/VtxWriter.h"

using namespace velo;
using velo::test::RecordingCanvas;
using Calls = std::vector<std::string>;

namespace {

struct DecoderTest : ::testing::Test {
    RecordingCanvas canvas;
    VtxDecoder dec;
    VtxState& st = dec.State();

    void Feed(const std::string& bytes)
    {
        dec.Feed(canvas, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    Calls Take()
    {
        Calls c;
        c.swap(canvas.calls);
        return c;
    }
};

std::string Bytes(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v)
        s.push_back(static_cast<char>(b));
    return s;
}

// Runs a stream through a fresh decoder and returns its calls.
Calls Trace(const std::string& bytes, const std::vector<size_t>& cuts = {})
{
    RecordingCanvas canvas;
    VtxDecoder dec;
    size_t at = 0;
    for (size_t cut : cuts) {
        dec.Feed(canvas, reinterpret_cast<const uint8_t*>(bytes.data()) + at, cut - at);
        at = cut;
    }
    dec.Feed(canvas, reinterpret_cast<const uint8_t*>(bytes.data()) + at, bytes.size() - at);
    // Close whatever opcode is still collecting, so a pending polygon shows.
    dec.Feed(canvas, reinterpret_cast<const uint8_t*>("\x0f"), 1);
    const auto& s = dec.State();
    canvas.calls.push_back("dp=" + test::Pt(s.dp) + " tp=" + test::Pt(s.tp));
    return canvas.calls;
}

}  // namespace

// --- operands ------------------------------------------------------------

TEST(VtxOperands, MultiValueTwoDimensionsIsTwosComplementOverNineBits)
{
    const uint8_t allOnes[] = {0x7F, 0x7F, 0x7F};
    VtxPoint p = VtxDecodeMulti(allOnes, 3, false);
    EXPECT_DOUBLE_EQ(p.x, -1.0 / 256);
    EXPECT_DOUBLE_EQ(p.y, -1.0 / 256);

    const uint8_t minusOne[] = {0x60, 0x40, 0x40};
    p = VtxDecodeMulti(minusOne, 3, false);
    EXPECT_DOUBLE_EQ(p.x, -1.0);
    EXPECT_DOUBLE_EQ(p.y, 0.0);

    // Largest positive: 0 then all ones, 255/256.
    const uint8_t maxPos[] = {0x5B, 0x7F, 0x7F};
    p = VtxDecodeMulti(maxPos, 3, false);
    EXPECT_DOUBLE_EQ(p.x, 255.0 / 256);
    EXPECT_DOUBLE_EQ(p.y, 255.0 / 256);

    // One byte: x 010 = 2/4, y 110 = -2/4.
    const uint8_t one[] = {0x56};
    p = VtxDecodeMulti(one, 1, false);
    EXPECT_DOUBLE_EQ(p.x, 0.5);
    EXPECT_DOUBLE_EQ(p.y, -0.5);
}

TEST(VtxOperands, MultiValueThreeDimensionsTakesTwoBitsAndIgnoresZ)
{
    // x bits 01, y bits 11, z bits 11 (ignored), per byte.
    const uint8_t b[] = {0x5F, 0x5F, 0x5F};
    const VtxPoint p = VtxDecodeMulti(b, 3, true);
    // x = 010101b = 21 of 6 bits -> 21/32; y = 111111b = -1 -> -1/32.
    EXPECT_DOUBLE_EQ(p.x, 21.0 / 32);
    EXPECT_DOUBLE_EQ(p.y, -1.0 / 32);
}

TEST(VtxOperands, EightByteOperandKeepsAllTwentyFourBits)
{
    uint8_t b[8];
    for (auto& x : b)
        x = 0x40;
    b[7] = 0x48;  // x gets its lowest bit
    const VtxPoint p = VtxDecodeMulti(b, 8, false);
    EXPECT_DOUBLE_EQ(p.x, std::ldexp(1.0, -23));
    EXPECT_DOUBLE_EQ(p.y, 0.0);
}

TEST(VtxOperands, SingleValueAndColour)
{
    const uint8_t s[] = {0x41, 0x7F};
    EXPECT_EQ(VtxDecodeSingle(s, 1), 1u);
    EXPECT_EQ(VtxDecodeSingle(s, 2), 64u + 63u);

    const uint8_t white[] = {0x7F, 0x7F, 0x7F};
    EXPECT_EQ(VtxDecodeColour(white, 3), (VtxRgb{251, 251, 251}));

    // Green from bits 5 and 2, red from 4 and 1, blue from 3 and 0.
    const uint8_t greenHigh[] = {0x60, 0x40, 0x40};  // green 10 00 00 = 32 of 64
    EXPECT_EQ(VtxDecodeColour(greenHigh, 3), (VtxRgb{0, 127, 0}));
    const uint8_t redBlueLow[] = {0x43};  // red 01, blue 01 of 4 levels
    EXPECT_EQ(VtxDecodeColour(redBlueLow, 1), (VtxRgb{63, 0, 63}));
}

// --- initial state and colour map ---------------------------------------

TEST_F(DecoderTest, InitialStateAndDefaultColourMap)
{
    EXPECT_EQ(st.state, 0);
    EXPECT_EQ((std::vector<int>(st.g, st.g + 4)), (std::vector<int>{0, 2, 1, 3}));
    EXPECT_EQ(st.gl, 0);
    EXPECT_EQ(st.gr, 1);
    EXPECT_EQ(st.multiLen, 3);
    EXPECT_EQ(st.singleLen, 1);
    EXPECT_DOUBLE_EQ(st.tp.y, 0.7421875);
    EXPECT_EQ(st.drawIndex, 31);
    EXPECT_EQ(st.drawColour, kVtxWhite);
    EXPECT_EQ(st.defLen, -1);

    const auto& map = VtxDefaultColourMap();
    const int greys[] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,
                         90,  99,  107, 115, 123, 132, 140, 148, 156, 165, 173,
                         181, 189, 197, 206, 214, 222, 230, 239, 247, 255};
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(map[i], (VtxRgb{uint8_t(greys[i]), uint8_t(greys[i]), uint8_t(greys[i])})) << i;
    EXPECT_EQ(map[32], (VtxRgb{0, 0, 255}));
    EXPECT_EQ(map[40], (VtxRgb{255, 0, 128}));
    EXPECT_EQ(map[48], (VtxRgb{255, 255, 0}));
    EXPECT_EQ(map[36], (VtxRgb{191, 0, 255}));   // 45 degrees: blue full, red trunc(191.75)
    EXPECT_EQ(map[37], (VtxRgb{239, 0, 255}));   // 56.25: trunc(4.25 * 56.25 + 0.5)
    EXPECT_EQ(map[56], (VtxRgb{0, 255, 128}));   // 270 degrees: green full, blue 128
    EXPECT_EQ(map[63], (VtxRgb{0, 48, 255}));    // 348.75: blue nearest, green middle
}

// --- reset, position, controls ---------------------------------------------

TEST_F(DecoderTest, ResetPaddedByAControlByteStillResetsTheField)
{
    VtxWriter w;
    w.MoveTo(0.25, 0.25).Opcode(0x38).Coord(0.5, 0.25);  // field from dp, size given
    Feed(w.Bytes() + "\x0f");
    EXPECT_DOUBLE_EQ(st.fieldXMin, 0.25);
    EXPECT_DOUBLE_EQ(st.fieldXMax, 0.75);
    // A reset opcode with no operand bytes, ended at once by CR.
    Feed("\xA0\x0D");
    EXPECT_DOUBLE_EQ(st.fieldXMin, 0);
    EXPECT_DOUBLE_EQ(st.fieldXMax, 1);
    EXPECT_DOUBLE_EQ(st.fieldYMin, 0);
    EXPECT_DOUBLE_EQ(st.fieldYMax, 1);
    // The control byte itself was then obeyed: CR to the field's left edge.
    EXPECT_DOUBLE_EQ(st.tp.x, 0);
    EXPECT_EQ(st.state, 0);
}

TEST_F(DecoderTest, ResetOpcodeBits)
{
    canvas.recordFonts = true;
    st.colourMode = 1;
    st.drawColour = {1, 2, 3};
    st.colourMap[5] = {9, 9, 9};
    st.pattern = 5;
    // Byte 1: colour bits 2 (mode 1, map reset, colour kept since the mode
    // was not 0), clear bits 2 (Clear in the draw colour).
    Feed(Bytes({0xA0, 0xC0 | (2 << 1) | (2 << 3), 0xC0}));
    EXPECT_EQ(Take(), (Calls{"Clear 1,2,3"}));
    EXPECT_EQ(st.colourMode, 1);
    EXPECT_EQ(st.colourMap[5], VtxDefaultColourMap()[5]);
    EXPECT_EQ(st.pattern, 5);
    // Byte 1 colour bits 3 from mode 1: white; clear bits 7 (black); byte 2
    // text reset from the charH in effect and textures.
    st.charH = 0.078125;
    Feed(Bytes({0xA0, 0xC0 | (3 << 1) | (7 << 3), 0xC9}));
    EXPECT_EQ(Take(), (Calls{"Clear 0,0,0", "Fonts"}));
    EXPECT_EQ(st.drawColour, kVtxWhite);
    EXPECT_DOUBLE_EQ(st.tp.y, kVtxTop - 0.078125);
    EXPECT_DOUBLE_EQ(st.charH, 0.0390625);
    EXPECT_EQ(st.pattern, 0);
}

TEST_F(DecoderTest, NonSelectiveResetTakesAnOptionalPosition)
{
    canvas.recordFonts = true;
    st.colourMap[3] = {1, 1, 1};
    st.gl = 2;
    st.multiLen = 4;
    // NSR, then row/column bytes with bit 6 set: x = 2 cells, y = 3 rows down.
    Feed(Bytes({0x1F, 0x42, 0x43}));
    EXPECT_EQ(Take(), (Calls{"Fonts"}));
    EXPECT_EQ(st.gl, 0);
    EXPECT_EQ(st.multiLen, 3);
    EXPECT_EQ(st.colourMap[3], (VtxRgb{1, 1, 1}));  // the map stays
    EXPECT_DOUBLE_EQ(st.tp.x, 2 * 0.025);
    EXPECT_DOUBLE_EQ(st.tp.y, kVtxTop - 4 * 0.0390625);
    EXPECT_DOUBLE_EQ(st.dp.x, st.tp.x);
    // Without a position (bit 6 clear) the next byte is taken normally.
    Feed(Bytes({0x1F, '1'}));
    EXPECT_EQ(Take(), (Calls{"Fonts", "Text 31 at 0.05,0.625"}));
}

TEST_F(DecoderTest, ActivePositionAndCursorMovesStayOnScreen)
{
    Feed(Bytes({0x1C, 0x20 + 4, 0x20 + 2}));  // x = 4 cells, y = 2 rows up
    EXPECT_DOUBLE_EQ(st.tp.x, 0.1);
    EXPECT_DOUBLE_EQ(st.tp.y, 0.078125);
    EXPECT_DOUBLE_EQ(st.dp.y, 0.078125);
    Feed(Bytes({0x1C, 0x1F, 0x40}));  // first byte below 0x20: ignored
    EXPECT_DOUBLE_EQ(st.tp.x, 0.1);
    Feed(Bytes({0x1C, 0x20 + 40, 0x20}));  // x = 1.0: off screen, ignored
    EXPECT_DOUBLE_EQ(st.tp.x, 0.1);

    Feed("\x0a\x0a\x0a");  // down three rows: the third would go below 0
    EXPECT_DOUBLE_EQ(st.tp.y, 0.0);
    Feed(Bytes({0x1C, 0x21, 0x20}));  // column 1, row 0
    Feed("\x08\x08");                 // left: the second would pass x = 0
    EXPECT_DOUBLE_EQ(st.tp.x, 0.0);
    Feed("\x09\x0b");
    EXPECT_DOUBLE_EQ(st.tp.x, 0.025);
    EXPECT_DOUBLE_EQ(st.tp.y, 0.0390625);
    Feed("\x1e");  // home
    EXPECT_DOUBLE_EQ(st.tp.x, 0);
    EXPECT_DOUBLE_EQ(st.tp.y, kVtxTop - 0.0390625);
    Feed("\x07\x0c");
    EXPECT_EQ(Take(), (Calls{"Beep", "Clear 0,0,0"}));
    st.colourMode = 2;
    st.backColour = {10, 20, 30};
    Feed("\x0c");
    EXPECT_EQ(Take(), (Calls{"Clear 10,20,30"}));
}

TEST_F(DecoderTest, SingleShiftDiscardsTheNextByteAndNulIsInvisible)
{
    Feed(std::string("\x19" "A" "B\0C", 5));
    EXPECT_EQ(Take(), (Calls{"Text 42 at 0,0.7421875", "Text 43 at 0.025,0.7421875"}));
}

// --- code sets and text ----------------------------------------------------

TEST_F(DecoderTest, SupplementarySetInGlDrawsHangulFromTwoGlBytes)
{
    Feed(std::string("\x1b$)C\x0e\x30\x21", 7));
    EXPECT_EQ(Take(), (Calls{"Text 2:B0A1 at 0,0.7421875"}));
    EXPECT_EQ(st.g[1], kVtxSupplementary);
    EXPECT_EQ(st.leadPending, 0);
    // SI returns GL to the primary set.
    Feed("\x0fZ");
    EXPECT_EQ(Take(), (Calls{"Text 5A at 0.025,0.7421875"}));
}

TEST_F(DecoderTest, DesignationsAndLockingShifts)
{
    Feed("\x1b*z");  // G2 = macro
    EXPECT_EQ(st.g[2], kVtxMacro);
    Feed("\x1b+{");  // G3 = DRCS
    EXPECT_EQ(st.g[3], kVtxDrcs);
    Feed("\x1b)|");  // G1 = supplementary
    EXPECT_EQ(st.g[1], kVtxSupplementary);
    Feed("\x1b-W");  // 96-set intermediate for G1: PDI
    EXPECT_EQ(st.g[1], kVtxPdi);
    Feed("\x1b/}");  // 96-set intermediate for G3: mosaic
    EXPECT_EQ(st.g[3], kVtxMosaic);
    Feed("\x1b(W");  // G0 cannot receive PDI
    EXPECT_EQ(st.g[0], kVtxPrimary);
    Feed("\x1b)B");  // G1 = primary
    EXPECT_EQ(st.g[1], kVtxPrimary);
    Feed("\x1b+{\x1b$+C");
    EXPECT_EQ(st.g[3], kVtxMosaic);
    Feed("\x1b$$)C");  // three intermediates: ignored
    EXPECT_EQ(st.g[1], kVtxPrimary);
    Feed("\x1bl");
    EXPECT_EQ(st.gr, 2);
    Feed("\x1b|");
    EXPECT_EQ(st.gr, 3);
    Feed("\x1b~");
    EXPECT_EQ(st.gr, 1);
    Feed("\x1bo");
    EXPECT_EQ(st.gl, 3);
    Feed("\x1bn");
    EXPECT_EQ(st.gl, 2);
    EXPECT_EQ(Take(), Calls{});
    // An escape cut short by a control: the control is obeyed.
    Feed("\x1b\x1b(B\x1b\x0e");
    EXPECT_EQ(st.g[0], kVtxPrimary);
    EXPECT_EQ(st.gl, 1);
    EXPECT_EQ(st.state, 0);
}

TEST_F(DecoderTest, PrimarySetInGrAssemblesTwoByteCharacters)
{
    Feed("\x1b)B");  // G1 (in GR) = primary
    Feed("\xb0\xa1" "A");
    EXPECT_EQ(Take(), (Calls{"Text 2:B0A1 at 0,0.7421875", "Text 41 at 0.025,0.7421875"}));
    // A lead byte waits across feeds; any byte completes it.
    Feed("\xc7");
    EXPECT_EQ(st.leadPending, 1);
    Feed("\xd1");
    EXPECT_EQ(Take(), (Calls{"Text 2:C7D1 at 0.05,0.7421875"}));
}

TEST_F(DecoderTest, TextWrapsAtTheFieldEdgeAndStaysOnTheBottomRow)
{
    // The last cell of a row: its right edge passes x = 1.
    Feed(Bytes({0x1C, 0x20 + 39, 0x20 + 5}));
    Feed("ab");
    EXPECT_EQ(Take(), (Calls{"Text 61 at 0.975,0.1953125", "Text 62 at 0,0.15625"}));
    // Bottom row: the wrap would go below 0; the character draws in place.
    Feed(Bytes({0x1C, 0x20 + 39, 0x20}));
    Feed("xy");
    EXPECT_EQ(Take(), (Calls{"Text 78 at 0.975,0", "Text 79 at 0.975,0"}));
    // A field narrower than the screen wraps to its own left edge.
    VtxWriter w;
    w.Opcode(0x38).Coord(0.25, 0.25).Coord(0.0625, 0.25);
    Feed(w.Bytes() + "ABC");
    EXPECT_EQ(Take(), (Calls{"Text 41 at 0.25,0.25", "Text 42 at 0.275,0.25",
                             "Text 43 at 0.25,0.2109375"}));
}

TEST_F(DecoderTest, FieldExactlyTwoCellsWideTakesTwoCharactersARow)
{
    // Cells of 1/32 (exact in the operand's steps) and a field of two cells:
    // after the second character the position sits on the field's right edge,
    // and the third character wraps instead of landing outside the field.
    VtxWriter w;
    w.Opcode(0x22).Data(0).Data(0).Coord(0.03125, 0.0390625);
    w.Opcode(0x38).Coord(0.25, 0.25).Coord(0.0625, 0.25);
    Feed(w.Bytes() + "ABC");
    EXPECT_EQ(Take(), (Calls{"Text 41 at 0.25,0.25", "Text 42 at 0.28125,0.25",
                             "Text 43 at 0.25,0.2109375"}));
}

TEST_F(DecoderTest, TextSizesRowFactorAndUnderline)
{
    canvas.recordFonts = true;
    Feed("\x1bJ");  // ESC form of the small-size control
    EXPECT_DOUBLE_EQ(st.charW, 0.0125);
    Feed("\x8f");
    EXPECT_DOUBLE_EQ(st.charW, 0.05);
    EXPECT_DOUBLE_EQ(st.charH, 0.078125);
    Feed("\x8b\x8d\x8c\x99");
    EXPECT_EQ(st.underline, 1);
    EXPECT_DOUBLE_EQ(st.charW, 0.025);
    EXPECT_EQ(Take().size(), 6u);
    // Text opcode: row factor 1.5, then a character size operand.
    VtxWriter w;
    w.Opcode(0x22).Data(2).Data(0).Coord(-0.046875, 0.0625);
    Feed(w.Bytes());
    EXPECT_DOUBLE_EQ(st.rowFactor, 1.5);
    EXPECT_DOUBLE_EQ(st.charW, 0.046875);
    EXPECT_DOUBLE_EQ(st.charH, 0.0625);
    EXPECT_EQ(Take(), (Calls{"Fonts"}));
    // Row factor 1.25 without a size: fonts untouched.
    Feed(Bytes({0xA2, 0xC1, 0x0F}));
    EXPECT_DOUBLE_EQ(st.rowFactor, 1.25);
    EXPECT_DOUBLE_EQ(st.charW, 0.046875);
    EXPECT_EQ(Take(), Calls{});
    Feed("\x9a");
    EXPECT_EQ(st.underline, 0);
}

// --- colour, domain, texture, wait -----------------------------------------

TEST_F(DecoderTest, SelectAndSetColour)
{
    Feed(Bytes({0xBE, 0xC0 | 40, 0x0F}));  // one byte: mode 1, draw index 40
    EXPECT_EQ(st.colourMode, 1);
    EXPECT_EQ(st.drawIndex, 40);
    EXPECT_EQ(st.drawColour, (VtxRgb{255, 0, 128}));
    // Set colour in mode 1 also stores into the map at the draw index.
    Feed(Bytes({0xBC, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(st.drawColour, (VtxRgb{251, 251, 251}));
    EXPECT_EQ(st.colourMap[40], (VtxRgb{251, 251, 251}));
    // Two bytes: mode 2, draw and back.
    Feed(Bytes({0xBE, 0xC0 | 32, 0xC0 | 48}));
    EXPECT_EQ(st.colourMode, 2);
    EXPECT_EQ(st.drawIndex, 32);
    EXPECT_EQ(st.backIndex, 48);
    EXPECT_EQ(st.backColour, (VtxRgb{255, 255, 0}));
    // Two equal values: only the background changes.
    Feed(Bytes({0xBE, 0xC0 | 5, 0xC0 | 5}));
    EXPECT_EQ(st.drawIndex, 32);
    EXPECT_EQ(st.backIndex, 5);
    // No bytes: mode 0. Set colour with no bytes: black, map untouched.
    Feed(Bytes({0xBE, 0xBC, 0x0F}));
    EXPECT_EQ(st.colourMode, 0);
    EXPECT_EQ(st.drawColour, kVtxBlack);
    EXPECT_EQ(st.colourMap[32], (VtxRgb{0, 0, 255}));
}

TEST_F(DecoderTest, DomainChangesOperandLengthsAndPelSize)
{
    // Byte 1: 2-D, multiLen 2 (bits 4..2 = 1), singleLen 2; then the pel
    // operand already in two bytes: (8/32, 4/32) of the unit.
    VtxWriter w;
    w.Opcode(0x21).Data((1 << 2) | 1).Coord(0.25, 0.125, 2);
    Feed(w.Bytes());
    EXPECT_EQ(st.multiLen, 2);
    EXPECT_EQ(st.singleLen, 2);
    EXPECT_EQ(st.state, 0);  // once: done after 1 + m bytes
    EXPECT_DOUBLE_EQ(st.pel.x, 0.25);
    EXPECT_DOUBLE_EQ(st.pel.y, 0.125);
    // sqrt(160 * 80) = 113.137 -> 114.
    EXPECT_EQ(st.pelPx, 114);
    // Later coordinates are read in two bytes.
    VtxWriter p;
    p.Opcode(0x26).Coord(0.5, 0.25, 2);
    Feed(p.Bytes());
    EXPECT_EQ(Take(), (Calls{"Point 0.5,0.25"}));
    // Byte 1 only: pel size back to single pixels; no bytes: defaults.
    Feed(Bytes({0xA1, 0xC0 | (1 << 5), 0x0F}));
    EXPECT_EQ(st.dim3, 1);
    EXPECT_EQ(st.multiLen, 1);
    EXPECT_EQ(st.pelPx, 0);
    Feed(Bytes({0xA1, 0x0F}));
    EXPECT_EQ(st.dim3, 0);
    EXPECT_EQ(st.multiLen, 3);
    EXPECT_EQ(st.singleLen, 1);
}

TEST_F(DecoderTest, TextureWaitAndBlink)
{
    Feed(Bytes({0xA3, 0xC0 | 2 | 4 | (5 << 3), 0x0F}));
    EXPECT_EQ(st.lineTexture, 2);
    EXPECT_EQ(st.highlight, 1);
    EXPECT_EQ(st.pattern, 5);
    Feed(Bytes({0xA3, 0x0F}));  // ends with no bytes: all zero
    EXPECT_EQ(st.pattern, 0);
    EXPECT_EQ(st.highlight, 0);

    Feed(Bytes({0xBD, 0xDC, 0xC3}));        // 0x1C marker, 3 tenths
    Feed(Bytes({0xBD, 0xDC, 0x0F}));        // missing count: 100 ms
    Feed(Bytes({0xBD, 0xDD, 0xC5}));        // no marker: no pause
    Feed(Bytes({0xBF, 0xFF, 0xFF, 0xA6}));  // blink: its data dropped
    EXPECT_EQ(Take(), (Calls{"Pause 300", "Pause 100"}));
    EXPECT_EQ(st.state, 0x26);
}

// --- drawing opcodes: geometry ----------------------------------------------

struct GeometryCase {
    const char* name;
    std::string bytes;
    Calls expected;
};

static std::vector<GeometryCase> GeometryCases()
{
    auto w = [] { return VtxWriter(); };
    std::vector<GeometryCase> cases;
    auto add = [&](const char* name, const VtxWriter& wr, Calls expected) {
        cases.push_back({name, wr.Bytes(), std::move(expected)});
    };
    add("point set abs then rel moves without drawing",
        w().Opcode(0x24).Coord(0.5, 0.25).Opcode(0x25).Coord(0.125, -0.125).Coord(0.125, 0),
        {"dp=0.75,0.125 tp=0.75,0.125"});
    add("point abs repeats", w().Opcode(0x26).Coord(0.5, 0.25).Coord(0.25, 0.5),
        {"Point 0.5,0.25", "Point 0.25,0.5", "dp=0.25,0.5 tp=0.25,0.5"});
    add("point rel", w().MoveTo(0.5, 0.5).Opcode(0x27).Coord(0.25, -0.25).Coord(-0.5, 0),
        {"Point 0.75,0.25", "Point 0.25,0.25", "dp=0.25,0.25 tp=0.25,0.25"});
    add("line abs from dp", w().MoveTo(0.125, 0.125).Opcode(0x28).Coord(0.5, 0.5).Coord(0.75, 0.25),
        {"Line 0.125,0.125 0.5,0.5", "Line 0.5,0.5 0.75,0.25", "dp=0.75,0.25 tp=0.75,0.25"});
    add("line rel", w().Opcode(0x29).Coord(0.25, 0.25).Coord(0.25, -0.125),
        {"Line 0,0 0.25,0.25", "Line 0.25,0.25 0.5,0.125", "dp=0.5,0.125 tp=0.5,0.125"});
    add("set & line abs, lone first operand dropped",
        w().Opcode(0x2A).Coord(0.125, 0.25).Coord(0.5, 0.25).Coord(0.75, 0.75),
        {"Line 0.125,0.25 0.5,0.25", "dp=0.5,0.25 tp=0.5,0.25"});
    add("set & line rel", w().Opcode(0x2B).Coord(0.125, 0.25).Coord(0.5, 0.25),
        {"Line 0.125,0.25 0.625,0.5", "dp=0.625,0.5 tp=0.625,0.5"});
    add("arc through displacements",
        w().MoveTo(0.25, 0.25).Opcode(0x2C).Coord(0.25, 0.25).Coord(0.25, -0.25),
        {"Arc 0.25,0.25 0.5,0.5 0.75,0.25", "dp=0.75,0.25 tp=0.75,0.25"});
    add("arc with one operand is the circle form, dp unchanged",
        w().MoveTo(0.25, 0.25).Opcode(0x2D).Coord(0.25, 0),
        {"FillArc 0.25,0.25 0.5,0.25 0.25,0.25", "dp=0.25,0.25 tp=0.25,0.25"});
    add("set & arc", w().Opcode(0x2E).Coord(0.125, 0.125).Coord(0.125, 0.125).Coord(0.125, -0.125),
        {"Arc 0.125,0.125 0.25,0.25 0.375,0.125", "dp=0.375,0.125 tp=0.375,0.125"});
    add("set & arc filled, missing third operand: circle from the new dp",
        w().Opcode(0x2F).Coord(0.5, 0.5).Coord(0, 0.125),
        {"FillArc 0.5,0.5 0.5,0.625 0.5,0.5", "dp=0.5,0.5 tp=0.5,0.5"});
    add("rect repeats side by side",
        w().MoveTo(0.125, 0.125).Opcode(0x30).Coord(0.125, 0.25).Coord(0.25, -0.125),
        {"Rect 0.125,0.125 0.25,0.375", "Rect 0.25,0.125 0.5,0", "dp=0.5,0.125 tp=0.5,0.125"});
    add("filled rect", w().Opcode(0x31).Coord(0.5, 0.5),
        {"FillRect 0,0 0.5,0.5", "dp=0.5,0 tp=0.5,0"});
    add("set & rect", w().Opcode(0x33).Coord(0.25, 0.5).Coord(0.25, -0.25),
        {"FillRect 0.25,0.5 0.5,0.25", "dp=0.5,0.5 tp=0.5,0.5"});
    add("set & rect outlined, lone operand dropped", w().Opcode(0x32).Coord(0.25, 0.5),
        {"dp=0,0 tp=0,0.7421875"});
    add("polygon from dp by displacements, dp unchanged",
        w().MoveTo(0.25, 0.25).Opcode(0x34).Coord(0.25, 0).Coord(0, 0.25),
        {"Polygon n=3 0.25,0.25 0.5,0.25 0.5,0.5", "dp=0.25,0.25 tp=0.25,0.25"});
    add("set & polygon filled moves dp to its first vertex",
        w().Opcode(0x37).Coord(0.125, 0.125).Coord(0.25, 0).Coord(0, 0.25),
        {"FillPolygon n=3 0.125,0.125 0.375,0.125 0.375,0.375", "dp=0.125,0.125 tp=0.125,0.125"});
    add("field with origin and size moves dp; text position follows",
        w().Opcode(0x38).Coord(0.5, 0.5).Coord(-0.25, -0.25), {"dp=0.5,0.5 tp=0.5,0.5"});
    add("field with no operands homes dp", w().MoveTo(0.5, 0.5).Opcode(0x38),
        {"dp=0,0 tp=0,0"});
    add("incremental opcodes consume their data", w().Opcode(0x3A).Coord(0.5, 0.5).Coord(0.5, 0.5),
        {"dp=0,0 tp=0,0.7421875"});
    add("short operand is completed with zero bytes", w().Opcode(0x26).Data(0x10),
        {"Point 0.5,0", "dp=0.5,0 tp=0.5,0"});
    add("short second operand of a set & line is padded",
        w().Opcode(0x2A).Coord(0.25, 0.25).Data(0x10),
        {"Line 0.25,0.25 0.5,0", "dp=0.5,0 tp=0.5,0"});
    return cases;
}

TEST(VtxGeometryOpcodes, EachOpcodeDrawsItsGeometry)
{
    for (const auto& c : GeometryCases())
        EXPECT_EQ(Trace(c.bytes), c.expected) << c.name;
}

TEST(VtxGeometryOpcodes, EveryCaseSplitAcrossTwoFeedsDrawsTheSame)
{
    for (const auto& c : GeometryCases()) {
        const Calls whole = Trace(c.bytes);
        for (size_t cut = 1; cut < c.bytes.size(); ++cut)
            EXPECT_EQ(Trace(c.bytes, {cut}), whole) << c.name << " cut at " << cut;
    }
}

TEST(VtxGeometryOpcodes, EveryOpcodeSplitAcrossTwoFeedsDrawsTheSame)
{
    // Every opcode 0x20..0x3F with a full operand run, drawn on a picture
    // that has text, colours and a macro around it.
    for (int op = 0x20; op <= 0x3F; ++op) {
        VtxWriter w;
        w.MoveTo(0.25, 0.25).Opcode(op);
        for (int i = 0; i < 9; ++i)
            w.Coord(0.0625 * (i % 3), 0.03125 * (i % 4));
        w.Raw("\x1b$)C\x0e\x30\x21\x0f" "A\x81" "A\xa6\xc8\xc0\xc0\x85\x0c");
        const Calls whole = Trace(w.Bytes());
        for (size_t cut = 1; cut < w.Bytes().size(); ++cut)
            ASSERT_EQ(Trace(w.Bytes(), {cut}), whole) << std::hex << "opcode " << op << " cut " << cut;
    }
}

TEST_F(DecoderTest, PolygonWithoutOperandsDrawsNothingAndSixHundredKeepFiveHundredTwelve)
{
    Feed("\xb4\x0f\xb5\x0f");
    EXPECT_EQ(Take(), Calls{});

    VtxWriter w;
    w.Opcode(0x34);
    for (int i = 0; i < 600; ++i)
        w.Coord(i % 2 ? 0.00390625 : 0, i % 2 ? 0 : 0.00390625);
    Feed(w.Bytes() + "\x0f");
    const Calls c = Take();
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].rfind("Polygon n=512 ", 0), 0u) << c[0];
    EXPECT_EQ(st.vertexCount, 0);
}

TEST_F(DecoderTest, SurplusOperandBytesOfAOnceOpcodeAreDropped)
{
    // Set colour takes three bytes; the fourth data byte falls to ground
    // state, where a data byte of the PDI set is no opcode.
    Feed(Bytes({0xBC, 0xFF, 0xFF, 0xFF, 0xFF, 0xA6, 0xC8, 0xC0, 0xC0}));
    EXPECT_EQ(st.drawColour, (VtxRgb{251, 251, 251}));
    EXPECT_EQ(Take(), (Calls{"Point 0.25,0"}));
}

// --- macros ---------------------------------------------------------------

TEST_F(DecoderTest, DefineAndExecuteRunsOnceThenAgainThroughTheMacroSet)
{
    // Define 'A' = point at (0.5, 0) and run it at once.
    Feed("\x81" "A\xa6\xc8\xc0\xc0\x85");
    EXPECT_EQ(Take(), (Calls{"Point 0.25,0"}));
    EXPECT_EQ(st.macroLen['A'], 4);
    // Macro set into G2, G2 into GL, then invoke 'A' twice.
    Feed("\x1b*z\x1bn" "AA");
    EXPECT_EQ(Take(), (Calls{"Point 0.25,0", "Point 0.25,0"}));
    // A plain definition does not run; an undefined name draws nothing.
    Feed("\x80" "B\xa6\xc1\xc0\xc0\x85" "BC");
    EXPECT_EQ(Take(), (Calls{"Point 0,0.25"}));
    // An empty definition deletes the macro.
    Feed("\x80" "A\x85" "A");
    EXPECT_EQ(Take(), Calls{});
    EXPECT_EQ(st.macroLen['A'], 0);
}

TEST_F(DecoderTest, MacroBodyEscapesAndTheEscFormOfTheEnd)
{
    // ESC inside the body is stored with its byte; ESC E (0x45) ends.
    Feed("\x81" "M" "\x1b)B" "\xb0\xa1" "\x1b" "E");
    EXPECT_EQ(st.macroLen['M'], 5);
    EXPECT_EQ(Take(), (Calls{"Text 2:B0A1 at 0,0.7421875"}));
    EXPECT_EQ(st.g[1], kVtxPrimary);
    EXPECT_EQ(st.defining, 0);
}

TEST_F(DecoderTest, MacroWithoutAValidNameIsAbandonedUntilTheNextEnd)
{
    // 0x80 then a control as the name: the body is abandoned; what follows
    // draws normally, C1 codes are dropped, and 0x85 closes without a macro.
    Feed("\x80\x0d" "A\x8f" "B\x85");
    EXPECT_EQ(Take(), (Calls{"Text 41 at 0,0.7421875", "Text 42 at 0.025,0.7421875"}));
    EXPECT_DOUBLE_EQ(st.charW, 0.025);  // the size control was dropped
    EXPECT_EQ(st.defining, 0);
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(st.macroLen[i], 0);
}

TEST_F(DecoderTest, MacroBodyLongerThanTheBufferIsCut)
{
    std::string body(3000, 'x');
    Feed("\x80" "L" + body + "\x85");
    EXPECT_EQ(st.macroLen['L'], 2048);
}

TEST_F(DecoderTest, SelfInvokingAndDeeplyNestedMacrosTerminate)
{
    Feed("\x1b*z\x1bn");  // macros in GL
    // 'A' draws a point and invokes itself twice: without bounds this never ends.
    Feed("\x80" "A\xa6\xc8\xc0\xc0" "AA\x85");
    Feed("A");
    const size_t points = Take().size();
    // Depth 8, two calls each: 2^8 - 1 runs draw a point.
    EXPECT_EQ(points, 255u);

    // A body of 2043 self-invocations would run 2043^8 times: the credit
    // its own definition earned runs out after a few hundred bodies.
    Feed("\x80" "B\xa6\xc8\xc0\xc0" + std::string(2043, 'B') + "\x85");
    Feed("B");
    const size_t drawn = Take().size();
    // About 2060 received bytes earned 2060 * 256 macro bytes; every body
    // at depth 8 spends 2047 of them on invocations that are dropped.
    EXPECT_GT(drawn, 200u);
    EXPECT_LE(drawn, 2060u * VtxDecoder::kMacroCreditPerByte / 2047 + 8);
    // With the bank empty, each further invocation runs on what its own
    // byte earns: 256 macro bytes, five of which draw a point.
    Feed("BBBB");
    const size_t more = Take().size();
    EXPECT_GT(more, 0u);
    EXPECT_LE(more, 4u * VtxDecoder::kMacroCreditPerByte / 5);
    // The decoder goes on normally afterwards.
    Feed("\x0f" "Z");
    EXPECT_EQ(Take().size(), 1u);

    // A chain of macros each invoking the next, twelve deep: the first eight run.
    for (char c = 'a'; c < 'a' + 12; ++c) {
        std::string def = "\x80";
        def += c;
        def += "\xa6\xc8\xc0\xc0";
        if (c < 'a' + 11)
            def += static_cast<char>(c + 1);
        Feed(def + "\x85");
    }
    Feed("\x1bn" "a");
    EXPECT_EQ(Take().size(), static_cast<size_t>(VtxDecoder::kMacroDepthLimit));
}

TEST_F(DecoderTest, MacroRedefinedWhileRunningFinishesItsOwnBytes)
{
    // 'R' = ESC ESC E (a C1 end once run) then a point at (0.25, 0).
    Feed("\x80" "R" "\x1b\x1b" "E" "\xa6\xc8\xc0\xc0" "\x85");
    EXPECT_EQ(st.macroLen['R'], 7);
    // 'X', run at once, opens a define-and-execute of 'R' (ESC ESC A) whose
    // body, a point at (0, 0.25), ends with X's own bytes: the definition is
    // left open with its name received.
    Feed("\x81" "X" "\x1b\x1b" "A" "R" "\xa6\xc1\xc0\xc0" "\x85");
    EXPECT_EQ(Take(), Calls{});
    EXPECT_EQ(st.defining, 1);
    EXPECT_EQ(st.defLen, 4);
    // Running the old 'R' closes that definition: 'R' is replaced and its new
    // body runs at once, then the old body goes on with its own bytes.
    Feed("\x1b*z\x1bn" "R");
    EXPECT_EQ(Take(), (Calls{"Point 0,0.25", "Point 0.25,0"}));
    EXPECT_EQ(st.macroLen['R'], 4);
    Feed("R");
    EXPECT_EQ(Take(), (Calls{"Point 0,0.25"}));
}

// --- ZModem start ------------------------------------------------------------

TEST_F(DecoderTest, AZModemStartInsideAPictureLeavesThePictureGoingOn)
{
    // Noticing the start is the terminal's (it scans what the picture
    // receiver took); the decoder draws on around the pattern's bytes.
    VtxWriter w;
    w.Rect(0.1, 0.1, 0.2, 0.2, true).Raw("**\x18" "B0").Raw("0").Rect(0.5, 0.1, 0.1, 0.1, false);
    Feed(w.Bytes().substr(0, 10));
    Feed(w.Bytes().substr(10));
    const Calls c = Take();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c.front().rfind("FillRect ", 0), 0u) << c.front();
    EXPECT_EQ(c.back().rfind("Rect ", 0), 0u) << c.back();
}

// --- the videotex receiver's watcher ------------------------------------------

TEST(VtxReceiverTest, FindsTheEndSequencesAndIdentificationRequests)
{
    VtxReceiver rx;
    auto scan = [&rx](const std::string& s) {
        return rx.Scan(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    };
    // The end in the middle of a run: consumed up to and including 0x40.
    VtxReceiver::Result r = scan("\xa6\xc8\xc0\xc0\x1b%@text after");
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.consumed, 7u);
    // ESC & 6 @ ends too; ESC & 2 asks for the identification reply.
    r = scan("\x1b&2\x1b&2x\x1b&6@");
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.identRequests, 2);
    EXPECT_EQ(r.consumed, 11u);
    // Split across runs; other bytes after ESC % reset the watch.
    r = scan("\x1b%A picture \x1b");
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(r.consumed, 13u);
    r = scan("%");
    EXPECT_FALSE(r.ended);
    r = scan("@rest");
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(VtxReceiver::kIdentReply), 16),
              std::string("\x1b&300000\x7f" "00000\x7f\r", 16));
}
