#include "connect/CommLine.h"

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "base/CommandIds.h"
#include "base/FrameSink.h"
#include "connect/SerialDevice.h"

namespace velo {

CommLine::CommLine(ConnFacade& conn) : conn_(conn) {}

CommLine::~CommLine() { Close(); }

void CommLine::SetDtr(bool on)
{
    int fd = fd_.Get();
    if (fd >= 0)
        SetSerialDtr(fd, on);
}

void CommLine::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int CommLine::Queued(int fd) { return SerialQueued(fd); }

bool CommLine::Open(int n)
{
    if (n < 1 || n > 9 || open_ || fd_.Get() >= 0)
        return false;
    int fd = OpenSerialDevice(ComDevicePath(Settings(), n));
    if (fd < 0)
        return false;
    // There is no maximum-rate property on Linux: the port opens with the
    // stored per-port values (9600 8N1 unless the user changed them).
    if (!ConfigureSerial(fd, ReadPortParams(Settings(), n))) {
        ::close(fd);
        return false;
    }
    fd_.Set(fd);
    port_ = n;
    direct_ = true;
    stop_.Reset();
    Pause(kDtrStepMs);
    SetDtr(true);
    Pause(kDtrStepMs);
    open_ = true;
    Sink().SendCommand(CMD_PORT_OPENED);
    StartPollThread();
    return true;
}

bool CommLine::PrepareHandedOver(int fd)
{
    if (fd < 0)
        return false;
    if (open_ || fd_.Get() >= 0) {
        ::close(fd);
        return false;
    }
    Pause(handOverWaitMs_);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_.Set(fd);
    port_ = 0;
    direct_ = false;
    stop_.Reset();
    open_ = true;
    if (Queued(fd) > 0) {
        Sink().SendCommand(CMD_CONN_DATA);
    }
    return true;
}

void CommLine::StartPollThread()
{
    if (poll_.joinable() || !open_)
        return;
    poll_ = std::thread([this] { PollLoop(); });
}

// The frame hears of received bytes only once the queue has stopped growing
// for one interval: quiet input, or a queue that is full.
void CommLine::PollLoop()
{
    while (open_) {
        int before = std::max(0, Queued(fd_.Get()));
        if (stop_.Wait(-1, 0, kPollIntervalMs) < 0 || !open_)
            break;
        int after = std::max(0, Queued(fd_.Get()));
        if (after <= before && after != 0) {
            Sink().PostCommand(CMD_CONN_DATA);
        }
    }
}

void CommLine::StopPollThread()
{
    if (poll_.joinable() && poll_.get_id() != std::this_thread::get_id())
        poll_.join();
}

void CommLine::CloseFd()
{
    int fd = fd_.Take();
    if (fd >= 0)
        ::close(fd);
}

void CommLine::ReleasePort()
{
    open_ = false;
    stop_.Signal();
    CloseFd();
}

void CommLine::Close()
{
    if (closing_.exchange(true))
        return;
    bool hadPort = fd_.Get() >= 0;
    // Readers and writers wake on the stop event; the descriptor closes only
    // once they have left it.
    open_ = false;
    stop_.Signal();
    StopPollThread();
    if (direct_ && hadPort) {
        Sink().SendCommand(CMD_PORT_CLOSED);
        SetDtr(false);
        Pause(kDtrStepMs);
        SetDtr(true);
        Pause(kDtrStepMs);
        SetDtr(false);
        Pause(kDtrStepMs);
        CloseFd();
        direct_ = false;
    } else if (call_ && (hadPort || call_->CallActive())) {
        call_->CloseCall();
        CloseFd();
    } else {
        CloseFd();
    }
    closing_ = false;
}

int CommLine::Write(const uint8_t* data, int len)
{
    SharedFd::Use use(fd_);
    if (!open_ || use.fd < 0 || len < 0 || (len > 0 && !data))
        return -1;
    int done = 0;
    while (done < len) {
        ssize_t n = ::write(use.fd, data + done, static_cast<size_t>(len - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return -1;
        int r = stop_.Wait(use.fd, POLLOUT, writeStallMs_);
        if (r == 0)
            return done;  // stalled: the caller sees a short write
        if (r < 0)
            return -1;
    }
    return done;
}

int CommLine::Read(uint8_t* buf, int wanted, int cap)
{
    SharedFd::Use use(fd_);
    if (!open_ || use.fd < 0 || !buf || wanted < 0)
        return -1;
    int queued = Queued(use.fd);
    if (queued < 0)
        return -1;
    if (queued == 0)
        return 0;
    if (wanted == 0)
        wanted = std::min(queued, std::max(cap, 0));
    else if (queued < wanted)
        return 0;
    if (wanted == 0)
        return 0;
    int got = 0;
    while (open_) {
        ssize_t n = ::read(use.fd, buf + got, static_cast<size_t>(wanted - got));
        if (n > 0) {
            got += static_cast<int>(n);
            if (got == wanted)
                return got;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return -1;
        if (stop_.Wait(use.fd, POLLIN, -1) < 0)
            return -1;
    }
    return -1;
}

int CommLine::Available()
{
    SharedFd::Use use(fd_);
    if (!open_ || use.fd < 0)
        return 0;
    return std::max(0, Queued(use.fd));
}

}  // namespace velo
