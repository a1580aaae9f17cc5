// A canvas that writes every call it receives as one line of text, so that a
// test can compare what the decoder asked for with what it expected.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "videotex/VtxCanvas.h"

namespace velo::test {

inline std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

inline std::string Pt(VtxPoint p) { return Num(p.x) + "," + Num(p.y); }

class RecordingCanvas : public VtxCanvas {
public:
    std::vector<std::string> calls;
    int width = 640;
    bool recordFonts = false;

    int Width() const override { return width; }
    void Point(const VtxState&, VtxPoint p) override { calls.push_back("Point " + Pt(p)); }
    void Line(const VtxState&, VtxPoint a, VtxPoint b) override
    {
        calls.push_back("Line " + Pt(a) + " " + Pt(b));
    }
    void Rect(const VtxState&, VtxPoint a, VtxPoint b, bool filled) override
    {
        calls.push_back(std::string(filled ? "FillRect " : "Rect ") + Pt(a) + " " + Pt(b));
    }
    void Arc(const VtxState&, VtxPoint s, VtxPoint m, VtxPoint e, bool filled) override
    {
        calls.push_back(std::string(filled ? "FillArc " : "Arc ") + Pt(s) + " " + Pt(m) + " " +
                        Pt(e));
    }
    void Polygon(const VtxState& st, int count, bool filled) override
    {
        std::string s = filled ? "FillPolygon" : "Polygon";
        s += " n=" + std::to_string(count);
        for (int i = 0; i < count && i < 6; ++i)
            s += " " + Pt({st.vx[i], st.vy[i]});
        calls.push_back(s);
    }
    void Text(const VtxState& st, uint16_t code, bool twoByte) override
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "Text %s%X at ", twoByte ? "2:" : "", code);
        calls.push_back(buf + Pt(st.tp));
    }
    void Clear(const VtxState&, VtxRgb c) override
    {
        calls.push_back("Clear " + std::to_string(c.r) + "," + std::to_string(c.g) + "," +
                        std::to_string(c.b));
    }
    void RebuildFonts(const VtxState&) override
    {
        if (recordFonts)
            calls.push_back("Fonts");
    }
    void Beep() override { calls.push_back("Beep"); }
    void Pause(int ms) override { calls.push_back("Pause " + std::to_string(ms)); }
};

}  // namespace velo::test
