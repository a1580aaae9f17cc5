// Delivery of received bytes to the terminal: the frame's CMD_CONN_DATA
// handler, UI thread only.
//
// Deliver() reads at most kConnReadBuffer bytes with ConnRead(wanted 0) and
// hands them to ConnTerminal::Feed. Bytes the feed does not take stay here as
// the remainder and go first, in order, at the next Deliver(), before any new
// read. While a worker owns the stream (Receiving, Sending, Automating) or the
// terminal is frozen, Deliver() only signals DataEvent and leaves the bytes
// queued in the port or socket; while the terminal holds, it does nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "connect/Conn.h"

namespace velo {

class ConnTerminal;

class ConnDelivery {
public:
    // term null: the facade's terminal.
    explicit ConnDelivery(ConnFacade& conn, ConnTerminal* term = nullptr);

    // The CMD_CONN_DATA algorithm. Re-entry (through a message loop run from
    // inside Feed) returns at once.
    void Deliver();
    // CMD_TRANSFER_DONE: the bytes the ZModem engine read past the end of the
    // transfer go to the terminal after any older remainder, then Deliver().
    // Bytes the terminal does not take are kept, never dropped.
    void FeedLeftover(const uint8_t* data, int len);
    // WM_SHOW_BYTES: bytes a worker read itself (the automation), fed now
    // after any older remainder, whoever owns the stream. What the terminal
    // does not take is kept in order for the next feed.
    void Show(const uint8_t* data, int len);

    int RemainderCount() const { return static_cast<int>(pending_.size() - pendingPos_); }
    // Forgets the remainder (a new connection starts clean).
    void DropRemainder();

private:
    ConnTerminal* Terminal() const;
    // Feeds from the remainder; returns true when all of it was taken.
    bool FeedRemainder(ConnTerminal& term);
    void Keep(const uint8_t* data, int len);

    ConnFacade& conn_;
    ConnTerminal* term_;
    bool running_ = false;
    uint8_t buf_[kConnReadBuffer];
    // The remainder: pending_[pendingPos_..] not yet taken by the terminal.
    std::vector<uint8_t> pending_;
    size_t pendingPos_ = 0;
};

}  // namespace velo
