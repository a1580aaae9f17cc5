#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "connect/Conn.h"
#include "base/Flags.h"
#include "support/TestKit.h"

using namespace velo;
using velo::test::QueueLine;

namespace {

struct FacadeTest : ::testing::Test {
    velo::test::UiScope ui;
};

}  // namespace

TEST_F(FacadeTest, ClosedConnectionFailsAtOnceWithoutBlocking)
{
    uint8_t buf[kConnReadBuffer];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>("x"), 1), -1);
    EXPECT_EQ(ui.conn.ConnRead(buf, 0), -1);
    EXPECT_EQ(ui.conn.ConnRead(buf, 10), -1);
    EXPECT_EQ(ui.conn.ConnAvailable(), 0);
    EXPECT_EQ(int(ui.conn.ConnKind()), 0);
    EXPECT_FALSE(ui.conn.ConnIsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
}

TEST_F(FacadeTest, SerialLineWinsOverTelnetOnlyWhileOpen)
{
    QueueLine serial, telnet;
    ui.conn.SetSerialLine(&serial);
    ui.conn.SetTelnetLine(&telnet);
    EXPECT_EQ(int(ui.conn.ConnKind()), 2);
    ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>("ab"), 2);
    EXPECT_EQ(serial.out, "ab");
    serial.open = false;
    EXPECT_EQ(int(ui.conn.ConnKind()), 1);
    ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>("cd"), 2);
    EXPECT_EQ(telnet.out, "cd");
    EXPECT_TRUE(ui.conn.ConnIsOpen());
}

TEST_F(FacadeTest, WantedCountReadsNothingUntilThatManyWait)
{
    QueueLine serial;
    serial.in = "123456789";
    ui.conn.SetSerialLine(&serial);
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(ui.conn.ConnRead(buf, 10), 0);
    EXPECT_EQ(ui.conn.ConnAvailable(), 9);
    serial.in += "0";
    EXPECT_EQ(ui.conn.ConnRead(buf, 10), 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "1234567890");
    EXPECT_EQ(ui.conn.ConnAvailable(), 0);
}

TEST_F(FacadeTest, LocalEchoShowsWrittenBytesUnlessATransferRunsOrTheViewIsFrozen)
{
    QueueLine telnet;
    velo::test::RecTerminal term;
    ui.conn.SetTelnetLine(&telnet);
    ui.conn.SetEchoTarget(&term);
    auto w = [this](const char* s) { return ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>(s), 1); };
    w("a");
    ui.flags.ConnState.LocalEcho = true;
    w("b");
    ui.flags.ConnState.Receiving = true;
    w("c");
    ui.flags.ConnState.Receiving = false;
    term.frozen = true;
    w("d");
    term.frozen = false;
    ui.flags.ConnState.Sending = true;
    w("e");
    EXPECT_EQ(term.echoed, "b");
    EXPECT_EQ(telnet.out, "abcde");
}

TEST_F(FacadeTest, ATelnetSlotCountsOnlyWhileItsSocketExists)
{
    QueueLine telnet;
    telnet.open = false;
    ui.conn.SetTelnetLine(&telnet);
    uint8_t buf[kConnReadBuffer];
    EXPECT_EQ(int(ui.conn.ConnKind()), 0);
    EXPECT_FALSE(ui.conn.ConnIsOpen());
    EXPECT_EQ(ui.conn.ConnRead(buf, 0), -1);
    EXPECT_EQ(ui.conn.ConnWrite(buf, 1), -1);
    EXPECT_EQ(ui.conn.ConnAvailable(), 0);
}

TEST(ConnDial, ATelnetEntryWithoutASocketSaysItCannotConnectAndStopsConnecting)
{
    velo::test::UiScope ui;
    PhoneBookEntry e;
    e.kind = kEntryTelnet;
    SetEntryText(e.number, "bbs.example.org");
    EXPECT_FALSE(ui.conn.ConnDial(e));
    ASSERT_EQ(ui.term.texts.size(), 1u);
    EXPECT_EQ(ui.term.texts[0], "\r\nbbs.example.org 에 연결중...\r\n");
    ASSERT_EQ(ui.frame.messages.size(), 1u);
    EXPECT_EQ(ui.frame.messages[0].text, "연결을 할 수 없습니다.");
    EXPECT_EQ(ui.frame.messages[0].title, "Vellow");
    EXPECT_EQ(ui.frame.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
    EXPECT_FALSE(ui.flags.ConnState.Connected);
}

TEST(ConnDial, OnlyTheLowByteOfTheKindCounts)
{
    PhoneBookEntry e;
    e.kind = 0x101;
    EXPECT_TRUE(EntryIsTelnet(e));
    e.kind = 0x302;
    EXPECT_TRUE(EntryIsComPort(e));
    e.kind = 7;
    EXPECT_TRUE(EntryIsModem(e));
}

TEST(PhoneBookEntry, TextIsCutAtACharacterBoundary)
{
    PhoneBookEntry e;
    std::string name;
    for (int i = 0; i < 30; ++i)
        name += "가";  // three bytes each
    EXPECT_EQ(SetEntryText(e.name, name), 63);
    EXPECT_EQ(std::string(e.name).size(), 63u);
    EXPECT_EQ(SetEntryText(e.number, std::string(100, 'x')), 64);
    EXPECT_EQ(std::string(e.number), std::string(64, 'x'));
    EXPECT_EQ(std::string(PhoneBookEntry{}.name), "알 수 없음");
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
