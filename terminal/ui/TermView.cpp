#include "terminal/ui/TermView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "base/CommandIds.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/TermText.h"

namespace velo {

// ---- selection rows ----------------------------------------------------------

void TermSelection::Ordered(int* sr, int* sc, int* er, int* ec) const
{
    *sr = startRow, *sc = startCol, *er = endRow, *ec = endCol;
    if (*sr > *er || (*sr == *er && *sc > *ec)) {
        std::swap(*sr, *er);
        std::swap(*sc, *ec);
    }
}

void TermSelection::RowRange(int h, int columns, int* from, int* to) const
{
    int sr, sc, er, ec;
    Ordered(&sr, &sc, &er, &ec);
    *from = 1;
    *to = 0;
    if (h < sr || h > er)
        return;
    *from = h == sr ? sc : 0;
    *to = h == er ? ec : columns;
}

TermView::TermView(CAnsiTerm& window) : w_(window), term_(window.term_)
{
    bar_ = new QScrollBar(Qt::Vertical, &w_);
    bar_->setFocusPolicy(Qt::NoFocus);
    QObject::connect(bar_, &QScrollBar::valueChanged, &w_, [this](int value) { ScrollTo(value); });
    autoScroll_.setInterval(10);
    QObject::connect(&autoScroll_, &QTimer::timeout, &w_, [this] { AutoScrollTick(); });
    SetTitle(false);
    SettingsStore& s = w_.out_.settings;
    SetWheel(settings::ReadIntDefault(s, settings::kWheel, settings::kScrollLines),
             settings::ReadIntDefault(s, settings::kWheel, settings::kReverse) != 0);
}

void TermView::SetWheel(int linesPerNotch, bool reverse)
{
    wheelLines_ = linesPerNotch;
    wheelReverse_ = reverse;
}

// ---- scrollback view -------------------------------------------------------

void TermView::Layout()
{
    int sb = w_.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    bar_->setGeometry(w_.width() - sb, 0, sb, w_.height());
}

QRect TermView::BarGeometry() const { return bar_->geometry(); }

void TermView::SetTitle(bool view)
{
    QString t = view ? QStringLiteral("터미널 - 챙긴글 보기") : QStringLiteral("터미널 - 입력");
    if (w_.windowTitle() != t) {
        w_.setWindowTitle(t);
        emit w_.titleChanged(t);
    }
}

void TermView::UpdateScrollBar()
{
    int max = std::max(0, LiveHistoryBase(term_));
    QSignalBlocker block(bar_);
    bar_->setRange(0, max);
    bar_->setPageStep(term_.Rows());
    bar_->setSingleStep(1);
    if (!w_.Frozen())
        pos_ = max;
    bar_->setValue(pos_);
}

void TermView::ScrollLines(int delta) { ScrollTo(pos_ + delta); }

void TermView::ScrollTo(int position)
{
    int bottom = std::max(0, LiveHistoryBase(term_));
    position = std::clamp(position, 0, bottom);
    pos_ = position;
    term_.SetViewTop(term_.Rows() + position + term_.Top() - term_.LinesUsed() + kRingLines);
    {
        QSignalBlocker block(bar_);
        bar_->setValue(pos_);
    }
    if (pos_ != bottom || viewHeld_) {
        SetTitle(true);
        w_.SetFrozen(true);
        w_.input_.DropHotSpot();
        w_.painter_.UpdateCaretRect();
        w_.update();
    } else {
        bool was = w_.Frozen();
        w_.input_.DropHotSpot();
        SetTitle(false);
        w_.SetFrozen(false);
        w_.painter_.MarkAllDirty();
        w_.painter_.RenderNow();
        w_.update();
        w_.unsetCursor();
        // The data path stopped while frozen: bytes may be waiting.
        if (was)
            w_.PostToFrame(CMD_CONN_DATA);
    }
}

void TermView::Open()
{
    if (w_.Frozen())
        return;
    ClearSelection();
    viewHeld_ = true;
    ScrollTo(LiveHistoryBase(term_));
}

void TermView::Leave()
{
    if (!w_.Frozen())
        return;
    ClearSelection();
    viewHeld_ = false;
    ScrollTo(LiveHistoryBase(term_));
}

void TermView::Wheel(QWheelEvent* e)
{
    // Fine-grained wheels and touchpads report fractions of a notch.
    wheelRest_ += e->angleDelta().y();
    int notches = wheelRest_ / 120;
    if (notches == 0)
        return;
    wheelRest_ -= notches * 120;
    int n = wheelLines_;
    if (n < 0 || n > term_.Rows())
        n = term_.Rows();
    // Away from the user (positive) goes towards older lines.
    int delta = -notches * n;
    if (wheelReverse_)
        delta = -delta;
    int bottom = std::max(0, LiveHistoryBase(term_));
    int target = std::clamp(pos_ + delta, 0, bottom);
    if (target != pos_)
        ScrollTo(target);
}

int TermView::HistoryRowAt(int y) const
{
    int ch = w_.painter_.CellHeight();
    int base = w_.Frozen() ? pos_ : LiveHistoryBase(term_);
    int row = y < 0 ? -1 - (-y - 1) / ch : y / ch;
    return base + row;
}

// ---- selection -------------------------------------------------------------

void TermView::RepaintRows(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    if (w_.Frozen()) {
        w_.update();
        return;
    }
    int base = LiveHistoryBase(term_);
    for (int h = a; h <= b; ++h)
        w_.painter_.MarkRowDirty(h - base, 0, term_.Columns() - 1);
    w_.painter_.RenderNow();
}

void TermView::SetSelection(int startRow, int startCol, int endRow, int endCol)
{
    int lastRow = term_.LinesUsed() - 1;
    int oldA = std::min(sel_.startRow, sel_.endRow), oldB = std::max(sel_.startRow, sel_.endRow);
    bool wasShown = sel_.shown;
    sel_.startRow = std::clamp(startRow, 0, lastRow);
    sel_.endRow = std::clamp(endRow, 0, lastRow);
    sel_.startCol = std::clamp(startCol, 0, term_.Columns());
    sel_.endCol = std::clamp(endCol, 0, term_.Columns());
    sel_.shown = true;
    if (wasShown)
        RepaintRows(oldA, oldB);
    RepaintRows(sel_.startRow, sel_.endRow);
}

void TermView::SelectAll()
{
    SetSelection(0, 0, term_.LinesUsed() - 1, term_.Columns());
    w_.update();
}

void TermView::ClearSelection()
{
    bool was = sel_.shown;
    int a = sel_.startRow, b = sel_.endRow;
    sel_ = TermSelection{};
    autoScroll_.stop();
    if (was)
        RepaintRows(a, b);
}

std::string TermView::SelectionBytes() const
{
    if (!sel_.shown)
        return {};
    int sr, sc, er, ec;
    sel_.Ordered(&sr, &sc, &er, &ec);
    return termtext::SelectionText(sr, sc, er, ec, term_.Columns(),
                                   [this](int h) { return term_.HistoryLine(h).text; });
}

bool TermView::Copy()
{
    if (!sel_.shown)
        return false;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) {
        QMessageBox::warning(&w_, QStringLiteral("Vellow"), QStringLiteral("클립보드를 열 수 없습니다."));
        return false;
    }
    std::string bytes = SelectionBytes();
    // The clipboard gets readable text: the stored bytes decoded in the
    // code the screen is shown in.
    std::string utf8 = hangul::DecodeToUtf8(bytes, term_.DisplayCode());
    cb->setText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    if (!viewHeld_ && !w_.Frozen())
        ClearSelection();
    return true;
}

bool TermView::CanAddFavourite() const
{
    return sel_.shown && sel_.startRow == sel_.endRow && std::abs(sel_.endCol - sel_.startCol) <= 10 &&
           sel_.endCol != sel_.startCol;
}

void TermView::AddFavourite()
{
    if (!CanAddFavourite())
        return;
    int a = std::min(sel_.startCol, sel_.endCol), b = std::max(sel_.startCol, sel_.endCol);
    const uint8_t* t = term_.HistoryLine(sel_.startRow).text;
    std::string text(reinterpret_cast<const char*>(t + a), size_t(std::min(b - a, 10)));
    w_.SendTextToFrame(WM_ADD_FAVOURITE, text);
}

// ---- selecting with the mouse ------------------------------------------------

int TermView::ColumnAt(int h, int x) const
{
    return termtext::ColumnAtX(term_.HistoryLine(h).text, term_.Columns(), x, w_.painter_.CellWidth());
}

void TermView::BeginSelection(QPoint p)
{
    int h = std::clamp(HistoryRowAt(p.y()), 0, term_.LinesUsed() - 1);
    int col = ColumnAt(h, p.x());
    bool was = sel_.shown;
    int a = sel_.startRow, b = sel_.endRow;
    sel_.shown = sel_.selecting = true;
    sel_.startRow = sel_.endRow = h;
    sel_.startCol = sel_.endCol = col;
    lastMouse_ = p;
    if (was)
        RepaintRows(a, b);
}

void TermView::DragSelection(QPoint p)
{
    lastMouse_ = p;
    w_.setCursor(Qt::IBeamCursor);
    int textBottom = term_.Rows() * w_.painter_.CellHeight();
    if (p.y() < 0 || p.y() >= textBottom) {
        autoDir_ = p.y() < 0 ? -1 : 1;
        if (!autoScroll_.isActive()) {
            AutoScrollTick();
            autoScroll_.start();
        }
        return;
    }
    autoScroll_.stop();
    int h = std::clamp(HistoryRowAt(p.y()), 0, term_.LinesUsed() - 1);
    int col = ColumnAt(h, p.x());
    if (h != sel_.endRow || col != sel_.endCol) {
        int old = sel_.endRow;
        sel_.endRow = h;
        sel_.endCol = col;
        RepaintRows(old, h);
    }
}

void TermView::AutoScrollTick()
{
    // Dragging outside the window scrolls a line every tick; reaching the
    // live screen closes the view.
    if (!sel_.selecting) {
        autoScroll_.stop();
        return;
    }
    ScrollLines(autoDir_);
    int row = autoDir_ < 0 ? 0 : term_.Rows() - 1;
    int base = w_.Frozen() ? pos_ : LiveHistoryBase(term_);
    int h = std::clamp(base + row, 0, term_.LinesUsed() - 1);
    int old = sel_.endRow;
    sel_.endRow = h;
    sel_.endCol = ColumnAt(h, lastMouse_.x());
    RepaintRows(old, h);
}

bool TermView::EndSelection(bool* click)
{
    autoScroll_.stop();
    *click = false;
    if (!sel_.selecting)
        return false;
    sel_.selecting = false;
    if (sel_.startRow == sel_.endRow && sel_.startCol == sel_.endCol) {
        sel_.shown = false;
        *click = true;
    }
    return true;
}

}  // namespace velo
