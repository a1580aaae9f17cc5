#include "videotex/VtxDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>


namespace velo {

namespace {

constexpr double kDefaultCharW = 0.025;
// Tolerance for positions reached by adding cell widths: 40 advances of 0.025
// must land on the field's right edge, not a rounding error either side.
constexpr double kEdgeSlack = 1e-9;
constexpr double kDefaultCharH = 0.0390625;

bool OnScreen(double x, double y) { return x >= 0 && x < 1 && y >= 0 && y <= kVtxTop; }

VtxPoint Add(VtxPoint a, VtxPoint b) { return {a.x + b.x, a.y + b.y}; }

// PDI opcodes by name.
enum : int {
    kOpReset = 0x20,
    kOpDomain = 0x21,
    kOpText = 0x22,
    kOpTexture = 0x23,
    kOpPointSetAbs = 0x24,
    kOpPointSetRel = 0x25,
    kOpPointAbs = 0x26,
    kOpPointRel = 0x27,
    kOpLineAbs = 0x28,
    kOpLineRel = 0x29,
    kOpSetLineAbs = 0x2A,
    kOpSetLineRel = 0x2B,
    kOpArcOutlined = 0x2C,
    kOpArcFilled = 0x2D,
    kOpSetArcOutlined = 0x2E,
    kOpSetArcFilled = 0x2F,
    kOpRectOutlined = 0x30,
    kOpRectFilled = 0x31,
    kOpSetRectOutlined = 0x32,
    kOpSetRectFilled = 0x33,
    kOpPolyOutlined = 0x34,
    kOpPolyFilled = 0x35,
    kOpSetPolyOutlined = 0x36,
    kOpSetPolyFilled = 0x37,
    kOpField = 0x38,
    kOpIncrPoint = 0x39,
    kOpIncrLine = 0x3A,
    kOpIncrPoly = 0x3B,
    kOpSetColour = 0x3C,
    kOpWait = 0x3D,
    kOpSelectColour = 0x3E,
    kOpBlink = 0x3F,
};

// Opcodes that act after every complete operand group and stay active.
bool Repeats(int op) { return op >= kOpPointSetAbs && op <= kOpSetPolyFilled; }

}  // namespace

VtxPoint VtxDecodeMulti(const uint8_t* bytes, int multiLen, bool dim3)
{
    const int perByte = dim3 ? 2 : 3;
    const int n = perByte * multiLen;
    const uint32_t mask = (1u << perByte) - 1;
    uint32_t x = 0;
    uint32_t y = 0;
    for (int i = 0; i < multiLen; ++i) {
        const uint32_t v = bytes[i] & 0x3F;
        if (dim3) {
            x = (x << 2) | ((v >> 4) & mask);
            y = (y << 2) | ((v >> 2) & mask);
        } else {
            x = (x << 3) | ((v >> 3) & mask);
            y = (y << 3) | (v & mask);
        }
    }
    auto signedValue = [n](uint32_t v) {
        int64_t s = v;
        if (v & (1u << (n - 1)))
            s -= int64_t{1} << n;
        return std::ldexp(static_cast<double>(s), -(n - 1));
    };
    return {signedValue(x), signedValue(y)};
}

uint32_t VtxDecodeSingle(const uint8_t* bytes, int singleLen)
{
    uint32_t v = 0;
    for (int i = 0; i < singleLen; ++i)
        v = (v << 6) | (bytes[i] & 0x3F);
    return v;
}

VtxRgb VtxDecodeColour(const uint8_t* bytes, int multiLen)
{
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
    for (int i = 0; i < multiLen; ++i) {
        const uint32_t v = bytes[i];
        g = (g << 2) | (((v >> 5) & 1) << 1) | ((v >> 2) & 1);
        r = (r << 2) | (((v >> 4) & 1) << 1) | ((v >> 1) & 1);
        b = (b << 2) | (((v >> 3) & 1) << 1) | (v & 1);
    }
    const double scale = std::ldexp(255.0, -2 * multiLen);
    auto component = [scale](uint32_t v) { return static_cast<uint8_t>(v * scale); };
    return {component(r), component(g), component(b)};
}

VtxDecoder::VtxDecoder() : st_(std::make_unique<VtxState>()) {}
VtxDecoder::~VtxDecoder() = default;

void VtxDecoder::Feed(VtxCanvas& canvas, const uint8_t* bytes, size_t length)
{
    canvas_ = &canvas;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t b = bytes[i];
        if (b == 0)
            continue;
        credit_ = std::min(credit_ + kMacroCreditPerByte, kMacroCreditCap);
        Byte(b);
    }
}

void VtxDecoder::Byte(uint8_t b)
{
    // A byte is dispatched at most twice: every reprocess lands in ground
    // state or starts an opcode, and neither asks for another pass.
    while (Step(b)) {
    }
}

bool VtxDecoder::Step(uint8_t b)
{
    VtxState& st = *st_;
    switch (st.state) {
    case kVtxGround:
        Ground(b);
        return false;
    case kVtxEsc:
        if (b < 0x20 || b >= 0x80) {
            // A control or an 8-bit byte cuts the sequence short and is
            // taken on its own.
            st.state = kVtxGround;
            return true;
        }
        Escape(b);
        return false;
    case kVtxPosition:
        ActivePosition(b);
        return false;
    case kVtxSkip1:
    case kVtxSkip2:
        st.state = kVtxGround;
        return false;
    case kVtxAfterReset:
        return AfterReset(b);
    case kVtxMacroBody:
        MacroBody(b);
        return false;
    case kVtxMacroBodyEsc:
        MacroBodyEscape(b);
        return false;
    default:
        break;
    }
    // A PDI opcode collecting operands.
    if (IsDataByte(b)) {
        OpcodeByte(b);
        return false;
    }
    OpcodeEnd();
    st.state = kVtxGround;
    return true;
}

void VtxDecoder::Ground(uint8_t b)
{
    VtxState& st = *st_;
    if (b < 0x20) {
        C0(b);
        return;
    }
    if (b >= 0x80 && b < 0xA0) {
        C1(b);
        return;
    }
    const bool right = b & 0x80;
    switch (st.g[right ? st.gr : st.gl]) {
    case kVtxPrimary:
        TextByte(b);
        break;
    case kVtxSupplementary:
    case kVtxMosaic:
        TextByte(static_cast<uint8_t>(b | 0x80));
        break;
    case kVtxPdi: {
        const int op = b & 0x7F;
        if (op >= 0x20 && op <= 0x3F) {
            st.opCount = 0;
            st.vertexCount = 0;
            // Blink has no operands: it ends at once and its data bytes then
            // fall to ground state, where they are dropped.
            st.state = op == kOpBlink ? kVtxGround : op;
        }
        break;
    }
    case kVtxMacro:
        if (st.macro[b & 0x7F])
            RunMacro(st.macro[b & 0x7F]);
        break;
    default:  // DRCS
        break;
    }
}

void VtxDecoder::C0(uint8_t b)
{
    VtxState& st = *st_;
    switch (b) {
    case 0x07:  // BEL
        canvas_->Beep();
        break;
    case 0x08:  // APB
        MoveText(st.tp.x - st.charW, st.tp.y);
        break;
    case 0x09:  // APF
        MoveText(st.tp.x + st.charW, st.tp.y);
        break;
    case 0x0A:  // APD
        MoveText(st.tp.x, st.tp.y - st.rowFactor * st.charH);
        break;
    case 0x0B:  // APU
        MoveText(st.tp.x, st.tp.y + st.rowFactor * st.charH);
        break;
    case 0x0C:  // CS
        canvas_->Clear(st, st.colourMode == 2 ? st.backColour : kVtxBlack);
        break;
    case 0x0D:  // APR
        MoveText(st.fieldXMin, st.tp.y);
        break;
    case 0x0E:  // SO
        st.gl = 1;
        break;
    case 0x0F:  // SI
        st.gl = 0;
        break;
    case 0x19:  // SS2
        st.state = kVtxSkip1;
        break;
    case 0x1D:  // SS3
        st.state = kVtxSkip2;
        break;
    case 0x1B:  // ESC
        st.interCount = 0;
        st.state = kVtxEsc;
        break;
    case 0x1C:  // APS
        st.interCount = 0;
        st.state = kVtxPosition;
        break;
    case 0x1E:  // APH
        MoveText(0, kVtxTop - st.charH);
        break;
    case 0x1F:  // NSR
        NonSelectiveReset();
        break;
    default:
        break;
    }
}

void VtxDecoder::DefaultDomain()
{
    st_->dim3 = 0;
    st_->singleLen = 1;
    st_->multiLen = 3;
}

void VtxDecoder::DefaultField()
{
    st_->fieldXMin = 0;
    st_->fieldXMax = 1;
    st_->fieldYMin = 0;
    st_->fieldYMax = 1;
}

void VtxDecoder::DefaultText()
{
    st_->rowFactor = 1.0;
    st_->underline = 0;
    st_->charW = kDefaultCharW;
    st_->charH = kDefaultCharH;
    canvas_->RebuildFonts(*st_);
}

void VtxDecoder::DefaultTextures()
{
    st_->lineTexture = 0;
    st_->highlight = 0;
    st_->pattern = 0;
}

void VtxDecoder::NonSelectiveReset()
{
    VtxState& st = *st_;
    st.g[0] = kVtxPrimary;
    st.g[1] = kVtxPdi;
    st.g[2] = kVtxSupplementary;
    st.g[3] = kVtxMosaic;
    st.gl = 0;
    st.gr = 1;
    DefaultDomain();
    st.pelPx = 0;
    DefaultText();
    DefaultField();
    DefaultTextures();
    st.colourMode = 0;
    st.drawColour = kVtxWhite;
    st.interCount = 0;
    st.state = kVtxAfterReset;
}

bool VtxDecoder::AfterReset(uint8_t b)
{
    VtxState& st = *st_;
    if (!(b & 0x40)) {
        st.state = kVtxGround;
        return true;
    }
    st.inter[st.interCount++] = b;
    if (st.interCount < 2)
        return false;
    const double x = (st.inter[0] & 0x3F) * st.charW;
    const double y = kVtxTop - (st.inter[1] & 0x3F) * st.charH - st.charH;
    MoveText(x, y);
    st.state = kVtxGround;
    return false;
}

void VtxDecoder::ActivePosition(uint8_t b)
{
    VtxState& st = *st_;
    st.inter[st.interCount++] = b;
    if (st.interCount < 2)
        return;
    st.state = kVtxGround;
    const int b1 = st.inter[0] & 0x7F;
    const int b2 = st.inter[1] & 0x7F;
    if (b1 >= 0x20 && b2 >= 0x20)
        MoveText((b1 - 0x20) * st.charW, (b2 - 0x20) * st.charH);
}

void VtxDecoder::Escape(uint8_t b)
{
    VtxState& st = *st_;
    if (b < 0x30) {
        if (st.interCount < 16)
            st.inter[st.interCount++] = b;
        return;
    }
    st.state = kVtxGround;
    if (st.interCount > 0) {
        EscapeFinal(b);
        return;
    }
    if (b >= 0x40 && b <= 0x5F) {
        C1(static_cast<uint8_t>((b & 0x3F) | 0x80));
        return;
    }
    switch (b) {
    case 'k':  // LS1R
    case '~':
        st.gr = 1;
        break;
    case 'l':  // LS2R
    case '}':
        st.gr = 2;
        break;
    case 'm':  // LS3R
    case '|':
        st.gr = 3;
        break;
    case 'n':  // LS2
        st.gl = 2;
        break;
    case 'o':  // LS3
        st.gl = 3;
        break;
    default:
        break;
    }
}

void VtxDecoder::EscapeFinal(uint8_t b)
{
    VtxState& st = *st_;
    const int i1 = st.inter[0];
    // G0 cannot receive these: the 94-set intermediates name G1..G3 from
    // 0x29, the 96-set ones from 0x2D.
    auto designate = [&](int type) {
        if (i1 >= 0x29 && i1 <= 0x2B)
            st.g[i1 - 0x28] = type;
        else if (i1 >= 0x2D && i1 <= 0x2F)
            st.g[i1 - 0x2C] = type;
    };
    switch (b) {
    case 'B':
        if (i1 >= 0x28 && i1 <= 0x2B)
            st.g[i1 - 0x28] = kVtxPrimary;
        break;
    case '|':
        if (i1 >= 0x28 && i1 <= 0x2B)
            st.g[i1 - 0x28] = kVtxSupplementary;
        break;
    case 'W':
        designate(kVtxPdi);
        break;
    case '}':
        designate(kVtxMosaic);
        break;
    case 'z':
        designate(kVtxMacro);
        break;
    case '{':
        designate(kVtxDrcs);
        break;
    case 'C':
        if (st.interCount == 2 && i1 == '$') {
            switch (st.inter[1]) {
            case '(':
                st.g[0] = kVtxPrimary;
                break;
            case ')':
                st.g[1] = kVtxSupplementary;
                break;
            case '*':
                st.g[2] = kVtxSupplementary;
                break;
            case '+':
                st.g[3] = kVtxMosaic;
                break;
            default:
                break;
            }
        }
        break;
    default:
        break;
    }
}

void VtxDecoder::C1(uint8_t code)
{
    VtxState& st = *st_;
    if (st.defining) {
        if (code > 0x85) {
            AppendDefinition(code);
            return;
        }
        EndDefinition();
    }
    st.state = kVtxGround;
    switch (code) {
    case 0x80:  // DEFM
    case 0x81:  // DEFP: define and execute
        st.defLen = -1;
        st.defExecute = code == 0x81;
        st.defining = 1;
        st.state = kVtxMacroBody;
        break;
    case 0x8A:  // SSZ small
        SetTextSize(0.0125, 0.0390625);
        break;
    case 0x8B:  // MSZ medium
        SetTextSize(0.03125, 0.046875);
        break;
    case 0x8C:  // NSZ normal
        SetTextSize(kDefaultCharW, kDefaultCharH);
        break;
    case 0x8D:  // DBH double height
        SetTextSize(0.025, 0.078125);
        break;
    case 0x8F:  // DBS double size
        SetTextSize(0.05, 0.078125);
        break;
    case 0x99:  // STL underline on
        st.underline = 1;
        canvas_->RebuildFonts(st);
        break;
    case 0x9A:  // SPL underline off
        st.underline = 0;
        canvas_->RebuildFonts(st);
        break;
    default:
        break;
    }
}

void VtxDecoder::SetTextSize(double w, double h)
{
    st_->charW = w;
    st_->charH = h;
    canvas_->RebuildFonts(*st_);
}

void VtxDecoder::AppendDefinition(uint8_t b)
{
    VtxState& st = *st_;
    if (st.defLen >= 0 && st.defLen < static_cast<int>(sizeof st.defBuf))
        st.defBuf[st.defLen++] = b;
}

void VtxDecoder::EndDefinition()
{
    VtxState& st = *st_;
    VtxMacroBytes run;
    if (st.defLen >= 0 && st.defId >= 0x20 && st.defId <= 0x7F) {
        // The previous body is released here unless a running invocation
        // still holds it; that invocation goes on with the old bytes.
        if (st.defLen > 0) {
            st.macro[st.defId] =
                std::make_shared<const std::vector<uint8_t>>(st.defBuf, st.defBuf + st.defLen);
            st.macroLen[st.defId] = st.defLen;
        } else {
            st.macro[st.defId].reset();
            st.macroLen[st.defId] = 0;
        }
        if (st.defExecute && st.defLen > 0)
            run = st.macro[st.defId];
    }
    st.defining = 0;
    st.state = kVtxGround;
    if (run)
        RunMacro(run);
}

void VtxDecoder::RunMacro(const VtxMacroBytes& body)
{
    if (depth_ >= kMacroDepthLimit)
        return;
    // Hold our own reference: the body may redefine this very macro.
    const VtxMacroBytes hold = body;
    ++depth_;
    for (const uint8_t b : *hold) {
        if (credit_ <= 0)
            break;
        --credit_;
        Byte(b);
    }
    --depth_;
}

void VtxDecoder::MacroBody(uint8_t b)
{
    VtxState& st = *st_;
    if (st.defLen < 0) {
        if (b < 0x20 || (b & 0x80)) {
            // No valid name: the body is abandoned, but the definition stays
            // open until the next 0x80..0x85 closes it without effect.
            st.state = kVtxGround;
            return;
        }
        st.defId = b;
        st.defLen = 0;
        return;
    }
    if (b == 0x1B) {
        st.state = kVtxMacroBodyEsc;
        return;
    }
    if (b >= 0x80 && b <= 0x85) {
        C1(b);
        return;
    }
    AppendDefinition(b);
}

void VtxDecoder::MacroBodyEscape(uint8_t b)
{
    VtxState& st = *st_;
    if (b >= 0x40 && b <= 0x45) {
        C1(static_cast<uint8_t>((b & 0x3F) | 0x80));
        return;
    }
    AppendDefinition(0x1B);
    AppendDefinition(b);
    st.state = kVtxMacroBody;
}

// --- Text ----------------------------------------------------------------

bool VtxDecoder::MoveText(double x, double y)
{
    if (!OnScreen(x, y))
        return false;
    st_->tp = {x, y};
    st_->dp = st_->tp;
    st_->wrapPending = 0;
    return true;
}

void VtxDecoder::SetDp(VtxPoint p)
{
    st_->dp = p;
    st_->tp = p;
    st_->wrapPending = 0;
}

void VtxDecoder::TextByte(uint8_t b)
{
    VtxState& st = *st_;
    if (st.leadPending) {
        st.leadPending = 0;
        st.textBytes[1] = b;
        TextChar(static_cast<uint16_t>((st.textBytes[0] << 8) | b), true);
        return;
    }
    if (b & 0x80) {
        st.textBytes[0] = b;
        st.leadPending = 1;
        return;
    }
    TextChar(b, false);
}

void VtxDecoder::TextChar(uint16_t code, bool twoByte)
{
    VtxState& st = *st_;
    // A cell that would pass the field's right edge goes to the field's left
    // edge one row lower (when that row is on the screen). A position that
    // sits on the right edge itself, or after a character drawn in the
    // screen's last cell, wraps the same way instead of overprinting.
    const bool inField = st.tp.x >= st.fieldXMin && st.tp.x <= st.fieldXMax + kEdgeSlack &&
                         st.tp.y >= st.fieldYMin && st.tp.y < st.fieldYMax;
    if (inField && (st.wrapPending || st.tp.x + st.charW > st.fieldXMax + kEdgeSlack))
        MoveText(st.fieldXMin, st.tp.y - st.rowFactor * st.charH);
    canvas_->Text(st, code, twoByte);
    // The row factor never affects the horizontal advance.
    if (!MoveText(st.tp.x + st.charW, st.tp.y))
        st.wrapPending = 1;
}

// --- PDI opcodes ---------------------------------------------------------

bool VtxDecoder::IsDataByte(uint8_t b) const
{
    const VtxState& st = *st_;
    return (b & 0x40) && st.g[(b & 0x80) ? st.gr : st.gl] == kVtxPdi;
}

int VtxDecoder::OpcodeCapacity() const
{
    const VtxState& st = *st_;
    const int m = st.multiLen;
    switch (st.state) {
    case kOpReset:
    case kOpWait:
        return 2;
    case kOpDomain:
    case kOpTexture:
        return 1 + m;
    case kOpText:
        return 2 + m;
    case kOpSetLineAbs:
    case kOpSetLineRel:
    case kOpArcOutlined:
    case kOpArcFilled:
    case kOpSetRectOutlined:
    case kOpSetRectFilled:
    case kOpField:
        return 2 * m;
    case kOpSetArcOutlined:
    case kOpSetArcFilled:
        return 3 * m;
    case kOpIncrPoint:
    case kOpIncrLine:
    case kOpIncrPoly:
        return 0;
    case kOpSelectColour:
        return 2 * st.singleLen;
    default:  // points, lines, rectangles, polygons, set colour
        return m;
    }
}

void VtxDecoder::OpcodeByte(uint8_t b)
{
    VtxState& st = *st_;
    const int cap = OpcodeCapacity();
    if (st.opCount >= cap)
        return;  // surplus operand bytes are not stored
    st.op[st.opCount++] = b;
    if (st.state == kOpDomain && st.opCount == 1) {
        // The domain's first byte takes effect at once: it sets the operand
        // length the rest of this very opcode is read with.
        st.dim3 = (b >> 5) & 1;
        st.multiLen = ((b >> 2) & 7) + 1;
        st.singleLen = (b & 3) + 1;
    }
    if (st.opCount < OpcodeCapacity())
        return;
    if (Repeats(st.state)) {
        OpcodeGroupDone();
        st.opCount = 0;
        return;
    }
    OpcodeEnd();
    st.state = kVtxGround;
}

void VtxDecoder::Pad(int bytes)
{
    VtxState& st = *st_;
    if (bytes > static_cast<int>(sizeof st.op))
        bytes = sizeof st.op;
    for (int i = st.opCount; i < bytes; ++i)
        st.op[i] = 0;
}

VtxPoint VtxDecoder::Operand(int index) const
{
    return VtxDecodeMulti(st_->op + index, st_->multiLen, st_->dim3 != 0);
}

// A complete operand group of a repeating opcode.
void VtxDecoder::OpcodeGroupDone()
{
    const int op = st_->state;
    if (op <= kOpPointRel)
        OpPoint(op);
    else if (op <= kOpSetLineRel)
        OpLine(op);
    else if (op <= kOpSetArcFilled)
        OpArc(op, false);
    else if (op <= kOpSetRectFilled)
        OpRect(op);
    else
        OpPolygonVertex(op);
}

// The opcode ends on a non-data byte (or a once-opcode is full): short
// operands are completed with zero bytes where the opcode acts on them.
void VtxDecoder::OpcodeEnd()
{
    VtxState& st = *st_;
    const int op = st.state;
    const int m = st.multiLen;
    const int n = st.opCount;
    switch (op) {
    case kOpReset:
        OpReset();
        return;
    case kOpDomain:
        OpDomain();
        return;
    case kOpText:
        OpText();
        return;
    case kOpTexture:
        OpTexture();
        return;
    case kOpField:
        OpField();
        return;
    case kOpSetColour:
        OpSetColour();
        return;
    case kOpWait:
        OpWait();
        return;
    case kOpSelectColour:
        OpSelectColour();
        return;
    case kOpIncrPoint:
    case kOpIncrLine:
    case kOpIncrPoly:
        return;
    default:
        break;
    }
    if (op >= kOpPolyOutlined && op <= kOpSetPolyFilled) {
        if (n > 0) {
            Pad(m);
            OpPolygonVertex(op);
        }
        if (st.vertexCount > 0)
            canvas_->Polygon(st, st.vertexCount, op & 1);
        st.vertexCount = 0;
        return;
    }
    if (n == 0)
        return;
    switch (op) {
    case kOpSetLineAbs:
    case kOpSetLineRel:
    case kOpSetRectOutlined:
    case kOpSetRectFilled:
        if (n > m) {  // a lone first operand is dropped
            Pad(2 * m);
            OpcodeGroupDone();
        }
        break;
    case kOpArcOutlined:
    case kOpArcFilled:
        Pad(2 * m);
        OpArc(op, n <= m);
        break;
    case kOpSetArcOutlined:
    case kOpSetArcFilled:
        if (n > m) {
            Pad(3 * m);
            OpArc(op, n <= 2 * m);
        }
        break;
    default:  // points, lines, rectangles: one operand
        Pad(m);
        OpcodeGroupDone();
        break;
    }
    st.opCount = 0;
}

void VtxDecoder::OpReset()
{
    VtxState& st = *st_;
    Pad(2);
    const uint8_t b1 = st.op[0];
    const uint8_t b2 = st.op[1];
    DefaultField();
    if (b1 & 1)
        DefaultDomain();
    const int colour = (b1 >> 1) & 3;
    if (colour != 0) {
        const int previous = st.colourMode;
        st.colourMode = colour == 1 ? 0 : 1;
        st.colourMap = VtxDefaultColourMap();
        if (colour != 2 || previous == 0)
            st.drawColour = kVtxWhite;
    }
    switch ((b1 >> 3) & 7) {
    case 1:
    case 7:
        canvas_->Clear(st, kVtxBlack);
        break;
    case 2:
    case 5:
    case 6:
        canvas_->Clear(st, st.drawColour);
        break;
    default:
        break;
    }
    if (b2 & 1) {
        st.tp = {0, kVtxTop - st.charH};
        st.wrapPending = 0;
        DefaultText();
    }
    if (b2 & 8)
        DefaultTextures();
}

void VtxDecoder::OpDomain()
{
    VtxState& st = *st_;
    if (st.opCount == 0) {
        DefaultDomain();
        st.pelPx = 0;
        return;
    }
    if (st.opCount == 1) {
        st.pelPx = 0;
        return;
    }
    Pad(1 + st.multiLen);
    st.pel = Operand(1);
    const double w = canvas_->Width();
    const double area = (w * std::fabs(st.pel.x)) * (w * std::fabs(st.pel.y));
    st.pelPx = static_cast<int>(std::sqrt(area) + 0.999999);
}

void VtxDecoder::OpText()
{
    VtxState& st = *st_;
    const bool sized = st.opCount >= 3;
    Pad(2 + st.multiLen);
    switch (st.op[0] & 3) {
    case 1:
        st.rowFactor = 1.25;
        break;
    case 2:
        st.rowFactor = 1.5;
        break;
    default:
        st.rowFactor = 1.0;
        break;
    }
    if (sized) {
        const VtxPoint size = Operand(2);
        st.charW = std::fabs(size.x);
        st.charH = std::fabs(size.y);
        canvas_->RebuildFonts(st);
    }
}

void VtxDecoder::OpTexture()
{
    VtxState& st = *st_;
    Pad(1);
    st.lineTexture = st.op[0] & 3;
    st.highlight = (st.op[0] >> 2) & 1;
    st.pattern = (st.op[0] >> 3) & 7;
}

void VtxDecoder::OpPoint(int op)
{
    VtxState& st = *st_;
    const VtxPoint v = Operand(0);
    const bool relative = op == kOpPointSetRel || op == kOpPointRel;
    SetDp(relative ? Add(st.dp, v) : v);
    if (op == kOpPointAbs || op == kOpPointRel)
        canvas_->Point(st, st.dp);
}

void VtxDecoder::OpLine(int op)
{
    VtxState& st = *st_;
    const int m = st.multiLen;
    VtxPoint a = st.dp;
    VtxPoint e;
    switch (op) {
    case kOpLineAbs:
        e = Operand(0);
        break;
    case kOpLineRel:
        e = Add(a, Operand(0));
        break;
    case kOpSetLineAbs:
        a = Operand(0);
        e = Operand(m);
        break;
    default:  // set & line relative
        a = Operand(0);
        e = Add(a, Operand(m));
        break;
    }
    canvas_->Line(st, a, e);
    SetDp(e);
}

void VtxDecoder::OpArc(int op, bool circle)
{
    VtxState& st = *st_;
    int at = 0;
    if (op == kOpSetArcOutlined || op == kOpSetArcFilled) {
        SetDp(Operand(0));
        at = st.multiLen;
    }
    const bool filled = op == kOpArcFilled || op == kOpSetArcFilled;
    const VtxPoint start = st.dp;
    const VtxPoint mid = Add(start, Operand(at));
    if (circle) {
        canvas_->Arc(st, start, mid, start, filled);
        return;
    }
    const VtxPoint end = Add(mid, Operand(at + st.multiLen));
    canvas_->Arc(st, start, mid, end, filled);
    SetDp(end);
}

void VtxDecoder::OpRect(int op)
{
    VtxState& st = *st_;
    VtxPoint a = st.dp;
    VtxPoint size = Operand(0);
    if (op == kOpSetRectOutlined || op == kOpSetRectFilled) {
        a = Operand(0);
        size = Operand(st.multiLen);
    }
    canvas_->Rect(st, a, Add(a, size), op & 1);
    SetDp({a.x + size.x, a.y});
}

void VtxDecoder::OpPolygonVertex(int op)
{
    VtxState& st = *st_;
    const VtxPoint v = Operand(0);
    auto push = [&st](VtxPoint p) {
        st.polyPoint = p;
        if (st.vertexCount < 512) {
            st.vx[st.vertexCount] = p.x;
            st.vy[st.vertexCount] = p.y;
            ++st.vertexCount;
        }
    };
    if (st.vertexCount > 0) {
        push(Add(st.polyPoint, v));
        return;
    }
    if (op == kOpSetPolyOutlined || op == kOpSetPolyFilled) {
        SetDp(v);
        push(v);
        return;
    }
    push(st.dp);
    push(Add(st.dp, v));
}

void VtxDecoder::OpField()
{
    VtxState& st = *st_;
    const int m = st.multiLen;
    if (st.opCount == 0) {
        SetDp({0, 0});
        DefaultField();
        return;
    }
    const bool withOrigin = st.opCount > m;
    Pad(2 * m);
    VtxPoint origin = st.dp;
    VtxPoint size = Operand(0);
    if (withOrigin) {
        origin = Operand(0);
        size = Operand(m);
    }
    st.fieldXMin = std::fmin(origin.x, origin.x + size.x);
    st.fieldXMax = std::fmax(origin.x, origin.x + size.x);
    st.fieldYMin = std::fmin(origin.y, origin.y + size.y);
    st.fieldYMax = std::fmax(origin.y, origin.y + size.y);
    if (withOrigin)
        SetDp(origin);
}

void VtxDecoder::OpSetColour()
{
    VtxState& st = *st_;
    if (st.opCount == 0) {
        st.drawColour = kVtxBlack;
        return;
    }
    Pad(st.multiLen);
    st.drawColour = VtxDecodeColour(st.op, st.multiLen);
    if (st.colourMode == 1 || st.colourMode == 2)
        st.colourMap[st.drawIndex] = st.drawColour;
}

void VtxDecoder::OpWait()
{
    VtxState& st = *st_;
    Pad(2);
    if ((st.op[0] & 0x3F) != 0x1C)
        return;
    const int tenths = st.op[1] & 0x3F;
    canvas_->Pause(tenths == 0 ? 100 : tenths * 100);
}

void VtxDecoder::OpSelectColour()
{
    VtxState& st = *st_;
    const int s = st.singleLen;
    if (st.opCount == 0) {
        st.colourMode = 0;
        return;
    }
    if (st.opCount <= s) {
        st.colourMode = 1;
        st.drawIndex = st.op[0] & 0x3F;
        st.drawColour = st.colourMap[st.drawIndex];
        return;
    }
    st.colourMode = 2;
    Pad(2 * s);
    const int back = st.op[s] & 0x3F;
    if (VtxDecodeSingle(st.op, s) != VtxDecodeSingle(st.op + s, s)) {
        st.drawIndex = st.op[0] & 0x3F;
        st.drawColour = st.colourMap[st.drawIndex];
    }
    st.backIndex = back;
    st.backColour = st.colourMap[back];
}

}  // namespace velo
