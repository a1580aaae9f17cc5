// velo against the demo host over loopback: connect, greeting on screen,
// automatic log-in answered, a ZModem download started by the host lands in
// the download directory.
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "connect/Conn.h"
#include "base/Flags.h"
#include "connect/PhoneBookEntry.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"

using namespace velo;

namespace {

using test::App;

// The text of history rows first..LinesUsed()-1 (the screen is the last Rows() of them).
std::string RowsText(CAnsiTerm* t, int first)
{
    std::string all;
    const Terminal& m = t->Term();
    for (int h = std::max(0, first); h < m.LinesUsed(); ++h) {
        std::string_view row(reinterpret_cast<const char*>(m.HistoryLine(h).text), size_t(m.Columns()));
        all += hangul::DecodeToUtf8(row, m.DisplayCode());
        all += '\n';
    }
    return all;
}
std::string ScreenText(CAnsiTerm* t) { return RowsText(t, t->Term().LinesUsed() - t->Term().Rows()); }
std::string HistoryText(CAnsiTerm* t) { return RowsText(t, 0); }

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

struct DemoHost {
    QProcess proc;
    int port = 0;
    bool Start(const QString& dir)
    {
        QString script = QStringLiteral(VELO_DEMOHOST);
        QString portFile = dir + "/port";
        proc.start(QStringLiteral("python3"), {script, "--port", "0", "--port-file", portFile, "--files",
                                               dir + "/files"});
        if (!proc.waitForStarted(5000))
            return false;
        return PumpUntil(
            [&] {
                QFile f(portFile);
                if (!f.open(QIODevice::ReadOnly))
                    return false;
                port = f.readAll().trimmed().toInt();
                return port > 0;
            },
            10000);
    }
    ~DemoHost()
    {
        proc.kill();
        proc.waitForFinished(3000);
    }
};

}  // namespace

TEST(EndToEnd, VeloLogsInToTheDemoHostAndReceivesAFileByZModem)
{
    App();
    MemorySettingsStore store;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString down = dir.filePath("Down");
    QDir().mkpath(down);
    store.WriteString("ZModem", "DownPath", down.toStdString());
    store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());

    DemoHost host;
    ASSERT_TRUE(host.Start(dir.path()));

    {
        AppRuntime runtime(store, false);
        SharedFlags& flags = runtime.Flags();
        CMainFrame frame(runtime);
        frame.show();
        CAnsiTerm* term = frame.Terminal();

        PhoneBookEntry e;
        e.kind = kEntryTelnet;
        e.service = 4;  // Kestrix: its log-in prompts
        SetEntryText(e.name, "데모");
        SetEntryText(e.number, "127.0.0.1");
        e.port = host.port;
        SetEntryText(e.waitUserId, "회 원 ID :");
        SetEntryText(e.waitPassword, "비밀 번호:");
        SetEntryText(e.userId, "guest");
        SetEntryText(e.password, "pw");
        ASSERT_TRUE(frame.ConnectEntry(e));

        ASSERT_TRUE(PumpUntil([&] { return ScreenText(term).find("guest 님, 환영합니다.") != std::string::npos; },
                              20000))
            << ScreenText(term);
        EXPECT_TRUE(flags.ConnState.Connected);
        std::string screen = ScreenText(term);
        EXPECT_NE(screen.find("벨로우 데모 BBS"), std::string::npos);
        // The connect message went up into the scrollback when the host cleared the screen.
        EXPECT_NE(HistoryText(term).find("127.0.0.1:" + std::to_string(host.port) + " 에 연결됨."), std::string::npos);
        EXPECT_NE(screen.find("[01]"), std::string::npos);
        EXPECT_EQ(frame.windowTitle(), "Vellow - 데모");
        frame.RefreshStatusBar();
        EXPECT_EQ(frame.StatusPaneTexts()[4], "연결:Kestrix");

        const char cmd[] = "dn 1\r";
        runtime.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(cmd), 5);
        QString got = down + "/velo-demo.txt";
        QFile want(dir.filePath("files/velo-demo.txt"));
        ASSERT_TRUE(want.open(QIODevice::ReadOnly));
        QByteArray wantBytes = want.readAll();
        ASSERT_TRUE(PumpUntil(
            [&] {
                return ScreenText(term).find("전송을 마쳤습니다 (0).") != std::string::npos && QFile::exists(got);
            },
            60000))
            << ScreenText(term);
        QFile g(got);
        ASSERT_TRUE(g.open(QIODevice::ReadOnly));
        EXPECT_EQ(g.readAll(), wantBytes);
        EXPECT_FALSE(flags.ConnState.Receiving);

        // The context menu's "파일 받기" on the file number under the mouse:
        // Kestrix's download command, the transfer, then the follow-up.
        const char list[] = "3\r";
        runtime.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(list), 3);
        ASSERT_TRUE(PumpUntil([&] { return ScreenText(term).find("velo-hangul.txt") != std::string::npos; }, 20000));
        int row = -1;
        for (int r = 0; r < term->Term().Rows(); ++r)
            if (std::string_view(reinterpret_cast<const char*>(term->Term().Line(r).text), 20).find("velo-hangul") !=
                std::string_view::npos)
                row = r;
        ASSERT_GE(row, 0);
        term->HoverAt(QPoint(term->CellWidth() / 2, row * term->CellHeight() + term->CellHeight() / 2));
        ASSERT_TRUE(term->Hot().fileNumber);
        ASSERT_TRUE(term->CanReceiveFile());
        term->ReceiveFile();
        QString second = down + "/velo-hangul.txt";
        ASSERT_TRUE(PumpUntil([&] { return QFile::exists(second) && !flags.ConnState.Receiving; }, 60000))
            << ScreenText(term);
        QFile w2(dir.filePath("files/velo-hangul.txt"));
        QFile g2(second);
        ASSERT_TRUE(w2.open(QIODevice::ReadOnly) && g2.open(QIODevice::ReadOnly));
        EXPECT_EQ(g2.readAll(), w2.readAll());
        // After the transfer the follow-up (Enter) brings the menu once more.
        auto promptsAfterTransfer = [&] {
            std::string h = HistoryText(term);
            size_t at = h.rfind("전송을 마쳤습니다");
            int n = 0;
            for (size_t p = h.find("선택 >>", at); at != std::string::npos && p != std::string::npos;
                 p = h.find("선택 >>", p + 1))
                ++n;
            return n;
        };
        EXPECT_TRUE(PumpUntil([&] { return promptsAfterTransfer() >= 2; }, 10000)) << ScreenText(term);

        frame.OnCommand(ID_CONN_HANGUP);
        EXPECT_FALSE(flags.ConnState.Connected);
        PumpUntil([] { return false; }, 200);
    }
}
