// The drawing operations the videotex decoder calls. Positions are in unit
// screen space (see VtxState.h); every operation draws with the attributes
// current in the state it is handed (colours, colour mode, textures, pel
// size, character size, underline). The Qt canvas (ui/VtxImageCanvas.h)
// turns them into pixels; tests hand the decoder a canvas that records them.
#pragma once

#include <cstdint>

#include "videotex/VtxState.h"

namespace velo {

class VtxCanvas {
public:
    virtual ~VtxCanvas() = default;

    // Canvas width W in pixels: the pel size in pixels depends on it.
    virtual int Width() const = 0;

    virtual void Point(const VtxState& st, VtxPoint p) = 0;
    // From a to b, the end pixel excluded.
    virtual void Line(const VtxState& st, VtxPoint a, VtxPoint b) = 0;
    // The rectangle spanned by two opposite corners.
    virtual void Rect(const VtxState& st, VtxPoint a, VtxPoint b, bool filled) = 0;
    // The arc from start through mid to end (a circle or a line in the
    // degenerate cases of VtxArcShape).
    virtual void Arc(const VtxState& st, VtxPoint start, VtxPoint mid, VtxPoint end,
                     bool filled) = 0;
    // A closed polygon over st.vx/st.vy[0..count).
    virtual void Polygon(const VtxState& st, int count, bool filled) = 0;
    // One character whose cell has its bottom-left corner at st.tp; the
    // decoder has already wrapped the position and advances it afterwards.
    // code: a byte 0x00..0x7F, or (lead << 8) | trail when twoByte.
    virtual void Text(const VtxState& st, uint16_t code, bool twoByte) = 0;
    virtual void Clear(const VtxState& st, VtxRgb colour) = 0;
    // Character size or underline changed.
    virtual void RebuildFonts(const VtxState& st) = 0;
    virtual void Beep() = 0;
    virtual void Pause(int milliseconds) = 0;
};

}  // namespace velo
