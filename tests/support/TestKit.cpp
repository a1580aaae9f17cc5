#include "support/TestKit.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <stdexcept>

#include "connect/Conn.h"
#include "base/Flags.h"

namespace velo::test {

using Clock = std::chrono::steady_clock;

TestLoop::TestLoop() : ui_(std::this_thread::get_id()), wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TestLoop::~TestLoop() { ::close(wake_); }

void TestLoop::Post(std::function<void()> fn)
{
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t r = ::write(wake_, &one, sizeof one);
}

int TestLoop::AddWatch(int fd, FdHandler handler)
{
    int id = nextId_++;
    watches_[id] = Watch{fd, std::move(handler)};
    return id;
}

void TestLoop::SetWatch(int id, bool read, bool write)
{
    auto it = watches_.find(id);
    if (it != watches_.end()) {
        it->second.read = read;
        it->second.write = write;
    }
}

void TestLoop::RemoveWatch(int id) { watches_.erase(id); }

int TestLoop::StartTimer(int ms, bool repeat, std::function<void()> fn)
{
    int id = nextId_++;
    timers_[id] = Timer{Clock::now() + std::chrono::milliseconds(ms), ms, repeat, std::move(fn)};
    return id;
}

void TestLoop::StopTimer(int id) { timers_.erase(id); }

void TestLoop::RunOnce(int maxMs)
{
    auto now = Clock::now();
    int timeout = std::max(maxMs, 0);
    for (auto& [id, t] : timers_) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now).count();
        timeout = std::min<int>(timeout, std::max<long>(left, 0));
    }
    std::vector<pollfd> fds{{wake_, POLLIN, 0}};
    std::vector<int> ids;
    for (auto& [id, w] : watches_) {
        short ev = (w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0);
        if (!ev)
            continue;
        fds.push_back({w.fd, ev, 0});
        ids.push_back(id);
    }
    ::poll(fds.data(), fds.size(), timeout);
    uint64_t v;
    [[maybe_unused]] ssize_t r = ::read(wake_, &v, sizeof v);

    std::vector<std::function<void()>> posted;
    {
        std::lock_guard lock(mutex_);
        posted.swap(posted_);
    }
    for (auto& fn : posted)
        fn();

    now = Clock::now();
    std::vector<int> due;
    for (auto& [id, t] : timers_) {
        if (t.due <= now)
            due.push_back(id);
    }
    for (int id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end())
            continue;
        std::function<void()> fn = it->second.fn;
        if (it->second.repeat)
            it->second.due = now + std::chrono::milliseconds(it->second.ms);
        else
            timers_.erase(it);
        fn();
    }

    for (size_t i = 1; i < fds.size(); ++i) {
        short re = fds[i].revents;
        if (!re)
            continue;
        auto it = watches_.find(ids[i - 1]);
        if (it == watches_.end() || it->second.fd != fds[i].fd)
            continue;
        bool err = re & (POLLERR | POLLHUP | POLLNVAL);
        bool readable = it->second.read && ((re & POLLIN) || err);
        bool writable = it->second.write && ((re & POLLOUT) || err);
        if (readable || writable) {
            FdHandler h = it->second.handler;
            h(readable, writable);
        }
    }
}

bool TestLoop::RunUntil(const std::function<bool()>& pred, int timeoutMs)
{
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return pred();
        RunOnce(static_cast<int>(std::min<long>(left, 20)));
    }
    return true;
}

void TestLoop::RunFor(int ms)
{
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return;
        RunOnce(static_cast<int>(std::min<long>(left, 20)));
    }
}

void TestSink::Dispatch(int id)
{
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(id);
    }
    if (handler)
        handler(id);
}

void TestSink::PostCommand(int id)
{
    loop_.Post([this, id] { Dispatch(id); });
}

void TestSink::SendCommand(int id)
{
    if (std::this_thread::get_id() == ui_) {
        Dispatch(id);
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto fut = done->get_future();
    loop_.Post([this, id, done] {
        Dispatch(id);
        done->set_value();
    });
    fut.wait();
}

std::vector<int> TestSink::Commands()
{
    std::lock_guard lock(mutex_);
    return commands_;
}

int TestSink::Count(int id)
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(commands_.begin(), commands_.end(), id));
}

void TestSink::Clear()
{
    std::lock_guard lock(mutex_);
    commands_.clear();
}

int RecTerminal::Feed(const uint8_t* d, int n)
{
    ++feeds;
    int take = std::min(n, maxTake);
    shown.append(reinterpret_cast<const char*>(d), take);
    return take;
}

int QueueLine::Write(const uint8_t* d, int n)
{
    if (!open)
        return -1;
    out.append(reinterpret_cast<const char*>(d), n);
    return n;
}

int QueueLine::Read(uint8_t* b, int wanted, int cap)
{
    ++reads;
    if (!open)
        return -1;
    if (wanted > 0 && static_cast<int>(in.size()) < wanted)
        return 0;
    int n = wanted == 0 ? std::min<int>(static_cast<int>(in.size()), cap) : wanted;
    std::copy(in.begin(), in.begin() + n, b);
    in.erase(0, n);
    return n;
}

UiScope::UiScope()
{
    flags.TermShared.ServiceKind = kServiceOther;
    conn.SetUiLoop(&loop);
    conn.SetFrame(&frame);
    conn.SetTerminal(&term);
}

void RecordingSink::PostCommand(int id)
{
    std::lock_guard lock(mutex_);
    commands_.push_back(id);
}

void RecordingSink::SendCommand(int id) { PostCommand(id); }

void RecordingSink::PostMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    std::lock_guard lock(mutex_);
    messages_.push_back({msg, wParam, lParam});
}

intptr_t RecordingSink::SendMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    PostMessage(msg, wParam, lParam);
    return onSend ? onSend(msg, wParam, lParam) : 0;
}

std::vector<int> RecordingSink::Commands() const
{
    std::lock_guard lock(mutex_);
    return commands_;
}

std::vector<RecordingSink::Message> RecordingSink::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

int RecordingSink::Count(int id) const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(commands_.begin(), commands_.end(), id));
}

void RecordingSink::Clear()
{
    std::lock_guard lock(mutex_);
    commands_.clear();
    messages_.clear();
}

SocketPair::SocketPair()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0)
        throw std::runtime_error("socketpair");
}

SocketPair::~SocketPair()
{
    CloseEnd(0);
    CloseEnd(1);
}

void SocketPair::CloseEnd(int i)
{
    if (fd[i] >= 0) {
        ::close(fd[i]);
        fd[i] = -1;
    }
}

TempDir::TempDir(const std::string& tag)
{
    std::string tmpl = "/tmp/" + tag + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()))
        path_ = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

std::string Str(const uint8_t* d, int n) { return std::string(reinterpret_cast<const char*>(d), std::max(n, 0)); }

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace velo::test
