// Builds picture streams in the coding VtxDecoder reads: PDI opcodes and
// their operands in GR (G1 holds the PDI set after a reset), text in GL, and
// two-byte Hangul through G2 shifted into GR for the run of the text. Used by
// the tests, the benchmark and the demo host to make pictures without a
// drawing program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "videotex/VtxState.h"

namespace velo {

class VtxWriter {
public:
    const std::string& Bytes() const { return out_; }

    // Raw bytes, as they are.
    VtxWriter& Raw(std::string_view bytes);
    // A PDI opcode 0x20..0x3F (sent in GR).
    VtxWriter& Opcode(int op);
    // One operand byte carrying the low six bits of data6.
    VtxWriter& Data(int data6);
    // A 2-D multi-value operand of the given length in bytes (the domain's
    // multiLen, 3 unless changed); values are clamped to [-1, 1).
    VtxWriter& Coord(double x, double y, int multiLen = 3);
    // A colour operand of multiLen bytes (components rounded down to what
    // 2 * multiLen bits can carry).
    VtxWriter& Colour(VtxRgb c, int multiLen = 3);

    // Conveniences over the opcodes.
    VtxWriter& Reset(bool clearBlack = true);
    VtxWriter& SetColour(VtxRgb c);
    VtxWriter& SelectColour(int drawIndex);
    VtxWriter& SelectColours(int drawIndex, int backIndex);
    VtxWriter& Texture(int lineTexture, bool highlight, int pattern);
    VtxWriter& MoveTo(double x, double y);
    VtxWriter& LineTo(double x, double y);
    VtxWriter& Rect(double x, double y, double w, double h, bool filled);
    // A polygon from the first vertex (absolute) through the others.
    VtxWriter& Polygon(const VtxPoint* v, int count, bool filled);
    // An arc from the drawing point through mid to end (absolute points).
    VtxWriter& ArcTo(VtxPoint from, VtxPoint mid, VtxPoint end, bool filled);
    // Text at (x, y) (the bottom-left of the first cell). latin is ASCII;
    // a string given to Hangul is KS C 5601 bytes (pairs 0xA1..0xFE).
    VtxWriter& TextAt(double x, double y, std::string_view latin);
    VtxWriter& HangulAt(double x, double y, std::string_view ks);

private:
    std::string out_;
};

}  // namespace velo
