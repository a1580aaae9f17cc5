// The connection lifecycle as the main frame runs it, without the windows:
// the handlers of CMD_CONN_CONNECTED, CMD_PORT_OPENED, CMD_CONN_CLOSED,
// CMD_PORT_CLOSED, CMD_CONN_REDIAL, CMD_TRANSFER_DONE and CMD_CONN_DATA, the
// connect and disconnect sequences, the direct-port command, the 2000 ms
// safety timer that delivers bytes a lost notification left waiting, and the
// one-shot pre-send timer.
//
// UI thread only. The frame creates one, calls Start() once its windows
// exist, and forwards the commands to Handle().
#pragma once

#include <chrono>
#include <cstdint>

#include "connect/ConnDelivery.h"
#include "connect/PhoneBookEntry.h"

namespace velo {

class ConnFrame;
class ConnTerminal;
class UiLoop;

class ConnLifecycle {
public:
    static constexpr int kSafetyIntervalMs = 2000;  // timer 100
    static constexpr int kPreSendDelayMs = 2000;    // timer 101
    static constexpr int kTransferWaitMs = 5000;

    // Null arguments mean the facade's own frame, terminal and UI loop.
    explicit ConnLifecycle(ConnFacade& conn, ConnFrame* frame = nullptr, ConnTerminal* term = nullptr,
                           UiLoop* loop = nullptr);
    ~ConnLifecycle();
    ConnLifecycle(const ConnLifecycle&) = delete;
    ConnLifecycle& operator=(const ConnLifecycle&) = delete;

    // Starts the 2000 ms safety timer.
    void Start();

    // Dispatches a frame command; false when the id is not one of ours.
    // CMD_TRANSFER_DONE through Handle has no leftover bytes and no
    // hang-up; the frame calls OnTransferDone for those.
    bool Handle(int id);

    void OnConnected();
    void OnPortOpened();
    void OnClosed();
    void OnPortClosed();
    void OnRedial();
    void OnTransferDone(const uint8_t* leftover, int len, bool hangUpAfter);

    // Connect sequence: asks before dropping a live connection (unless
    // askFirst is false: "끊고 다시 걸기"), copies the entry as the current
    // one, prepares the terminal and dials. False when the user said No.
    bool Connect(const PhoneBookEntry& entry, bool askFirst = true);
    // "끊고 다시 걸기": hangs up without asking and connects the current entry
    // again. Only once an entry was connected (CanRedial).
    bool Redial();
    bool CanRedial() const { return current_.name[0] != '\0'; }
    // "COM&1".."COM&9".
    bool ConnectComPort(int n);
    // Disconnect sequence ("연결 끊기" and every internal disconnect).
    void Disconnect();

    const PhoneBookEntry& Current() const { return current_; }
    void SetCurrent(const PhoneBookEntry& e) { current_ = e; }
    ConnDelivery& Delivery() { return delivery_; }
    // When the connection came up (for the elapsed-time pane).
    std::chrono::steady_clock::time_point ConnectedAt() const { return connectedAt_; }

private:
    ConnFrame* Frame() const;
    ConnTerminal* Terminal() const;
    UiLoop* Loop() const;
    void MarkUp();
    void MarkDown();
    void StopPreSendTimer();

    ConnFacade& conn_;
    ConnFrame* frame_;
    ConnTerminal* term_;
    UiLoop* loop_;
    // Nothing connected yet: no name, so "끊고 다시 걸기" stays disabled.
    PhoneBookEntry current_ = NoEntry();
    static PhoneBookEntry NoEntry()
    {
        PhoneBookEntry e;
        e.name[0] = '\0';
        return e;
    }
    ConnDelivery delivery_;
    std::chrono::steady_clock::time_point connectedAt_{};
    int safetyTimer_ = 0;
    int preSendTimer_ = 0;
};

}  // namespace velo
