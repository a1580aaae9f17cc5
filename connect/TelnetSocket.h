// The telnet connection: a non-blocking TCP socket whose readiness the UI
// thread watches (UiLoop::AddWatch; QSocketNotifier in the application), the
// receive filter of TelnetFilter, and the facade's reads and writes.
//
// Notifications, all on the UI thread:
//   connect done  → CMD_CONN_CONNECTED sent, or on failure the next address
//                   of the name, and when none is left Close()
//   readable      → CMD_CONN_DATA posted; no further readable notification
//                   until someone has called Receive (as an asynchronous
//                   socket re-enables its read event), so bytes left queued
//                   while the terminal is frozen cost nothing
//   host closed   → Close(), then "연결이 해제 되었습니다." titled with the host
// CMD_CONN_CLOSED is never sent twice in a row.
//
// Receive and Send also run on a transfer or automation thread. Send waits
// for room in the socket (or the stop event); a peer that takes nothing for
// 10 s ends the call with the count so far. The filter's replies never block:
// what the socket cannot take at once waits in a bounded queue that goes out
// before any later data.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "connect/Conn.h"
#include "connect/FdUse.h"
#include "connect/PhoneBookEntry.h"
#include "connect/TelnetFilter.h"

namespace velo {

class UiLoop;

class TelnetSocket : public ConnLine, private TelnetReplySink {
public:
    static constexpr int kSendBuffer = 4096;
    static constexpr int kSendStallMs = 10000;
    static constexpr int kReplyQueueMax = 16384;

    // loop null: the facade's UI loop at connect time.
    explicit TelnetSocket(ConnFacade& conn, UiLoop* loop = nullptr);
    ~TelnetSocket() override;
    TelnetSocket(const TelnetSocket&) = delete;
    TelnetSocket& operator=(const TelnetSocket&) = delete;

    // UI thread. Looks the host up (blocking) and starts connecting. True
    // unless the socket or its watch cannot be created; a connect that fails
    // at once has already sent CMD_CONN_CLOSED.
    bool Connect(const PhoneBookEntry& entry);
    // UI thread. Sends CMD_CONN_CLOSED (unless it was the last command sent),
    // wakes any blocked sender and closes the socket.
    void Close();

    // ConnRead: -1 unless Connected and a socket exists; the wanted-count rule
    // on the socket's pending count; the filter applied; the data bytes kept.
    int Receive(uint8_t* buf, int wanted, int cap = kConnReadBuffer);
    // ConnWrite: -1 unless Connected and a socket exists; data as it is (a
    // 255 is not doubled).
    int Send(const uint8_t* data, int len);
    // ConnAvailable: the pending count, -1 without a socket.
    int Pending();

    int Write(const uint8_t* data, int len) override { return Send(data, len); }
    int Read(uint8_t* buf, int wanted, int cap) override { return Receive(buf, wanted, cap); }
    int Available() override { return Pending(); }
    bool IsOpen() override { return fd_.Get() >= 0; }

    const PhoneBookEntry& Entry() const { return entry_; }
    // The connected peer, numeric, and its port (empty / 0 before).
    std::string PeerAddress() const;
    unsigned PeerPort() const { return peerPort_; }
    TelnetFilter::State FilterState() const { return filter_.GetState(); }

    void SetSendStallMs(int ms) { sendStallMs_ = ms; }

private:
    enum class Last { None, Connected, Closed };

    void Reply(const uint8_t* data, int len) override;
    void OnReady(bool readable, bool writable);
    void OnConnect(int error);
    void OnReceive();
    void OnSend();
    void OnClose();
    // Connects to the next looked-up address; false when none is left.
    bool ConnectNext(bool* created);
    void DropSocket();
    void Connected();
    // Thread-safe requests for readiness, applied on the UI thread.
    void WantRead();
    void WantWrite();
    void ScheduleApply();
    void ApplyWatch();
    // With queueMutex_ held: sends queued replies; true when none is left.
    bool FlushRepliesLocked(int fd);

    FrameSink& Sink() const { return conn_.Out().frame; }

    ConnFacade& conn_;
    UiLoop* loopArg_;
    UiLoop* loop_ = nullptr;
    PhoneBookEntry entry_;
    TelnetFilter filter_;
    SharedFd fd_;
    StopEvent stop_;
    int watch_ = 0;
    bool connecting_ = false;
    bool readOn_ = false;
    bool writeOn_ = false;
    std::atomic<bool> readWanted_{false};
    std::atomic<bool> writeWanted_{false};
    std::atomic<bool> applyPosted_{false};
    std::atomic<unsigned> generation_{0};
    std::atomic<Last> last_{Last::None};
    // A connect was started and its end not yet reported.
    bool active_ = false;
    // Lets posted work see that the socket object is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::vector<sockaddr_storage> addrs_;
    std::vector<socklen_t> addrLens_;
    size_t nextAddr_ = 0;
    std::mutex queueMutex_;
    std::vector<uint8_t> replies_;
    mutable std::mutex peerMutex_;
    std::string peerAddr_;
    unsigned peerPort_ = 0;
    int sendStallMs_ = kSendStallMs;
};

}  // namespace velo
