// velo against the demo host over loopback: connect, greeting on screen,
// automatic log-in answered, a ZModem download started by the host lands in
// the download directory.
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"
#include "tests/shell/E2eKit.h"

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

using test::App;
using test::DemoHost;
using test::HistoryText;
using test::PumpUntil;
using test::ScreenText;

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

        PhoneBookEntry e = test::DemoEntry(host.port);
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

        frame.OnCommand(ID_CONN_HANGUP);
        EXPECT_FALSE(flags.ConnState.Connected);
        PumpUntil([] { return false; }, 200);
    }
}

TEST(EndToEnd, VeloStartedFromAnotherFolderDownloadsIntoItsInstallationFolder)
{
    // The program itself, started from a folder of the user's that holds a
    // file of the same name as the one the host sends: the download lands in
    // Down/ of the installation folder the start-up made, and the file in the
    // starting folder is left alone (under the default resume option it
    // would have been written over).
    App();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString elsewhere = dir.filePath("elsewhere");
    QDir().mkpath(elsewhere);
    QDir().mkpath(dir.filePath("files"));
    QByteArray data(50000, 0);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 + i / 251);
    {
        QFile f(dir.filePath("files/landing.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        QFile old(elsewhere + "/landing.bin");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    DemoHost host;
    ASSERT_TRUE(host.Start(dir.path(), {"--zsend", dir.filePath("files/landing.bin"), "--once"}));

    QProcess velo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    velo.setProcessEnvironment(env);
    velo.setWorkingDirectory(elsewhere);
    velo.start(QStringLiteral(VELO_BINARY), {"127.0.0.1", QString::number(host.port)});
    ASSERT_TRUE(velo.waitForStarted(5000));
    const QString landed = dir.filePath("data/Brenwick/Vellow/Down/landing.bin");
    auto contents = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    EXPECT_TRUE(PumpUntil([&] { return contents(landed) == data; }, 30000)) << contents(landed).size();
    EXPECT_EQ(contents(elsewhere + "/landing.bin"), "old");
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files), QStringList{"landing.bin"});
    velo.terminate();  // closes as the user would
    EXPECT_TRUE(velo.waitForFinished(15000));
    if (velo.state() != QProcess::NotRunning) {
        velo.kill();
        velo.waitForFinished(3000);
    }
}
