// The videotex decoder's state record: one per picture window, kept between
// calls to VtxDecoder::Feed so that an opcode, an escape sequence or a
// two-byte character may be split across deliveries.
//
// Unit screen: x runs from 0 (left) to 1 (exclusive), y from 0 (bottom) to
// 0.78125 (top, inclusive), y growing upward. Every position and size below is
// a double in that space.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace velo {

struct VtxPoint {
    double x = 0;
    double y = 0;
};

struct VtxRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const VtxRgb&, const VtxRgb&) = default;
};

inline constexpr VtxRgb kVtxBlack{0, 0, 0};
inline constexpr VtxRgb kVtxWhite{255, 255, 255};

// The top of the unit screen.
inline constexpr double kVtxTop = 0.78125;

// Code-set types designated into G0..G3.
enum VtxSetType : int {
    kVtxPrimary = 0,        // single-byte text
    kVtxSupplementary = 1,  // two-byte Hangul text
    kVtxPdi = 2,            // picture-description opcodes
    kVtxMosaic = 3,         // drawn exactly like the supplementary set
    kVtxMacro = 4,
    kVtxDrcs = 5,  // ignored
};

// Decoder states besides ground (0) and the PDI opcodes 0x20..0x3E.
enum VtxDecoderState : int {
    kVtxGround = 0,
    kVtxEsc = 1,
    kVtxPosition = 2,      // active position set: two bytes
    kVtxSkip1 = 3,         // single shift: next byte discarded
    kVtxSkip2 = 4,
    kVtxAfterReset = 5,    // non-selective reset: optional two-byte position
    kVtxMacroBody = 6,
    kVtxMacroBodyEsc = 7,
};

using VtxColourMap = std::array<VtxRgb, 64>;

// The default colour map: entries 0..31 a grey ramp, 32..63 a hue wheel with
// blue at 0 degrees, red at 120 and green at 240.
const VtxColourMap& VtxDefaultColourMap();

using VtxMacroBytes = std::shared_ptr<const std::vector<uint8_t>>;

struct VtxState {
    int state = kVtxGround;
    int g[4] = {kVtxPrimary, kVtxPdi, kVtxSupplementary, kVtxMosaic};
    int gl = 0;
    int gr = 1;
    int inter[16] = {};
    int interCount = 0;
    int opCount = 0;
    uint8_t op[128] = {};
    int dim3 = 0;
    int singleLen = 1;
    int multiLen = 3;
    int vertexCount = 0;
    VtxPoint dp{0, 0};
    VtxPoint tp{0, 0.7421875};
    VtxPoint polyPoint{0, 0};  // polygon running point
    double charW = 0.025;
    double charH = 0.0390625;
    double rowFactor = 1.0;
    VtxPoint pel{0, 0};  // signed logical pel size
    int pelPx = 0;       // pel size in device pixels, 0 = single pixels
    double fieldXMin = 0;
    double fieldXMax = 1;
    double fieldYMax = 1;
    double fieldYMin = 0;
    double vx[512] = {};
    double vy[512] = {};
    int lineTexture = 0;
    int pattern = 0;
    int highlight = 0;
    int colourMode = 0;
    VtxColourMap colourMap = VtxDefaultColourMap();
    VtxRgb drawColour = kVtxWhite;
    VtxRgb backColour = kVtxBlack;
    int drawIndex = 31;
    int backIndex = 0;
    int leadPending = 0;
    uint8_t textBytes[2] = {};
    int underline = 0;
    // Macros are shared, immutable byte strings: a body that is running keeps
    // its own reference, so redefining the macro meanwhile never disturbs the
    // bytes being executed. macroLen mirrors each body's size (0 = absent).
    VtxMacroBytes macro[128];
    int macroLen[128] = {};
    uint8_t defBuf[2048] = {};
    int defLen = -1;  // -1: macro name not yet received
    int defId = 0;
    int defining = 0;
    int defExecute = 0;
    // Set when a character was drawn in the last cell of the screen and the
    // advance could not be taken: the next character wraps first. Any other
    // move of the text position clears it.
    int wrapPending = 0;
};

}  // namespace velo
