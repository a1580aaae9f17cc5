// The flags that the engines, the worker threads and the frame share: the
// connection state and its data event, the terminal's switches and the
// shell's. Plain atomics, no locks: ownership of the input stream is decided
// by Receiving, Sending and Automating.
//
// The program has exactly one SharedFlags, made and handed out by the shell;
// every engine is given it at construction (Outlets), so each test makes its
// own and nothing leaks from one test to the next.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velo {

struct ConnStateFlags {
    std::atomic<bool> Connected{false};
    std::atomic<bool> Connecting{false};
    std::atomic<bool> Receiving{false};
    std::atomic<bool> Sending{false};
    std::atomic<bool> Automating{false};
    std::atomic<bool> TransferCancel{false};
    std::atomic<bool> LocalEcho{false};

    // True when a worker owns the input stream.
    bool WorkerOwnsStream() const { return Receiving || Sending || Automating; }
    void Reset()
    {
        Connected = Connecting = Receiving = Sending = Automating = false;
        TransferCancel = LocalEcho = false;
    }
};

// An auto-reset event: Set wakes one waiter (or the next one to wait) and
// clears itself when a wait consumes it.
// Waits on cv, with lock held, until pred() holds; timeoutMs < 0 waits without
// limit. False when the time ran out first.
template <class Pred>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, int timeoutMs, Pred pred)
{
    if (timeoutMs < 0) {
        cv.wait(lock, pred);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred);
}

class AutoResetEvent {
public:
    void Set();
    void Reset();
    // Waits up to timeoutMs (negative: without limit). Returns true when the
    // event was signalled, false on time-out.
    bool Wait(int timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// The terminal's switches that the frame, the connection path and the
// transfer threads read or switch.
struct TermSharedFlags {
    // The scrollback view is open: no received bytes are fed.
    std::atomic<bool> Frozen{false};
    // A received CR also feeds a line.
    std::atomic<bool> NewlineMode{false};
    // "그림 상태": the at-sign 0x40 introduces an escape sequence like ESC.
    std::atomic<bool> PictureMode{false};
    // Printer-controller mode: text goes to the print file instead of the screen.
    std::atomic<bool> PrinterControl{false};
    // ESC & Q was seen; the ZModem receive reads and clears it.
    std::atomic<bool> QuerySeen{false};
    // The current connection's service: 0..4 the built-in services, 5 none or other.
    std::atomic<int> ServiceKind{5};
};

// The shell's switches that the terminal window also reads.
struct AppFlagSet {
    std::atomic<bool> ClickMouse{true};         // click-to-send mouse on ("Flicko쥐사용")
    std::atomic<bool> Beep{true};               // the bell beeps ("Beep")
    std::atomic<bool> AutomationCancel{false};  // the user asked the automation to stop
};

struct SharedFlags {
    ConnStateFlags ConnState;
    AutoResetEvent DataEvent;
    TermSharedFlags TermShared;
    AppFlagSet AppFlags;
};

}  // namespace velo
