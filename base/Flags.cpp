#include "base/Flags.h"

#include <chrono>

namespace velo {

void AutoResetEvent::Set()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

void AutoResetEvent::Reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool AutoResetEvent::Wait(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0)
        cv_.wait(lock, [this] { return signalled_; });
    else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

}  // namespace velo
