// What the terminal engine asks of the world around it. The engine changes the
// screen model and reports here what changed; the terminal window (CAnsiTerm)
// implements TermSurface and draws from the model, tests record the calls.
//
// Damage contract. Inside Feed the engine collects damage and region scrolls
// and hands them over in order at the end of the call (and before any shape,
// so a shape lands on an up-to-date picture). Each batch is:
//   Scroll(top, bottom, n)   at most one per batch, first: move the pixels of
//                            screen rows top..bottom by n rows, up when n > 0,
//                            down when n < 0 (|n| < bottom - top + 1); the
//                            rows this exposes are also reported as damage.
//   Damage(row, first, last) cells first..last of screen row `row` (cell
//                            columns, before any doubling of a double-width
//                            line) must be drawn again from the model.
// Damage rows are in the coordinates after the scroll. Drawing every damaged
// cell from the model gives the picture that drawing each character the moment
// it arrived would have given; shapes live in an overlay that scrolls with the
// pixels and is cleared under cells that are drawn again.
#pragma once

#include <cstdint>
#include <string_view>

namespace velo {

// The caret the host asked for (CSI z); blinking is a separate flag.
enum class CaretKind : uint8_t { None = 0, Block = 1, Underline = 2 };

// How the window sends a reply to the host.
enum class ReplyMode : uint8_t {
    Raw = 0,   // protocol replies and log-in answers: written as they are
    Macro = 1  // auto-responses: macro language, through the macro sender
};

// A figure of the drawing sequences, in window pixels.
struct TermShape {
    enum Kind : uint8_t {
        Rect,           // outline of left,top .. right,bottom (right and bottom exclusive)
        FilledRect,     // the same, filled with `fill`
        Ellipse,        // outline of the ellipse in the box
        FilledEllipse,  // outline in `pen`, inside in `fill`
        Line,           // from (left, top) to (right, bottom), the end point not drawn
        Pixel,          // the pixel (left, top)
        Arc             // part of the ellipse in the box, from startDeg over spanDeg
    };
    Kind kind = Rect;
    int left = 0, top = 0, right = 0, bottom = 0;
    // Arc: degrees counter-clockwise from three o'clock, as on a plain
    // mathematical circle; a negative span runs clockwise. A span of 360 or
    // -360 is the whole circle.
    float startDeg = 0, spanDeg = 0;
    uint8_t pen = 7;   // palette index of the one-pixel outline (or pixel, line)
    uint8_t fill = 0;  // palette index of the inside of the filled kinds
};

class TermSurface {
public:
    virtual ~TermSurface() = default;
    virtual void Scroll(int top, int bottom, int n) = 0;
    virtual void Damage(int row, int first, int last) = 0;
    virtual void Shape(const TermShape& shape) = 0;
    // The ring's top or lines used changed (the scroll bar follows).
    virtual void HistoryChanged() {}
    // The screen size changed; the whole window is damaged as well.
    virtual void Resized(int columns, int rows) {}
    // The caret is made anew in this shape, blinking or steady.
    virtual void CaretShape(CaretKind shape, bool blink) {}
    // BEL and a refused scroll region. The window checks the "Beep" option.
    virtual void Beep() {}
    // A named sound event of the user's scheme ("단어찾기" when a highlight word was found).
    virtual void EventSound(std::string_view name) {}
    // Modes 85/88: switch the Korean input method to Hangul (true) or English.
    virtual void HangulInput(bool on) {}
};

// Replies to the host. SendToHost queues them inside Feed; at the end of the
// feed each is handed here in order, with the mode it was queued with.
class ReplySink {
public:
    virtual ~ReplySink() = default;
    virtual void Reply(const uint8_t* data, int count, ReplyMode mode) = 0;
};

// The receivers of picture streams (videotex and image index). Each run call
// returns how many bytes it took and whether its mode ended; when it ended the
// terminal goes on interpreting the rest of the bytes as text. A receiver that
// cannot go on (the picture window is gone) returns {0, true}.
class PictureSink {
public:
    struct Result {
        int consumed = 0;
        bool ended = false;
    };
    virtual ~PictureSink() = default;
    // ESC % A with videotex enabled: open (or reuse) the picture window. False
    // when it cannot be made; the terminal then stays in text.
    virtual bool OpenVideotex() = 0;
    virtual Result VideotexBytes(const uint8_t* data, int count) = 0;
    // Close the picture window (connect, reset).
    virtual void CloseVideotex() = 0;
    // ESC % B: a new image-index receiver.
    virtual void StartImageIndex() = 0;
    virtual Result ImageIndexBytes(const uint8_t* data, int count) = 0;
    // Close the download file if open and reset the receiver (disconnect, reset).
    virtual void ResetImageIndex() = 0;
};

// Printer-controller mode: CSI 5 i starts it, CSI 4 i and a terminal reset end
// it. While it is on the terminal hands its text runs here instead of drawing
// them (a run of up to 1023 bytes with every LF that does not follow a CR made
// CR LF, the CR looked for across runs too; a longer run unchanged). Text the
// sink does not accept is drawn as usual, so none is lost: while Accepting()
// is false, and any run that Write refused.
class PrinterSink {
public:
    virtual ~PrinterSink() = default;
    virtual void Start() = 0;  // open the print file (the mode is on even if this fails)
    virtual bool Accepting() const { return true; }
    // True when the run is in the print file; false when none of it is.
    virtual bool Write(const uint8_t* data, int count) = 0;
    virtual void End() = 0;    // close the file and print it
};

// Capture. Text capture is handed each line as it leaves the screen (its text
// with trailing blanks removed, then CR LF); code capture every byte the
// interpreter took, in arrival order.
class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual bool TextCapturing() const = 0;
    virtual bool CodeCapturing() const = 0;
    virtual void TextLine(const uint8_t* data, int count) = 0;
    virtual void CodeBytes(const uint8_t* data, int count) = 0;
};

}  // namespace velo
