// TelnetSocket against a scripted loopback host and a real telnet daemon.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "support/TestKit.h"
#include "support/PeerProcess.h"
#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "connect/ConnLifecycle.h"
#include "base/Flags.h"
#include "connect/TelnetSocket.h"

using namespace velo;
using namespace velo::test;
using Clock = std::chrono::steady_clock;

namespace {

std::string B(std::initializer_list<int> v)
{
    std::string s;
    for (int x : v)
        s += static_cast<char>(x);
    return s;
}

struct TelnetTest : ::testing::Test {
    UiScope ui;
    TelnetSocket telnet{ui.conn, &ui.loop};
    ConnLifecycle life{ui.conn};
    void SetUp() override
    {
        ui.conn.SetTelnetSocket(&telnet);
        ui.sink.handler = [this](int id) { life.Handle(id); };
    }
    void TearDown() override
    {
        telnet.Close();
        ui.conn.SetTelnetSocket(nullptr);
    }
    PhoneBookEntry Entry(const std::string& host, int port)
    {
        PhoneBookEntry e;
        e.kind = kEntryTelnet;
        SetEntryText(e.name, "test host");
        SetEntryText(e.number, host);
        e.port = port;
        return e;
    }
    bool Dial(int port) { return life.Connect(Entry("127.0.0.1", port)); }
    bool Until(const std::function<bool()>& pred, int ms = 5000) { return ui.loop.RunUntil(pred, ms); }
};

// Waits for the test to release a host script, never longer than 15 s, so a
// failed assertion cannot leave the host thread waiting for ever.
void WaitRelease(const std::atomic<bool>& release)
{
    for (int i = 0; i < 1500 && !release; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Reads what the client sends until `want` bytes or ms.
std::string HostRead(int fd, size_t want, int ms = 3000) { return ReadFor(fd, want, ms); }

}  // namespace

TEST_F(TelnetTest, NegotiatesWithTheHostAndShowsOnlyTheData)
{
    std::string got;
    ScriptedHost host([&](int fd) {
        WriteAllTo(fd, "hello " + B({255, 253, 31, 255, 253, 24}) + "wor" + B({255}));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        WriteAllTo(fd, B({250, 24, 1, 255, 240}) + "ld" + B({255, 255, 255, 251, 1}));
        got = HostRead(fd, 3 + 9 + 3 + 10 + 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_EQ(ui.term.texts.size(), 1u);
    EXPECT_EQ(ui.term.texts[0], "\r\n127.0.0.1 에 연결중...\r\n");
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    EXPECT_EQ(ui.term.texts.back(), "\r\n127.0.0.1:" + std::to_string(host.Port()) + " 에 연결됨.\r\n\r\n");
    EXPECT_EQ(int(ui.conn.ConnKind()), 1);
    ASSERT_TRUE(Until([&] { return ui.term.shown.size() >= 12; }));
    EXPECT_EQ(ui.term.shown, "hello world" + B({255}));
    ASSERT_TRUE(Until([&] { return got.size() >= 28; }));
    EXPECT_EQ(got, B({255, 251, 31, 255, 250, 31, 0, 80, 0, 28, 255, 240}) + B({255, 251, 24}) +
                       B({255, 250, 24, 0}) + "ansi" + B({255, 240}) + B({255, 253, 1}));
}

TEST_F(TelnetTest, TypedBytesGoOutUnchangedIncluding255)
{
    std::string got;
    ScriptedHost host([&](int fd) { got = HostRead(fd, 5); });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    const std::string out = "a" + B({255, 0, 13}) + "z";
    EXPECT_EQ(ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>(out.data()), 5), 5);
    ASSERT_TRUE(Until([&] { return got.size() == 5; }));
    EXPECT_EQ(got, out);
}

TEST_F(TelnetTest, AHostThatClosesIsReportedOnceAndThenSaysSo)
{
    ScriptedHost host([&](int fd) {
        WriteAllTo(fd, "bye" + B({255, 250, 24}));  // closes in the middle of a command
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.sink.Count(CMD_CONN_CLOSED) > 0; }));
    EXPECT_EQ(ui.term.shown, "bye");
    ASSERT_EQ(ui.frame.messages.size(), 1u);
    EXPECT_EQ(ui.frame.messages[0].text, "연결이 해제 되었습니다.");
    EXPECT_EQ(ui.frame.messages[0].title, "127.0.0.1");
    EXPECT_FALSE(telnet.IsOpen());
    EXPECT_EQ(int(ui.conn.ConnKind()), 0);
    EXPECT_EQ(ui.frame.sounds.back(), "연결끊김");
    ui.conn.ConnHangUp();
    ui.loop.RunFor(100);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
}

TEST_F(TelnetTest, ARefusedPortGivesOneCloseAndConnectionFailed)
{
    int port = FreePort();
    ASSERT_TRUE(Dial(port));
    ASSERT_TRUE(Until([&] { return ui.sink.Count(CMD_CONN_CLOSED) > 0; }));
    ui.loop.RunFor(200);
    telnet.Close();
    ui.conn.ConnHangUp();
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CONNECTED), 0);
    EXPECT_EQ(ui.term.texts.back(), "연결 실패.\r\n");
    EXPECT_TRUE(ui.frame.messages.empty());
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
}

TEST_F(TelnetTest, AnUnknownHostGivesOneCloseAndNoDialFailure)
{
    EXPECT_TRUE(life.Connect(Entry("no-such-host.invalid", 23)));
    ui.loop.RunFor(100);
    telnet.Close();
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    EXPECT_EQ(ui.term.texts.back(), "연결 실패.\r\n");
    EXPECT_TRUE(ui.frame.messages.empty());
    EXPECT_FALSE(telnet.IsOpen());
}

TEST_F(TelnetTest, ReadsAndWritesWithoutAConnectionFailAtOnce)
{
    uint8_t buf[16];
    EXPECT_EQ(telnet.Receive(buf, 0), -1);
    EXPECT_EQ(telnet.Send(buf, 1), -1);
    EXPECT_EQ(telnet.Pending(), -1);
    EXPECT_FALSE(telnet.IsOpen());
}

TEST_F(TelnetTest, AFrozenViewLeavesBytesQueuedWithoutBusyNotifications)
{
    std::atomic<bool> release{false};
    ScriptedHost host([&](int fd) {
        WriteAllTo(fd, "first");
        WaitRelease(release);
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    ui.term.frozen = true;
    ui.loop.RunFor(600);
    EXPECT_LE(ui.sink.Count(CMD_CONN_DATA), 1);
    EXPECT_TRUE(ui.term.shown.empty());
    EXPECT_EQ(telnet.Pending(), 5);
    ui.term.frozen = false;
    life.Delivery().Deliver();  // leaving the scrollback runs the delivery
    EXPECT_EQ(ui.term.shown, "first");
    release = true;
}

TEST_F(TelnetTest, AFloodWithBrokenCommandsNeverHangsAndKeepsTheData)
{
    // 4 MiB of noise laced with commands, options, subnegotiations of any
    // length and doubled IACs; the plain bytes must arrive in order.
    std::mt19937 rng(7);
    std::string stream, expect;
    while (stream.size() < (4u << 20)) {
        int k = rng() % 10;
        if (k < 6) {
            char c = static_cast<char>(rng() % 255);
            stream += c;
            expect += c;
        } else if (k == 6) {
            stream += B({255, 255});
            expect += static_cast<char>(255);
        } else if (k == 7) {
            stream += B({255, static_cast<int>(251 + rng() % 4), static_cast<int>(rng() % 256)});
        } else if (k == 8) {
            stream += B({255, 250, 24});
            stream += std::string(rng() % 400, 'S');
            stream += B({255, 240});
        } else {
            stream += B({255, static_cast<int>(241 + rng() % 9)});
        }
    }
    std::atomic<size_t> replies{0};
    ScriptedHost host([&](int fd) {
        std::thread drain([&] {
            char buf[65536];
            for (;;) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 3000) <= 0)
                    break;
                ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                replies += n;
            }
        });
        WriteAllTo(fd, stream);
        ::shutdown(fd, SHUT_WR);
        drain.join();
    });
    auto t0 = Clock::now();
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.sink.Count(CMD_CONN_CLOSED) > 0; }, 60000));
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(60));
    EXPECT_EQ(ui.term.shown.size(), expect.size());
    EXPECT_TRUE(ui.term.shown == expect);
    EXPECT_GT(replies.load(), 0u);
}

TEST_F(TelnetTest, AHostThatAsksButNeverReadsCannotStallTheUiThread)
{
    std::atomic<bool> release{false};
    ScriptedHost host([&](int fd) {
        int small = 4096;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        std::string asks;
        for (int i = 0; i < 200000; ++i)
            asks += B({255, 253, 31});  // each answered with 12 bytes
        WriteAllTo(fd, asks);
        WaitRelease(release);
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    auto t0 = Clock::now();
    ui.loop.RunUntil([&] { return telnet.Pending() == 0 && Clock::now() - t0 > std::chrono::milliseconds(500); },
                     20000);
    EXPECT_EQ(telnet.Pending(), 0);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(15));
    release = true;
}

TEST_F(TelnetTest, ASendToAPeerThatTakesNothingEndsShortAndCloseWakesABlockedSender)
{
    std::atomic<bool> release{false};
    ScriptedHost host([&](int fd) {
        WaitRelease(release);
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    telnet.SetSendStallMs(300);
    std::string big(8 << 20, 'x');
    auto t0 = Clock::now();
    int n = telnet.Send(reinterpret_cast<const uint8_t*>(big.data()), static_cast<int>(big.size()));
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(5));

    telnet.SetSendStallMs(60000);
    std::atomic<int> result{0};
    std::thread worker([&] {
        result = telnet.Send(reinterpret_cast<const uint8_t*>(big.data()), static_cast<int>(big.size()));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    t0 = Clock::now();
    telnet.Close();
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3));
    release = true;
}

// End to end against inetutils telnetd, which runs a small program instead of
// a log-in: the program prints the terminal type and window size it was
// given.
TEST(TelnetDaemon, SeesTerminalTypeAnsiAndTheEntrysWindowSize)
{
    if (::access("/usr/sbin/telnetd", X_OK) != 0)
        GTEST_SKIP() << "inetutils-telnetd is not installed";
    TempDir dir;
    std::string script = dir.Path() + "/show-term";
    {
        std::ofstream f(script);
        f << "#!/bin/sh\n"
             "stty raw -echo\n"
             "sleep 0.5\n"
             "printf 'TERM=%s SIZE=%s END\\r\\n' \"$TERM\" \"$(stty size)\"\n"
             "sleep 0.5\n";
    }
    ::chmod(script.c_str(), 0755);
    int port = FreePort();
    PeerProcess socat({"socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr,fork",
                       "EXEC:/usr/sbin/telnetd -h -E " + script});
    ASSERT_TRUE(socat.Started());
    // Wait for the listener.
    bool listening = false;
    for (int i = 0; i < 100 && !listening; ++i) {
        int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listening = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (!listening)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(listening);

    UiScope ui;
    TelnetSocket telnet(ui.conn, &ui.loop);
    ui.conn.SetTelnetSocket(&telnet);
    ConnLifecycle life{ui.conn};
    ui.sink.handler = [&](int id) { life.Handle(id); };
    PhoneBookEntry e;  // a fresh entry: ANSI, 80 x 28
    e.kind = kEntryTelnet;
    SetEntryText(e.number, "127.0.0.1");
    e.port = port;
    ASSERT_TRUE(life.Connect(e));
    ASSERT_TRUE(ui.loop.RunUntil([&] { return ui.term.shown.find("END") != std::string::npos; }, 15000))
        << ui.term.shown;
    EXPECT_NE(ui.term.shown.find("TERM=ansi SIZE=28 80 END"), std::string::npos) << ui.term.shown;
    ui.loop.RunUntil([&] { return ui.sink.Count(CMD_CONN_CLOSED) > 0; }, 5000);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    telnet.Close();
    ui.conn.SetTelnetSocket(nullptr);
}

// A transfer thread that owns the stream reads it itself, woken through
// DataEvent, while the UI thread only signals; nothing reaches the terminal
// until the transfer ends, and what it read past its end is shown then.
TEST_F(TelnetTest, AWorkerThatOwnsTheStreamGetsEveryByteThroughDataEvent)
{
    std::string payload;
    for (int i = 0; i < (1 << 20); ++i)
        payload += static_cast<char>('a' + (i * 7) % 26);
    ScriptedHost host([&](int fd) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        WriteAllTo(fd, payload + "TAIL");  // no 255 in it: nothing to double
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    });
    ASSERT_TRUE(Dial(host.Port()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    ui.flags.ConnState.Receiving = true;
    const auto before = ui.sink.Commands();
    const auto dataPosts = [](const std::vector<int>& ids) { return std::count(ids.begin(), ids.end(), CMD_CONN_DATA); };
    std::string got;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        uint8_t buf[kConnReadBuffer];
        while (got.size() < payload.size() + 4 && ui.flags.ConnState.Connected) {
            int n = ui.conn.ConnRead(buf, 0);
            if (n < 0)
                break;
            // The socket may hold far more than one read may take.
            EXPECT_LE(n, kConnReadBuffer);
            if (n == 0) {
                ui.flags.DataEvent.Wait(2000);
                continue;
            }
            got.append(reinterpret_cast<char*>(buf), n);
        }
        done = true;
    });
    EXPECT_TRUE(Until([&] { return done.load(); }, 30000));
    worker.join();
    ui.flags.ConnState.Receiving = false;
    // The socket woke the worker itself: no receive step of the frame's ran
    // for bytes the terminal must not see.
    EXPECT_EQ(dataPosts(ui.sink.Commands()), dataPosts(before));
    EXPECT_TRUE(ui.term.shown.empty());
    ASSERT_GE(got.size(), payload.size());
    EXPECT_TRUE(got.compare(0, payload.size(), payload) == 0);
    std::string past = got.substr(payload.size());
    life.OnTransferDone(reinterpret_cast<const uint8_t*>(past.data()), static_cast<int>(past.size()), false);
    EXPECT_EQ(ui.term.shown, "TAIL");
}
