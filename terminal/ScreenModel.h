// The screen model: a ring of 1400 lines whose last `rows` lines are the
// visible screen and whose older part is the scrollback, plus 50 attribute
// rows that belong to the screen rows only.
//
// For the window that draws it:
//   Columns(), Rows()            the screen size (1..132, 1..50)
//   Line(row)                    ScreenLine of screen row 0..Rows()-1: 133 text
//                                bytes as received (two adjacent cells for a
//                                double-byte character) and the line size
//   Attrs(row)                   the 133 cell attributes of that screen row
//   HistoryLine(h)               history row h, 0 the oldest, LinesUsed()-Rows()
//                                the screen's top row
//   HistoryAttrs(h)              its 133 cell attributes: a screen row's own, or
//                                those the line had when it left the screen
//   Top(), LinesUsed(), ViewTop() the ring indices; SetViewTop for the view
//   CursorColumn(), CursorRow()  the next character's cell
//   DefaultFg(), DefaultBg()     colours of the scrollback view and new cells
// Line and attribute references stay valid for the life of the model; their
// contents change with every scroll.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace velo {

class TermSurface;
class CaptureSink;

// Flag bits of a cell attribute.
enum CellFlag : uint8_t {
    kBold = 0x01,
    kUnderline = 0x02,
    kItalic = 0x04,
    kFaint = 0x08,
    kBlink = 0x10,
    kReverse = 0x20,
    kConcealed = 0x40,
    // The cell was written while the line-drawing set was on and holds one of
    // j k l m q t u v w x: it shows the box-drawing glyph, also on a repaint.
    kLineDrawing = 0x80,
};

struct CellAttr {
    uint8_t fg = 7;     // palette index 0..15
    uint8_t bg = 4;     // palette index 0..15
    uint8_t flags = 0;  // CellFlag bits
    bool operator==(const CellAttr&) const = default;
};
static_assert(sizeof(CellAttr) == 3);

enum class LineSize : uint8_t { Single = 0, DoubleWidth = 1, DoubleTop = 2, DoubleBottom = 3 };

inline constexpr int kRingLines = 1400;
inline constexpr int kLineBytes = 133;
inline constexpr int kMaxColumns = 132;
inline constexpr int kMaxRows = 50;

struct ScreenLine {
    uint8_t text[kLineBytes];
    LineSize size = LineSize::Single;
    int8_t attrRow = -1;  // attribute row while on the screen, -1 in the scrollback
};

struct Rgb {
    uint8_t r, g, b;
};

// The fixed palette in ANSI order (0..7 the colours of SGR 30..37).
inline constexpr std::array<Rgb, 16> kPalette = {{
    {0, 0, 0}, {191, 0, 0}, {0, 191, 0}, {191, 191, 0},
    {0, 0, 127}, {191, 0, 191}, {0, 191, 191}, {191, 191, 191},
    {127, 127, 127}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// PC colour order (0 black, 1 blue, ... 4 red ...) to palette index.
constexpr uint8_t PcToPalette(int pc)
{
    switch (pc) {
    case 1: return 4;
    case 4: return 1;
    case 3: return 6;
    case 6: return 3;
    case 9: return 12;
    case 12: return 9;
    case 11: return 14;
    case 14: return 11;
    default: return static_cast<uint8_t>(pc);
    }
}

class ScreenModel {
public:
    // Default foreground and background, clamped to 0..15.
    // frozen: the shared flag telling that the scrollback view is open (a
    // clear then leaves the screen alone); null when there is no view.
    explicit ScreenModel(int defaultFg = 7, int defaultBg = 4, const std::atomic<bool>* frozen = nullptr);
    ScreenModel(const ScreenModel&) = delete;
    ScreenModel& operator=(const ScreenModel&) = delete;
    virtual ~ScreenModel();

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    const ScreenLine& Line(int row) const { return *ring_[Slot(row)]; }
    const CellAttr* Attrs(int row) const { return attrs_[ring_[Slot(row)]->attrRow].data(); }
    const ScreenLine& SlotLine(int slot) const { return *ring_[Wrap(slot)]; }
    const ScreenLine& HistoryLine(int h) const
    {
        return *ring_[Wrap(top_ + rows_ - linesUsed_ + h)];
    }
    const CellAttr* HistoryAttrs(int h) const { return LineAttrs(HistoryLine(h)); }
    const CellAttr* LineAttrs(const ScreenLine& line) const
    {
        return line.attrRow >= 0 ? attrs_[line.attrRow].data() : kept_[&line - store_.get()].data();
    }
    int Top() const { return top_; }
    int LinesUsed() const { return linesUsed_; }
    int ViewTop() const { return viewTop_; }
    void SetViewTop(int slot) { viewTop_ = Wrap(slot); }

    int CursorColumn() const { return col_; }
    int CursorRow() const { return row_; }
    CellAttr CurrentAttr() const { return attr_; }
    int DefaultFg() const { return defaultFg_; }
    int DefaultBg() const { return defaultBg_; }
    // The colour command of the frame: the new defaults (clamped to 0..15).
    void SetDefaultColours(int fg, int bg);
    int RegionTop() const { return regionTop_; }
    int RegionBottom() const { return regionBottom_; }

    // The primitives. Rows and columns are clamped to the screen.
    void ClearSpan(int row, int first, int last);
    void ClearLine(int row);
    void ClearRows(int first, int last);
    void ScrollUp();    // at the bottom of the region; the leaving line goes to the scrollback
    void ScrollDown();  // at the top of the region
    void ClearScreenIntoScrollback();
    void Resize(int columns, int rows);

    void SetSurface(TermSurface* s) { surface_ = s; }
    void SetCapture(CaptureSink* c) { capture_ = c; }
    // Hands collected damage and scrolls to the surface. Feed does it at its
    // end; callers that change the model outside Feed call it too.
    void FlushDamage();

protected:
    static int Wrap(int slot) { return ((slot % kRingLines) + kRingLines) % kRingLines; }
    int Slot(int row) const
    {
        int s = top_ + row;
        return s >= kRingLines ? s - kRingLines : s;
    }
    ScreenLine& LineAt(int row) { return *ring_[Slot(row)]; }
    CellAttr* AttrsAt(int row) { return attrs_[ring_[Slot(row)]->attrRow].data(); }
    CellAttr* AttrsOf(const ScreenLine& line) { return attrs_[line.attrRow].data(); }
    // Blanks a line in the current attributes over its whole storage.
    void BlankLine(ScreenLine& line);
    // A line leaves the screen for the scrollback: its attribute row goes
    // to `to`, its colours stay with it.
    void HandOverAttrs(ScreenLine& from, ScreenLine& to);
    // Rotates screen rows first..last by n (n > 0: towards the top).
    void RotateRows(int first, int last, int n);
    void CaptureLine(const ScreenLine& line);
    // Damage bookkeeping.
    void Touch(int row, int first, int last)
    {
        Span& s = dirty_[row];
        if (first < s.lo)
            s.lo = static_cast<uint8_t>(first);
        if (last > s.hi)
            s.hi = static_cast<uint8_t>(last);
    }
    void TouchRow(int row) { Touch(row, 0, columns_ - 1); }
    void TouchAll();
    void NoteScroll(int top, int bottom, int n);
    virtual void OnScreenCleared() {}

    int columns_ = 80;
    int rows_ = 28;
    int col_ = 0, row_ = 0;
    CellAttr attr_{};
    int defaultFg_ = 7, defaultBg_ = 4;
    int regionTop_ = 0, regionBottom_ = 27;

    TermSurface* surface_ = nullptr;
    CaptureSink* capture_ = nullptr;

private:
    struct Span {
        uint8_t lo = 255, hi = 0;
    };
    std::unique_ptr<ScreenLine[]> store_;
    const std::atomic<bool>* frozen_ = nullptr;
    std::array<ScreenLine*, kRingLines> ring_{};
    std::array<std::array<CellAttr, kLineBytes>, kMaxRows> attrs_{};
    // The attributes of the scrollback lines, by store index.
    std::unique_ptr<std::array<CellAttr, kLineBytes>[]> kept_;
    int top_ = 0;
    int linesUsed_ = 28;
    int viewTop_ = 0;

    std::array<Span, kMaxRows> dirty_{};
    int scrollTop_ = 0, scrollBottom_ = -1, scrollCount_ = 0, scrollDir_ = 1;
    bool scrollSaturated_ = false;  // the pending scroll moved the whole region
    bool historyChanged_ = false;
};

// Fills n cell attributes with one value.
void FillAttrsLong(CellAttr* dst, CellAttr a, int n);
inline void FillAttrs(CellAttr* dst, CellAttr a, int n)
{
    if (n > 8) {
        FillAttrsLong(dst, a, n);
        return;
    }
    for (int i = 0; i < n; ++i)
        dst[i] = a;
}

}  // namespace velo
