#include "connect/TelnetSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "connect/ConnUi.h"
#include "base/FrameSink.h"

namespace velo {

namespace {

int PendingBytes(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

}  // namespace

TelnetSocket::TelnetSocket(ConnFacade& conn, UiLoop* loop) : conn_(conn), loopArg_(loop) {}

TelnetSocket::~TelnetSocket() { DropSocket(); }

std::string TelnetSocket::PeerAddress() const
{
    std::lock_guard lock(peerMutex_);
    return peerAddr_;
}

bool TelnetSocket::Connect(const PhoneBookEntry& entry)
{
    if (fd_.Get() >= 0 || active_)
        Close();
    entry_ = entry;
    filter_.Reset();
    filter_.SetTerminal(entry_.termType, entry_.width, entry_.height);
    loop_ = loopArg_ ? loopArg_ : conn_.Loop();
    stop_.Reset();
    last_ = Last::None;
    active_ = true;
    {
        std::lock_guard lock(peerMutex_);
        peerAddr_.clear();
        peerPort_ = 0;
    }
    addrs_.clear();
    addrLens_.clear();
    nextAddr_ = 0;
    if (!loop_) {
        Close();
        return false;
    }

    // The name is looked up here, blocking, as the user asked to connect.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    bool portOk = entry_.port > 0 && entry_.port <= 65535;
    std::string service = std::to_string(entry_.port);
    if (!portOk || entry_.number[0] == '\0' ||
        ::getaddrinfo(entry_.number, service.c_str(), &hints, &found) != 0) {
        Close();
        return true;
    }
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        sockaddr_storage ss{};
        std::memcpy(&ss, a->ai_addr, a->ai_addrlen);
        addrs_.push_back(ss);
        addrLens_.push_back(a->ai_addrlen);
    }
    ::freeaddrinfo(found);

    bool created = true;
    if (ConnectNext(&created))
        return true;
    Close();
    return created;
}

bool TelnetSocket::ConnectNext(bool* created)
{
    while (nextAddr_ < addrs_.size()) {
        const sockaddr_storage& addr = addrs_[nextAddr_];
        socklen_t len = addrLens_[nextAddr_];
        ++nextAddr_;
        int fd = ::socket(addr.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            *created = false;
            return false;
        }
        int on = 1;
        int snd = kSendBuffer;
        ::setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
        // The receive buffer is left to the kernel: a fixed size also stops
        // the receive window from growing, and a window of a few KB makes
        // the host wait for every read of ours (a download then runs at a
        // fraction of the line's speed). A read still takes at most the
        // caller's cap (kConnReadBuffer).
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &snd, sizeof snd);
        // TCP_NODELAY stays off: small writes are coalesced.
        fd_.Set(fd);
        std::weak_ptr<int> alive = alive_;
        watch_ = loop_->AddWatch(fd, [this, alive](bool r, bool w) {
            if (!alive.expired())
                OnReady(r, w);
        });
        if (watch_ <= 0) {
            watch_ = 0;
            *created = false;
            return false;
        }
        int r;
        do {
            r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len);
        } while (r < 0 && errno == EINTR);
        if (r == 0) {
            Connected();
            return true;
        }
        if (errno == EINPROGRESS) {
            connecting_ = true;
            ApplyWatch();
            return true;
        }
        DropSocket();
    }
    return false;
}

void TelnetSocket::Connected()
{
    connecting_ = false;
    int fd = fd_.Get();
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (fd >= 0 && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0) {
        char text[INET6_ADDRSTRLEN] = {};
        unsigned port = 0;
        if (peer.ss_family == AF_INET) {
            auto* in = reinterpret_cast<sockaddr_in*>(&peer);
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
            port = ntohs(in->sin_port);
        } else if (peer.ss_family == AF_INET6) {
            auto* in6 = reinterpret_cast<sockaddr_in6*>(&peer);
            ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
            port = ntohs(in6->sin6_port);
        }
        std::lock_guard lock(peerMutex_);
        peerAddr_ = text;
        peerPort_ = port;
    }
    readWanted_ = true;
    ApplyWatch();
    last_ = Last::Connected;
    Sink().SendCommand(CMD_CONN_CONNECTED);
}

void TelnetSocket::DropSocket()
{
    connecting_ = false;
    if (watch_ && loop_)
        loop_->RemoveWatch(watch_);
    watch_ = 0;
    readOn_ = writeOn_ = false;
    readWanted_ = writeWanted_ = false;
    int fd = fd_.Take();
    if (fd >= 0)
        ::close(fd);
    std::lock_guard lock(queueMutex_);
    replies_.clear();
}

void TelnetSocket::Close()
{
    if (active_ && last_.exchange(Last::Closed) != Last::Closed)
        Sink().SendCommand(CMD_CONN_CLOSED);
    active_ = false;
    stop_.Signal();
    DropSocket();
}

void TelnetSocket::OnReady(bool readable, bool writable)
{
    int fd = fd_.Get();
    if (fd < 0)
        return;
    if (connecting_) {
        if (!readable && !writable)
            return;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
        connecting_ = false;
        OnConnect(err);
        return;
    }
    if (readable) {
        int pending = PendingBytes(fd);
        if (pending > 0) {
            OnReceive();
        } else {
            // Readable with nothing pending: the host closed or the
            // connection broke.
            char c;
            ssize_t n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                OnClose();
                return;
            }
        }
    }
    if (writable && fd_.Get() >= 0)
        OnSend();
}

void TelnetSocket::OnConnect(int error)
{
    if (error == 0) {
        Connected();
        return;
    }
    // This address refused or failed: the next one of the name, if any.
    DropSocket();
    bool created = true;
    if (ConnectNext(&created))
        return;
    Close();
}

void TelnetSocket::OnReceive()
{
    // Quiet until someone reads: a queue left waiting (frozen view, worker
    // between reads) does not keep the UI thread busy.
    readWanted_ = false;
    ApplyWatch();
    // A transfer or automation thread reading the stream only needs its
    // event; the frame's receive step would do no more than set it, one
    // event-loop round later.
    if (conn_.State().WorkerOwnsStream())
        conn_.Flags().DataEvent.Set();
    else
        Sink().PostCommand(CMD_CONN_DATA);
}

void TelnetSocket::OnSend()
{
    bool empty;
    {
        std::lock_guard lock(queueMutex_);
        empty = FlushRepliesLocked(fd_.Get());
    }
    if (empty) {
        writeWanted_ = false;
        ApplyWatch();
    }
}

void TelnetSocket::OnClose()
{
    std::string host = entry_.number;
    Close();
    if (ConnFrame* frame = conn_.Frame())
        frame->Message("연결이 해제 되었습니다.", host, MsgIcon::Exclamation);
}

void TelnetSocket::WantRead()
{
    if (!readWanted_.exchange(true))
        ScheduleApply();
}

void TelnetSocket::WantWrite()
{
    if (!writeWanted_.exchange(true))
        ScheduleApply();
}

void TelnetSocket::ScheduleApply()
{
    UiLoop* loop = loop_;
    if (!loop || applyPosted_.exchange(true))
        return;
    std::weak_ptr<int> alive = alive_;
    loop->Post([this, alive] {
        if (alive.expired())
            return;
        applyPosted_ = false;
        ApplyWatch();
    });
}

void TelnetSocket::ApplyWatch()
{
    if (!watch_ || !loop_)
        return;
    bool r = readWanted_ && !connecting_;
    bool w = writeWanted_ || connecting_;
    if (r == readOn_ && w == writeOn_)
        return;
    readOn_ = r;
    writeOn_ = w;
    loop_->SetWatch(watch_, r, w);
}

bool TelnetSocket::FlushRepliesLocked(int fd)
{
    size_t sent = 0;
    while (fd >= 0 && sent < replies_.size()) {
        ssize_t n = ::send(fd, replies_.data() + sent, replies_.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    replies_.erase(replies_.begin(), replies_.begin() + static_cast<long>(sent));
    return replies_.empty();
}

void TelnetSocket::Reply(const uint8_t* data, int len)
{
    int fd = fd_.Get();
    if (fd < 0 || len <= 0)
        return;
    {
        std::lock_guard lock(queueMutex_);
        int done = 0;
        if (FlushRepliesLocked(fd)) {
            while (done < len) {
                ssize_t n = ::send(fd, data + done, static_cast<size_t>(len - done), MSG_DONTWAIT | MSG_NOSIGNAL);
                if (n > 0)
                    done += static_cast<int>(n);
                else if (!(n < 0 && errno == EINTR))
                    break;
            }
            if (done == len)
                return;
        }
        // A host that asks faster than it reads gets no more answers once the
        // queue is full; a reply is queued whole or not at all.
        if (replies_.size() + static_cast<size_t>(len - done) > kReplyQueueMax && done == 0)
            return;
        replies_.insert(replies_.end(), data + done, data + len);
    }
    WantWrite();
}

int TelnetSocket::Receive(uint8_t* buf, int wanted, int cap)
{
    SharedFd::Use use(fd_);
    if (!conn_.State().Connected || use.fd < 0 || !buf)
        return -1;
    WantRead();
    if (wanted < 1) {
        // Whatever is there, up to cap: one non-blocking recv says it without
        // asking the count first (nothing there, or the host's close, is 0;
        // the close itself is seen by the watch armed above).
        ssize_t n;
        do
            n = ::recv(use.fd, buf, static_cast<size_t>(std::max(cap, 0)), MSG_DONTWAIT);
        while (n < 0 && errno == EINTR);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        return n > 0 ? filter_.Run(buf, static_cast<int>(n), *this) : 0;
    }
    int pending = PendingBytes(use.fd);
    if (pending < 0)
        return -1;
    if (pending < wanted)
        return 0;
    int got = 0;
    while (got < wanted) {
        ssize_t n = ::recv(use.fd, buf + got, static_cast<size_t>(wanted - got), MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 1)
            break;
        got += static_cast<int>(n);
    }
    return filter_.Run(buf, got, *this);
}

int TelnetSocket::Send(const uint8_t* data, int len)
{
    SharedFd::Use use(fd_);
    if (!conn_.State().Connected || use.fd < 0)
        return -1;
    if (len <= 0)
        return 0;
    if (!data)
        return -1;
    int done = 0;
    while (done < len) {
        ssize_t n;
        int err = 0;
        {
            // Queued replies go first; data waits behind them.
            std::lock_guard lock(queueMutex_);
            if (!FlushRepliesLocked(use.fd)) {
                n = -1;
                err = EAGAIN;
            } else {
                n = ::send(use.fd, data + done, static_cast<size_t>(len - done), MSG_DONTWAIT | MSG_NOSIGNAL);
                err = errno;
            }
        }
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n == 0)
            return done;
        if (err == EINTR)
            continue;
        if (err != EAGAIN && err != EWOULDBLOCK)
            return -1;
        int r = stop_.Wait(use.fd, POLLOUT, sendStallMs_);
        if (r < 0)
            return -1;
        if (r == 0)
            return done;  // the host takes nothing: a short write, not a hang
    }
    return done;
}

int TelnetSocket::Pending()
{
    SharedFd::Use use(fd_);
    if (use.fd < 0)
        return -1;
    return PendingBytes(use.fd);
}

}  // namespace velo
