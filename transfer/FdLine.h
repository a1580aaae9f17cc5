// A connection line over a pair of file descriptors (standard input and
// output, a socketpair, a pty), for the command-line tool and for tests that
// run the engine against a real peer.
//
// A watcher thread stands in for the frame's data path: when input waits it
// signals DataEvent, then waits until the owner of the stream has read all
// there was (a read that finds nothing) before it looks again. When the input ends, the line closes; with
// ownsConnected it then also clears ConnState.Connected, as the frame's
// CMD_CONN_CLOSED handling would, and signals DataEvent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "connect/Conn.h"
#include "transfer/ZmIo.h"

namespace velo {

class FdLine final : public ConnLine {
public:
    // The descriptors stay the caller's; both may be the same. Without
    // watch there is no watcher thread: the owner of the stream waits with
    // WaitReadable (FdLineIo) instead of on DataEvent.
    FdLine(SharedFlags& flags, int inFd, int outFd, bool ownsConnected = true, bool watch = true);
    ~FdLine() override;
    FdLine(const FdLine&) = delete;
    FdLine& operator=(const FdLine&) = delete;

    int Write(const uint8_t* data, int len) override;
    int Read(uint8_t* buf, int wanted, int cap) override;
    int Available() override;
    bool IsOpen() override { return open_; }

    // Blocks until input waits, the input ends or Wake is called. False when
    // the wait itself failed.
    bool WaitReadable();
    // Ends a WaitReadable now or the next one at once (cancel, shut-down).
    void Wake();

private:
    void Watch();
    void Rearm();
    void MarkClosed();

    SharedFlags& flags_;
    int in_;
    int out_;
    bool inSocket_ = false;
    bool outSocket_ = false;
    bool ownsConnected_;
    std::atomic<bool> open_{true};
    int stopFd_ = -1;
    int wakeFd_ = -1;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool waiting_ = false;
    bool stopping_ = false;
    std::atomic<bool> waitingFlag_{false};
    std::thread watcher_;
};

// The ZModem engine over the facade, waiting on an FdLine directly instead
// of on DataEvent: one thread hop less per wait, for the command-line tool.
class FdLineIo final : public zm::ZmIo {
public:
    FdLineIo(FdLine& line, ConnFacade& conn) : line_(line), conn_(conn) {}
    bool Connected() override;
    int Write(const uint8_t* p, int n) override;
    int Read(uint8_t* buf, int cap) override;
    int Available() override;
    bool Wait() override { return line_.WaitReadable(); }
    bool CancelRequested() override;

private:
    FdLine& line_;
    ConnFacade& conn_;
};

}  // namespace velo
