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

void Terminal::CsiDispatch(uint8_t final)
{
    const int m = marker_;
    switch (final) {
    case '@': InsertChars(N()); break;
    case 'A':
        row_ = std::max(row_ - N(), 0);
        if (row_ == regionTop_ - 1)
            row_ = regionTop_;
        break;
    case 'B':
        row_ = std::min(row_ + std::min(N(), kMaxRows), rows_ - 1);
        if (row_ == regionBottom_ + 1)
            row_ = regionBottom_;
        break;
    case 'C': col_ = std::min(col_ + std::min(N(), kMaxColumns), columns_ - 1); break;
    case 'D': col_ = std::max(col_ - N(), 0); break;
    case 'F':
        if (m == '=' && params_[0] >= 0 && params_[0] <= 15)
            attr_.fg = PcToPalette(params_[0]);
        break;
    case 'G':
        if (m == 0)
            DrawBox(params_[0], Param(1));
        else if (m == '=' && params_[0] >= 0 && params_[0] <= 15)
            attr_.bg = PcToPalette(params_[0]);
        break;
    case 'H':
    case 'f':
        row_ = std::clamp(params_[0] - 1, 0, rows_ - 1);
        col_ = std::clamp(Param(1) - 1, 0, columns_ - 1);
        break;
    case 'J': EraseDisplay(params_[0]); break;
    case 'K': EraseLine(params_[0]); break;
    case 'L': InsertLines(N()); break;
    case 'M': DeleteLines(N()); break;
    case 'O':
        if (Param(1) >= 1) {
            if (params_[0] == 0)
                DrawBox(Param(1), 1);
            else if (params_[0] == 1)
                DrawBox(1, Param(1));
        }
        break;
    case 'P': DeleteChars(N()); break;
    case 'X': ClearSpan(row_, col_, col_ + std::min(N(), kMaxColumns) - 1); break;
    case 'a':
        if (paramCount_ >= 3 && Param(2) >= 1)
            DrawArc(false);
        break;
    case 'b':
    case 'c': DrawShape(final); break;
    case 'd':
        if (params_[0] == 0 || params_[0] == 113)
            Shared().PictureMode = false;
        else if (params_[0] == 114)
            Shared().PictureMode = true;
        if (tablesAt_ != Shared().PictureMode.load())
            BuildTables();
        break;
    case 'g':
        penX_ = static_cast<float>(params_[0]);
        penY_ = static_cast<float>(Param(1));
        break;
    case 'h': SetModes(true); break;
    case 'l': SetModes(false); break;
    case 'i':
        if (m == 0) {
            if (params_[0] == 5)
                StartPrinter();
            else if (params_[0] == 4)
                EndPrinter();
        } else if (m == '>') {
            TermShape s;
            s.kind = TermShape::Line;
            s.left = Round(penX_);
            s.top = Round(penY_);
            s.right = params_[0];
            s.bottom = Param(1);
            s.pen = attr_.bg;
            penX_ = static_cast<float>(params_[0]);
            penY_ = static_cast<float>(Param(1));
            EmitShape(s);
        }
        break;
    case 'm': Attributes(); break;
    case 'n':
        if (params_[0] == 6) {
            char buf[32];
            const int len = std::snprintf(buf, sizeof buf, "%c[%d;%dR", 27, row_ + 1, col_ + 1);
            SendToHost(reinterpret_cast<const uint8_t*>(buf), len, 0);
        }
        break;
    case 'p': {
        TermShape s;
        s.kind = TermShape::Pixel;
        s.left = s.right = params_[0];
        s.top = s.bottom = Param(1);
        s.pen = attr_.fg;
        penX_ = static_cast<float>(params_[0]);
        penY_ = static_cast<float>(Param(1));
        EmitShape(s);
        break;
    }
    case 'r': ScrollRegion(); break;
    case 's': SaveCursor(); break;
    case 'u': RestoreCursor(); break;
    case 'z':
        if (paramCount_ < 3) {
            static constexpr int kShape[5] = {0, 1, 1, 2, 2};
            const int p1 = params_[0];
            if (p1 >= 0 && p1 <= 4) {
                caretShape_ = kShape[p1];
                caretBlink_ = p1 != 2 && p1 != 4;
                if (surface_)
                    surface_->CaretShape(caretShape_, caretBlink_);
            }
        } else if (Param(2) >= 1) {
            DrawArc(true);
        }
        break;
    default: break;
    }
}

void Terminal::SetModes(bool on)
{
    switch (params_[0]) {
    case 1: cursorKeyApp_ = on; break;
    case 4: insert_ = on; break;
    case 7: autowrap_ = on; break;
    case 12: out_.flags.ConnState.LocalEcho = on; break;
    case 20: Shared().NewlineMode = on; break;
    case 30: fullWidth_ = on; break;
    case 85:
    case 88:
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
    case 0:
        ClearSpan(row_, col_, columns_ - 1);
        ClearRows(row_ + 1, rows_ - 1);
        break;
    case 1:
        ClearRows(0, row_ - 1);
        ClearSpan(row_, 0, col_);
        break;
    case 2:
        ClearScreenIntoScrollback();
        break;
    default: break;
    }
}

void Terminal::EraseLine(int how)
{
    switch (how) {
    case 0: ClearSpan(row_, col_, columns_ - 1); break;
    case 1: ClearSpan(row_, 0, col_); break;
    case 2: ClearSpan(row_, 0, columns_ - 1); break;
    default: break;
    }
}

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

void Terminal::StartPrinter()
{
    if (Shared().PrinterControl.load())
        return;
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
