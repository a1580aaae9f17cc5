// The terminal window: draws the screen model, owns the engine, turns keys
// and mouse into bytes for the host, and keeps the scrollback view and the
// selection.
//
// Rendering. The engine reports damage (cells of screen rows), region scrolls
// and shapes at the end of every Feed. Damaged cells are drawn from the model
// into a backing image; a scroll moves the image's pixels unless the whole
// region is to be drawn again anyway. Drawing into the image happens when the
// feed returns, but at most once per display frame (16 ms): under a flood the
// damage of many feeds is drawn once. Shapes are kept in an overlay image that
// scrolls with the region and is cleared under cells drawn again. The
// scrollback view is painted directly from the history rows.
#pragma once

#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QVarLengthArray>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "connect/ConnUi.h"
#include "base/CommandIds.h"
#include "base/SettingsLayout.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"
#include "terminal/ui/TermHost.h"
#include "terminal/ui/TermText.h"

class QScrollBar;
class QTimer;
class QMenu;

namespace velo {

class AnsiMusic;

class CAnsiTerm : public QWidget, public TermSurface, public ReplySink, public ConnTerminal {
    Q_OBJECT
public:
    // out: settings, frame and shared flags; conn: where typed bytes and
    // replies go; host: the key map, the macro sender and the sounds.
    CAnsiTerm(const Outlets& out, ConnFacade& conn, TermHost& host, QWidget* parent = nullptr);
    ~CAnsiTerm() override;

    Terminal& Term() { return term_; }
    const Terminal& Term() const { return term_; }

    // Fonts: the logical font of the settings; an absent face falls back to
    // "NanumGothicCoding". Cell metrics are measured again and the window asks
    // for its new size.
    void SetTermFont(const LogFontFields& f);
    const LogFontFields& TermFont() const { return font_; }
    int CellWidth() const { return cw_; }
    int CellHeight() const { return ch_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Screen size (the entry's columns and rows).
    void SetScreenSize(int columns, int rows);

    // ConnTerminal / ConnEchoTarget.
    bool Frozen() const override;
    void FeedEcho(const uint8_t* data, int len) override;
    bool Hold() const override { return term_.Hold(); }
    bool SelectionShown() const override { return selShown_; }
    void ClearSelection() override;
    int Feed(const uint8_t* data, int len) override;
    void WriteText(std::string_view utf8) override;
    void SetLogin(const PhoneBookEntry& entry) override;
    void ConnectionChanged(bool up) override;

    // TermSurface.
    void Scroll(int top, int bottom, int n) override;
    void Damage(int row, int first, int last) override;
    void Shape(const TermShape& shape) override;
    void HistoryChanged() override;
    void Resized(int columns, int rows) override;
    void CaretShape(CaretKind shape, bool blink) override;
    void Beep() override;
    void EventSound(std::string_view name) override;
    void HangulInput(bool on) override;

    // ReplySink: Raw written as it is, Macro through the macro sender.
    void Reply(const uint8_t* data, int count, ReplyMode mode) override;

    // Scrollback view.
    void OpenView();   // the frame's "챙긴글 보기" while live
    void LeaveView();  // the frame's return to input
    bool ViewOpen() const { return Frozen(); }
    int ScrollPosition() const { return pos_; }
    void ScrollTo(int position);
    void ScrollLines(int delta);

    // Selection (history rows and columns) and the clipboard.
    void SelectAll();
    void SetSelection(int startRow, int startCol, int endRow, int endCol);
    std::string SelectionBytes() const;
    bool Copy();  // false when nothing was copied
    // The history row shown at window row y (for the live screen, the screen's).
    int HistoryRowAt(int y) const;

    // Click-to-send.
    const termtext::HotSpot& Hot() const { return hot_; }
    void HoverAt(QPoint p);
    void DropHotSpot();
    void ClickAt(QPoint p, Qt::KeyboardModifiers mods);
    void ReceiveFile();  // command 32853
    bool CanReceiveFile() const;

    // Context-menu commands whose work is the terminal's (the frame's
    // actions run them). Catch line: the line under the mouse when the menu
    // opened, trailing spaces dropped, to the frame as WM_CHAT_LINE. Add
    // favourite: a selection within one row of at most 10 columns, to the
    // frame as WM_ADD_FAVOURITE.
    void CatchLine();
    bool CanAddFavourite() const;
    void AddFavourite();

    // Keys as the terminal handles them (also used by the frame's PgUp/PgDn).
    void HandleKey(QKeyEvent* e);

    // After a frame command changed the model outside Feed (clear, reset,
    // display code): hand the damage over and draw it.
    void AfterModelChange();
    // The entry's auto-wrap switch, as the host's mode 7 would set it.
    void SetAutowrap(bool on);

    // The input method's text being composed (shown, not yet sent).
    QString Preedit() const { return preedit_; }

    // The picture as it is shown now (damage drawn first).
    QImage Snapshot();
    // Draws pending damage into the backing image at once.
    void RenderNow();
    // Draws every cell again from the model (what an expose would show).
    void RedrawAll();
    // Colours of a cell as the rules give them (for tests and the view).
    static void CellColours(const CellAttr& a, bool blinkOff, bool selected, QRgb* text, QRgb* back);
    void SetBlinkPhase(bool on);
    bool BlinkPhase() const { return blinkOn_; }

    void SetDefaultColours(int fg, int bg);
    void SetMusic(AnsiMusic* music);

signals:
    // The title of the terminal: "터미널 - 입력" or "터미널 - 챙긴글 보기".
    void titleChanged(const QString& title);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery q) const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }
    bool event(QEvent* e) override;

private:
    struct Span {
        int lo = 1 << 30, hi = -1;
        bool Empty() const { return hi < lo; }
    };
    void MakeFonts();
    void ResizeBacking();
    void ScheduleRender();
    void RenderRow(QPainter& p, int row, int lo, int hi);
    void DrawCellText(QPainter& p, const QRect& r, const QString& s, QRgb t, QRgb k, int fontIndex,
                      bool doubleSize);
    bool GlyphIndexes(int fontIndex, const QString& s, QVarLengthArray<quint32, 160>* out);
    void DrawBlock(QPainter& p, const QRect& r, int block, QRgb t, QRgb k);
    void DrawLineGlyph(QPainter& p, const QRect& r, uint8_t letter, QRgb t, QRgb k);
    void PaintView(QPainter& p, const QRect& clip);
    void UpdateScrollBar();
    void OnScrollBar(int value);
    void SetTitle(bool view);
    void BlinkTick();
    void MarkRowDirty(int row, int lo, int hi);
    void MarkAllDirty();
    QRect RowRect(int row) const;
    int LiveHistoryBase() const { return term_.LinesUsed() - term_.Rows(); }
    bool InSelection(int historyRow, int col) const;
    void SelectionRowRange(int historyRow, int* from, int* to) const;
    void RepaintSelectionRows(int a, int b);
    void AutoScrollTick();
    void SendToFrame(int id);
    void PostToFrame(int id);
    void WriteHost(const std::string& bytes);
    void UpdateCaretRect();

    Outlets out_;
    SharedFlags& flags_;
    ConnFacade& conn_;
    TermHost& host_;
    Terminal term_;
    LogFontFields font_;
    std::array<QFont, 4> fonts_;  // italic << 1 | underline
    struct GlyphFont {
        QRawFont raw;
        std::array<quint32, 128> ascii{};
        QHash<char32_t, quint32> other;
    };
    std::array<GlyphFont, 4> glyphs_;
    int cw_ = 8, ch_ = 16, ascent_ = 12;
    QScrollBar* bar_ = nullptr;
    QImage backing_;
    QImage overlay_;  // shapes; null until the first shape
    bool overlayUsed_ = false;
    std::array<Span, kMaxRows> dirty_{};
    bool anyDirty_ = false;
    QRegion pendingUpdate_;
    QTimer* renderTimer_ = nullptr;
    qint64 lastRender_ = 0;
    qint64 lastRenderCost_ = 0;
    QTimer* blinkTimer_ = nullptr;
    bool blinkOn_ = true;
    QTimer* caretTimer_ = nullptr;
    bool caretOn_ = true;
    CaretKind caretShape_ = CaretKind::Block;
    bool caretBlink_ = true;
    QRect caretRect_;
    QString preedit_;  // input method text not yet committed

    // Scrollback view.
    int pos_ = 0;  // history row at the top of the window
    int wheelRest_ = 0;
    bool viewHeld_ = false;

    // Selection.
    bool selShown_ = false;
    bool selecting_ = false;
    int selStartRow_ = 0, selStartCol_ = 0, selEndRow_ = 0, selEndCol_ = 0;
    QTimer* autoScroll_ = nullptr;
    int autoDir_ = 0;
    QPoint lastMouse_;

    // Click-to-send.
    termtext::HotSpot hot_;
    int hotRow_ = -1;
    bool receivingFile_ = false;

    int clickedSlot_ = -1;  // history row under the mouse when the context menu opened
    AnsiMusic* music_ = nullptr;
};


}  // namespace velo
