// Drawing of the terminal window.
//
// Damaged cells are drawn from the screen model into a backing image: runs of
// cells of one look as one glyph run through TermFonts (single-byte cells one
// cell each, double-byte characters two cells each); the block and
// line-drawing glyphs as shapes. A region
// scroll moves the image's pixels unless the whole region is drawn again
// anyway. Drawing happens when a feed returns, at most once per display frame
// (16 ms) and, under a flood, in no more than a fifth of the time: the damage
// of many feeds is drawn once. Shapes are kept in an overlay image that
// scrolls with the region and is cleared under cells drawn again. The
// scrollback view is painted directly from the history rows, by the same
// rules as the live screen.
#pragma once

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <array>
#include <cstdint>

#include "base/SettingsLayout.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"
#include "terminal/ui/TermFonts.h"

class QPainter;

namespace velo {

class CAnsiTerm;
struct TermSelection;

class TermPainter {
public:
    TermPainter(CAnsiTerm& window, Terminal& term, const TermSelection& selection);

    // The faces of a logical font (TermFonts) and the cell metrics measured
    // from them.
    void MakeFonts(const LogFontFields& font);
    TermFonts& Fonts() { return fonts_; }
    int CellWidth() const { return cw_; }
    int CellHeight() const { return ch_; }
    int Ascent() const { return ascent_; }
    // italic << 1 | underline
    const QFont& Font(int index) const { return fonts_.Font(index); }
    // The cells' area in window pixels, and the colour around it.
    QRect CellArea() const;
    QColor Background() const;
    // The backing image follows the screen size; the overlay is cleared.
    void ResizeBacking();

    // Damage of the model, drawn at the next render.
    void MarkRowDirty(int row, int lo, int hi);
    void MarkAllDirty();
    // A region scroll; true when some rows kept their pixels and moved.
    bool Scroll(int top, int bottom, int n);
    // Draws a shape into the overlay at once.
    void Shape(const TermShape& shape);
    // Draws the damage now, or within the display frame.
    void ScheduleRender();
    void RenderNow();

    // Colours of a cell as the rules give them: bold brightens the lower
    // eight, concealed text takes the background, reverse swaps, a blinking
    // cell in its off phase shows 60 % text (reverse: unswapped), selected
    // cells are inverted.
    static void CellColours(const CellAttr& a, bool blinkOff, bool selected, QRgb* text, QRgb* back);
    void SetBlinkPhase(bool on);
    bool BlinkPhase() const { return blinkOn_; }

    // The caret, blinking or steady; hidden while the scrollback view is open.
    void CaretShape(CaretKind shape, bool blink);
    void UpdateCaretRect();
    QRect CaretRect() const { return caretRect_; }
    void FocusIn();
    void FocusOut();

    // Painting of the window: the live cells with the shapes, then the caret
    // (XOR), or the history rows from viewTop on while the view is open.
    void PaintLive(QPainter& p, const QRect& clip);
    void PaintCaret(QPainter& p);
    void PaintView(QPainter& p, const QRect& clip, int viewTop);

private:
    struct Span {
        int lo = 1 << 30, hi = -1;
        bool Empty() const { return hi < lo; }
    };
    void BlinkTick();
    void RenderRow(QPainter& p, int row, int lo, int hi);
    // Cells lo..hi of a line (pairs whole) at the painter's origin, by the
    // line's size; selFrom..selTo-1 shown selected.
    void DrawLine(QPainter& p, const ScreenLine& line, const CellAttr* attrs, int lo, int hi, int selFrom,
                  int selTo, bool blinkOff);
    void DrawBlock(QPainter& p, const QRect& r, int block, QRgb t, QRgb k);
    void DrawLineGlyph(QPainter& p, const QRect& r, uint8_t letter, QRgb t, QRgb k);

    CAnsiTerm& w_;
    Terminal& term_;
    const TermSelection& sel_;

    TermFonts fonts_;
    int cw_ = 8, ch_ = 16, ascent_ = 12;

    QImage backing_;
    QImage overlay_;  // shapes; null until the first shape
    bool overlayUsed_ = false;
    std::array<Span, kMaxRows> dirty_{};
    bool anyDirty_ = false;
    QRegion pendingUpdate_;
    QTimer renderTimer_;
    qint64 lastRender_ = 0;
    qint64 lastRenderCost_ = 0;

    QTimer blinkTimer_;
    bool blinkOn_ = true;

    QTimer caretTimer_;
    bool caretOn_ = true;
    CaretKind caretShape_ = CaretKind::Block;
    bool caretBlink_ = true;
    QRect caretRect_;
};

}  // namespace velo
