#include "terminal/ThreadTimer.h"

namespace velo {

ThreadTimer::~ThreadTimer() {
    {
        std::lock_guard lk(m_);
        quit_ = true;
        armed_ = false;
        fire_ = nullptr;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ThreadTimer::Start(int ms, std::function<void()> fire) {
    {
        std::lock_guard lk(m_);
        fire_ = std::move(fire);
        due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
        armed_ = true;
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    cv_.notify_all();
}

void ThreadTimer::Cancel() {
    std::unique_lock lk(m_);
    armed_ = false;
    fire_ = nullptr;
    if (std::this_thread::get_id() == thread_.get_id() || !running_) return;
    ++cancels_;
    cv_.wait(lk, [this] { return !running_; });
}

void ThreadTimer::Run() {
    std::unique_lock lk(m_);
    while (!quit_) {
        if (!armed_) {
            cv_.wait(lk);
            continue;
        }
        if (std::chrono::steady_clock::now() < due_) {
            cv_.wait_until(lk, due_);
            continue;  // re-check: cancelled, re-armed or quitting meanwhile
        }
        std::function<void()> fire = std::move(fire_);
        fire_ = nullptr;
        armed_ = false;
        running_ = true;
        const uint64_t cancels = cancels_;
        lk.unlock();
        if (fire) fire();
        fire = nullptr;
        lk.lock();
        running_ = false;
        if (cancels_ != cancels) {  // cancelled while running: drop its re-arm
            armed_ = false;
            fire_ = nullptr;
        }
        cv_.notify_all();
    }
}

}  // namespace velo
