// The one serial line: a COM port opened by the user, or the port of a
// connected modem call handed over by LineService. Reads and writes serve the
// facade (ConnRead/ConnWrite/ConnAvailable); a poll thread tells the frame,
// with CMD_CONN_DATA, when received bytes have settled in the input queue.
//
// Linux stand-ins: "COM1".."COM9" are /dev/ttyS0..8 unless the port's section
// holds "Device"; the kernel's tty queues are the input and output queues (a
// read never takes more than the caller's 8192 bytes); poll() with a stop
// eventfd replaces overlapped I/O, so closing the line aborts a pending read or
// a stalled write at once.
//
// Threads: Open, PrepareHandedOver and Close on the UI thread; Read, Write and
// Available from the UI thread and one transfer or automation thread; the
// poll thread only counts the queue and posts.
#pragma once

#include <atomic>
#include <thread>

#include "connect/Conn.h"
#include "connect/FdUse.h"

namespace velo {

// The modem call behind a handed-over port (LineService).
class CallOwner {
public:
    virtual ~CallOwner() = default;
    // A line is open for a call: dialling, or connected.
    virtual bool CallActive() const = 0;
    // The modem part of CommLine::Close, run after the poll thread has ended:
    // report CMD_CONN_CLOSED, release the port, drop the call, close the line.
    virtual void CloseCall() = 0;
};

class CommLine : public ConnLine {
public:
    static constexpr int kPollIntervalMs = 250;
    static constexpr int kWriteStallMs = 10000;
    static constexpr int kHandOverWaitMs = 2000;
    static constexpr int kDtrStepMs = 100;

    explicit CommLine(ConnFacade& conn);
    ~CommLine() override;
    CommLine(const CommLine&) = delete;
    CommLine& operator=(const CommLine&) = delete;

    // Opens "COM<n>" (1..9) as a direct port: exclusive open, the stored
    // "BaudRate"/"ByteSize"/"StopBits"/"Parity" applied, DTR raised between
    // two 100 ms pauses, CMD_PORT_OPENED sent, the poll thread started.
    bool Open(int n);
    // Takes over the descriptor of a connected modem call (ownership passes
    // here, also on failure): waits for the modem to settle, checks that it is
    // a character device, marks the line open and sends CMD_CONN_DATA when
    // bytes are already waiting. The caller starts the poll thread.
    bool PrepareHandedOver(int fd);
    void StartPollThread();
    // Guarded against re-entry; never call it from the poll thread. A direct
    // port sends CMD_PORT_CLOSED, then toggles DTR low, high, low, 100 ms
    // apart, and closes; a modem port leaves the rest to its CallOwner.
    void Close();
    // Closes the port descriptor alone (the modem close path).
    void ReleasePort();

    int Write(const uint8_t* data, int len) override;
    int Read(uint8_t* buf, int wanted, int cap) override;
    int Available() override;
    bool IsOpen() override { return open_; }

    int PortNumber() const { return port_; }
    bool IsDirectPort() const { return direct_; }
    void SetCallOwner(CallOwner* call) { call_ = call; }

    void SetWriteStallMs(int ms) { writeStallMs_ = ms; }
    void SetHandOverWaitMs(int ms) { handOverWaitMs_ = ms; }

protected:
    // DTR on the open port; tests watch it.
    virtual void SetDtr(bool on);
    virtual void Pause(int ms);
    // The input queue count of the port, -1 when the query fails.
    virtual int Queued(int fd);

private:
    FrameSink& Sink() const { return conn_.Out().frame; }
    SettingsStore& Settings() const { return conn_.Out().settings; }
    void StopPollThread();
    void PollLoop();
    void CloseFd();

    ConnFacade& conn_;
    SharedFd fd_;
    std::atomic<bool> open_{false};
    std::atomic<bool> closing_{false};
    StopEvent stop_;
    std::thread poll_;
    bool direct_ = false;
    int port_ = 0;
    CallOwner* call_ = nullptr;
    int writeStallMs_ = kWriteStallMs;
    int handOverWaitMs_ = kHandOverWaitMs;
};

}  // namespace velo
