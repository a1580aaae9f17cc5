// Two small pieces shared by the serial line, the modem driver and the telnet
// socket: a manual-reset stop event that wakes every wait on a descriptor, and
// a descriptor that is never closed under a thread still using it.
#pragma once

#include <atomic>

namespace velo {

// A manual-reset event on an eventfd: once signalled it stays signalled until
// Reset, so every waiter wakes.
class StopEvent {
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;
    void Signal();
    void Reset();
    bool IsSignalled() const;
    // Waits until fd is ready for `events` (fd < 0: only the stop event and
    // the time-out). 1 ready (or an error the next call on fd reports),
    // 0 time-out, -1 stopped. timeoutMs < 0 waits without limit.
    int Wait(int fd, short events, int timeoutMs) const;

private:
    int fd_;
};

// A descriptor shared between the UI thread and one worker. A user marks
// itself with Use before it touches the descriptor; Take() removes the
// descriptor from view and waits (bounded) until the users have left, so the
// caller may close it without another thread reading a reused number.
class SharedFd {
public:
    class Use {
    public:
        explicit Use(SharedFd& s) : s_(s)
        {
            s_.users_.fetch_add(1);
            fd = s_.fd_.load();
        }
        ~Use() { s_.users_.fetch_sub(1); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        int fd;

    private:
        SharedFd& s_;
    };

    int Get() const { return fd_.load(); }
    void Set(int fd) { fd_.store(fd); }
    // Returns the descriptor (or -1) once no user holds it any more; users
    // blocked in a wait must have been woken (StopEvent) first.
    int Take();

private:
    std::atomic<int> fd_{-1};
    std::atomic<int> users_{0};
};

}  // namespace velo
