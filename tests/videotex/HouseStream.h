// A hand-made picture: a house of rectangles, a polygon roof, arcs for the
// sun and the fanlight over the door, a patterned window and Hangul text.
// The places named below are what the tests look at.
#pragma once

#include <string>

#include "videotex/VtxWriter.h"

namespace velo::test {

struct HouseSpots {
    // Unit-space points inside each part (pixels = px/py of these).
    static constexpr VtxPoint kSky{0.1, 0.7};
    static constexpr VtxPoint kGrass{0.1, 0.1};
    static constexpr VtxPoint kWall{0.6, 0.2};
    static constexpr VtxPoint kRoof{0.475, 0.48};
    static constexpr VtxPoint kDoor{0.47, 0.2};
    static constexpr VtxPoint kSun{0.85, 0.66};
    static constexpr VtxPoint kFanlight{0.47, 0.288};
    // The Hangul caption "우리 집" starts here (bottom-left of its first cell).
    static constexpr VtxPoint kCaption{0.05, 0.6};
};

inline constexpr VtxRgb kHouseSky{85, 170, 255};
inline constexpr VtxRgb kHouseGrass{0, 170, 0};
inline constexpr VtxRgb kHouseWall{255, 255, 170};
inline constexpr VtxRgb kHouseRoof{170, 0, 0};
inline constexpr VtxRgb kHouseDoor{85, 0, 0};
inline constexpr VtxRgb kHouseSun{255, 255, 0};

inline std::string HouseStream()
{
    VtxWriter w;
    w.Reset();
    w.SetColour(kHouseSky).Rect(0, 0.3, 0.999, 0.48, true);
    w.SetColour(kHouseGrass).Rect(0, 0, 0.999, 0.3, true);
    // Sun: a filled circle from its left edge through its right edge.
    w.SetColour(kHouseSun).Opcode(0x2F).Coord(0.8, 0.66).Coord(0.1, 0);
    // Wall with a dark outline.
    w.SetColour(kHouseWall).Rect(0.3, 0.12, 0.35, 0.26, true);
    w.SetColour({0, 0, 0}).Rect(0.3, 0.12, 0.35, 0.26, false);
    // Roof: a triangle over the wall.
    const VtxPoint roof[] = {{0.27, 0.38}, {0.475, 0.56}, {0.68, 0.38}};
    w.SetColour(kHouseRoof).Polygon(roof, 3, true);
    // Door and its half-round fanlight (an arc through the top).
    w.SetColour(kHouseDoor).Rect(0.43, 0.12, 0.08, 0.15, true);
    w.SetColour(kHouseSun).ArcTo({0.43, 0.27}, {0.47, 0.31}, {0.51, 0.27}, true);
    // Window with a cross-hatched pane: patterns need a pel size.
    w.Opcode(0x21).Data(0x08).Coord(2.0 / 256, 2.0 / 256);
    w.Texture(0, false, 3).SetColour({0, 85, 255}).Rect(0.33, 0.2, 0.07, 0.1, true);
    w.Texture(0, false, 0).Opcode(0x21).Data(0x08);
    // Captions: Hangul in double size, then Latin.
    w.Raw("\x8f");
    w.SetColour({255, 255, 255}).HangulAt(HouseSpots::kCaption.x, HouseSpots::kCaption.y,
                                            "\xbf\xec\xb8\xae \xc1\xfd");
    w.Raw("\x8c");
    w.SetColour({0, 0, 0}).TextAt(0.7, 0.05, "HOME");
    return w.Bytes();
}

}  // namespace velo::test
