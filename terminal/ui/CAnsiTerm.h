// The terminal window: owns the engine (Terminal), feeds it the host's bytes
// and wires it to the window's three helpers, one concern each:
//
//   TermPainter  the drawing: the model's damage into a backing image at the
//                display's frame rate, glyph runs and their cache, colours,
//                blink, block and line glyphs, the shapes overlay, the caret
//   TermView     the scrollback view, the selection and the clipboard copy
//   TermInput    keys, the input method, the mouse, click-to-send hot spots,
//                receiving a file by its number, the context menu
//
// This class is what the engine (TermSurface, ReplySink) and the data path
// (ConnTerminal) see of the window; it sizes the window and hands Qt's events
// to the helpers. What it needs of the frame comes through TermHost.
#pragma once

#include <QWidget>
#include <string>

#include "base/Flags.h"
#include "base/SettingsLayout.h"
#include "connect/Conn.h"
#include "connect/ConnUi.h"
#include "terminal/TermSurface.h"
#include "terminal/Terminal.h"
#include "terminal/ui/TermHost.h"
#include "terminal/ui/TermInput.h"
#include "terminal/ui/TermPainter.h"
#include "terminal/ui/TermView.h"

namespace velo {

class AnsiMusic;

class CAnsiTerm : public QWidget, public TermSurface, public ReplySink, public ConnTerminal {
    Q_OBJECT
public:
    // out: settings, frame and shared flags; conn: where typed bytes and
    // replies go; host: the frame's actions, the key map, the macro sender
    // and the sounds. All outlive the window.
    CAnsiTerm(const Outlets& out, ConnFacade& conn, TermHost& host, QWidget* parent = nullptr);
    ~CAnsiTerm() override;

    Terminal& Term() { return term_; }
    const Terminal& Term() const { return term_; }

    // Fonts: the logical font of the settings; an absent face falls back to
    // "NanumGothicCoding". Cell metrics are measured again and the window asks
    // for its new size.
    void SetTermFont(const LogFontFields& f);
    const LogFontFields& TermFont() const { return font_; }
    int CellWidth() const { return painter_.CellWidth(); }
    int CellHeight() const { return painter_.CellHeight(); }
    // The face the cells are drawn in, without attributes (the chat pane's).
    const QFont& PlainFont() const { return painter_.Font(0); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Screen size (the entry's columns and rows).
    void SetScreenSize(int columns, int rows);

    // ConnTerminal / ConnEchoTarget.
    bool Frozen() const override;
    void FeedEcho(const uint8_t* data, int len) override;
    bool Hold() const override { return term_.Hold(); }
    bool SelectionShown() const override { return view_.Selection().shown; }
    void ClearSelection() override { view_.ClearSelection(); }
    int Feed(const uint8_t* data, int len) override;
    void WriteText(std::string_view utf8) override;
    void SetLogin(const PhoneBookEntry& entry) override;
    void ConnectionChanged(bool up) override;

    // TermSurface.
    void Scroll(int top, int bottom, int n) override;
    void Damage(int row, int first, int last) override { painter_.MarkRowDirty(row, first, last); }
    void Shape(const TermShape& shape) override { painter_.Shape(shape); }
    void HistoryChanged() override { view_.UpdateScrollBar(); }
    void Resized(int columns, int rows) override;
    void CaretShape(CaretKind shape, bool blink) override { painter_.CaretShape(shape, blink); }
    void Beep() override;
    void EventSound(std::string_view name) override { host_.PlaySound(name); }
    void HangulInput(bool on) override { input_.HangulInput(on); }

    // ReplySink: Raw written as it is, Macro through the macro sender.
    void Reply(const uint8_t* data, int count, ReplyMode mode) override;

    // Scrollback view and selection (TermView).
    void OpenView() { view_.Open(); }
    void LeaveView() { view_.Leave(); }
    int ScrollPosition() const { return view_.Position(); }
    void ScrollTo(int position) { view_.ScrollTo(position); }
    int HistoryRowAt(int y) const { return view_.HistoryRowAt(y); }
    void SelectAll() { view_.SelectAll(); }
    void SetSelection(int startRow, int startCol, int endRow, int endCol)
    {
        view_.SetSelection(startRow, startCol, endRow, endCol);
    }
    std::string SelectionBytes() const { return view_.SelectionBytes(); }
    const TermSelection& Selection() const { return view_.Selection(); }
    // New wheel settings from the frame: lines per notch (negative: a page)
    // and the reverse switch.
    void SetWheel(int linesPerNotch, bool reverse) { view_.SetWheel(linesPerNotch, reverse); }
    bool Copy() { return view_.Copy(); }

    // Click-to-send, receiving a file and the context menu's own commands
    // (TermInput, TermView); the frame's actions run these.
    const termtext::HotSpot& Hot() const { return input_.Hot(); }
    void HoverAt(QPoint p) { input_.HoverAt(p); }
    void ReceiveFile() { input_.ReceiveFile(); }  // command 32853
    bool CanReceiveFile() const { return input_.CanReceiveFile(); }
    void CatchLine() { input_.CatchLine(); }
    bool CanAddFavourite() const { return view_.CanAddFavourite(); }
    void AddFavourite() { view_.AddFavourite(); }
    // The input method's text being composed (shown, not yet sent).
    QString Preedit() const { return input_.Preedit(); }

    // After a frame command changed the model outside Feed (clear, reset,
    // display code): hand the damage over and draw it.
    void AfterModelChange();
    // The entry's auto-wrap switch, as the host's mode 7 would set it.
    void SetAutowrap(bool on);

    // The picture as it is shown now (damage drawn first).
    QImage Snapshot();
    // Draws pending damage into the backing image at once.
    void RenderNow() { painter_.RenderNow(); }
    // Draws every cell again from the model (what an expose would show).
    void RedrawAll();
    void SetBlinkPhase(bool on) { painter_.SetBlinkPhase(on); }

    void SetDefaultColours(int fg, int bg);
    void SetMusic(AnsiMusic* music) { term_.SetMusic(music); }

signals:
    // The title of the terminal: "터미널 - 입력" or "터미널 - 챙긴글 보기".
    void titleChanged(const QString& title);
    // A key or typed text for the host was refused because the scrollback
    // view is open (the window has beeped).
    void inputRefused();

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
    // The helpers share the engine, each other and these outlets.
    friend class TermPainter;
    friend class TermView;
    friend class TermInput;
    void SetFrozen(bool on);
    // Received bytes, or (local) this side's own as local echo shows them.
    int FeedBytes(const uint8_t* data, int len, bool local);
    // Frame commands, sent (run now) or posted (run later).
    void SendToFrame(int id);
    void PostToFrame(int id);
    // A window message carrying a NUL-terminated host-byte string.
    void SendTextToFrame(int msg, const std::string& text);

    Outlets out_;
    SharedFlags& flags_;
    ConnFacade& conn_;
    TermHost& host_;
    Terminal term_;
    LogFontFields font_;
    TermView view_;
    TermPainter painter_;
    TermInput input_;
};

}  // namespace velo
