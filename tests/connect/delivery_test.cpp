// The path of received bytes to the terminal and the frame's connection
// lifecycle handlers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/TestKit.h"
#include "support/PeerProcess.h"
#include "base/CommandIds.h"
#include "connect/CommLine.h"
#include "connect/Conn.h"
#include "connect/ConnDelivery.h"
#include "connect/ConnLifecycle.h"
#include "base/Flags.h"
#include "base/SettingsStore.h"

using namespace velo;
using namespace velo::test;

namespace {

struct DeliveryTest : ::testing::Test {
    UiScope ui;
    QueueLine line;
    ConnDelivery delivery{ui.conn};
    void SetUp() override { ui.conn.SetSerialLine(&line); }
};

std::string Pattern(int n, char base)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>(base + i % 26);
    return s;
}

}  // namespace

TEST_F(DeliveryTest, ABurstLargerThanOneFeedIsShownWholeAndInOrderBeforeAnyNewRead)
{
    std::string burst = Pattern(300, 'a');
    line.in = burst;
    ui.term.maxTake = 100;
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, burst.substr(0, 100));
    EXPECT_EQ(delivery.RemainderCount(), 200);

    line.in = "NEW";
    delivery.Deliver();  // remainder only: 100 of 200 taken, no read
    EXPECT_EQ(line.in, "NEW");
    EXPECT_EQ(delivery.RemainderCount(), 100);
    delivery.Deliver();  // the last of the remainder, then the new bytes
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, burst + "NEW");
    EXPECT_EQ(delivery.RemainderCount(), 0);
    EXPECT_TRUE(line.in.empty());
}

TEST_F(DeliveryTest, OneDeliveryReadsAtMostOneBufferFull)
{
    line.in = Pattern(20000, 'A');
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown.size(), static_cast<size_t>(kConnReadBuffer));
    EXPECT_EQ(line.in.size(), 20000u - kConnReadBuffer);
}

TEST_F(DeliveryTest, AWorkerOrAFrozenViewLeavesTheBytesQueuedAndWakesTheWorker)
{
    line.in = "zmodem data";
    for (auto* flag : {&ui.flags.ConnState.Receiving, &ui.flags.ConnState.Sending, &ui.flags.ConnState.Automating}) {
        ui.flags.DataEvent.Reset();
        *flag = true;
        delivery.Deliver();
        *flag = false;
        EXPECT_TRUE(ui.flags.DataEvent.Wait(0));
    }
    ui.flags.DataEvent.Reset();
    ui.term.frozen = true;
    delivery.Deliver();
    EXPECT_TRUE(ui.flags.DataEvent.Wait(0));
    EXPECT_EQ(line.reads, 0);
    EXPECT_EQ(line.in, "zmodem data");
    EXPECT_TRUE(ui.term.shown.empty());

    ui.term.frozen = false;
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, "zmodem data");
}

TEST_F(DeliveryTest, HoldTakesNothingAndSignalsNobody)
{
    line.in = "abc";
    ui.term.hold = true;
    ui.flags.DataEvent.Reset();
    delivery.Deliver();
    EXPECT_FALSE(ui.flags.DataEvent.Wait(0));
    EXPECT_EQ(line.reads, 0);
    ui.term.hold = false;
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, "abc");
}

namespace {
// A terminal whose feed stops early and sets its hold flag, as the
// interpreter does when something must run first.
struct HoldingTerminal : RecTerminal {
    int Feed(const uint8_t* d, int n) override
    {
        int take = RecTerminal::Feed(d, std::min(n, 4));
        hold = true;
        return take;
    }
};
// A terminal whose feed runs the message loop, which delivers again.
struct ReenteringTerminal : RecTerminal {
    ConnDelivery* delivery = nullptr;
    int Feed(const uint8_t* d, int n) override
    {
        delivery->Deliver();
        return RecTerminal::Feed(d, n);
    }
};
}  // namespace

TEST_F(DeliveryTest, ARemainderLeftByAHoldWaitsForTheNextDeliveryWithoutANewRead)
{
    HoldingTerminal term;
    ConnDelivery d(ui.conn, &term);
    line.in = "0123456789";
    d.Deliver();
    EXPECT_EQ(term.shown, "0123");
    d.Deliver();  // still holding
    EXPECT_EQ(term.shown, "0123");
    term.hold = false;
    line.in = "XY";
    d.Deliver();  // the remainder first; the feed holds again, so no read
    EXPECT_EQ(term.shown, "01234567");
    EXPECT_EQ(line.in, "XY");
    term.hold = false;
    d.Deliver();
    term.hold = false;
    d.Deliver();
    EXPECT_EQ(term.shown, "0123456789XY");
}

TEST_F(DeliveryTest, ADeliveryReenteredFromInsideTheFeedReturnsAtOnce)
{
    ReenteringTerminal term;
    ConnDelivery d(ui.conn, &term);
    term.delivery = &d;
    line.in = "abc";
    d.Deliver();
    EXPECT_EQ(term.feeds, 1);
    EXPECT_EQ(line.reads, 1);
    EXPECT_EQ(term.shown, "abc");
}

TEST_F(DeliveryTest, NewBytesClearTheSelection)
{
    ui.term.selection = true;
    delivery.Deliver();  // nothing waiting: the selection stays
    EXPECT_TRUE(ui.term.selection);
    line.in = "x";
    delivery.Deliver();
    EXPECT_FALSE(ui.term.selection);
}

TEST_F(DeliveryTest, BytesReadPastATransferFollowTheOldRemainderAndAreNeverDropped)
{
    line.in = "before";
    ui.term.maxTake = 3;
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, "bef");
    ui.term.hold = true;
    const std::string rest = "after-transfer";
    delivery.FeedLeftover(reinterpret_cast<const uint8_t*>(rest.data()), static_cast<int>(rest.size()));
    EXPECT_EQ(ui.term.shown, "bef");
    ui.term.hold = false;
    ui.term.maxTake = 1000;
    delivery.Deliver();
    EXPECT_EQ(ui.term.shown, "before" + rest);
}

// The frame's lifecycle handlers.
struct LifecycleTest : ::testing::Test {
    UiScope ui;
    QueueLine line;
    ConnLifecycle life{ui.conn};
    MemorySettingsStore& settings = ui.settings;
    void SetUp() override
    {
        ui.sink.handler = [this](int id) { life.Handle(id); };
    }
    PhoneBookEntry TelnetEntry()
    {
        PhoneBookEntry e;
        e.kind = kEntryTelnet;
        e.service = 1;
        e.port = 2323;
        SetEntryText(e.name, "하이텔");
        SetEntryText(e.number, "bbs.example.org");
        SetEntryText(e.userId, "guest");
        SetEntryText(e.preSend, "hello");
        return e;
    }
};

TEST_F(LifecycleTest, ConnectedShowsThePeerSetsTheServicePlaysTheSoundAndSendsThePreSendStringLater)
{
    life.SetCurrent(TelnetEntry());
    ui.flags.ConnState.Connecting = true;
    life.Handle(CMD_CONN_CONNECTED);
    ASSERT_EQ(ui.term.texts.size(), 1u);
    EXPECT_EQ(ui.term.texts[0], "\r\nbbs.example.org:2323 에 연결됨.\r\n\r\n");
    EXPECT_EQ(ui.flags.TermShared.ServiceKind, 1);
    EXPECT_EQ(ui.frame.sounds, std::vector<std::string>{"연결됨"});
    EXPECT_TRUE(ui.flags.ConnState.Connected);
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
    EXPECT_EQ(ui.frame.title, "Vellow - 하이텔");
    EXPECT_EQ(ui.term.loginUserId, "guest");
    EXPECT_EQ(ui.term.changes, std::vector<bool>{true});
    EXPECT_TRUE(ui.frame.favourites);
    EXPECT_TRUE(ui.frame.preSends.empty());
    ASSERT_TRUE(ui.loop.RunUntil([&] { return !ui.frame.preSends.empty(); }, 3000));
    EXPECT_EQ(ui.frame.preSends[0], "hello");
}

TEST_F(LifecycleTest, AFailedTelnetConnectSaysSoWithoutTheDisconnectSound)
{
    life.SetCurrent(TelnetEntry());
    ui.flags.ConnState.Connecting = true;
    ui.flags.TermShared.ServiceKind = 2;
    ui.flags.DataEvent.Reset();
    life.Handle(CMD_CONN_CLOSED);
    EXPECT_EQ(ui.term.texts, std::vector<std::string>{"연결 실패.\r\n"});
    EXPECT_TRUE(ui.frame.sounds.empty());
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
    EXPECT_EQ(ui.flags.TermShared.ServiceKind, 5);
    EXPECT_EQ(ui.frame.title, "Vellow");
    EXPECT_TRUE(ui.flags.DataEvent.Wait(0));
    EXPECT_EQ(ui.frame.transferWaits, 1);
}

TEST_F(LifecycleTest, ClosingALiveConnectionPlaysTheSoundAndCancelsThePreSendString)
{
    life.SetCurrent(TelnetEntry());
    life.Handle(CMD_CONN_CONNECTED);
    ui.term.texts.clear();
    life.Handle(CMD_CONN_CLOSED);
    EXPECT_TRUE(ui.term.texts.empty());
    EXPECT_EQ(ui.frame.sounds.back(), "연결끊김");
    EXPECT_FALSE(ui.flags.ConnState.Connected);
    EXPECT_FALSE(ui.frame.favourites);
    ui.loop.RunFor(2300);
    EXPECT_TRUE(ui.frame.preSends.empty());
}

TEST_F(LifecycleTest, APortOpensAsAnUnknownServiceAndClosesWithoutMessageOrSound)
{
    ui.flags.ConnState.Connecting = true;
    ui.flags.TermShared.ServiceKind = 3;
    life.Handle(CMD_PORT_OPENED);
    EXPECT_EQ(ui.flags.TermShared.ServiceKind, 5);
    EXPECT_TRUE(ui.flags.ConnState.Connected);
    EXPECT_TRUE(ui.frame.sounds.empty());
    life.Handle(CMD_PORT_CLOSED);
    EXPECT_FALSE(ui.flags.ConnState.Connected);
    EXPECT_TRUE(ui.frame.sounds.empty());
    EXPECT_TRUE(ui.term.texts.empty());
    EXPECT_EQ(ui.term.changes, (std::vector<bool>{true, false}));
}

TEST_F(LifecycleTest, AnsweringNoKeepsTheLiveConnectionAndTheCurrentEntry)
{
    PhoneBookEntry old = TelnetEntry();
    life.SetCurrent(old);
    ui.flags.ConnState.Connected = true;
    ui.frame.answer = false;
    PhoneBookEntry other;
    SetEntryText(other.name, "other");
    EXPECT_FALSE(life.Connect(other));
    EXPECT_EQ(ui.frame.questions, std::vector<std::string>{"연결되어 있습니다.\n끊으시겠습니까?"});
    EXPECT_TRUE(ui.flags.ConnState.Connected);
    EXPECT_STREQ(life.Current().name, "하이텔");
    EXPECT_TRUE(ui.frame.sounds.empty());
}

TEST_F(LifecycleTest, AComPortThatCannotBeOpenedEndsNotConnectedWithItsMessage)
{
    CommLine comm{ui.conn};
    ui.conn.SetCommLine(&comm);
    // A device that is missing, and one that is a plain file.
    settings.WriteString("COM3", "Device", "/nonexistent/tty");
    TempDir dir;
    std::string plain = dir.Path() + "/plain";
    std::ofstream(plain) << "not a terminal";
    settings.WriteString("COM4", "Device", plain);
    for (int n : {3, 4}) {
        ui.frame.messages.clear();
        EXPECT_FALSE(life.ConnectComPort(n));
        ASSERT_EQ(ui.frame.messages.size(), 1u);
        EXPECT_EQ(ui.frame.messages[0].text, "COM" + std::to_string(n) + "를 열 수 없습니다.");
        EXPECT_FALSE(ui.flags.ConnState.Connecting);
        EXPECT_FALSE(ui.flags.ConnState.Connected);
        EXPECT_EQ(life.Current().kind, kEntryComPort);
        EXPECT_EQ(life.Current().port, n);
        EXPECT_EQ(std::string(life.Current().name), "COM" + std::to_string(n));
    }
    EXPECT_EQ(ui.sink.Count(CMD_PORT_OPENED), 0);
}

TEST_F(LifecycleTest, ATransferEndShowsTheBytesReadPastItAndHangsUpWhenAsked)
{
    ui.conn.SetSerialLine(&line);
    ui.flags.ConnState.Connected = true;
    line.in = "later";
    const std::string rest = "rest:";
    life.OnTransferDone(reinterpret_cast<const uint8_t*>(rest.data()), 5, true);
    EXPECT_EQ(ui.frame.sounds, std::vector<std::string>{"파일전송완료"});
    EXPECT_EQ(ui.term.shown, "rest:later");
    ui.loop.RunUntil([&] { return ui.sink.Count(ID_CONN_HANGUP) > 0; }, 500);
    EXPECT_EQ(ui.sink.Count(ID_CONN_HANGUP), 1);
    EXPECT_FALSE(ui.flags.ConnState.Connected);  // the posted hang-up ran the disconnect sequence
}

TEST_F(LifecycleTest, TheSafetyTimerDeliversBytesWhoseNotificationWasLost)
{
    ui.conn.SetSerialLine(&line);
    life.Start();
    line.in = "lost";
    ui.loop.RunFor(2200);
    EXPECT_TRUE(ui.term.shown.empty());  // not connected: the timer does nothing
    ui.flags.ConnState.Connected = true;
    EXPECT_TRUE(ui.loop.RunUntil([&] { return ui.term.shown == "lost"; }, 2600));
}

TEST_F(LifecycleTest, DisconnectWhileIdleDoesNothing)
{
    life.Disconnect();
    EXPECT_TRUE(ui.frame.sounds.empty());
    ui.flags.ConnState.Connecting = true;
    life.Disconnect();
    EXPECT_EQ(ui.frame.sounds, std::vector<std::string>{"연결끊김"});
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
}
