#include "ZmTestUtil.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace zmtest {

int SocketIo::Write(const uint8_t* p, int n)
{
    if (!open_)
        return -1;
    if (record)
        written.insert(written.end(), p, p + n);
    int done = 0;
    while (done < n) {
        const ssize_t w = ::send(fd_, p + done, size_t(n - done), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return -1;
        done += int(w);
    }
    return n;
}

int SocketIo::Read(uint8_t* buf, int cap)
{
    if (!open_)
        return -1;
    const ssize_t n = ::recv(fd_, buf, size_t(cap), MSG_DONTWAIT);
    if (n > 0)
        return int(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    open_ = false;
    return -1;
}

int SocketIo::Available()
{
    int n = 0;
    return ::ioctl(fd_, FIONREAD, &n) == 0 ? n : 0;
}

bool SocketIo::Wait()
{
    // Short slices, so that a cancel request is seen while waiting.
    for (int waited = 0; waited < waitMs_; waited += 20) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0 || cancel)
            return true;
    }
    return false;
}

Child::Child(const std::vector<std::string>& argv, int fd, const std::string& dir,
             const std::string& errPath)
{
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fd, 0);
        ::dup2(fd, 1);
        const int err = ::open(errPath.empty() ? "/dev/null" : errPath.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (err >= 0)
            ::dup2(err, 2);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

Child::~Child()
{
    if (!done_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
    }
}

void Child::Kill(int sig)
{
    if (!done_ && pid_ > 0)
        ::kill(pid_, sig);
}

int Child::Wait(int timeoutMs)
{
    if (!done_) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const pid_t r = ::waitpid(pid_, &status_, WNOHANG);
            if (r == pid_)
                break;
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status_, 0);
                done_ = true;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        done_ = true;
    }
    if (WIFEXITED(status_))
        return WEXITSTATUS(status_);
    return 128 + WTERMSIG(status_);
}

Relay::Relay(int a, int b, Mutator aToB, Mutator bToA)
    : a_(a), b_(b), aToB_(std::move(aToB)), bToA_(std::move(bToA))
{
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread(&Relay::Run, this);
}

Relay::~Relay()
{
    stop_ = true;
    const uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) {
    }
    thread_.join();
    ::close(stopFd_);
}

void Relay::Run()
{
    std::vector<uint8_t> buf(16384);
    // ZM_RELAY_DUMP=prefix keeps what passed each way, for looking into a failure.
    FILE* dump[2] = {nullptr, nullptr};
    if (const char* prefix = std::getenv("ZM_RELAY_DUMP")) {
        dump[0] = std::fopen((std::string(prefix) + ".atob").c_str(), "wb");
        dump[1] = std::fopen((std::string(prefix) + ".btoa").c_str(), "wb");
    }
    auto pass = [&](int from, int to, Mutator& m, bool count) -> bool {
        const ssize_t n = ::recv(from, buf.data(), buf.size(), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return false;
        if (n < 0)
            return true;
        std::vector<uint8_t> chunk(buf.begin(), buf.begin() + n);
        if (m)
            m(chunk);
        if (count)
            atob_ += chunk.size();
        if (FILE* f = dump[count ? 0 : 1])
            std::fwrite(chunk.data(), 1, chunk.size(), f);
        size_t done = 0;
        while (done < chunk.size()) {
            const ssize_t w = ::send(to, chunk.data() + done, chunk.size() - done, MSG_NOSIGNAL);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += size_t(w);
        }
        return true;
    };
    while (!stop_) {
        pollfd p[3] = {{a_, POLLIN, 0}, {b_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(p, 3, -1) < 0 && errno != EINTR)
            break;
        if (p[2].revents)
            break;
        if (p[0].revents && !pass(a_, b_, aToB_, true))
            break;
        if (p[1].revents && !pass(b_, a_, bToA_, false))
            break;
    }
    ::shutdown(a_, SHUT_RDWR);
    ::shutdown(b_, SHUT_RDWR);
    for (FILE* f : dump)
        if (f)
            std::fclose(f);
}

Relay::Mutator Damage(uint32_t seed, int rate, bool drop)
{
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng, rate, drop](std::vector<uint8_t>& v) {
        std::vector<uint8_t> out;
        out.reserve(v.size());
        for (uint8_t b : v) {
            if ((*rng)() % uint32_t(rate) == 0) {
                if (drop)
                    continue;
                b ^= uint8_t(1 + (*rng)() % 255);
            }
            out.push_back(b);
        }
        v.swap(out);
    };
}

std::string TempDir(const std::string& tag)
{
    std::string t = "/tmp/velo-zm-" + tag + "-XXXXXX";
    if (!::mkdtemp(t.data()))
        throw std::runtime_error("mkdtemp");
    return t;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(rng());
    return v;
}

void SetMtime(const std::string& path, int64_t t)
{
    const struct timespec times[2] = {{time_t(t), 0}, {time_t(t), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int64_t Mtime(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : -1;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace zmtest
