#include "videotex/VtxGeometry.h"

#include <algorithm>
#include <cmath>

namespace velo {

namespace {

constexpr double kEpsilon = 0.00001;

int ClampPixel(double v)
{
    if (!(v > -kVtxPixelLimit))  // also catches NaN
        return -kVtxPixelLimit;
    if (v > kVtxPixelLimit)
        return kVtxPixelLimit;
    return static_cast<int>(v);
}

double Distance(VtxPoint a, VtxPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

VtxArcShape CircleOnDiameter(VtxPoint a, VtxPoint b)
{
    VtxArcShape shape;
    shape.kind = VtxArcShape::Circle;
    shape.centre = {(a.x + b.x) / 2, (a.y + b.y) / 2};
    shape.radius = Distance(a, b) / 2;
    return shape;
}

}  // namespace

int VtxPx(double x, int width) { return ClampPixel(std::trunc(width * x)); }

int VtxPy(double y, int width, int height)
{
    return ClampPixel(height - std::trunc(width * y));
}

VtxArcShape VtxArcGeometry(VtxPoint s, VtxPoint m, VtxPoint e)
{
    const VtxPoint d1{m.x - s.x, m.y - s.y};
    const VtxPoint d2{e.x - m.x, e.y - m.y};
    const double det = d1.x * d2.y - d1.y * d2.x;
    if (det > kEpsilon || det < -kEpsilon) {
        // The centre is where the perpendicular bisectors of s-m and m-e meet.
        const double b1 = (d1.x * (s.x + m.x) + d1.y * (s.y + m.y)) / 2;
        const double b2 = (d2.x * (m.x + e.x) + d2.y * (m.y + e.y)) / 2;
        VtxArcShape shape;
        shape.kind = VtxArcShape::Arc;
        shape.centre = {(d2.y * b1 - d1.y * b2) / det, (d1.x * b2 - d2.x * b1) / det};
        shape.radius = Distance(s, shape.centre);
        return shape;
    }
    const bool sm = Distance(s, m) < kEpsilon;
    const bool me = Distance(m, e) < kEpsilon;
    const bool es = Distance(e, s) < kEpsilon;
    if (sm)
        return CircleOnDiameter(m, e);
    if (!me && !es)
        return VtxArcShape{};  // a line from start to end
    if (!me)
        return CircleOnDiameter(s, m);
    return CircleOnDiameter(s, e);
}

VtxCellSize VtxFontCell(double charW, double charH, int width)
{
    auto even = [width](double size) {
        const double px = std::trunc(width * size);
        int v = px > 4096 ? 4096 : (px > 0 ? static_cast<int>(px) : 0);
        return v & ~1;
    };
    return {even(charW), even(charH)};
}

}  // namespace velo
