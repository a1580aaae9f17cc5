#include "videotex/VtxWriter.h"

#include <algorithm>
#include <cmath>

namespace velo {

namespace {

// Two's complement of v in n bits, v scaled by 2^(n-1) and clamped.
uint32_t Fixed(double v, int n)
{
    const double scale = std::ldexp(1.0, n - 1);
    double iv = std::floor(v * scale + 0.5);
    iv = std::clamp(iv, -scale, scale - 1);
    return static_cast<uint32_t>(static_cast<int64_t>(iv)) & ((1u << n) - 1);
}

}  // namespace

VtxWriter& VtxWriter::Raw(std::string_view bytes)
{
    out_.append(bytes);
    return *this;
}

VtxWriter& VtxWriter::Opcode(int op)
{
    out_.push_back(static_cast<char>((op & 0x3F) | 0xA0));
    return *this;
}

VtxWriter& VtxWriter::Data(int data6)
{
    out_.push_back(static_cast<char>((data6 & 0x3F) | 0xC0));
    return *this;
}

VtxWriter& VtxWriter::Coord(double x, double y, int multiLen)
{
    const int n = 3 * multiLen;
    const uint32_t xi = Fixed(x, n);
    const uint32_t yi = Fixed(y, n);
    for (int i = multiLen - 1; i >= 0; --i)
        Data(static_cast<int>((((xi >> (3 * i)) & 7) << 3) | ((yi >> (3 * i)) & 7)));
    return *this;
}

VtxWriter& VtxWriter::Colour(VtxRgb c, int multiLen)
{
    const int n = 2 * multiLen;
    auto bits = [n](uint8_t v) { return static_cast<uint32_t>(v) * (1u << n) / 255; };
    uint32_t r = std::min(bits(c.r), (1u << n) - 1);
    uint32_t g = std::min(bits(c.g), (1u << n) - 1);
    uint32_t b = std::min(bits(c.b), (1u << n) - 1);
    for (int i = multiLen - 1; i >= 0; --i) {
        const int sh = 2 * i;
        const uint32_t gg = (g >> sh) & 3;
        const uint32_t rr = (r >> sh) & 3;
        const uint32_t bb = (b >> sh) & 3;
        Data(static_cast<int>(((gg >> 1) << 5) | ((rr >> 1) << 4) | ((bb >> 1) << 3) |
                              ((gg & 1) << 2) | ((rr & 1) << 1) | (bb & 1)));
    }
    return *this;
}

VtxWriter& VtxWriter::Reset(bool clearBlack)
{
    // Byte 1: default domain, colour mode 0 with the default map, and clear
    // to black; byte 2: text and textures back to their defaults.
    return Opcode(0x20).Data(0x01 | (1 << 1) | ((clearBlack ? 1 : 0) << 3)).Data(0x09);
}

VtxWriter& VtxWriter::SetColour(VtxRgb c) { return Opcode(0x3C).Colour(c); }

VtxWriter& VtxWriter::SelectColour(int drawIndex) { return Opcode(0x3E).Data(drawIndex); }

VtxWriter& VtxWriter::SelectColours(int drawIndex, int backIndex)
{
    return Opcode(0x3E).Data(drawIndex).Data(backIndex);
}

VtxWriter& VtxWriter::Texture(int lineTexture, bool highlight, int pattern)
{
    return Opcode(0x23).Data((lineTexture & 3) | (highlight ? 4 : 0) | ((pattern & 7) << 3));
}

VtxWriter& VtxWriter::MoveTo(double x, double y) { return Opcode(0x24).Coord(x, y); }

VtxWriter& VtxWriter::LineTo(double x, double y) { return Opcode(0x28).Coord(x, y); }

VtxWriter& VtxWriter::Rect(double x, double y, double w, double h, bool filled)
{
    return Opcode(filled ? 0x33 : 0x32).Coord(x, y).Coord(w, h);
}

VtxWriter& VtxWriter::Polygon(const VtxPoint* v, int count, bool filled)
{
    if (count <= 0)
        return *this;
    Opcode(filled ? 0x37 : 0x36).Coord(v[0].x, v[0].y);
    for (int i = 1; i < count; ++i)
        Coord(v[i].x - v[i - 1].x, v[i].y - v[i - 1].y);
    return *this;
}

VtxWriter& VtxWriter::ArcTo(VtxPoint from, VtxPoint mid, VtxPoint end, bool filled)
{
    return Opcode(filled ? 0x2F : 0x2E)
        .Coord(from.x, from.y)
        .Coord(mid.x - from.x, mid.y - from.y)
        .Coord(end.x - mid.x, end.y - mid.y);
}

VtxWriter& VtxWriter::TextAt(double x, double y, std::string_view latin)
{
    MoveTo(x, y);
    for (char c : latin)
        out_.push_back(static_cast<char>(c & 0x7F));
    return *this;
}

VtxWriter& VtxWriter::HangulAt(double x, double y, std::string_view ks)
{
    MoveTo(x, y);
    out_.append("\x1b}");  // LS2R: G2 (two-byte text) into GR
    out_.append(ks);
    out_.append("\x1b~");  // LS1R: the PDI set back into GR
    return *this;
}

}  // namespace velo
