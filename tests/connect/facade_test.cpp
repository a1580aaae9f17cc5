#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "connect/Conn.h"
#include "connect/ConnState.h"

using namespace velo;

namespace {

// A line over a string queue, with the wanted-count rule.
class QueueLine : public ConnLine {
public:
    std::string in, out;
    bool open = true;
    int Write(const uint8_t* d, int n) override
    {
        if (!open)
            return -1;
        out.append(reinterpret_cast<const char*>(d), n);
        return n;
    }
    int Read(uint8_t* b, int wanted, int cap) override
    {
        if (!open)
            return -1;
        int n = wanted == 0 ? std::min<int>(in.size(), cap) : wanted;
        if (wanted > 0 && static_cast<int>(in.size()) < wanted)
            return 0;
        std::copy(in.begin(), in.begin() + n, b);
        in.erase(0, n);
        return n;
    }
    int Available() override { return open ? static_cast<int>(in.size()) : 0; }
    bool IsOpen() override { return open; }
};

class EchoTerm : public ConnEchoTarget {
public:
    bool frozen = false;
    std::string shown;
    bool Frozen() const override { return frozen; }
    void FeedEcho(const uint8_t* d, int n) override { shown.append(reinterpret_cast<const char*>(d), n); }
};

struct FacadeTest : ::testing::Test {
    void TearDown() override
    {
        ConnSetSerialLine(nullptr);
        ConnSetTelnetLine(nullptr);
        ConnSetEchoTarget(nullptr);
        ConnState.Reset();
    }
};

}  // namespace

TEST_F(FacadeTest, ClosedConnectionFailsAtOnceWithoutBlocking)
{
    uint8_t buf[kConnReadBuffer];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ConnWrite(reinterpret_cast<const uint8_t*>("x"), 1), -1);
    EXPECT_EQ(ConnRead(buf, 0), -1);
    EXPECT_EQ(ConnRead(buf, 10), -1);
    EXPECT_EQ(ConnAvailable(), 0);
    EXPECT_EQ(ConnKind(), 0);
    EXPECT_FALSE(ConnIsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
}

TEST_F(FacadeTest, SerialLineWinsOverTelnetOnlyWhileOpen)
{
    QueueLine serial, telnet;
    ConnSetSerialLine(&serial);
    ConnSetTelnetLine(&telnet);
    EXPECT_EQ(ConnKind(), 2);
    ConnWrite(reinterpret_cast<const uint8_t*>("ab"), 2);
    EXPECT_EQ(serial.out, "ab");
    serial.open = false;
    EXPECT_EQ(ConnKind(), 1);
    ConnWrite(reinterpret_cast<const uint8_t*>("cd"), 2);
    EXPECT_EQ(telnet.out, "cd");
    EXPECT_TRUE(ConnIsOpen());
}

TEST_F(FacadeTest, WantedCountReadsNothingUntilThatManyWait)
{
    QueueLine serial;
    serial.in = "123456789";
    ConnSetSerialLine(&serial);
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(ConnRead(buf, 10), 0);
    EXPECT_EQ(ConnAvailable(), 9);
    serial.in += "0";
    EXPECT_EQ(ConnRead(buf, 10), 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "1234567890");
    EXPECT_EQ(ConnAvailable(), 0);
}

TEST_F(FacadeTest, LocalEchoShowsWrittenBytesUnlessATransferRunsOrTheViewIsFrozen)
{
    QueueLine telnet;
    EchoTerm term;
    ConnSetTelnetLine(&telnet);
    ConnSetEchoTarget(&term);
    auto w = [](const char* s) { return ConnWrite(reinterpret_cast<const uint8_t*>(s), 1); };
    w("a");
    ConnState.LocalEcho = true;
    w("b");
    ConnState.Receiving = true;
    w("c");
    ConnState.Receiving = false;
    term.frozen = true;
    w("d");
    term.frozen = false;
    ConnState.Sending = true;
    w("e");
    EXPECT_EQ(term.shown, "b");
    EXPECT_EQ(telnet.out, "abcde");
}

TEST(DataEvent, AutoResetsAfterOneWaitAndTimesOut)
{
    AutoResetEvent ev;
    EXPECT_FALSE(ev.Wait(10));
    ev.Set();
    EXPECT_TRUE(ev.Wait(0));
    EXPECT_FALSE(ev.Wait(10));
    std::thread t([&ev] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ev.Set();
    });
    EXPECT_TRUE(ev.Wait(-1));
    t.join();
}
