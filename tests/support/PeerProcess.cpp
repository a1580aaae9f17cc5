#include "support/PeerProcess.h"

#include <fcntl.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace velo::test {

using Clock = std::chrono::steady_clock;

PeerProcess::PeerProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::setpgid(0, 0);
        // A test that dies (a crash, a timeout's kill) takes its peer along.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

PeerProcess::~PeerProcess() { Stop(); }

void PeerProcess::Stop()
{
    if (pid_ <= 0)
        return;
    // The child leads its own group (socat's forked helpers, telnetd and its
    // program): end exactly that group.
    ::kill(-pid_, SIGTERM);
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

bool WaitForPath(const std::string& path, int ms)
{
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

SocatPair::SocatPair()
{
    proc_ = new PeerProcess({"socat", "pty,raw,echo=0,link=" + A(), "pty,raw,echo=0,link=" + B()});
    ready_ = proc_->Started() && WaitForPath(A(), 5000) && WaitForPath(B(), 5000);
}

SocatPair::~SocatPair() { delete proc_; }

int SocatPair::OpenB() const
{
    int fd = ::open(B().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::string ReadFor(int fd, size_t want, int ms)
{
    std::string got;
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    char buf[4096];
    while (got.size() < want) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, n);
        else if (n == 0 || errno != EAGAIN)
            break;
    }
    return got;
}

bool WriteAllTo(int fd, const std::string& s)
{
    size_t done = 0;
    auto until = Clock::now() + std::chrono::seconds(10);
    while (done < s.size()) {
        ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (Clock::now() > until)
            return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
    return true;
}

ScriptedHost::ScriptedHost(Script script)
{
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    ::listen(listen_, 4);
    thread_ = std::thread([this, script] {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            return;
        int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        script(fd);
        ::close(fd);
    });
}

ScriptedHost::~ScriptedHost()
{
    ::shutdown(listen_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    ::close(listen_);
}

int FreePort()
{
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    int port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

}  // namespace velo::test
