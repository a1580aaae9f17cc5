// The scrollback view and the selection of the terminal window.
//
// Rows are history rows: 0 is the oldest line kept, the live screen is the
// last Rows() of them. The view shows Rows() rows from a position on; while
// it is open (scrolled up, or opened by the frame's "챙긴글 보기") the
// terminal is frozen: no received bytes are fed, the title says "터미널 -
// 챙긴글 보기", and the rows are painted from history. Returning to the bottom
// closes it, unless the frame opened it.
//
// The selection runs from where the left button went down to where it is now
// (either order), in history rows and columns; dragging past the top or
// bottom scrolls a line every 10 ms. Copy puts it on the clipboard decoded
// in the code the screen is shown in.
#pragma once

#include <QPoint>
#include <QRect>
#include <QTimer>
#include <string>

#include "terminal/Terminal.h"

class QScrollBar;
class QWheelEvent;

namespace velo {

class CAnsiTerm;

// The history row at the top of the live screen.
inline int LiveHistoryBase(const Terminal& t) { return t.LinesUsed() - t.Rows(); }

struct TermSelection {
    bool shown = false;
    bool selecting = false;  // the left button is down and the selection follows it
    int startRow = 0, startCol = 0, endRow = 0, endCol = 0;

    // Columns [*from, *to) of history row h that the selection covers
    // (*from > *to when none).
    void RowRange(int h, int columns, int* from, int* to) const;
    // Start and end in reading order.
    void Ordered(int* sr, int* sc, int* er, int* ec) const;
};

class TermView {
public:
    explicit TermView(CAnsiTerm& window);

    // The scroll bar along the right edge; its range follows the history.
    void Layout();
    QRect BarGeometry() const;
    void UpdateScrollBar();

    int Position() const { return pos_; }
    void ScrollTo(int position);
    void ScrollLines(int delta);
    // The frame's "챙긴글 보기" and its return to input.
    void Open();
    void Leave();
    // Wheel notches scroll the settings' "Wheel"/"ScrollLines" lines each
    // (away from the user: older lines), "Reverse" turns the direction. The
    // values are read when the window is made; SetWheel hands over new ones
    // (lines per notch, negative: a page).
    void Wheel(QWheelEvent* e);
    void SetWheel(int linesPerNotch, bool reverse);
    // The history row shown at window row y.
    int HistoryRowAt(int y) const;

    const TermSelection& Selection() const { return sel_; }
    void SetSelection(int startRow, int startCol, int endRow, int endCol);
    void SelectAll();
    void ClearSelection();
    std::string SelectionBytes() const;
    bool Copy();  // false when nothing was copied
    // One row, at most 10 columns: what "자주 가는곳에 추가" takes.
    bool CanAddFavourite() const;
    void AddFavourite();

    // The left button: down at p starts a selection there; moves extend it;
    // up ends it. EndSelection is false when none was being made, and tells
    // whether the selection never left its first cell (a click).
    void BeginSelection(QPoint p);
    void DragSelection(QPoint p);
    bool EndSelection(bool* click);

private:
    void SetTitle(bool view);
    void RepaintRows(int a, int b);
    void AutoScrollTick();
    int ColumnAt(int h, int x) const;

    CAnsiTerm& w_;
    Terminal& term_;
    QScrollBar* bar_ = nullptr;
    int pos_ = 0;  // history row at the top of the window
    int wheelRest_ = 0;
    int wheelLines_ = 3;
    bool wheelReverse_ = false;
    bool viewHeld_ = false;  // opened by the frame: stays open at the bottom

    TermSelection sel_;
    QTimer autoScroll_;
    int autoDir_ = 0;
    QPoint lastMouse_;
};

}  // namespace velo
