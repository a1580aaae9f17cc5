// What the window-free connection code asks of the user interface. The Qt side
// implements these interfaces once and hands them to the connection facade
// (ConnFacade::SetFrame, SetTerminal); tests hand recorders.
//
//   ConnTerminal  the terminal window as the data path sees it (CAnsiTerm)
//   ConnFrame     the main frame's services: message boxes, questions, the
//                 dialling window, sounds, title, favourites, transfer threads
//
// Threads: everything here is called on the UI thread, except
// ConnTerminal::Frozen/FeedEcho (whatever thread calls ConnWrite; see Conn.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "base/UiLoop.h"
#include "connect/Conn.h"
#include "connect/PhoneBookEntry.h"

namespace velo {

// The program's name: title of every message box and of the connected frame.
inline constexpr std::string_view kProgramName = "Vellow";

class ConnTerminal : public ConnEchoTarget {
public:
    // The terminal takes no bytes while its hold flag is set.
    virtual bool Hold() const = 0;
    virtual bool SelectionShown() const = 0;
    virtual void ClearSelection() = 0;
    // The byte feed: interprets received bytes and returns how many it took
    // (0..len). It may stop early; it posts CMD_CONN_DATA when it can take
    // bytes again.
    virtual int Feed(const uint8_t* data, int len) = 0;
    // Writes a local message (UTF-8) into the terminal as if received; the
    // terminal converts it to the host code it displays.
    virtual void WriteText(std::string_view utf8) = 0;
    // A connection came up: take the entry's wait-user-id, wait-password,
    // user id and password for the automatic log-in.
    virtual void SetLogin(const PhoneBookEntry& entry) = 0;
    // The connection is up (true) or down (false).
    virtual void ConnectionChanged(bool up) = 0;
};

enum class MsgIcon { Exclamation, Stop, Information };

class ConnFrame {
public:
    virtual ~ConnFrame() = default;
    // A message box with an OK button.
    virtual void Message(std::string_view text, std::string_view title, MsgIcon icon) = 0;
    // A Yes/No question with the question icon, titled with the program's
    // name. True for Yes.
    virtual bool Ask(std::string_view text) = 0;

    // The dialling window ("전화 걸기 창"): modeless, at most one. It closes
    // itself when DialWindowShouldClose() (checked every 500 ms); its "취소"
    // button posts ID_CONN_HANGUP to the frame and closes it.
    virtual void OpenDialWindow(const PhoneBookEntry& entry) = 0;
    virtual bool DialWindowOpen() = 0;
    virtual void CloseDialWindow() = 0;
    // The modem settings, offered when no modem is usable. False when they
    // cannot be shown.
    virtual bool OpenModemSettings() = 0;

    // Frame services of the connection lifecycle.
    virtual void PlaySound(std::string_view event) = 0;
    virtual void SetTitle(std::string_view title) = 0;
    virtual void EnableFavourites(bool on) = 0;
    // Waits up to timeoutMs for each running transfer thread to end.
    virtual void WaitTransferThreads(int timeoutMs) = 0;
    // Step 3 of the connect sequence: the terminal's size, the chat pane's
    // width and lines, auto-wrap, and the frame fitted to the terminal.
    virtual void PrepareTerminal(const PhoneBookEntry& entry) = 0;
    // Sends prepared text through the macro sender.
    virtual void SendPreSend(std::string_view text) = 0;
};


}  // namespace velo
