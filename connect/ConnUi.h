// What the window-free connection code asks of the user interface. The Qt side
// implements these three interfaces once and installs them; tests replace them
// with recorders and a small poll loop.
//
//   ConnTerminal  the terminal window as the data path sees it (CAnsiTerm)
//   ConnFrame     the main frame's services: message boxes, questions, the
//                 dialling window, sounds, title, favourites, transfer threads
//   UiLoop        the UI thread's event loop: posting work to it, watching a
//                 descriptor, timers, and letting events run during a wait
//
// Threads: everything here is called on the UI thread, except UiLoop::Post
// (any thread) and ConnTerminal::Frozen/FeedEcho (whatever thread calls
// ConnWrite; see Conn.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

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

class UiLoop {
public:
    using FdHandler = std::function<void(bool readable, bool writable)>;
    virtual ~UiLoop() = default;
    // Any thread: runs fn later on the UI thread.
    virtual void Post(std::function<void()> fn) = 0;
    // Watches a descriptor; the handler runs on the UI thread while the
    // descriptor is ready for what SetWatch asked (level-triggered, as a
    // QSocketNotifier). A new watch asks for nothing. Returns an id > 0.
    virtual int AddWatch(int fd, FdHandler handler) = 0;
    virtual void SetWatch(int id, bool read, bool write) = 0;
    // After this returns the handler is never called again.
    virtual void RemoveWatch(int id) = 0;
    // Timers: fn runs on the UI thread after ms, once or every ms. Returns an
    // id > 0.
    virtual int StartTimer(int ms, bool repeat, std::function<void()> fn) = 0;
    virtual void StopTimer(int id) = 0;
    // Lets pending UI events run, for at most about maxMs; used by waits that
    // must keep the interface alive. Handlers may re-enter the caller.
    virtual void ProcessEvents(int maxMs) = 0;
};

// The process-wide frame and terminal; null until the frame installs them.
ConnFrame* AppConnFrame();
void SetConnFrame(ConnFrame* frame);
ConnTerminal* AppConnTerminal();
// Also installs the terminal as the local echo target of ConnWrite.
void ConnSetTerminal(ConnTerminal* term);

}  // namespace velo
