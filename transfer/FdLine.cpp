#include "transfer/FdLine.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/Flags.h"

namespace velo {

namespace {
bool IsSocket(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}
}  // namespace

FdLine::FdLine(SharedFlags& flags, int inFd, int outFd, bool ownsConnected, bool watch)
    : flags_(flags), in_(inFd), out_(outFd), inSocket_(IsSocket(inFd)), outSocket_(IsSocket(outFd)),
      ownsConnected_(ownsConnected)
{
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (watch)
        watcher_ = std::thread(&FdLine::Watch, this);
}

bool FdLine::WaitReadable()
{
    pollfd fds[2] = {{in_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(fds, 2, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return false;
        if (fds[1].revents) {
            uint64_t n;
            if (::read(wakeFd_, &n, sizeof n) < 0) {
            }
        }
        return true;
    }
}

void FdLine::Wake()
{
    const uint64_t one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0) {
    }
}

bool FdLineIo::Connected() { return conn_.State().Connected; }
int FdLineIo::Write(const uint8_t* p, int n) { return conn_.ConnWrite(p, n); }
int FdLineIo::Read(uint8_t* buf, int cap) { return cap >= kConnReadBuffer ? conn_.ConnRead(buf, 0) : -1; }
int FdLineIo::Available() { return conn_.ConnAvailable(); }
bool FdLineIo::CancelRequested() { return conn_.State().TransferCancel; }

FdLine::~FdLine()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
    const uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
        // The watcher also stops on its next wake-up.
    }
    if (watcher_.joinable())
        watcher_.join();
    ::close(stopFd_);
    ::close(wakeFd_);
}

void FdLine::MarkClosed()
{
    if (open_.exchange(false) && ownsConnected_)
        flags_.ConnState.Connected = false;
    flags_.DataEvent.Set();
}

void FdLine::Watch()
{
    while (open_) {
        pollfd fds[2] = {{in_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            MarkClosed();
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLNVAL) {
            MarkClosed();
            return;
        }
        if (!fds[0].revents)
            continue;
        // Input waits (or the input ended; the reader finds out). Tell the
        // owner of the stream and wait until it has read.
        std::unique_lock lock(mutex_);
        if (stopping_)
            return;
        waiting_ = true;
        waitingFlag_ = true;
        flags_.DataEvent.Set();
        cv_.wait(lock, [this] { return !waiting_ || stopping_; });
        if (stopping_)
            return;
    }
}

void FdLine::Rearm()
{
    if (waitingFlag_.load(std::memory_order_acquire)) {
        {
            std::lock_guard lock(mutex_);
            waiting_ = false;
            waitingFlag_ = false;
        }
        cv_.notify_one();
    }
}

int FdLine::Read(uint8_t* buf, int wanted, int cap)
{
    if (!open_ || !buf || cap <= 0)
        return -1;
    if (wanted > 0) {
        if (Available() < wanted) {
            Rearm();
            return 0;
        }
        cap = std::min(cap, wanted);
    }
    ssize_t n;
    if (inSocket_) {
        n = ::recv(in_, buf, size_t(cap), MSG_DONTWAIT);
    } else {
        pollfd p{in_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !p.revents) {
            Rearm();
            return 0;
        }
        n = ::read(in_, buf, size_t(cap));
    }
    const int err = errno;
    // The watcher looks again only once the reader has run dry: while the
    // reader keeps finding bytes it needs no signal, and each signal costs
    // two thread wake-ups.
    if (n > 0)
        return int(n);
    Rearm();
    if (n < 0 && (err == EAGAIN || err == EWOULDBLOCK || err == EINTR))
        return 0;
    MarkClosed();
    return -1;
}

int FdLine::Write(const uint8_t* data, int len)
{
    if (!open_ || len < 0)
        return -1;
    int done = 0;
    while (done < len) {
        const ssize_t w = outSocket_ ? ::send(out_, data + done, size_t(len - done), MSG_NOSIGNAL)
                                     : ::write(out_, data + done, size_t(len - done));
        if (w > 0) {
            done += int(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{out_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
            if (!open_)
                return -1;
            continue;
        }
        MarkClosed();
        return -1;
    }
    return done;
}

int FdLine::Available()
{
    int n = 0;
    if (!open_ || ::ioctl(in_, FIONREAD, &n) != 0)
        return 0;
    return n;
}

}  // namespace velo
