// Window-free geometry shared by the decoder, the Qt canvas and the tests:
// the unit-screen to pixel mapping, the three-point arc and the font cell.
#pragma once

#include "videotex/VtxState.h"

namespace velo {

// Pixel coordinates are clamped to this magnitude so that a drawing point
// driven far off the screen by relative moves still converts to an int the
// rasteriser accepts; geometry within the bound is exact.
inline constexpr int kVtxPixelLimit = 1 << 20;

// px(x) = trunc(W * x); py(y) = H - trunc(W * y). The vertical scale equals
// the horizontal one, so y = 0.78125 is the top row on every canvas size.
int VtxPx(double x, int width);
int VtxPy(double y, int width, int height);

// What an arc through start, mid and end turns out to be.
struct VtxArcShape {
    enum Kind { Arc, Circle, Line } kind = Line;
    VtxPoint centre;  // Arc and Circle
    double radius = 0;
};

// Three points in general position give the arc on their circle; nearly
// collinear points give a line from start to end when all three are distinct,
// otherwise the full circle on the diameter between the two that differ
// (mid-end when start equals mid, start-mid when end equals start, start-end
// when mid equals end).
VtxArcShape VtxArcGeometry(VtxPoint s, VtxPoint m, VtxPoint e);

// The font cell in pixels: trunc(W * charW) by trunc(W * charH), each made
// even by taking 1 off an odd value.
struct VtxCellSize {
    int w = 0;
    int h = 0;
};
VtxCellSize VtxFontCell(double charW, double charH, int width);

}  // namespace velo
