// The functions of the control sequences (CSI ... final): cursor movement,
// erasing, inserting and deleting, attributes, modes, reports, the caret, the
// printer and the drawing sequences in window pixels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/Flags.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"

namespace velo {

namespace {
// Pixel rounding of the drawing sequences: add 0.5 and truncate.
int Round(float v) { return static_cast<int>(v + 0.5f); }
}  // namespace

// Final bytes with a standard meaning carry its mnemonic; the rest, and the
// markers that change a byte's meaning, are this terminal's own extensions.
void Terminal::CsiDispatch(uint8_t final)
{
    const int m = marker_;
    switch (final) {
    case '@': InsertChars(N()); break;          // ICH
    case 'A': CursorUp(N()); break;             // CUU
    case 'B': CursorDown(N()); break;           // CUD
    case 'C': CursorForward(N()); break;        // CUF
    case 'D': CursorBack(N()); break;           // CUB
    case 'F':                                   // extension ('='): foreground, PC colour order
        if (m == '=')
            SetPcColour(attr_.fg);
        break;
    case 'G':                                   // drawing extension: box;
        if (m == 0)                             // with '=' background, PC colour order
            DrawBox(params_[0], Param(1));
        else if (m == '=')
            SetPcColour(attr_.bg);
        break;
    case 'H':                                   // CUP
    case 'f': CursorPosition(params_[0], Param(1)); break;  // HVP
    case 'J': EraseDisplay(params_[0]); break;  // ED
    case 'K': EraseLine(params_[0]); break;     // EL
    case 'L': InsertLines(N()); break;          // IL
    case 'M': DeleteLines(N()); break;          // DL
    case 'O': DrawCellLine(); break;            // drawing extension: line over cells
    case 'P': DeleteChars(N()); break;          // DCH
    case 'X': EraseChars(N()); break;           // ECH
    case 'a': DrawArc(false); break;            // drawing extension: arc turning left
    case 'b':                                   // drawing extension: rectangle
    case 'c': DrawShape(final); break;          // drawing extension: ellipse
    case 'd': AtSignEscape(); break;            // drawing extension: at-sign escape
    case 'g': MovePen(); break;                 // drawing extension: move pen
    case 'h': SetModes(true); break;            // SM
    case 'i':
        if (m == 0)
            MediaCopy();                        // MC: printer-controller mode
        else if (m == '>')
            DrawLineTo();                       // drawing extension: line from the pen
        break;
    case 'l': SetModes(false); break;           // RM
    case 'm': Attributes(); break;              // SGR
    case 'n': DeviceStatusReport(); break;      // DSR
    case 'p': DrawPixel(); break;               // drawing extension: pixel
    case 'r': ScrollRegion(); break;            // DECSTBM
    case 's': SaveCursor(); break;              // SCOSC
    case 'u': RestoreCursor(); break;           // SCORC
    case 'z':                                   // drawing extension: caret shape;
        if (paramCount_ < 3)                    // with 3 parameters arc turning right
            SetCaretShape(params_[0]);
        else
            DrawArc(true);
        break;
    default: break;
    }
}

// ------------------------------------------------------- cursor movement

void Terminal::CursorUp(int n)
{
    row_ = std::max(row_ - n, 0);
    // Landing exactly one above the region stops on its top; further up is free.
    if (row_ == regionTop_ - 1)
        row_ = regionTop_;
}

void Terminal::CursorDown(int n)
{
    row_ = std::min(row_ + std::min(n, kMaxRows), rows_ - 1);
    if (row_ == regionBottom_ + 1)
        row_ = regionBottom_;
}

void Terminal::CursorForward(int n) { col_ = std::min(col_ + std::min(n, kMaxColumns), columns_ - 1); }

void Terminal::CursorBack(int n) { col_ = std::max(col_ - n, 0); }

void Terminal::CursorPosition(int row, int col)
{
    // One-based, 0 reads as 1; not relative to the scroll region.
    row_ = std::clamp(row - 1, 0, rows_ - 1);
    col_ = std::clamp(col - 1, 0, columns_ - 1);
}

// ------------------------------------------------------ attributes, modes

void Terminal::SetPcColour(uint8_t& colour)
{
    if (params_[0] >= 0 && params_[0] <= 15)
        colour = PcToPalette(params_[0]);
}

void Terminal::AtSignEscape()
{
    if (params_[0] == 0 || params_[0] == 113)
        Shared().PictureMode = false;
    else if (params_[0] == 114)
        Shared().PictureMode = true;
    if (tablesAt_ != Shared().PictureMode.load())
        BuildTables();
}

void Terminal::MediaCopy()
{
    if (params_[0] == 5)
        StartPrinter();
    else if (params_[0] == 4)
        EndPrinter();
}

void Terminal::DeviceStatusReport()
{
    // Only the cursor position report (6); there is no other status to give.
    if (params_[0] != 6)
        return;
    char buf[32];
    const int len = std::snprintf(buf, sizeof buf, "%c[%d;%dR", 27, row_ + 1, col_ + 1);
    SendToHost(reinterpret_cast<const uint8_t*>(buf), len, ReplyMode::Raw);
}

void Terminal::SetCaretShape(int p1)
{
    // 0 none, 1 blinking block, 2 steady block, 3 blinking underline,
    // 4 steady underline; 5 and above change nothing.
    static constexpr CaretKind kShape[5] = {CaretKind::None, CaretKind::Block, CaretKind::Block,
                                            CaretKind::Underline, CaretKind::Underline};
    if (p1 < 0 || p1 > 4)
        return;
    caretShape_ = kShape[p1];
    caretBlink_ = p1 != 2 && p1 != 4;
    if (surface_)
        surface_->CaretShape(caretShape_, caretBlink_);
}

void Terminal::SetModes(bool on)
{
    // Only P1 counts, and the private marker is not examined: ESC [ ? 7 l is
    // ESC [ 7 l.
    switch (params_[0]) {
    case 1: cursorKeyApp_ = on; break;           // DECCKM: cursor-key application mode
    case 4: insert_ = on; break;                 // IRM: insert mode
    case 7: autowrap_ = on; break;               // DECAWM: autowrap
    case 12: out_.flags.ConnState.LocalEcho = on; break;    // local echo (set turns it on)
    case 20: Shared().NewlineMode = on; break; // LNM: newline mode
    case 30: fullWidth_ = on; break;             // extension: full-width ASCII
    case 85:                                     // extension: Korean input method,
    case 88:                                     // Hangul when set, English when reset
        if (surface_)
            surface_->HangulInput(on);
        break;
    default: break;
    }
}

void Terminal::Attributes()
{
    for (int i = 0; i < paramCount_; ++i) {
        const int p = params_[i];
        uint8_t& f = attr_.flags;
        switch (p) {
        case 0: f = 0; break;
        case 1: f |= kBold; break;
        case 2: f |= kFaint; break;
        case 3: f |= kItalic; break;
        case 4: f |= kUnderline; break;
        case 5: f |= kBlink; break;
        case 7: f |= kReverse; break;
        case 8: f |= kConcealed; break;
        case 22: f &= static_cast<uint8_t>(~kBold); break;
        case 24: f &= static_cast<uint8_t>(~kUnderline); break;
        case 25: f &= static_cast<uint8_t>(~kBlink); break;
        case 27: f &= static_cast<uint8_t>(~kReverse); break;
        default:
            if (p >= 30 && p <= 37)
                attr_.fg = static_cast<uint8_t>(p - 30);
            else if (p >= 40 && p <= 47)
                attr_.bg = static_cast<uint8_t>(p - 40);
            break;
        }
    }
}

void Terminal::ScrollRegion()
{
    const int p1 = params_[0], p2 = Param(1);
    // A top below the last row would leave an empty region: refused as well.
    if (p1 >= 1 && p2 >= p1 && p1 <= rows_) {
        regionTop_ = p1 - 1;
        regionBottom_ = std::min(p2 - 1, rows_ - 1);
    } else if (surface_) {
        surface_->Beep();
    }
}

// ---------------------------------------------- erasing, inserting, deleting

void Terminal::EraseChars(int n) { ClearSpan(row_, col_, col_ + std::min(n, kMaxColumns) - 1); }

void Terminal::InsertChars(int n)
{
    if (col_ + n < columns_) {
        ScreenLine& line = LineAt(row_);
        CellAttr* attrs = AttrsAt(row_);
        const int move = columns_ - col_ - n;
        std::memmove(line.text + col_ + n, line.text + col_, static_cast<size_t>(move));
        std::memmove(static_cast<void*>(attrs + col_ + n), attrs + col_, static_cast<size_t>(move) * sizeof(CellAttr));
        ClearSpan(row_, col_, col_ + n - 1);
    }
    else {
        ClearSpan(row_, col_, columns_ - 1);
    }
    Touch(row_, col_, columns_ - 1);
}

void Terminal::DeleteChars(int n)
{
    if (columns_ - n - 1 >= col_) {
        ScreenLine& line = LineAt(row_);
        CellAttr* attrs = AttrsAt(row_);
        const int move = columns_ - col_ - n;
        std::memmove(line.text + col_, line.text + col_ + n, static_cast<size_t>(move));
        std::memmove(static_cast<void*>(attrs + col_), attrs + col_ + n, static_cast<size_t>(move) * sizeof(CellAttr));
        ClearSpan(row_, columns_ - n, columns_ - 1);
    } else {
        ClearSpan(row_, col_, columns_ - 1);
    }
    Touch(row_, col_, columns_ - 1);
}

void Terminal::InsertLines(int n)
{
    if (row_ + n < rows_) {
        NoteScroll(row_, rows_ - 1, -n);
        RotateRows(row_, rows_ - 1, -n);
        for (int r = row_; r < row_ + n; ++r)
            ClearLine(r);
    } else {
        ClearRows(row_, rows_ - 1);
    }
}

void Terminal::DeleteLines(int n)
{
    if (row_ + n < rows_) {
        NoteScroll(row_, rows_ - 1, n);
        RotateRows(row_, rows_ - 1, n);
        for (int r = rows_ - n; r < rows_; ++r)
            ClearLine(r);
    } else {
        ClearRows(row_, rows_ - 1);
    }
}

void Terminal::EraseDisplay(int how)
{
    switch (how) {
    case 0:  // cursor to the end of the screen
        ClearSpan(row_, col_, columns_ - 1);
        ClearRows(row_ + 1, rows_ - 1);
        break;
    case 1:  // start of the screen to the cursor, inclusive
        ClearRows(0, row_ - 1);
        ClearSpan(row_, 0, col_);
        break;
    case 2:  // the whole screen, into the scrollback; homes the cursor
        ClearScreenIntoScrollback();
        break;
    default: break;
    }
}

void Terminal::EraseLine(int how)
{
    switch (how) {
    case 0: ClearSpan(row_, col_, columns_ - 1); break;  // cursor to the end of the line
    case 1: ClearSpan(row_, 0, col_); break;             // start of the line to the cursor
    case 2: ClearSpan(row_, 0, columns_ - 1); break;     // the whole line
    default: break;
    }
}

// ---------------------------------------------------------------- drawing

void Terminal::EmitShape(const TermShape& s)
{
    // The picture under the shape must be current before the shape lands.
    FlushDamage();
    if (surface_)
        surface_->Shape(s);
}

void Terminal::DrawBox(int w, int h)
{
    if (w < 1 || h < 1)
        return;
    w = std::min(w, columns_ + 1);
    h = std::min(h, rows_ + 1);
    TermShape s;
    s.kind = TermShape::Rect;
    s.left = col_ * cellW_ + cellW_ / 2;
    s.top = row_ * cellH_ + cellH_ / 2;
    s.right = cellW_ / 2 + cellW_ * (col_ + w - 1) + 1;
    s.bottom = cellH_ / 2 + cellH_ * (row_ + h - 1) + 1;
    s.pen = attr_.fg;
    EmitShape(s);
}

void Terminal::DrawCellLine()
{
    // P1 0 horizontal, 1 vertical, over P2 cells: a box one cell thin.
    const int cells = Param(1);
    if (cells < 1)
        return;
    if (params_[0] == 0)
        DrawBox(cells, 1);
    else if (params_[0] == 1)
        DrawBox(1, cells);
}

void Terminal::MovePen()
{
    penX_ = static_cast<float>(params_[0]);
    penY_ = static_cast<float>(Param(1));
}

void Terminal::DrawLineTo()
{
    TermShape s;
    s.kind = TermShape::Line;
    s.left = Round(penX_);
    s.top = Round(penY_);
    s.right = params_[0];
    s.bottom = Param(1);
    s.pen = attr_.bg;
    MovePen();
    EmitShape(s);
}

void Terminal::DrawPixel()
{
    TermShape s;
    s.kind = TermShape::Pixel;
    s.left = s.right = params_[0];
    s.top = s.bottom = Param(1);
    s.pen = attr_.fg;
    MovePen();
    EmitShape(s);
}

void Terminal::DrawShape(uint8_t final)
{
    const bool ellipse = final == 'c';
    TermShape s;
    const int m = marker_;
    if (m == 0 || m == '>') {
        s.kind = ellipse ? TermShape::Ellipse : TermShape::Rect;
        s.pen = m == 0 ? attr_.fg : attr_.bg;
    } else if (m == '=') {
        s.kind = ellipse ? TermShape::FilledEllipse : TermShape::FilledRect;
        if (paramCount_ >= 3) {
            if (Param(2) < 0 || Param(2) > 15)
                return;
            s.pen = s.fill = PcToPalette(Param(2));
        } else {
            s.pen = s.fill = attr_.fg;
        }
    } else if (m == '?') {
        s.kind = ellipse ? TermShape::FilledEllipse : TermShape::FilledRect;
        s.pen = s.fill = attr_.bg;
    } else {
        return;
    }
    const float a = static_cast<float>(params_[0] <= 0 ? 1 : params_[0]);
    const float b = static_cast<float>(Param(1) <= 0 ? 1 : Param(1));
    s.left = Round(penX_ - a);
    s.top = Round(penY_ - b);
    s.right = Round(penX_ + a);
    s.bottom = Round(penY_ + b);
    EmitShape(s);
}

void Terminal::DrawArc(bool clockwise)
{
    // P3 is the radius: three parameters and a radius of at least 1.
    if (paramCount_ < 3 || Param(2) < 1)
        return;
    const int p1 = std::clamp(params_[0], 0, 60);
    const int p2 = std::clamp(Param(1), 0, 60);
    const float r = static_cast<float>(Param(2));
    // Six degrees a step, with the constants the hosts' pictures were made with.
    const float step = 3.141592f * 0.0333333f;
    const float a1 = static_cast<float>(p1) * step;
    const float sw = static_cast<float>(p2) * step;
    // The pen lies on the circle at position a1; position 0 is the top and
    // positions grow counter-clockwise on the screen.
    const float cx = penX_ + r * std::sin(a1);
    const float cy = penY_ + r * std::cos(a1);
    TermShape s;
    s.kind = TermShape::Arc;
    s.left = Round(cx - r);
    s.top = Round(cy - r);
    s.right = Round(cx + r);
    s.bottom = Round(cy + r);
    s.pen = attr_.fg;
    // Position p is 90 + p degrees on the mathematical circle. A sweep of 0
    // starts and ends on the same point, which draws the whole circle.
    s.startDeg = 90.0f + static_cast<float>(p1 * 6);
    const float span = p2 == 0 ? 360.0f : static_cast<float>(p2 * 6);
    s.spanDeg = clockwise ? -span : span;
    if (clockwise) {
        penX_ = cx + r * std::sin(sw - a1);
        penY_ = cy - r * std::cos(sw - a1);
    } else {
        penX_ = cx - r * std::sin(a1 + sw);
        penY_ = cy - r * std::cos(a1 + sw);
    }
    EmitShape(s);
}

// ---------------------------------------------------------------- printer

void Terminal::StartPrinter()
{
    if (Shared().PrinterControl.load())
        return;
    printerLastCr_ = false;
    if (printer_)
        printer_->Start();
    Shared().PrinterControl = true;
}

void Terminal::EndPrinter()
{
    if (!Shared().PrinterControl.exchange(false))
        return;
    if (printer_)
        printer_->End();
}

}  // namespace velo
