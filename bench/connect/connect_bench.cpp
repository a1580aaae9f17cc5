// Throughput of the telnet receive path.
//   BM_CopyBaseline        memcpy of the block: the floor for any filter
//   BM_FilterPlain         the filter over text without commands
//   BM_FilterDense         the filter with a doubled IAC every 16 bytes and
//                          an option request every 256
//   BM_RecvBaseline        8 MiB from a loopback host with bare recv()
//   BM_TelnetReceive       the same through TelnetSocket::Receive (pending
//                          count, 8192-byte reads, filter)
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/Flags.h"
#include "connect/ConnUi.h"
#include "connect/TelnetFilter.h"
#include "connect/TelnetSocket.h"
#include "support/PeerProcess.h"
#include "support/TestKit.h"

using namespace velo;

namespace {

constexpr size_t kBlock = 8192;

std::string PlainText(size_t n)
{
    std::string s;
    const char* line = "\x1b[1;33m[1] 자유 게시판    [2] 자료실    [3] 대화방\x1b[0m\r\n";
    while (s.size() < n)
        s += line;
    s.resize(n);
    return s;
}

std::string DenseText(size_t n)
{
    std::string s;
    for (size_t i = 0; s.size() < n; ++i) {
        if (i % 256 == 255)
            s += "\xff\xfb\x01";
        else if (i % 16 == 15)
            s += "\xff\xff";
        else
            s += static_cast<char>('a' + i % 26);
    }
    s.resize(n);
    return s;
}

struct NullReplies : TelnetReplySink {
    void Reply(const uint8_t*, int) override {}
};

void BM_CopyBaseline(benchmark::State& state)
{
    std::string src = PlainText(kBlock);
    std::vector<uint8_t> dst(kBlock);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kBlock);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBlock));
}
BENCHMARK(BM_CopyBaseline);

void FilterBench(benchmark::State& state, const std::string& src)
{
    TelnetFilter f;
    NullReplies r;
    std::vector<uint8_t> buf(src.size());
    for (auto _ : state) {
        std::memcpy(buf.data(), src.data(), src.size());
        benchmark::DoNotOptimize(f.Run(buf.data(), static_cast<int>(buf.size()), r));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_FilterPlain(benchmark::State& state) { FilterBench(state, PlainText(kBlock)); }
BENCHMARK(BM_FilterPlain);
void BM_FilterDense(benchmark::State& state) { FilterBench(state, DenseText(kBlock)); }
BENCHMARK(BM_FilterDense);

// A loopback host for one connection that sends `total` bytes of text.
std::unique_ptr<test::ScriptedHost> Sender(size_t total)
{
    return std::make_unique<test::ScriptedHost>([total](int fd) {
        std::string text = PlainText(1 << 16);
        size_t sent = 0;
        while (sent < total) {
            ssize_t n = ::send(fd, text.data(), std::min(text.size(), total - sent), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
    });
}

constexpr size_t kStream = 8u << 20;

void BM_RecvBaseline(benchmark::State& state)
{
    std::vector<uint8_t> buf(kBlock);
    for (auto _ : state) {
        auto host = Sender(kStream);
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int rcv = 8192;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof rcv);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(host->Port());
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        size_t got = 0;
        while (got < kStream) {
            ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
            if (n <= 0)
                break;
            got += n;
        }
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStream));
}
BENCHMARK(BM_RecvBaseline)->Unit(benchmark::kMillisecond);

// Only what Connect needs: the descriptor and its readiness handler.
struct BenchLoop : UiLoop {
    int fd = -1;
    FdHandler handler;
    void Post(std::function<void()>) override {}
    int AddWatch(int f, FdHandler h) override
    {
        fd = f;
        handler = std::move(h);
        return 1;
    }
    void SetWatch(int, bool, bool) override {}
    void RemoveWatch(int) override { fd = -1; }
    int StartTimer(int, bool, std::function<void()>) override { return 1; }
    void StopTimer(int) override {}
    void ProcessEvents(int) override {}
};

void BM_TelnetReceive(benchmark::State& state)
{
    std::vector<uint8_t> buf(kBlock);
    for (auto _ : state) {
        auto host = Sender(kStream);
        BenchLoop loop;
        velo::test::TestOutlets outlets;
        ConnFacade conn(outlets.out);
        TelnetSocket telnet(conn, &loop);
        PhoneBookEntry e;
        e.kind = kEntryTelnet;
        std::strcpy(e.number, "127.0.0.1");
        e.port = host->Port();
        telnet.Connect(e);
        pollfd p{loop.fd, POLLOUT, 0};
        ::poll(&p, 1, 5000);
        loop.handler(false, true);  // connect done
        outlets.flags.ConnState.Connected = true;
        size_t got = 0;
        while (got < kStream) {
            pollfd r{loop.fd, POLLIN, 0};
            if (::poll(&r, 1, 5000) <= 0)
                break;
            int n = telnet.Receive(buf.data(), 0);
            if (n < 0)
                break;
            got += n;
            if (n == 0 && telnet.Pending() == 0) {
                char c;
                if (::recv(loop.fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
                    break;
            }
        }
        outlets.flags.ConnState.Connected = false;
        telnet.Close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStream));
}
BENCHMARK(BM_TelnetReceive)->Unit(benchmark::kMillisecond);

}  // namespace
