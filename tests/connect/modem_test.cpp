// Modem dialling with Hayes AT commands against a simulated modem on a pty.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "support/TestKit.h"
#include "ModemSim.h"
#include "support/PeerProcess.h"
#include "base/CommandIds.h"
#include "connect/CommLine.h"
#include "connect/Conn.h"
#include "connect/ConnLifecycle.h"
#include "base/Flags.h"
#include "connect/LineService.h"
#include "base/SettingsStore.h"

using namespace velo;
using namespace velo::test;
using Dial = ModemSim::Dial;

namespace {

constexpr const char* kNoModemQuestion =
    "모뎀이 없거나 설치가 제대로 되지 않았습니다.\n지금 모뎀 설치를 하시겠습니까?";

struct ModemTest : ::testing::Test {
    UiScope ui;
    MemorySettingsStore& settings = ui.settings;
    ModemSim sim;
    CommLine comm{ui.conn};
    LineService modem{ui.conn, comm, &ui.loop};
    ConnLifecycle life{ui.conn};

    void SetUp() override
    {
        ASSERT_TRUE(sim.Ready());
        LineService::SaveModems(settings, {ModemInfo{"Test modem", sim.Device(), "S7=45", 57600}});
        comm.SetHandOverWaitMs(50);
        modem.SetReplyTimeoutMs(1500);
        modem.SetHangUpTimings(10, 60);
        ui.conn.SetCommLine(&comm);
        ui.conn.SetLineService(&modem);
        ui.sink.handler = [this](int id) {
            life.Handle(id);
            // The dialling window closes itself once nothing is under way.
            if (ui.flags.ConnState.Connected || !ui.flags.ConnState.Connecting)
                ui.frame.dialWindow = false;
        };
    }
    void TearDown() override
    {
        life.Disconnect();
        modem.Shutdown();
    }
    PhoneBookEntry Entry(const std::string& number = "01410")
    {
        PhoneBookEntry e;
        e.kind = kEntryModem;
        SetEntryText(e.name, "천리안");
        e.service = 0;
        SetEntryText(e.number, number);
        return e;
    }
    bool Until(const std::function<bool()>& pred, int ms = 5000) { return ui.loop.RunUntil(pred, ms); }
    std::vector<std::string> Texts()
    {
        std::vector<std::string> t;
        for (auto& m : ui.frame.messages)
            t.push_back(m.text);
        return t;
    }
};

}  // namespace

TEST_F(ModemTest, ACallThatConnectsCarriesBytesBothWaysAndHangsUpCleanly)
{
    sim.SetBanner("WELCOME TO THE BBS\r\n");
    ASSERT_TRUE(life.Connect(Entry("014-10")));
    EXPECT_TRUE(ui.frame.dialWindow);
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    EXPECT_EQ(int(ui.conn.ConnKind()), 2);
    EXPECT_EQ(ui.flags.TermShared.ServiceKind, 0);
    EXPECT_EQ(sim.Commands(), (std::vector<std::string>{"ATE0V1", "ATS7=45", "ATDT01410"}));
    ASSERT_TRUE(Until([&] { return ui.term.shown.find("WELCOME TO THE BBS") != std::string::npos; }));
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CONNECTED), 1);

    const std::string typed = "hello\r";
    EXPECT_EQ(ui.conn.ConnWrite(reinterpret_cast<const uint8_t*>(typed.data()), 6), 6);
    ASSERT_TRUE(Until([&] { return sim.DataReceived() == typed; }));
    sim.Send("reply from host");
    ASSERT_TRUE(Until([&] { return ui.term.shown.find("reply from host") != std::string::npos; }));

    life.Disconnect();
    EXPECT_FALSE(ui.flags.ConnState.Connected);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(modem.CallActive());
    auto cmds = sim.Commands();
    EXPECT_EQ(cmds.back(), "ATH0");
    EXPECT_TRUE(ui.frame.messages.empty());
}

TEST_F(ModemTest, ABusyLineRedialsTheSameEntryUntilItAnswers)
{
    sim.Script({Dial::Busy, Dial::Busy, Dial::Busy, Dial::Connect});
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }, 10000));
    EXPECT_EQ(sim.Dials(), 4);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_REDIAL), 3);
    EXPECT_TRUE(ui.frame.messages.empty());
    auto cmds = sim.Commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "ATDT01410"), 4);
}

TEST_F(ModemTest, NoCarrierAndNoAnswerRedialToo)
{
    sim.Script({Dial::NoCarrier, Dial::NoAnswer, Dial::Connect});
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }, 10000));
    EXPECT_EQ(ui.sink.Count(CMD_CONN_REDIAL), 2);
    EXPECT_TRUE(ui.frame.messages.empty());
}

TEST_F(ModemTest, TheUserCanStopARedialLoop)
{
    sim.Script({Dial::Busy});
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return sim.Dials() >= 3; }, 10000));
    life.Disconnect();
    ui.loop.RunFor(300);
    int dials = sim.Dials();
    ui.loop.RunFor(500);
    EXPECT_EQ(sim.Dials(), dials);
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
    EXPECT_FALSE(modem.CallActive());
}

TEST_F(ModemTest, EachFailureGetsItsMessage)
{
    struct Case {
        Dial result;
        const char* text;
    } cases[] = {
        {Dial::NoDialtone, "발신음이 없습니다.\n전화선이 모뎀에 연결되어 있는지 확인하십시오."},
        {Dial::Error, "전화 번호가 올바르지 않습니다."},
    };
    for (const Case& c : cases) {
        ui.frame.messages.clear();
        ui.sink.Clear();
        sim.Script({c.result});
        ASSERT_TRUE(life.Connect(Entry()));
        ASSERT_TRUE(Until([&] { return !ui.frame.messages.empty(); }));
        EXPECT_EQ(Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(ui.frame.messages[0].title, "Vellow");
        EXPECT_EQ(ui.frame.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
        EXPECT_EQ(ui.sink.Count(CMD_CONN_REDIAL), 0);
        EXPECT_FALSE(ui.flags.ConnState.Connecting);
        EXPECT_FALSE(modem.CallActive());
    }
}

TEST_F(ModemTest, AModemSilentAfterTheDialTimesOutAsReleased)
{
    modem.SetDialTimeoutMs(400);
    sim.Script({Dial::Silent});
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return !ui.frame.messages.empty(); }));
    EXPECT_EQ(Texts(), std::vector<std::string>{"연결이 해제 되었습니다."});
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
}

TEST_F(ModemTest, AModemThatAnswersNothingCannotDial)
{
    modem.SetReplyTimeoutMs(300);
    sim.SetMute(true);
    ASSERT_TRUE(life.Connect(Entry()));
    EXPECT_EQ(Texts(), std::vector<std::string>{"연결을 할 수 없습니다."});
    EXPECT_FALSE(ui.flags.ConnState.Connecting);
    EXPECT_FALSE(modem.CallActive());
    EXPECT_EQ(sim.Dials(), 0);
}

TEST_F(ModemTest, ANumberThatIsNotADialStringNeverReachesTheModem)
{
    for (const char* bad : {"123\rATZ", "012;ATH", "", "call me"}) {
        ui.frame.messages.clear();
        ASSERT_TRUE(life.Connect(Entry(bad)));
        EXPECT_EQ(Texts(), std::vector<std::string>{"연결을 할 수 없습니다."}) << bad;
    }
    EXPECT_EQ(sim.Dials(), 0);
    for (const auto& c : sim.Commands())
        EXPECT_EQ(c.rfind("ATD", 0), std::string::npos) << c;
}

TEST_F(ModemTest, ALostLineEndsTheCallWithItsMessage)
{
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    sim.HangUp();
    ASSERT_TRUE(Until([&] { return !ui.frame.messages.empty(); }, 5000));
    EXPECT_EQ(Texts(), std::vector<std::string>{"연결이 해제 되었습니다."});
    EXPECT_FALSE(ui.flags.ConnState.Connected);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    EXPECT_EQ(ui.frame.sounds.back(), "연결끊김");
}

TEST_F(ModemTest, WithoutAModemTheUserIsAskedAndTheDialFails)
{
    LineService::SaveModems(settings, {});
    ASSERT_TRUE(life.Connect(Entry()));
    EXPECT_EQ(ui.frame.questions, std::vector<std::string>{kNoModemQuestion});
    EXPECT_EQ(ui.frame.modemSettingsOpened, 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"연결을 할 수 없습니다."});
    EXPECT_FALSE(ui.flags.ConnState.Connecting);

    ui.frame.messages.clear();
    ui.frame.modemSettingsOk = false;
    ASSERT_TRUE(life.Connect(Entry()));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"모뎀 설정을 실행할 수 없습니다.", "연결을 할 수 없습니다."}));
    EXPECT_EQ(ui.frame.messages[0].icon, MsgIcon::Stop);

    ui.frame.messages.clear();
    ui.frame.answer = false;
    ASSERT_TRUE(life.Connect(Entry()));
    EXPECT_EQ(ui.frame.modemSettingsOpened, 2);
    EXPECT_EQ(Texts(), std::vector<std::string>{"연결을 할 수 없습니다."});
}

TEST_F(ModemTest, AModemDeviceThatCannotBeOpenedTakesTheNoModemPath)
{
    TempDir dir;
    LineService::SaveModems(settings, {ModemInfo{"gone", dir.Path() + "/ttyACM9", "", 57600}});
    ASSERT_TRUE(life.Connect(Entry()));
    EXPECT_EQ(ui.frame.questions, std::vector<std::string>{kNoModemQuestion});
    EXPECT_EQ(Texts().back(), "연결을 할 수 없습니다.");
}

TEST_F(ModemTest, AModemHeldByAnotherProgramSaysSo)
{
    int other = ::open(sim.Device().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_EQ(ui.frame.messages.size(), 2u);
    EXPECT_EQ(ui.frame.messages[0].text,
              "Non-TAPI 응용 프로그램이 모뎀을 사용하고 있거나,\n다른 이유로 전화를 걸 수 없습니다.");
    EXPECT_EQ(ui.frame.messages[0].icon, MsgIcon::Stop);
    EXPECT_EQ(ui.frame.messages[1].text, "연결을 할 수 없습니다.");
    ::close(other);
}

TEST_F(ModemTest, TheCurrentModemSettingChoosesTheDevice)
{
    ModemSim second;
    ASSERT_TRUE(second.Ready());
    LineService::SaveModems(settings, {ModemInfo{"first", sim.Device(), "", 57600},
                             ModemInfo{"second", second.Device(), "&C1", 57600}});
    LineService::SetCurrentModem(settings, 1);
    EXPECT_EQ(settings.ReadInt("모뎀설정", "현재사용모뎀", -1), 1);
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    EXPECT_EQ(sim.Dials(), 0);
    EXPECT_EQ(second.Dials(), 1);
    EXPECT_EQ(second.Commands()[1], "AT&C1");
    life.Disconnect();
}

TEST_F(ModemTest, CallReportsFollowTheCallbackRules)
{
    sim.Script({Dial::Silent});
    ASSERT_TRUE(life.Connect(Entry()));
    unsigned call = modem.CurrentCall();
    ASSERT_NE(call, 0u);
    // Another call's report is ignored; so are the in-between states.
    modem.OnCallState(call + 1, CallState::Disconnected, DisconnectMode::Busy);
    modem.OnCallState(call, CallState::Proceeding);
    modem.OnCallState(call, CallState::Ringback);
    EXPECT_TRUE(modem.CallActive());
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 0);
    // Becoming a mere monitor of the call closes it and stops there.
    modem.OnCallState(call, CallState::Connected, DisconnectMode::Normal, CallPrivilege::Monitor);
    EXPECT_FALSE(modem.CallActive());
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CLOSED), 1);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CONNECTED), 0);
}

TEST_F(ModemTest, AConnectReportWhileThePortIsOpenDoesNothing)
{
    ASSERT_TRUE(life.Connect(Entry()));
    ASSERT_TRUE(Until([&] { return ui.flags.ConnState.Connected.load(); }));
    modem.OnCallState(modem.CurrentCall(), CallState::Connected);
    EXPECT_EQ(ui.sink.Count(CMD_CONN_CONNECTED), 1);
    EXPECT_TRUE(comm.IsOpen());
}

TEST(ModemResults, ResultCodesAndDisconnectMessages)
{
    EXPECT_EQ(ClassifyModemResult("OK"), ModemResult::Ok);
    EXPECT_EQ(ClassifyModemResult("CONNECT 33600/ARQ"), ModemResult::Connect);
    EXPECT_EQ(ClassifyModemResult("CONNECT"), ModemResult::Connect);
    EXPECT_EQ(ClassifyModemResult("NO DIAL TONE"), ModemResult::NoDialtone);
    EXPECT_EQ(ClassifyModemResult("  BUSY "), ModemResult::Busy);
    EXPECT_EQ(ClassifyModemResult("7"), ModemResult::Busy);
    EXPECT_EQ(ClassifyModemResult("3"), ModemResult::NoCarrier);
    EXPECT_EQ(ClassifyModemResult("18"), ModemResult::Connect);
    EXPECT_EQ(ClassifyModemResult("ATDT123"), ModemResult::None);
    EXPECT_EQ(ClassifyModemResult("CONNECTION"), ModemResult::None);
    EXPECT_EQ(ModemDialString("(02) 123-4567,,#"), "021234567,,#");
    EXPECT_EQ(ModemDialString("12\r3"), "");
    EXPECT_EQ(DisconnectMessage(DisconnectMode::Reject), "원격 컴퓨터가 연결을 거부했습니다.");
    EXPECT_EQ(DisconnectMessage(DisconnectMode::Pickup),
              "앗! 누가 수화기를 들었습니다!\n학생 이시면 컴퓨터를 끄시고 공부하는 척 하십시오.");
    for (auto m : {DisconnectMode::Busy, DisconnectMode::NoAnswer, DisconnectMode::Unreachable,
                   DisconnectMode::Congestion})
        EXPECT_TRUE(DisconnectMessage(m).empty());
    for (auto m : {DisconnectMode::Normal, DisconnectMode::Unknown, DisconnectMode::Forwarded,
                   DisconnectMode::Incompatible, DisconnectMode::Unavail})
        EXPECT_EQ(DisconnectMessage(m), "연결이 해제 되었습니다.");
}
