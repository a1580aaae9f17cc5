#include "terminal/ScreenModel.h"

#include <algorithm>
#include <cstring>

#include "terminal/TermSurface.h"

namespace velo {

void FillAttrsLong(CellAttr* dst, CellAttr a, int n)
{
    if (a.fg == a.bg && a.bg == a.flags) {
        std::memset(static_cast<void*>(dst), a.fg, static_cast<size_t>(n) * 3);
        return;
    }
    // Write the first cell, then double the filled prefix: few calls, each a
    // plain memcpy, whatever the length.
    dst[0] = a;
    int done = 1;
    while (done < n) {
        int k = std::min(done, n - done);
        std::memcpy(static_cast<void*>(dst + done), dst, static_cast<size_t>(k) * 3);
        done += k;
    }
}

ScreenModel::ScreenModel(int defaultFg, int defaultBg, const std::atomic<bool>* frozen)
    : store_(new ScreenLine[kRingLines]),
      frozen_(frozen),
      kept_(new std::array<CellAttr, kLineBytes>[kRingLines])
{
    defaultFg_ = std::clamp(defaultFg, 0, 15);
    defaultBg_ = std::clamp(defaultBg, 0, 15);
    for (int i = 0; i < kRingLines; ++i) {
        ring_[i] = &store_[i];
        std::memset(store_[i].text, ' ', kLineBytes);
    }
    for (int r = 0; r < kMaxRows; ++r)
        ring_[r]->attrRow = static_cast<int8_t>(r);
    attr_ = CellAttr{static_cast<uint8_t>(defaultFg_), static_cast<uint8_t>(defaultBg_), 0};
    for (auto& row : attrs_)
        FillAttrs(row.data(), attr_, kLineBytes);
    for (int i = 0; i < kRingLines; ++i)
        FillAttrs(kept_[i].data(), attr_, kLineBytes);
    regionBottom_ = rows_ - 1;
    linesUsed_ = rows_;
}

ScreenModel::~ScreenModel() = default;

void ScreenModel::SetDefaultColours(int fg, int bg)
{
    defaultFg_ = std::clamp(fg, 0, 15);
    defaultBg_ = std::clamp(bg, 0, 15);
}

void ScreenModel::BlankLine(ScreenLine& line)
{
    std::memset(line.text, ' ', kLineBytes);
    line.size = LineSize::Single;
    if (line.attrRow >= 0)
        FillAttrs(attrs_[line.attrRow].data(), attr_, kLineBytes);
}

void ScreenModel::ClearSpan(int row, int first, int last)
{
    if (row < 0 || row >= rows_)
        return;
    first = std::max(first, 0);
    last = std::min(last, columns_ - 1);
    if (first > last)
        return;
    ScreenLine& line = LineAt(row);
    std::memset(line.text + first, ' ', static_cast<size_t>(last - first + 1));
    FillAttrs(AttrsAt(row) + first, attr_, last - first + 1);
    Touch(row, first, last);
}

void ScreenModel::ClearLine(int row)
{
    if (row < 0 || row >= rows_)
        return;
    // The whole storage, not only the visible columns: a fresh line must not
    // bring back old text beyond the edge when the screen is widened later.
    BlankLine(LineAt(row));
    TouchRow(row);
}

void ScreenModel::ClearRows(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, rows_ - 1);
    for (int r = first; r <= last; ++r)
        ClearLine(r);
}

void ScreenModel::CaptureLine(const ScreenLine& line)
{
    if (!capture_ || !capture_->TextCapturing())
        return;
    uint8_t buf[kLineBytes + 2];
    const uint8_t* t = line.text;
    int n = columns_;
    for (;;) {
        while (n > 0 && t[n - 1] == ' ')
            --n;
        // The cells pair up from the left as the window draws them: a byte
        // of 0x80 or above and the cell after it are one character. One
        // whose second cell is past the edge (or was a blank just dropped)
        // shows as a blank, so half a character never ends a line.
        int i = 0;
        while (i < n - 1)
            i += t[i] >= 0x80 ? 2 : 1;
        if (i == n - 1 && t[i] >= 0x80) {
            --n;
            continue;
        }
        break;
    }
    std::memcpy(buf, line.text, static_cast<size_t>(n));
    buf[n] = '\r';
    buf[n + 1] = '\n';
    capture_->TextLine(buf, n + 2);
}

void ScreenModel::ScrollUp()
{
    const int T = regionTop_, B = regionBottom_;
    // Damage bookkeeping first: it may hand over the picture as it was.
    NoteScroll(T, B, 1);
    ScreenLine* leaving = ring_[Slot(T)];
    CaptureLine(*leaving);
    const int below = Wrap(top_ + rows_);
    ScreenLine* fresh = ring_[below];
    HandOverAttrs(*leaving, *fresh);
    if (T != 0 || B != rows_ - 1) {
        // The lines below the region move one slot on, the fresh line goes in
        // after the region, the lines above the region move one slot on and
        // the leaving line takes the slot of the old top: after top moves on,
        // only the region has moved, and the leaving line is the newest line
        // of the scrollback.
        for (int r = rows_ - 1; r > B; --r)
            ring_[Wrap(top_ + r + 1)] = ring_[Wrap(top_ + r)];
        ring_[Wrap(top_ + B + 1)] = fresh;
        for (int n = T; n >= 1; --n)
            ring_[Wrap(top_ + n)] = ring_[Wrap(top_ + n - 1)];
        ring_[top_] = leaving;
    }
    BlankLine(*fresh);
    top_ = Wrap(top_ + 1);
    viewTop_ = top_;
    if (linesUsed_ < kRingLines)
        ++linesUsed_;
    historyChanged_ = true;
}

void ScreenModel::HandOverAttrs(ScreenLine& from, ScreenLine& to)
{
    std::memcpy(static_cast<void*>(kept_[&from - store_.get()].data()), attrs_[from.attrRow].data(),
                sizeof(CellAttr) * kLineBytes);
    to.attrRow = from.attrRow;
    from.attrRow = -1;
}

void ScreenModel::RotateRows(int first, int last, int n)
{
    // Screen rows first..last as a small array of line pointers.
    ScreenLine* tmp[kMaxRows];
    const int h = last - first + 1;
    for (int i = 0; i < h; ++i)
        tmp[i] = ring_[Slot(first + i)];
    for (int i = 0; i < h; ++i)
        ring_[Slot(first + i)] = tmp[((i + n) % h + h) % h];
}

void ScreenModel::ScrollDown()
{
    const int T = regionTop_, B = regionBottom_;
    NoteScroll(T, B, -1);
    RotateRows(T, B, -1);
    BlankLine(LineAt(T));
}

void ScreenModel::ClearScreenIntoScrollback()
{
    if (frozen_ && frozen_->load(std::memory_order_relaxed))
        return;
    for (int i = 0; i < rows_; ++i)
        CaptureLine(LineAt(i));
    for (int i = 0; i < rows_; ++i) {
        ScreenLine& old = LineAt(i);
        ScreenLine* fresh = ring_[Wrap(top_ + rows_ + i)];
        HandOverAttrs(old, *fresh);
        BlankLine(*fresh);
    }
    top_ = Wrap(top_ + rows_);
    viewTop_ = top_;
    linesUsed_ = std::min(linesUsed_ + rows_, kRingLines);
    historyChanged_ = true;
    col_ = row_ = 0;
    // The old pixels are all replaced: no scroll is needed, only damage.
    scrollCount_ = 0;
    scrollSaturated_ = false;
    TouchAll();
    OnScreenCleared();
}

void ScreenModel::Resize(int columns, int rows)
{
    if (columns <= 0)
        columns = 1;
    else if (columns > kMaxColumns)
        columns = kMaxColumns - 1;
    if (rows <= 0)
        rows = 1;
    else if (rows > kMaxRows)
        rows = kMaxRows - 1;
    if (columns == columns_ && rows == rows_)
        return;
    FlushDamage();
    if (columns > columns_) {
        const CellAttr def{static_cast<uint8_t>(defaultFg_), static_cast<uint8_t>(defaultBg_), 0};
        for (int r = 0; r < rows_; ++r)
            FillAttrs(AttrsAt(r) + columns_, def, columns - columns_);
    }
    if (rows > rows_) {
        // Rebind row i to attribute row i, keeping its colours; the rows
        // that join take the attribute rows that follow.
        std::array<std::array<CellAttr, kLineBytes>, kMaxRows> copy;
        for (int r = 0; r < rows_; ++r)
            copy[r] = attrs_[LineAt(r).attrRow];
        for (int r = 0; r < rows_; ++r) {
            attrs_[r] = copy[r];
            LineAt(r).attrRow = static_cast<int8_t>(r);
        }
        const int old = rows_;
        rows_ = rows;
        for (int r = old; r < rows; ++r) {
            LineAt(r).attrRow = static_cast<int8_t>(r);
            BlankLine(LineAt(r));
        }
        linesUsed_ = std::min(linesUsed_ + (rows - old), kRingLines);
    } else if (rows < rows_) {
        for (int r = rows; r < rows_; ++r)
            LineAt(r).attrRow = -1;
        linesUsed_ = std::max(linesUsed_ - (rows_ - rows), rows);
        rows_ = rows;
    }
    columns_ = columns;
    regionTop_ = 0;
    regionBottom_ = rows_ - 1;
    col_ = std::min(col_, columns_ - 1);
    row_ = std::min(row_, rows_ - 1);
    viewTop_ = top_;
    historyChanged_ = true;
    for (auto& s : dirty_)
        s = Span{};
    TouchAll();
    if (surface_)
        surface_->Resized(columns_, rows_);
    FlushDamage();
}

void ScreenModel::TouchAll()
{
    for (int r = 0; r < rows_; ++r)
        TouchRow(r);
}

void ScreenModel::NoteScroll(int top, int bottom, int n)
{
    const bool pending = scrollCount_ != 0 || scrollSaturated_;
    const int dir = n > 0 ? 1 : -1;
    if (pending && (top != scrollTop_ || bottom != scrollBottom_ || dir != scrollDir_))
        FlushDamage();
    scrollTop_ = top;
    scrollBottom_ = bottom;
    scrollDir_ = dir;
    const int h = bottom - top + 1;
    const int k = n > 0 ? n : -n;
    if (scrollSaturated_ || k >= h || (scrollCount_ > 0 ? scrollCount_ : -scrollCount_) + k >= h) {
        // The whole region is new: no pixels to keep.
        scrollCount_ = 0;
        scrollSaturated_ = true;
        for (int r = top; r <= bottom; ++r)
            dirty_[r] = Span{0, static_cast<uint8_t>(columns_ - 1)};
        return;
    }
    if (n > 0) {
        for (int r = top; r + k <= bottom; ++r)
            dirty_[r] = dirty_[r + k];
        for (int r = bottom - k + 1; r <= bottom; ++r)
            dirty_[r] = Span{0, static_cast<uint8_t>(columns_ - 1)};
    } else {
        for (int r = bottom; r - k >= top; --r)
            dirty_[r] = dirty_[r - k];
        for (int r = top; r < top + k; ++r)
            dirty_[r] = Span{0, static_cast<uint8_t>(columns_ - 1)};
    }
    scrollCount_ += n;
}

void ScreenModel::FlushDamage()
{
    if (surface_) {
        if (scrollCount_ != 0)
            surface_->Scroll(scrollTop_, scrollBottom_, scrollCount_);
        for (int r = 0; r < rows_; ++r) {
            const Span s = dirty_[r];
            if (s.lo <= s.hi)
                surface_->Damage(r, s.lo, std::min<int>(s.hi, columns_ - 1));
        }
        if (historyChanged_)
            surface_->HistoryChanged();
    }
    for (auto& s : dirty_)
        s = Span{};
    scrollCount_ = 0;
    scrollSaturated_ = false;
    historyChanged_ = false;
}

}  // namespace velo
