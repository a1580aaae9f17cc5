// Helpers of the ZModem tests: a ZmIo over a socket for scripted peers,
// children (sz, rz, velo-zmodem) on a socket with a time limit, a relay that
// damages or rewrites the bytes between two ends, and file helpers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/TestKit.h"
#include "transfer/ZmIo.h"

namespace zmtest {

// A socket end as a ZmIo. Wait gives up after waitMs so that a test never
// hangs on a silent peer: the wire then reports a lost connection.
class SocketIo final : public velo::zm::ZmIo {
public:
    explicit SocketIo(int fd, int waitMs = 10000) : fd_(fd), waitMs_(waitMs) {}
    bool Connected() override { return open_; }
    int Write(const uint8_t* p, int n) override;
    int Read(uint8_t* buf, int cap) override;
    int Available() override;
    bool Wait() override;
    bool CancelRequested() override { return cancel; }
    void Close() { open_ = false; }
    std::atomic<bool> cancel{false};
    // Everything written, when recording is on.
    bool record = false;
    std::vector<uint8_t> written;

private:
    int fd_;
    int waitMs_;
    std::atomic<bool> open_{true};
};

using velo::test::SocketPair;

// A child process whose standard input and output are fd (stderr goes to
// the file errPath when given). Wait kills it after the time limit.
class Child {
public:
    Child(const std::vector<std::string>& argv, int fd, const std::string& dir = {},
          const std::string& errPath = {});
    ~Child();
    // The exit status, 128+signal when it was killed, or -1 when it had to
    // be killed at the time limit.
    int Wait(int timeoutMs);
    void Kill(int sig);
    int Pid() const { return pid_; }

private:
    int pid_ = -1;
    int status_ = 0;
    bool done_ = false;
};

// Pumps bytes between two socket ends until one closes, then shuts the other
// down. Each direction passes through its own mutator, which may change,
// drop or add bytes.
class Relay {
public:
    using Mutator = std::function<void(std::vector<uint8_t>&)>;
    Relay(int a, int b, Mutator aToB = {}, Mutator bToA = {});
    ~Relay();
    uint64_t BytesAtoB() const { return atob_; }

private:
    void Run();
    int a_, b_;
    Mutator aToB_, bToA_;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> atob_{0};
    int stopFd_ = -1;
    std::thread thread_;
};

// Damages about one byte in `rate` (XOR with a random non-zero value), or
// drops it when drop is set. Deterministic for a seed.
Relay::Mutator Damage(uint32_t seed, int rate, bool drop);

std::string TempDir(const std::string& tag);
void WriteFile(const std::string& path, const std::vector<uint8_t>& data);
std::vector<uint8_t> ReadFile(const std::string& path);
std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);
void SetMtime(const std::string& path, int64_t t);
int64_t Mtime(const std::string& path);
bool Exists(const std::string& path);

}  // namespace zmtest
