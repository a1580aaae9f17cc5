#include "terminal/ui/TermInput.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "base/CommandIds.h"
#include "base/KeyIndex.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

namespace {

// Receiving a file by its number: how long the host has to start its
// transfer, and how often the transfer state is looked at meanwhile.
constexpr int kReceiveStartMs = 3000;
constexpr int kReceivePollMs = 20;

std::string FromQString(const QString& s)
{
    QByteArray u = s.toUtf8();
    return std::string(u.constData(), size_t(u.size()));
}

}  // namespace

TermInput::TermInput(CAnsiTerm& window) : w_(window), flags_(window.flags_), conn_(window.conn_)
{
    receive_.poll.setInterval(kReceivePollMs);
    QObject::connect(&receive_.poll, &QTimer::timeout, &w_, [this] { ReceiveTick(); });
}

void TermInput::WriteHost(const std::string& bytes)
{
    if (!bytes.empty())
        conn_.ConnWrite(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()));
}

// ---- keyboard --------------------------------------------------------------

bool TermInput::TabKey(QEvent* e)
{
    if (e->type() != QEvent::KeyPress)
        return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() != Qt::Key_Tab && k->key() != Qt::Key_Backtab)
        return false;
    Key(k);
    return true;
}

void TermInput::Key(QKeyEvent* e)
{
    const int key = e->key();
    const Terminal& term = w_.term_;
    TermView& view = w_.view_;
    if (w_.Frozen()) {
        // The view moves with the page and arrow keys; Escape is the frame's
        // (it leaves the view). Anything else would go to the host, which
        // waits until the view is left: refused, with the beep.
        switch (key) {
        case Qt::Key_PageUp: view.ScrollLines(-term.Rows()); break;
        case Qt::Key_PageDown: view.ScrollLines(term.Rows()); break;
        case Qt::Key_Up: view.ScrollLines(-1); break;
        case Qt::Key_Down: view.ScrollLines(1); break;
        case Qt::Key_Escape: w_.SendToFrame(ID_ESCAPE); break;
        default:
            if (!IsModifierKey(key))
                RefuseWhileFrozen();
            break;
        }
        return;
    }
    if (flags_.ConnState.Receiving || flags_.ConnState.Sending)
        return;
    // A key of the key map: sent when its entry is on, else false.
    TermHost& host = w_.host_;
    auto mapped = [&host](int index, bool alternate) {
        if (!host.KeyMapped(index))
            return false;
        host.SendKey(index, alternate);
        return true;
    };
    switch (key) {
    case Qt::Key_Backspace:
        if (!mapped(kKeyBackspace, false))
            WriteHost("\x08");
        return;
    case Qt::Key_PageUp:
        if (!mapped(kKeyPageUp, false))
            view.ScrollLines(-term.Rows());
        return;
    case Qt::Key_PageDown:
        if (!mapped(kKeyPageDown, false))
            view.ScrollLines(term.Rows());
        return;
    case Qt::Key_End: mapped(kKeyEnd, false); return;
    case Qt::Key_Home: mapped(kKeyHome, false); return;
    case Qt::Key_Insert: mapped(kKeyInsert, false); return;
    case Qt::Key_Delete: mapped(kKeyDelete, false); return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Right:
    case Qt::Key_Left: {
        int index = key == Qt::Key_Up     ? kKeyUp
                    : key == Qt::Key_Down ? kKeyDown
                    : key == Qt::Key_Right ? kKeyRight
                                           : kKeyLeft;
        mapped(index, term.CursorKeyApplication());
        return;
    }
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        FunctionKey(key - Qt::Key_F1 + 1, e->modifiers());
        return;
    }
    if (key == Qt::Key_Escape) {
        w_.SendToFrame(ID_ESCAPE);
        return;
    }
    // Characters: nothing while a worker owns the stream.
    if (flags_.ConnState.Automating)
        return;
    std::string bytes;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        bytes = "\r";
    } else if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        bytes = "\t";
    } else {
        QString t = e->text();
        if (t.isEmpty())
            return;
        // Typed text goes out as CP949, whatever the display code.
        bytes = hangul::EncodeCp949(FromQString(t));
        // The byte 0x08 is only sent by the Backspace key itself.
        bytes.erase(std::remove(bytes.begin(), bytes.end(), '\x08'), bytes.end());
    }
    WriteHost(bytes);
}

bool TermInput::IsModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Meta: case Qt::Key_Alt:
    case Qt::Key_AltGr: case Qt::Key_CapsLock: case Qt::Key_NumLock: case Qt::Key_ScrollLock:
    case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L: case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch: case Qt::Key_Hangul: case Qt::Key_Hangul_Hanja:
    case Qt::Key_unknown:
        return true;
    default:
        return false;
    }
}

void TermInput::RefuseWhileFrozen()
{
    // Whatever the host's bell is set to: this is the window's own answer.
    QApplication::beep();
    emit w_.inputRefused();
}

void TermInput::FunctionKey(int n, Qt::KeyboardModifiers modifiers)
{
    // The key map's entries F1..F20 are the keys themselves and, as on the
    // console, Shift+F1..F9 for F11..F19. Shift+F10 is the context menu. A
    // function key with any other modifier has no entry and does nothing:
    // it never stands in for the plain key.
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    int index = -1;
    if (mods == Qt::NoModifier) {
        if (n <= 12) {
            // The plain keys are the frame's (built-in commands when off).
            w_.SendToFrame(ID_FKEY_FIRST + n - 1);
            return;
        }
        index = n <= 20 ? kKeyF1 + n - 1 : -1;
    } else if (mods == Qt::ShiftModifier && n == 10) {
        OpenContextMenuFromKeyboard();
        return;
    } else if (mods == Qt::ShiftModifier && n <= 9) {
        index = kKeyF1 + n + 9;
    }
    if (index < 0)
        return;
    TermHost& host = w_.host_;
    if (host.KeyMapped(index))
        host.SendKey(index, false);
}

// ---- input method ----------------------------------------------------------

void TermInput::InputMethod(QInputMethodEvent* e)
{
    // The syllable being composed is shown at the caret until it is
    // committed; only committed text goes to the host.
    QString pre = e->preeditString();
    if (pre != preedit_) {
        preedit_ = pre;
        QRect caret = w_.painter_.CaretRect();
        int cw = w_.painter_.CellWidth(), ch = w_.painter_.CellHeight();
        w_.update(caret.isEmpty() ? w_.rect() : caret.adjusted(0, -ch, 4 * cw, ch));
        w_.update();
    }
    QString commit = e->commitString();
    if (!commit.isEmpty() && w_.Frozen())
        RefuseWhileFrozen();
    else if (!commit.isEmpty() && !flags_.ConnState.WorkerOwnsStream()) {
        // The typed text goes out as CP949, whatever the display code.
        WriteHost(hangul::EncodeCp949(FromQString(commit)));
    }
    e->accept();
}

QVariant TermInput::InputMethodQuery(Qt::InputMethodQuery q) const
{
    const TermPainter& painter = w_.painter_;
    switch (q) {
    case Qt::ImCursorRectangle:
        return painter.CaretRect().isEmpty() ? QRect(0, 0, painter.CellWidth(), painter.CellHeight())
                                             : painter.CaretRect();
    case Qt::ImFont:
        return painter.Font(0);
    case Qt::ImHints:
        return int(w_.inputMethodHints());
    case Qt::ImEnabled:
        return true;
    default:
        return QVariant();
    }
}

void TermInput::HangulInput(bool on)
{
    // Input methods on Linux offer no switch a program may flip; the hint
    // is what the common ones follow (Latin preferred for English input).
    w_.setInputMethodHints(on ? Qt::ImhNone : Qt::ImhPreferLatin);
    if (QInputMethod* im = QGuiApplication::inputMethod())
        im->update(Qt::ImHints);
}

void TermInput::PaintPreedit(QPainter& p)
{
    if (preedit_.isEmpty())
        return;
    // At the caret, white on black and underlined, in the cells the text
    // will take once committed.
    TermFonts& fonts = w_.painter_.Fonts();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    fonts.DrawCells(p, w_.term_.CursorColumn() * fonts.CellWidth(), w_.term_.CursorRow() * fonts.CellHeight(),
                    preedit_, qRgb(255, 255, 255), qRgb(0, 0, 0), 1);
}

// ---- mouse -----------------------------------------------------------------

bool TermInput::MousePress(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return false;
    w_.setFocus(Qt::MouseFocusReason);
    w_.view_.BeginSelection(e->position().toPoint());
    return true;
}

void TermInput::MouseMove(QMouseEvent* e)
{
    QPoint p = e->position().toPoint();
    if (!(e->buttons() & Qt::LeftButton) || !w_.view_.Selection().selecting) {
        HoverAt(p);
        return;
    }
    w_.view_.DragSelection(p);
}

bool TermInput::MouseRelease(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return false;
    bool click = false;
    if (!w_.view_.EndSelection(&click))
        return true;
    if (click)
        ClickAt(e->position().toPoint(), e->modifiers());
    w_.unsetCursor();
    if (hot_.Valid())
        w_.setCursor(Qt::PointingHandCursor);
    return true;
}

void TermInput::MouseLeft()
{
    if (!menuOpen_)
        DropHotSpot();
}

// ---- click-to-send ---------------------------------------------------------

void TermInput::HoverAt(QPoint p)
{
    if (w_.Frozen() || !flags_.ConnState.Connected || flags_.ConnState.Receiving ||
        flags_.ConnState.Sending || !flags_.AppFlags.ClickMouse) {
        if (hot_.Valid())
            DropHotSpot();
        return;
    }
    const Terminal& term = w_.term_;
    int cw = w_.painter_.CellWidth(), ch = w_.painter_.CellHeight();
    int col = p.x() / cw, row = p.y() / ch;
    if (p.x() < 0 || p.y() < 0 || col >= term.Columns() || row >= term.Rows()) {
        DropHotSpot();
        return;
    }
    termtext::HotSpot h = termtext::FindHotSpot(term.Line(row).text, term.Columns(), col);
    if (!h.Valid()) {
        DropHotSpot();
        return;
    }
    if (row == hotRow_ && h.first == hot_.first && h.last == hot_.last)
        return;
    DropHotSpot();
    hot_ = h;
    hotRow_ = row;
    w_.update(QRect(h.first * cw, row * ch, (h.last - h.first + 1) * cw, ch));
    w_.setCursor(Qt::PointingHandCursor);
}

void TermInput::DropHotSpot()
{
    int cw = w_.painter_.CellWidth(), ch = w_.painter_.CellHeight();
    if (hot_.Valid() && hotRow_ >= 0)
        w_.update(QRect(hot_.first * cw, hotRow_ * ch, (hot_.last - hot_.first + 1) * cw, ch));
    bool had = hot_.Valid();
    hot_ = termtext::HotSpot{};
    hotRow_ = -1;
    if (had)
        w_.unsetCursor();
}

void TermInput::PaintHotSpot(QPainter& p)
{
    int cw = w_.painter_.CellWidth(), ch = w_.painter_.CellHeight();
    if (hot_.Valid() && hotRow_ >= 0)
        p.fillRect(QRect(hot_.first * cw, hotRow_ * ch, (hot_.last - hot_.first + 1) * cw, ch), Qt::white);
}

void TermInput::ClickAt(QPoint p, Qt::KeyboardModifiers mods)
{
    if (flags_.ConnState.Receiving || flags_.ConnState.Sending || !flags_.AppFlags.ClickMouse)
        return;
    HoverAt(p);
    if (!hot_.Valid())
        return;
    w_.host_.PlaySound("Flicko쥐");
    bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier;
    termtext::ClickMods m = shift && ctrl ? termtext::ClickMods::ShiftCtrl
                            : shift       ? termtext::ClickMods::Shift
                            : ctrl        ? termtext::ClickMods::Ctrl
                                          : termtext::ClickMods::None;
    termtext::ClickSend s = termtext::ClickToSend(hot_.text, m, flags_.TermShared.ServiceKind);
    if (!s.bytes.empty())
        WriteHost(s.bytes);
    if (!s.macro.empty())
        w_.host_.SendMacro(reinterpret_cast<const uint8_t*>(s.macro.data()), int(s.macro.size()));
    w_.SendToFrame(ID_TERM_DONE);
}

bool TermInput::CanReceiveFile() const
{
    int svc = flags_.TermShared.ServiceKind;
    return flags_.ConnState.Connected && !flags_.ConnState.Receiving && !flags_.ConnState.Sending &&
           hot_.Valid() && hot_.fileNumber && svc >= 0 && svc <= 4 && !receive_.poll.isActive();
}

void TermInput::ReceiveFile()
{
    if (!CanReceiveFile())
        return;
    int svc = flags_.TermShared.ServiceKind;
    WriteHost(termtext::ReceiveFileCommand(svc, hot_.text));
    receive_.followUp = termtext::ReceiveFileFollowUp(svc);
    receive_.until = QDeadlineTimer(kReceiveStartMs);
    receive_.started = false;
    receive_.poll.start();
}

void TermInput::ReceiveTick()
{
    // A transfer still running at the deadline is waited for, so the
    // follow-up never lands inside it.
    if (!flags_.ConnState.Connected) {
        receive_.poll.stop();
        return;
    }
    if (flags_.ConnState.Receiving) {
        receive_.started = true;
        return;
    }
    if (!receive_.started && !receive_.until.hasExpired())
        return;
    receive_.poll.stop();
    WriteHost(receive_.followUp);
}

// ---- context menu ----------------------------------------------------------

void TermInput::OpenContextMenuFromKeyboard()
{
    QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(5, 5), w_.mapToGlobal(QPoint(5, 5)));
    ContextMenu(&e);
}

void TermInput::ContextMenu(QContextMenuEvent* e)
{
    bool fromKeyboard = e->reason() == QContextMenuEvent::Keyboard;
    if (fromKeyboard && w_.Frozen())
        return;
    QPoint at = fromKeyboard ? w_.mapToGlobal(QPoint(5, 5)) : e->globalPos();
    QPoint local = fromKeyboard ? QPoint(5, 5) : e->pos();
    clickedSlot_ = std::clamp(w_.view_.HistoryRowAt(local.y()), 0, w_.term_.LinesUsed() - 1);

    // The frame's commands, in the menu's order (0: a separator). Each entry
    // shows its action's label for this menu and its enabled state now, and
    // triggers the action, which runs the command.
    static constexpr int kMenu[] = {
        ID_COPY, ID_SELECT_ALL, ID_PASTE, ID_PASTE_ENTER, ID_CATCH_LINE, 0,
        ID_ADD_FAVOURITE, 0,
        ID_TERM_COLOURS, ID_CHAT_COLOURS, ID_FONT, ID_CLEAR_SCREEN, ID_RESET_SCREEN, 0,
        ID_PRINT_SCREEN, ID_PRINT_SELECTION, 0,
        ID_RECEIVE_FILE,
    };
    TermHost& host = w_.host_;
    host.UpdateCommandUi();
    QMenu menu(&w_);
    for (int id : kMenu) {
        if (id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* command = host.Action(id);
        if (!command)
            continue;
        QString label = command->property(kPopupTextProperty).toString();
        QAction* entry = menu.addAction(label.isEmpty() ? command->text() : label);
        // A command whose feature is not there yet has no handler and is
        // hidden from the menus: here it stands, disabled.
        entry->setEnabled(command->isEnabled() && command->isVisible());
        QObject::connect(entry, &QAction::triggered, command, &QAction::trigger);
    }
    menuOpen_ = true;
    menu.exec(at);
    menuOpen_ = false;
    // The mouse is found again by its next move.
    DropHotSpot();
    w_.SendToFrame(ID_TERM_DONE);
}

void TermInput::CatchLine()
{
    const Terminal& term = w_.term_;
    if (clickedSlot_ < 0 || clickedSlot_ >= term.LinesUsed())
        return;
    std::string line = termtext::TrimmedLine(term.HistoryLine(clickedSlot_).text, term.Columns());
    if (!line.empty())
        w_.SendTextToFrame(WM_CHAT_LINE, line);
}

}  // namespace velo
