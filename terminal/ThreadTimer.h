// OneShotTimer on a thread of its own: the music timer of the terminal. The
// thread starts with the first Start and ends with the object.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "terminal/AnsiMusic.h"

namespace velo {

class ThreadTimer final : public OneShotTimer {
public:
    ThreadTimer() = default;
    ~ThreadTimer() override;
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    // Arms the timer anew (a pending expiry is replaced). Callable from any
    // thread, including from inside the callback.
    void Start(int ms, std::function<void()> fire) override;
    // From another thread: waits for a running callback to return, and a
    // Start made by that callback is undone. From inside the callback: only
    // disarms. The callback must therefore never wait for the thread that
    // cancels (post to it, do not block on it).
    void Cancel() override;

private:
    void Run();

    std::mutex m_;
    std::condition_variable cv_;
    std::function<void()> fire_;
    std::chrono::steady_clock::time_point due_;
    bool armed_ = false;
    bool running_ = false;
    bool quit_ = false;
    uint64_t cancels_ = 0;  // Cancels from other threads while a callback ran
    std::thread thread_;
};

}  // namespace velo
