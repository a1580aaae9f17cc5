// What the user does to the terminal window, turned into bytes for the host
// or commands for the frame.
//
//   keys           editing and cursor keys through the key map (TermHost),
//                  F1..F12 and Escape to the frame, Shift+F1..F9 as the key
//                  map's F11..F19, characters as CP949; with the scrollback
//                  view open, what would go to the host is refused (beep)
//   input method   the syllable being composed is shown at the caret; only
//                  committed text goes to the host, as CP949
//   mouse          the left button selects (TermView); a click that selects
//                  nothing is a click-to-send
//   hot spots      with "Flicko 마우스" on, the item under the mouse (menu
//                  number, choice letter, short word) is shown inverted; a
//                  click sends it
//   receive file   the download command for the file number under the mouse,
//                  then, once the host's transfer is over, the follow-up key
//   context menu   the frame's commands (TermHost::Action)
//
// Nothing is sent while a transfer owns the line or the view is open.
#pragma once

#include <QDeadlineTimer>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <string>

#include "base/Flags.h"
#include "terminal/ui/TermText.h"

class QContextMenuEvent;
class QEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace velo {

class CAnsiTerm;
class ConnFacade;

class TermInput {
public:
    explicit TermInput(CAnsiTerm& window);

    // Tab and Backtab belong to the host, not to focus changes: true when
    // the event was such a key and is handled.
    bool TabKey(QEvent* e);
    void Key(QKeyEvent* e);

    void InputMethod(QInputMethodEvent* e);
    // The window's answer to the input method; invalid for what the widget
    // answers by itself.
    QVariant InputMethodQuery(Qt::InputMethodQuery q) const;
    const QString& Preedit() const { return preedit_; }
    // Asks the input method for Hangul (on) or Latin input.
    void HangulInput(bool on);

    // Mouse events; false for a button this class leaves to the widget.
    bool MousePress(QMouseEvent* e);
    void MouseMove(QMouseEvent* e);
    bool MouseRelease(QMouseEvent* e);
    // The mouse or the focus went elsewhere: the hot spot goes, except to
    // the context menu, whose "파일 받기" takes the number under the mouse.
    void MouseLeft();

    const termtext::HotSpot& Hot() const { return hot_; }
    void HoverAt(QPoint p);
    void DropHotSpot();
    void ClickAt(QPoint p, Qt::KeyboardModifiers mods);

    // Command 32853: the service's download command for the number now;
    // the follow-up once the transfer the host starts is over, or after
    // 3000 ms when none ran; none when the connection drops meanwhile. The
    // wait runs on a timer, not in a nested event loop; while it lasts no
    // other request can start.
    bool CanReceiveFile() const;
    void ReceiveFile();

    void ContextMenu(QContextMenuEvent* e);
    // Shift+F10: the menu 5 pixels inside the window's top-left corner.
    void OpenContextMenuFromKeyboard();
    // "말꼬리 잡기": the line under the mouse when the menu opened.
    void CatchLine();

    // Over the painted cells, in XOR: the hot spot. Then the text being
    // composed.
    void PaintHotSpot(QPainter& p);
    void PaintPreedit(QPainter& p);

private:
    void WriteHost(const std::string& bytes);
    // Function key n (1..35) with its modifiers.
    void FunctionKey(int n, Qt::KeyboardModifiers modifiers);
    static bool IsModifierKey(int key);
    void RefuseWhileFrozen();
    void ReceiveTick();

    CAnsiTerm& w_;
    SharedFlags& flags_;
    ConnFacade& conn_;
    QString preedit_;  // input method text not yet committed

    termtext::HotSpot hot_;
    int hotRow_ = -1;
    struct ReceiveWait {
        QTimer poll;           // runs while a follow-up waits
        QDeadlineTimer until;  // for the host to start a transfer
        bool started = false;  // the transfer was seen running
        std::string followUp;
    } receive_;

    int clickedSlot_ = -1;  // history row under the mouse when the context menu opened
    bool menuOpen_ = false;
};

}  // namespace velo
