// The frame's serial and modem set-up end to end: a COM port configured in its
// dialog and connected through a socat pty pair, a modem added in the modem
// settings dialog and dialled through the pty modem simulator, and the small
// settings dialogs writing only on OK.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "base/CommandIds.h"
#include "base/SettingsStore.h"
#include "connect/CommLine.h"
#include "connect/LineService.h"
#include "connect/ui/DialWindow.h"
#include "connect/ui/ModemDialogs.h"
#include "connect/ui/SerialDialogs.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/SoundDialog.h"
#include "support/PeerProcess.h"
#include "tests/connect/ModemSim.h"
#include "tests/shell/FrameKit.h"
#include "tests/shell/QtTestApp.h"

using namespace velo;
using test::Modals;
using test::PumpUntil;
using test::ScreenText;

namespace {

struct FramePorts : ::testing::Test {
    QApplication* app = test::App();
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    SharedFlags& flags = rt.Flags();

    static void Ok(QWidget* w)
    {
        if (auto* box = w->findChild<QDialogButtonBox*>())
            box->button(QDialogButtonBox::Ok)->click();
    }
    static void Cancel(QWidget* w)
    {
        if (auto* box = w->findChild<QDialogButtonBox*>())
            box->button(QDialogButtonBox::Cancel)->click();
    }
};

}  // namespace

TEST_F(FramePorts, ComPortConfiguredInItsDialogCarriesBytesBothWaysAndDisconnects)
{
    test::SocatPair pair;
    ASSERT_TRUE(pair.Ready());
    CMainFrame f(rt);
    f.show();

    // "COM3설정": Cancel writes nothing; OK writes the device and the line.
    {
        Modals m;
        m.Then([](QWidget* w) {
            static_cast<PortSettingsDialog*>(w)->device->setEditText(QStringLiteral("/dev/elsewhere"));
            Cancel(w);
        });
        f.OnCommand(ID_COM_SETTINGS[2]);
        EXPECT_TRUE(m.Done());
        EXPECT_EQ(store.ReadString("COM3", "Device", "?"), "?");
    }
    {
        Modals m;
        m.Then([&](QWidget* w) {
            auto* d = static_cast<PortSettingsDialog*>(w);
            EXPECT_EQ(d->device->currentText(), "/dev/ttyS2");
            d->device->setEditText(QStringLiteral("relative/path"));
            EXPECT_FALSE(d->buttons->button(QDialogButtonBox::Ok)->isEnabled());
            d->device->setEditText(QString::fromStdString(pair.A()));
            d->rate->setCurrentIndex(d->rate->findData(38400));
            d->parity->setCurrentIndex(d->parity->findData(2));
            Ok(w);
        });
        f.OnCommand(ID_COM_SETTINGS[2]);
        EXPECT_TRUE(m.Done());
    }
    EXPECT_EQ(store.ReadString("COM3", "Device", ""), pair.A());
    EXPECT_EQ(store.ReadInt("COM3", "BaudRate", 0), 38400);
    EXPECT_EQ(store.ReadInt("COM3", "Parity", 0), 2);
    EXPECT_EQ(store.ReadInt("COM3", "ByteSize", 0), 8);

    // "COM&3": the port opens and the frame shows it.
    f.OnCommand(ID_COM_FIRST + 2);
    ASSERT_TRUE(PumpUntil([&] { return bool(flags.ConnState.Connected); }, 3000));
    EXPECT_EQ(f.windowTitle(), "Vellow - COM3");
    EXPECT_EQ(f.StatusPaneTexts()[4], "연결:알수없음");
    EXPECT_TRUE(f.CommandEnabled(ID_CONN_HANGUP));

    int b = pair.OpenB();
    ASSERT_GE(b, 0);
    ASSERT_TRUE(test::WriteAllTo(b, "hello from the port\r\n"));
    EXPECT_TRUE(PumpUntil([&] { return ScreenText(f.Terminal()).find("hello from the port") != std::string::npos; },
                          3000))
        << ScreenText(f.Terminal());
    QGuiApplication::clipboard()->setText(QStringLiteral("ATZ\n"));
    f.OnCommand(ID_PASTE);
    EXPECT_EQ(test::ReadFor(b, 4, 2000), "ATZ\r");

    // Another port while connected: "No" keeps this connection.
    {
        Modals m;
        m.Then(m.Answer(QMessageBox::No));
        f.OnCommand(ID_COM_FIRST + 3);
        ASSERT_EQ(m.texts.size(), 1u);
        EXPECT_EQ(m.texts[0], "연결되어 있습니다.\n끊으시겠습니까?");
    }
    EXPECT_TRUE(flags.ConnState.Connected);
    EXPECT_EQ(f.windowTitle(), "Vellow - COM3");

    f.OnCommand(ID_CONN_HANGUP);
    EXPECT_TRUE(PumpUntil([&] { return !flags.ConnState.Connected && f.StatusPaneTexts()[4] == "연결:없음"; }, 3000));
    EXPECT_EQ(f.windowTitle(), "Vellow");
    ::close(b);

    // A port whose device cannot be opened: the message, and not connected.
    store.WriteString("COM4", "Device", "/nonexistent/tty");
    {
        Modals m;
        m.Then(m.Answer(QMessageBox::Ok));
        f.OnCommand(ID_COM_FIRST + 3);
        ASSERT_EQ(m.texts.size(), 1u);
        EXPECT_EQ(m.texts[0], "COM4를 열 수 없습니다.");
    }
    EXPECT_FALSE(flags.ConnState.Connected || flags.ConnState.Connecting);
}

TEST_F(FramePorts, ModemAddedInTheSettingsDialogIsTheOneDialled)
{
    test::ModemSim sim;
    ASSERT_TRUE(sim.Ready());
    rt.Comm().SetHandOverWaitMs(50);
    rt.Modem().SetReplyTimeoutMs(1500);
    rt.Modem().SetHangUpTimings(10, 60);
    CMainFrame f(rt);
    f.show();

    // No modem yet: the question leads to the dialog, where one is added,
    // given its initialisation command and confirmed.
    Modals m;
    m.Then(m.Answer(QMessageBox::Yes))
        .Then([](QWidget* w) {
            auto* d = static_cast<ModemSettingsDialog*>(w);
            EXPECT_EQ(d->list->count(), 0);
            d->add->click();
        })
        .Then([&](QWidget* w) {
                  auto* c = static_cast<ModemConfigDialog*>(w);
                  c->name->setText(QStringLiteral("시험 모뎀"));
                  c->device->setEditText(QString::fromStdString(sim.Device()));
                  c->speed->setCurrentIndex(c->speed->findData(57600));
                  Ok(w);
        })
        .Then([](QWidget* w) {
                  auto* d = static_cast<ModemSettingsDialog*>(w);
                  EXPECT_EQ(d->list->count(), 1);
                  EXPECT_EQ(d->list->item(0)->text(), "시험 모뎀");
                  d->userInit->setText(QStringLiteral("S7=45"));
                  emit d->userInit->textEdited(d->userInit->text());
                  Ok(w);
        });
    f.OnCommand(ID_MODEM_SETTINGS);
    ASSERT_TRUE(PumpUntil([&] { return m.Done() && !QApplication::activeModalWidget(); }, 5000));
    ASSERT_EQ(m.texts.size(), 1u);
    EXPECT_EQ(m.texts[0], "모뎀이 없거나 설치가 제대로 되지 않았습니다.\n지금 모뎀 설치를 하시겠습니까?");
    std::vector<ModemInfo> saved = LineService::LoadModems(store);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].device, sim.Device());
    EXPECT_EQ(saved[0].userInit, "S7=45");
    EXPECT_EQ(saved[0].baudRate, 57600);
    EXPECT_EQ(LineService::CurrentModem(store), 0);

    // The dialling path takes that modem: its initialisation, the dial, the
    // dialling window with the entry's host, number and user id, which goes
    // once the call is up.
    PhoneBookEntry e;
    e.kind = kEntryModem;
    SetEntryText(e.name, "하이텔");
    SetEntryText(e.number, "01410");
    SetEntryText(e.userId, "guest");
    ASSERT_TRUE(f.ConnectEntry(e));
    auto* dial = f.findChild<DialWindow*>();
    ASSERT_NE(dial, nullptr);
    EXPECT_EQ(dial->host->text(), "하이텔");
    EXPECT_EQ(dial->number->text(), "01410");
    EXPECT_EQ(dial->userId->text(), "guest");
    ASSERT_TRUE(PumpUntil([&] { return bool(flags.ConnState.Connected); }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return !f.DialWindowOpen(); }, 2000));
    std::vector<std::string> cmds = sim.Commands();
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATS7=45"), cmds.end());
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "ATDT01410"), cmds.end());
    f.OnCommand(ID_CONN_HANGUP);
    EXPECT_TRUE(PumpUntil([&] { return !flags.ConnState.Connected; }, 3000));
}

TEST_F(FramePorts, SmallSettingsDialogsWriteOnlyOnOk)
{
    CMainFrame f(rt);
    store.WriteString("Sounds", "시작", "/tmp/start.wav");
    {
        Modals m;
        m.Then([](QWidget* w) {
            auto* d = static_cast<SoundSettingsDialog*>(w);
            d->paths[2]->setText(QStringLiteral("/tmp/연결.wav"));
            Cancel(w);
        });
        f.OnCommand(ID_SOUNDS);
    }
    EXPECT_EQ(store.ReadString("Sounds", "연결됨", "?"), "?");
    {
        Modals m;
        m.Then([](QWidget* w) {
            auto* d = static_cast<SoundSettingsDialog*>(w);
            ASSERT_EQ(d->paths.size(), 8u);
            EXPECT_EQ(d->paths[0]->text(), "/tmp/start.wav");
            // "없음" empties the event's file.
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == "없음") {
                    b->click();
                    break;
                }
            d->paths[2]->setText(QStringLiteral("/tmp/연결.wav"));
            Ok(w);
        });
        f.OnCommand(ID_SOUNDS);
    }
    EXPECT_EQ(store.ReadString("Sounds", "시작", "?"), "");
    EXPECT_EQ(store.ReadString("Sounds", "연결됨", ""), "/tmp/연결.wav");

    {
        Modals m;
        m.Then([](QWidget* w) {
            auto* d = static_cast<ComResponseDialog*>(w);
            EXPECT_EQ(d->windowTitle(), "COM  포트 반응 속도 조절");
            EXPECT_EQ(d->interval->value(), 200);
            d->interval->setValue(50);
            Ok(w);
        });
        f.OnCommand(ID_COM_RESPONSE);
    }
    EXPECT_EQ(store.ReadInt("COM", "WaitInterVal", 0), 50);
}
