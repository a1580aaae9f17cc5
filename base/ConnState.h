// Process-wide connection flags and the auto-reset data event. Several
// threads read and write them without locks; ownership of the input stream is
// decided by Receiving, Sending and Automating.
#pragma once

#include <atomic>
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

inline ConnStateFlags ConnState;

// An auto-reset event: Set wakes one waiter (or the next one to wait) and
// clears itself when a wait consumes it.
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

inline AutoResetEvent DataEvent;

}  // namespace velo
