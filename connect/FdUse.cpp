#include "connect/FdUse.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace velo {

StopEvent::StopEvent() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

StopEvent::~StopEvent()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void StopEvent::Signal()
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(fd_, &one, sizeof one);
}

void StopEvent::Reset()
{
    uint64_t v;
    while (::read(fd_, &v, sizeof v) > 0) {
    }
}

bool StopEvent::IsSignalled() const
{
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int StopEvent::Wait(int fd, short events, int timeoutMs) const
{
    pollfd p[2] = {{fd_, POLLIN, 0}, {fd, events, 0}};
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int r = ::poll(p, fd >= 0 ? 2 : 1, timeoutMs);
        if (r < 0 && errno == EINTR) {
            if (timeoutMs >= 0) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    until - std::chrono::steady_clock::now());
                timeoutMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
            }
            continue;
        }
        if (r < 0 || (p[0].revents & POLLIN))
            return -1;
        return r == 0 ? 0 : 1;
    }
}

int SharedFd::Take()
{
    int fd = fd_.exchange(-1);
    for (int i = 0; i < 2000 && users_.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return fd;
}

}  // namespace velo
