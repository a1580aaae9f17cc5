// CommLine against real ptys: socat pty pairs as COM ports, and a kernel pty
// whose master shows the line settings the port was given.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "support/TestKit.h"
#include "support/PeerProcess.h"
#include "base/CommandIds.h"
#include "connect/CommLine.h"
#include "connect/Conn.h"
#include "connect/ConnLifecycle.h"
#include "base/Flags.h"
#include "connect/SerialDevice.h"
#include "base/SettingsStore.h"

using namespace velo;
using namespace velo::test;
using Clock = std::chrono::steady_clock;

namespace {

struct SerialTest : ::testing::Test {
    UiScope ui;
    MemorySettingsStore& settings = ui.settings;
    SocatPair pair;
    int peer = -1;
    void SetUp() override
    {
        ASSERT_TRUE(pair.Ready()) << "socat pty pair";
        settings.WriteString("COM1", "Device", pair.A());
        peer = pair.OpenB();
        ASSERT_GE(peer, 0);
    }
    void TearDown() override
    {
        if (peer >= 0)
            ::close(peer);
    }
    // Waits (running the UI loop) until the line has n bytes queued.
    bool WaitQueued(CommLine& line, int n, int ms = 3000)
    {
        return ui.loop.RunUntil([&] { return line.Available() >= n; }, ms);
    }
};

// Records DTR changes and when they happened, instead of touching a pty.
struct DtrLine : CommLine {
    using CommLine::CommLine;
    std::vector<std::pair<bool, Clock::time_point>> dtr;
    void SetDtr(bool on) override { dtr.emplace_back(on, Clock::now()); }
};

// Reports bytes in the queue that never come, so that a read has to wait.
struct PromisingLine : CommLine {
    using CommLine::CommLine;
    int Queued(int) override { return 100; }
};

}  // namespace

TEST_F(SerialTest, ClosingAbortsAPendingReadWithMinusOne)
{
    PromisingLine line{ui.conn};
    ASSERT_TRUE(line.Open(1));
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        uint8_t buf[kConnReadBuffer];
        result = line.Read(buf, 10, kConnReadBuffer);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(done);  // the read is pending
    auto t0 = Clock::now();
    line.Close();
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(2));
}

TEST_F(SerialTest, APortCarriesBytesBothWaysThroughTheFacadeAndReportsOpenAndClose)
{
    CommLine line{ui.conn};
    ui.conn.SetCommLine(&line);
    ASSERT_TRUE(line.Open(1));
    EXPECT_EQ(ui.sink.Count(CMD_PORT_OPENED), 1);
    EXPECT_EQ(int(ui.conn.ConnKind()), 2);

    const std::string out = "ATZ\r\n한글\xff\x00 bytes";
    EXPECT_EQ(ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>(out.data()), static_cast<int>(out.size())),
              static_cast<int>(out.size()));
    EXPECT_EQ(ReadFor(peer, out.size(), 3000), out);

    std::string in;
    for (int i = 0; i < 256; ++i)
        in += static_cast<char>(i);
    ASSERT_TRUE(WriteAllTo(peer, in));
    ASSERT_TRUE(WaitQueued(line, 256));
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(ui.conn.ConnRead(buf, 0), 256);
    EXPECT_EQ(Str(buf, 256), in);

    line.Close();
    EXPECT_EQ(ui.sink.Count(CMD_PORT_CLOSED), 1);
    EXPECT_FALSE(line.IsOpen());
    EXPECT_EQ(ui.conn.ConnRead(buf, 0), -1);
    EXPECT_EQ(ui.conn.ConnWrite(buf, 1), -1);
    EXPECT_EQ(ui.conn.ConnAvailable(), 0);
    line.Close();  // a second close does nothing
    EXPECT_EQ(ui.sink.Count(CMD_PORT_CLOSED), 1);
}

TEST_F(SerialTest, TheWantedCountReadsNothingUntilThatManyWaitThenExactlyThatMany)
{
    CommLine line{ui.conn};
    ASSERT_TRUE(line.Open(1));
    ASSERT_TRUE(WriteAllTo(peer, "123456789"));
    ASSERT_TRUE(WaitQueued(line, 9));
    uint8_t buf[kConnReadBuffer];
    auto t0 = Clock::now();
    EXPECT_EQ(line.Read(buf, 10, kConnReadBuffer), 0);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(100));
    EXPECT_EQ(line.Available(), 9);
    ASSERT_TRUE(WriteAllTo(peer, "0ab"));
    ASSERT_TRUE(WaitQueued(line, 12));
    EXPECT_EQ(line.Read(buf, 10, kConnReadBuffer), 10);
    EXPECT_EQ(Str(buf, 10), "1234567890");
    EXPECT_EQ(line.Read(buf, 0, kConnReadBuffer), 2);
    EXPECT_EQ(line.Read(buf, 0, kConnReadBuffer), 0);
}

TEST_F(SerialTest, AReadNeverTakesMoreThanTheCallersBuffer)
{
    CommLine line{ui.conn};
    ASSERT_TRUE(line.Open(1));
    ASSERT_TRUE(WriteAllTo(peer, std::string(3000, 'q')));
    ASSERT_TRUE(WaitQueued(line, 3000));
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(line.Read(buf, 0, 1000), 1000);
    EXPECT_EQ(line.Available(), 2000);
}

TEST_F(SerialTest, ThePollThreadReportsOnlyOnceTheInputHasSettled)
{
    CommLine line{ui.conn};
    std::mutex m;
    std::vector<Clock::time_point> posts;
    ui.sink.handler = [&](int id) {
        if (id == CMD_CONN_DATA) {
            std::lock_guard lock(m);
            posts.push_back(Clock::now());
        }
    };
    ASSERT_TRUE(line.Open(1));
    // A steady trickle: the queue grows in every interval, so nothing is
    // reported while it lasts.
    auto start = Clock::now();
    std::thread writer([&] {
        for (int i = 0; i < 60; ++i) {
            WriteAllTo(peer, "x");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    while (Clock::now() - start < std::chrono::milliseconds(1100))
        ui.loop.RunOnce(20);
    writer.join();
    auto stopped = Clock::now();
    {
        std::lock_guard lock(m);
        EXPECT_TRUE(posts.empty()) << posts.size() << " reports while the input still grew";
    }
    ASSERT_TRUE(ui.loop.RunUntil([&] { std::lock_guard lock(m); return !posts.empty(); }, 1500));
    EXPECT_LT(posts.front() - stopped, std::chrono::milliseconds(800));
    line.Close();
}

TEST_F(SerialTest, AWriteToAPeerThatStopsReadingEndsShortAfterTheStallTime)
{
    CommLine line{ui.conn};
    line.SetWriteStallMs(300);
    ASSERT_TRUE(line.Open(1));
    std::string big(4 << 20, 'z');
    auto t0 = Clock::now();
    int n = line.Write(reinterpret_cast<const uint8_t*>(big.data()), static_cast<int>(big.size()));
    auto took = Clock::now() - t0;
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_GE(took, std::chrono::milliseconds(290));
    EXPECT_LT(took, std::chrono::seconds(5));
    line.Close();
}

TEST_F(SerialTest, ClosingWakesAWriterStalledOnAnotherThread)
{
    CommLine line{ui.conn};
    ASSERT_TRUE(line.Open(1));
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::string big(4 << 20, 'z');
        result = line.Write(reinterpret_cast<const uint8_t*>(big.data()), static_cast<int>(big.size()));
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(done);
    auto t0 = Clock::now();
    line.Close();
    worker.join();
    EXPECT_EQ(result, -1);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(3));
}

TEST_F(SerialTest, ThePortIsTakenExclusively)
{
    CommLine first{ui.conn}, second{ui.conn};
    ASSERT_TRUE(first.Open(1));
    EXPECT_FALSE(second.Open(1));
    SerialOpenError err;
    EXPECT_LT(OpenSerialDevice(pair.A(), &err), 0);
    EXPECT_EQ(err, SerialOpenError::Busy);
    first.Close();
    EXPECT_TRUE(second.Open(1));
    second.Close();
}

TEST_F(SerialTest, ClosingADirectPortTogglesDtrLowHighLowAfterThePortClosedReport)
{
    DtrLine line{ui.conn};
    Clock::time_point closedHandled{};
    ui.sink.handler = [&](int id) {
        if (id == CMD_PORT_CLOSED)
            closedHandled = Clock::now();
    };
    ASSERT_TRUE(line.Open(1));
    ASSERT_EQ(line.dtr.size(), 1u);
    EXPECT_TRUE(line.dtr[0].first);
    line.dtr.clear();
    line.Close();
    ASSERT_EQ(line.dtr.size(), 3u);
    EXPECT_FALSE(line.dtr[0].first);
    EXPECT_TRUE(line.dtr[1].first);
    EXPECT_FALSE(line.dtr[2].first);
    EXPECT_LE(closedHandled, line.dtr[0].second);
    EXPECT_GE(line.dtr[1].second - line.dtr[0].second, std::chrono::milliseconds(95));
    EXPECT_GE(line.dtr[2].second - line.dtr[1].second, std::chrono::milliseconds(95));
}

TEST(SerialSettings, TheStoredLineSettingsAreWhatThePortGets)
{
    UiScope ui;
    MemorySettingsStore& settings = ui.settings;
    int master = -1, slave = -1;
    char name[64];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    settings.WriteString("COM2", "Device", name);
    WritePortParams(settings, 2, SerialParams{19200, 8, 2, 0});
    CommLine line{ui.conn};
    ASSERT_TRUE(line.Open(2));
    termios t{};
    ASSERT_EQ(::tcgetattr(master, &t), 0);  // a pty master shows its slave's settings
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_iflag & (IXON | ICRNL));
    EXPECT_FALSE(t.c_oflag & OPOST);
    line.Close();

    WritePortParams(settings, 2, SerialParams{});  // the defaults: 9600 8N1
    ASSERT_TRUE(line.Open(2));
    ASSERT_EQ(::tcgetattr(master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB));
    line.Close();
    ::close(master);
}

TEST(SerialSettings, DataBitsParityAndStopBitsFollowTheStoredCodes)
{
    struct Case {
        SerialParams p;
        tcflag_t size, parity;
        bool twoStop;
    } cases[] = {
        {{9600, 7, 0, 2}, CS7, PARENB, false},
        {{9600, 8, 2, 1}, CS8, PARENB | PARODD, true},
        {{9600, 5, 1, 3}, CS5, PARENB | PARODD | CMSPAR, true},
        {{9600, 6, 0, 4}, CS6, PARENB | CMSPAR, false},
        {{9600, 9, 7, 9}, CS8, 0, false},  // codes out of range: 8N1
    };
    for (const Case& c : cases) {
        termios t{};
        t.c_cflag = PARODD | CSTOPB | CS5;
        t.c_iflag = IXON | ICRNL | INPCK;
        ApplySerialParams(t, c.p);
        EXPECT_EQ(t.c_cflag & CSIZE, c.size);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.parity);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_TRUE(t.c_cflag & (CLOCAL | CREAD));
        EXPECT_FALSE(t.c_iflag & (IXON | ICRNL | INPCK));
    }
}

TEST(SerialSettings, RatesTheKernelLacksOpenAtTheNearestOne)
{
    EXPECT_EQ(SerialSpeedFor(56000), static_cast<unsigned>(B57600));
    EXPECT_EQ(SerialSpeedFor(100000), static_cast<unsigned>(B115200));
    EXPECT_EQ(SerialSpeedFor(0), static_cast<unsigned>(B9600));
    EXPECT_EQ(SerialSpeedFor(115200), static_cast<unsigned>(B115200));
    EXPECT_EQ(SerialRateOf(B38400), 38400);
}

TEST(SerialSettings, ComNamesMapToTtySUnlessADeviceIsStored)
{
    UiScope ui;
    MemorySettingsStore& settings = ui.settings;
    EXPECT_EQ(ComDevicePath(settings, 1), "/dev/ttyS0");
    EXPECT_EQ(ComDevicePath(settings, 9), "/dev/ttyS8");
    settings.WriteString("COM4", "Device", "/dev/ttyUSB0");
    EXPECT_EQ(ComDevicePath(settings, 4), "/dev/ttyUSB0");
    EXPECT_EQ(ReadWaitInterval(settings), 200);
    WriteWaitInterval(settings, 5000);
    EXPECT_EQ(ReadWaitInterval(settings), 2000);
    settings.WriteInt("COM", "WaitInterVal", -3);
    EXPECT_EQ(ReadWaitInterval(settings), 0);
}

TEST(SerialOpen, AMissingDeviceOrAFileThatIsNoTerminalCannotBeOpened)
{
    UiScope ui;
    MemorySettingsStore& settings = ui.settings;
    TempDir dir;
    std::string file = dir.Path() + "/plain";
    std::ofstream(file) << "not a tty";
    settings.WriteString("COM5", "Device", file);
    settings.WriteString("COM6", "Device", dir.Path() + "/none");
    CommLine line{ui.conn};
    EXPECT_FALSE(line.Open(5));
    EXPECT_FALSE(line.Open(6));
    EXPECT_FALSE(line.Open(0));
    EXPECT_FALSE(line.Open(10));
    SerialOpenError err;
    EXPECT_LT(OpenSerialDevice(file, &err), 0);
    EXPECT_EQ(err, SerialOpenError::NotTty);
    EXPECT_LT(OpenSerialDevice(dir.Path() + "/none", &err), 0);
    EXPECT_EQ(err, SerialOpenError::Missing);
    EXPECT_EQ(ui.sink.Count(CMD_PORT_OPENED), 0);
    EXPECT_FALSE(line.IsOpen());
}

TEST(SerialHandOver, AHandedOverPortWithBytesWaitingReportsThemAtOnce)
{
    UiScope ui;
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(slave, F_SETFL, O_NONBLOCK);
    ASSERT_TRUE(WriteAllTo(master, "CONNECTED DATA"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    CommLine line{ui.conn};
    line.SetHandOverWaitMs(10);
    ASSERT_TRUE(line.PrepareHandedOver(slave));
    EXPECT_EQ(ui.sink.Count(CMD_CONN_DATA), 1);
    EXPECT_TRUE(line.IsOpen());
    EXPECT_FALSE(line.IsDirectPort());
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(line.Read(buf, 0, kConnReadBuffer), 14);
    line.ReleasePort();
    ::close(master);

    TempDir dir;
    std::string file = dir.Path() + "/f";
    std::ofstream(file) << "x";
    CommLine other{ui.conn};
    other.SetHandOverWaitMs(0);
    EXPECT_FALSE(other.PrepareHandedOver(::open(file.c_str(), O_RDWR)));
    EXPECT_FALSE(other.IsOpen());
}

TEST_F(SerialTest, AWorkerThatOwnsTheStreamIsWokenByThePollThreadAndGetsEveryByte)
{
    CommLine line{ui.conn};
    ui.conn.SetCommLine(&line);
    ConnLifecycle life{ui.conn};
    ui.sink.handler = [&](int id) { life.Handle(id); };
    ASSERT_TRUE(line.Open(1));
    ui.flags.ConnState.Receiving = true;
    std::string payload;
    for (int i = 0; i < 200000; ++i)
        payload += static_cast<char>(i * 13);
    std::string got;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        uint8_t buf[kConnReadBuffer];
        auto until = Clock::now() + std::chrono::seconds(20);
        while (got.size() < payload.size() && Clock::now() < until) {
            int n = ui.conn.ConnRead(buf, 0);
            if (n < 0)
                break;
            if (n == 0)
                ui.flags.DataEvent.Wait(1000);
            else
                got.append(reinterpret_cast<char*>(buf), n);
        }
        done = true;
    });
    std::thread host([&] { WriteAllTo(peer, payload); });
    EXPECT_TRUE(ui.loop.RunUntil([&] { return done.load(); }, 25000));
    host.join();
    worker.join();
    ui.flags.ConnState.Receiving = false;
    EXPECT_TRUE(got == payload) << got.size() << " of " << payload.size();
    EXPECT_TRUE(ui.term.shown.empty());
    line.Close();
}

TEST(SerialSettings, DevicesOfferedAndTheDefaultDeviceStoredAsEmpty)
{
    // The drop-down list: the serial kinds only, by kind and then number.
    test::TempDir dev;
    for (const char* n : {"ttyS10", "ttyACM0", "ttyS2", "ttyUSB1", "tty0", "ttySX", "ttyUSB", "console"})
        std::ofstream(dev.Path() + "/" + n);
    std::vector<std::string> want;
    for (const char* n : {"ttyS2", "ttyS10", "ttyUSB1", "ttyACM0"})
        want.push_back(dev.Path() + "/" + n);
    EXPECT_EQ(ListSerialDevices(dev.Path()), want);

    MemorySettingsStore s;
    EXPECT_EQ(ComDevicePath(s, 3), "/dev/ttyS2");
    EXPECT_TRUE(WriteComDevicePath(s, 3, "/dev/ttyUSB0"));
    EXPECT_EQ(ComDevicePath(s, 3), "/dev/ttyUSB0");
    EXPECT_FALSE(WriteComDevicePath(s, 3, "ttyUSB0"));  // relative: refused, nothing written
    EXPECT_EQ(ComDevicePath(s, 3), "/dev/ttyUSB0");
    EXPECT_TRUE(WriteComDevicePath(s, 3, "/dev/ttyS2"));
    EXPECT_EQ(s.ReadString("COM3", "Device", "?"), "");
    EXPECT_EQ(ComDevicePath(s, 3), "/dev/ttyS2");
}
