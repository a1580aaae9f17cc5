#include "base/Flags.h"

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
    if (!WaitUntil(cv_, lock, timeoutMs, [this] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

}  // namespace velo
