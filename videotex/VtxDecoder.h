// The videotex stream decoder: interprets a NAPLPS picture-description stream
// (ISO 2022 code sets, C0/C1 controls, 32 PDI drawing opcodes with
// fixed-point operands, single- and two-byte text, macros) and calls a
// VtxCanvas as it goes. Window-free; never fails: malformed input is absorbed
// (unassigned codes ignored, out-of-range positions left unchanged, operand
// overflow dropped, short operands completed with zero bytes).
//
// A ZModem start inside a picture is the terminal's to notice: it scans every
// byte the picture receiver took, after the decoder has had them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "videotex/VtxCanvas.h"
#include "videotex/VtxState.h"

namespace velo {

// Operand decoding, exposed for the tests and the tools.
// Multi-value (coordinate) operand of multiLen bytes: in 2-D each byte gives
// three bits of x (bits 5..3) and of y (bits 2..0), in 3-D two bits of x
// (5..4) and y (3..2), z ignored; each n-bit value is two's complement and
// scaled by 2^-(n-1).
VtxPoint VtxDecodeMulti(const uint8_t* bytes, int multiLen, bool dim3);
// Single-value operand: the low six bits of each byte, most significant first.
uint32_t VtxDecodeSingle(const uint8_t* bytes, int singleLen);
// Colour operand: each byte gives green from bits 5 and 2, red from 4 and 1,
// blue from 3 and 0; a component of n bits becomes trunc(v / 2^n * 255).
VtxRgb VtxDecodeColour(const uint8_t* bytes, int multiLen);

class VtxDecoder {
public:
    // Macro invocations nest at most this deep; an invocation at the limit is
    // dropped like an empty macro.
    static constexpr int kMacroDepthLimit = 8;
    // Macro bytes run on credit that received bytes earn: each received byte
    // earns kMacroCreditPerByte, banked up to kMacroCreditCap. When the bank
    // is empty the running bodies are abandoned (the decoder state stays as
    // the last executed byte left it). A stream can thus make macros run at
    // most 256 bytes per byte it sends plus the bank, however they nest.
    static constexpr int kMacroCreditPerByte = 256;
    static constexpr int kMacroCreditCap = 1 << 20;

    VtxDecoder();
    ~VtxDecoder();
    VtxDecoder(const VtxDecoder&) = delete;
    VtxDecoder& operator=(const VtxDecoder&) = delete;

    // Interprets length received bytes in order, drawing on the canvas as it
    // goes. The state carries over to the next call.
    void Feed(VtxCanvas& canvas, const uint8_t* bytes, size_t length);

    const VtxState& State() const { return *st_; }
    VtxState& State() { return *st_; }

private:
    void Byte(uint8_t b);
    bool Step(uint8_t b);  // true: reprocess b in the state just set
    void Ground(uint8_t b);
    void C0(uint8_t b);
    void C1(uint8_t code);
    void Escape(uint8_t b);
    void EscapeFinal(uint8_t b);
    void ActivePosition(uint8_t b);
    bool AfterReset(uint8_t b);
    void MacroBody(uint8_t b);
    void MacroBodyEscape(uint8_t b);
    void AppendDefinition(uint8_t b);
    void EndDefinition();
    void RunMacro(const VtxMacroBytes& body);

    bool IsDataByte(uint8_t b) const;
    void OpcodeByte(uint8_t b);
    int OpcodeCapacity() const;
    int OpcodeGroup() const;
    void OpcodeGroupDone();
    void OpcodeEnd();
    void Pad(int bytes);
    VtxPoint Operand(int index) const;

    void TextByte(uint8_t b);
    void TextChar(uint16_t code, bool twoByte);
    bool MoveText(double x, double y);
    void SetDp(VtxPoint p);
    void NonSelectiveReset();
    void DefaultDomain();
    void DefaultField();
    void DefaultText();
    void DefaultTextures();
    void SetTextSize(double w, double h);

    void OpReset();
    void OpDomain();
    void OpText();
    void OpTexture();
    void OpPoint(int op);
    void OpLine(int op);
    void OpArc(int op, bool atEnd);
    void OpRect(int op);
    void OpPolygonVertex(int op);
    void OpField();
    void OpSetColour();
    void OpWait();
    void OpSelectColour();

    std::unique_ptr<VtxState> st_;
    VtxCanvas* canvas_ = nullptr;
    int depth_ = 0;
    int credit_ = 0;
};

}  // namespace velo
