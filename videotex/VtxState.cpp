#include "videotex/VtxState.h"

#include <algorithm>
#include <cmath>

namespace velo {

namespace {

VtxColourMap BuildDefaultColourMap()
{
    VtxColourMap map{};
    for (int i = 0; i < 32; ++i) {
        const auto level = static_cast<uint8_t>(std::lround(i * 255.0 / 31.0));
        map[i] = {level, level, level};
    }
    // Hue wheel: blue at 0 degrees, red at 120, green at 240. The primary
    // nearest the hue is full, the farthest off, and the middle one rises
    // with the distance d (0..60 degrees) to the nearest: trunc(4.25 d + 0.5).
    for (int k = 0; k < 32; ++k) {
        const double h = k * 11.25;
        struct Primary {
            double distance;
            uint8_t VtxRgb::*component;
        };
        Primary order[3] = {{0, &VtxRgb::b}, {120, &VtxRgb::r}, {240, &VtxRgb::g}};
        for (Primary& p : order) {
            const double d = std::fabs(h - p.distance);
            p.distance = std::min(d, 360 - d);
        }
        std::stable_sort(std::begin(order), std::end(order),
                         [](const Primary& a, const Primary& b) { return a.distance < b.distance; });
        VtxRgb c{};
        c.*order[0].component = 255;
        c.*order[1].component = static_cast<uint8_t>(std::trunc(4.25 * order[0].distance + 0.5));
        c.*order[2].component = 0;
        map[32 + k] = c;
    }
    return map;
}

}  // namespace

const VtxColourMap& VtxDefaultColourMap()
{
    static const VtxColourMap map = BuildDefaultColourMap();
    return map;
}

}  // namespace velo
