// Feeds any bytes to the videotex decoder, cut into pieces the input itself
// chooses, with a canvas that traps on a coordinate that is not finite and
// runs every value through the pixel mapping and the arc geometry (so the
// sanitizers see the conversions the Qt canvas makes). Afterwards the state
// record must still hold values within its fixed arrays.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "videotex/VtxDecoder.h"
#include "videotex/VtxGeometry.h"

using namespace velo;

namespace {

void Require(bool ok)
{
    if (!ok)
        __builtin_trap();
}

struct CheckingCanvas : VtxCanvas {
    int width = 640;
    int height = 500;
    volatile int sink = 0;

    void Map(VtxPoint p)
    {
        Require(std::isfinite(p.x) && std::isfinite(p.y));
        sink = VtxPx(p.x, width) + VtxPy(p.y, width, height);
    }
    void Attributes(const VtxState& st)
    {
        Require(st.pelPx >= 0 && st.pelPx <= 2 * width);
        Require(st.lineTexture >= 0 && st.lineTexture <= 3);
        Require(st.pattern >= 0 && st.pattern <= 7);
        Require(st.colourMode >= 0 && st.colourMode <= 2);
        Map(st.pel);
    }
    int Width() const override { return width; }
    void Point(const VtxState& st, VtxPoint p) override
    {
        Attributes(st);
        Map(p);
    }
    void Line(const VtxState& st, VtxPoint a, VtxPoint b) override
    {
        Attributes(st);
        Map(a);
        Map(b);
    }
    void Rect(const VtxState& st, VtxPoint a, VtxPoint b, bool) override
    {
        Attributes(st);
        Map(a);
        Map(b);
    }
    void Arc(const VtxState& st, VtxPoint s, VtxPoint m, VtxPoint e, bool) override
    {
        Attributes(st);
        Map(s);
        Map(m);
        Map(e);
        const VtxArcShape shape = VtxArcGeometry(s, m, e);
        Require(std::isfinite(shape.radius) && shape.radius >= 0);
        Map(shape.centre);
        Map({shape.centre.x - shape.radius, shape.centre.y - shape.radius});
        Map({shape.centre.x + shape.radius, shape.centre.y + shape.radius});
    }
    void Polygon(const VtxState& st, int count, bool) override
    {
        Attributes(st);
        Require(count >= 1 && count <= 512);
        for (int i = 0; i < count; ++i)
            Map({st.vx[i], st.vy[i]});
    }
    void Text(const VtxState& st, uint16_t code, bool twoByte) override
    {
        Require(twoByte ? code >= 0x8000 : code < 0x80);
        Map(st.tp);
        Map({st.tp.x + st.charW, st.tp.y + st.charH});
    }
    void Clear(const VtxState&, VtxRgb) override {}
    void RebuildFonts(const VtxState& st) override
    {
        Require(std::isfinite(st.charW) && std::isfinite(st.charH));
        const VtxCellSize c = VtxFontCell(st.charW, st.charH, width);
        Require(c.w >= 0 && c.h >= 0 && c.w % 2 == 0 && c.h % 2 == 0);
    }
    void Beep() override {}
    void Pause(int ms) override { Require(ms >= 100 && ms <= 6300); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CheckingCanvas canvas;
    VtxDecoder dec;
    // The first byte picks the piece size and a canvas width.
    const size_t piece = (data[0] & 15) + 1;
    static constexpr int kWidths[4] = {640, 512, 384, 640};
    canvas.width = kWidths[(data[0] >> 4) & 3];
    canvas.height = canvas.width * 500 / 640;
    ++data;
    --size;
    for (size_t at = 0; at < size; at += piece)
        dec.Feed(canvas, data + at, size - at < piece ? size - at : piece);

    const VtxState& st = dec.State();
    Require((st.state >= 0 && st.state <= 7) || (st.state >= 0x20 && st.state <= 0x3E));
    Require(st.opCount >= 0 && st.opCount <= 128);
    Require(st.vertexCount >= 0 && st.vertexCount <= 512);
    Require(st.interCount >= 0 && st.interCount <= 16);
    Require(st.defLen >= -1 && st.defLen <= 2048);
    Require(st.gl >= 0 && st.gl <= 3 && st.gr >= 0 && st.gr <= 3);
    Require(st.multiLen >= 1 && st.multiLen <= 8 && st.singleLen >= 1 && st.singleLen <= 4);
    for (int i = 0; i < 4; ++i)
        Require(st.g[i] >= 0 && st.g[i] <= 5);
    for (int i = 0; i < 128; ++i)
        Require(st.macroLen[i] == (st.macro[i] ? static_cast<int>(st.macro[i]->size()) : 0));
    return 0;
}
