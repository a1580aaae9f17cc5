// velo against the demo host over loopback: connect, greeting on screen,
// automatic log-in answered, a ZModem download started by the host lands in
// the download directory; phone book entries of the imitated services log in
// by themselves and send their pre-send string; redial and manual telnet; a
// videotex picture from the host is drawn in the picture window, and a JPEG
// sent in image-index packets lands in "Images"; a session captured as code
// and as text holds what the host sent.
#include <gtest/gtest.h>

#include "tests/shell/FrameKit.h"
#include "tests/shell/QtTestApp.h"
#include "tests/shell/E2eKit.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QComboBox>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>

#include "connect/Conn.h"
#include "base/Flags.h"
#include "connect/ConnLifecycle.h"
#include "connect/PhoneBook.h"
#include "connect/PhoneBookEntry.h"
#include "connect/ui/DialDialog.h"
#include "connect/ui/PhoneBookDialog.h"
#include "shell/AppRuntime.h"
#include "shell/Capture.h"
#include "shell/CMainFrame.h"
#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"
#include "videotex/VtxDecoder.h"
#include "videotex/ui/CVtxWnd.h"
#include "videotex/ui/ImageIndexUi.h"
#include "videotex/ui/VtxImageCanvas.h"
#include "videotex/ui/VtxPictureSink.h"

using namespace velo;

using test::App;
using test::DemoEntry;
using test::DemoHost;
using test::HistoryText;
using test::PumpUntil;
using test::ScreenText;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the host's --report file holds: one JSON object a line.
std::vector<QJsonObject> Report(const QString& path)
{
    std::vector<QJsonObject> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty())
            out.push_back(QJsonDocument::fromJson(line).object());
    return out;
}

// Runs act on the first shown top-level window of type T, from inside the
// modal loop that shows it.
template <typename T>
void WhenShown(std::function<void(T*)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                poll->stop();
                poll->deleteLater();
                act(t);
                return;
            }
    });
    poll->start(20);
}

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

TEST(EndToEnd, PhoneBookEntriesOfTheImitatedServicesLogInAndSendTheirPreSendString)
{
    App();
    MemorySettingsStore store;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Imitated {
        const char* option;
        int service;
        const char* pane;
        DemoHost host;
        QString report;
    } hosts[] = {{"hitel", 1, "연결:하이텔", {}, {}}, {"chollian", 0, "연결:천리안", {}, {}}};
    std::vector<PhoneBookEntry> book;
    for (Imitated& h : hosts) {
        QString sub = dir.filePath(h.option);
        QDir().mkpath(sub);
        h.report = sub + "/report";
        ASSERT_TRUE(h.host.Start(sub, {"--service", h.option, "--report", h.report}));
        // As the entry dialog makes it: the service chosen for telnet, then
        // the host, the log-in and the pre-send string filled in.
        PhoneBookEntry e;
        ChooseService(&e, h.service, true);
        SetEntryText(e.number, "127.0.0.1");
        e.port = h.host.port;
        SetEntryText(e.userId, "guest");
        SetEntryText(e.password, "pw한");
        SetEntryText(e.preSend, "go 공지\\r");
        book.push_back(e);
    }
    SavePhoneBook(store, book);

    AppRuntime runtime(store, false);
    SharedFlags& flags = runtime.Flags();
    CMainFrame frame(runtime);
    frame.show();
    EXPECT_FALSE(frame.CommandEnabled(ID_REDIAL));  // nothing connected yet

    using Lines = std::vector<std::string>;
    auto lines = [](const QString& report) {
        Lines got;
        for (const QJsonObject& o : Report(report))
            got.push_back((o["event"].toString() == "login"
                               ? QStringLiteral("login %1 %2").arg(o["user"].toString(), o["password"].toString())
                               : o["text"].toString())
                              .toStdString());
        return got;
    };
    for (int i = 0; i < 2; ++i) {
        Imitated& h = hosts[i];
        SCOPED_TRACE(h.option);
        if (i > 0) {
            // Connected: the question first, then the phone book.
            WhenShown<QMessageBox>([](QMessageBox* box) {
                EXPECT_EQ(box->text(), "연결되어 있습니다.\n끊으시겠습니까?");
                box->button(QMessageBox::Yes)->click();
            });
        }
        WhenShown<PhoneBookDialog>([i](PhoneBookDialog* d) {
            d->SelectRow(i);
            d->DialButton()->click();
        });
        // The phone book is asked for first; the question comes after it.
        frame.OnCommand(ID_PHONE_BOOK);
        ASSERT_TRUE(PumpUntil([&] { return lines(h.report).size() >= 2; }, 20000)) << ScreenText(frame.Terminal());
        PumpUntil([] { return false; }, 300);  // a second answer would arrive now
        // The log-in answered once each, the password as typed, then the
        // pre-send string (in KS C 5601) through the macro sender.
        EXPECT_EQ(lines(h.report), (Lines{"login guest pw한", "go 공지"}));
        EXPECT_EQ(flags.TermShared.ServiceKind, h.service);
        frame.RefreshStatusBar();
        EXPECT_EQ(frame.StatusPaneTexts()[4], h.pane);
        EXPECT_EQ(frame.windowTitle(), QStringLiteral("Vellow - ") + QString::fromUtf8(ServiceName(h.service).data()));
    }

    // "끊고 다시 걸기": the last entry again, without a question.
    ASSERT_TRUE(frame.CommandEnabled(ID_REDIAL));
    frame.OnCommand(ID_REDIAL);
    ASSERT_TRUE(PumpUntil([&] { return lines(hosts[1].report).size() >= 4; }, 20000));
    EXPECT_EQ(lines(hosts[1].report), (Lines{"login guest pw한", "go 공지", "login guest pw한", "go 공지"}));

    // A typed host and port, no service: the prompt waits for the user.
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    WhenShown<DialDialog>([&](DialDialog* d) {
        d->Box()->setEditText(QStringLiteral("127.0.0.1 %1").arg(hosts[0].host.port));
        d->accept();
    });
    frame.OnCommand(ID_MANUAL_TELNET);
    ASSERT_TRUE(PumpUntil([&] { return ScreenText(frame.Terminal()).find("이용자번호 :") != std::string::npos; },
                          20000));
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(lines(hosts[0].report).size(), 2u);
    EXPECT_EQ(flags.TermShared.ServiceKind, kServiceOther);
    EXPECT_EQ(frame.Lifecycle()->Current().port, hosts[0].host.port);
    EXPECT_EQ(ReadDialHistory(store, HistoryKind::Host)[0], QStringLiteral("127.0.0.1 %1").arg(hosts[0].host.port).toStdString());
    frame.OnCommand(ID_CONN_HANGUP);
    EXPECT_FALSE(flags.ConnState.Connected);
    PumpUntil([] { return false; }, 200);
}

TEST(EndToEnd, TheHostsPictureIsDrawnInItsWindowAndItsImageLandsInImages)
{
    App();
    MemorySettingsStore store;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());
    store.WriteInt("초기 환경", "ImageIndex", 41);

    DemoHost host;
    ASSERT_TRUE(host.Start(dir.path(), {"--pictures", QStringLiteral(VELO_NAPLPS_DIR)}));

    // The picture as the decoder alone draws the sample the host sends.
    const QByteArray sample = ReadAll(QStringLiteral(VELO_NAPLPS_DIR "/MIATA1.nap"));
    ASSERT_FALSE(sample.isEmpty());
    VtxImageCanvas canvas;
    canvas.SetPauseHandler([](int) {});
    VtxDecoder decoder;
    canvas.RebuildFonts(decoder.State());
    decoder.Feed(canvas, reinterpret_cast<const uint8_t*>(sample.constData()), size_t(sample.size()));
    const QImage want = canvas.Picture();

    AppRuntime runtime(store, false);
    CMainFrame frame(runtime);
    frame.show();
    CAnsiTerm* term = frame.Terminal();
    ASSERT_TRUE(frame.ConnectEntry(DemoEntry(host.port)));
    ASSERT_TRUE(PumpUntil([&] { return ScreenText(term).find("선택 >>") != std::string::npos; }, 20000))
        << ScreenText(term);

    auto send = [&](const char* text) {
        runtime.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(text), int(strlen(text)));
    };
    auto menus = [&] {
        const std::string all = HistoryText(term);
        int n = 0;
        for (size_t at = all.find("선택 >>"); at != std::string::npos; at = all.find("선택 >>", at + 1))
            ++n;
        return n;
    };
    const int before = menus();
    send("6\r");
    VtxPictureSink* pictures = frame.Pictures();
    ASSERT_TRUE(PumpUntil([&] { return pictures->Window() && pictures->Window()->Picture() == want; }, 20000));
    CVtxWnd* wnd = pictures->Window();
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_EQ(wnd->windowTitle(), "VTX 보기");
    EXPECT_EQ(term->Term().GetDataMode(), DataMode::Videotex);
    EXPECT_TRUE(frame.CommandChecked(ID_VTX_STATE));
    // Enter in the picture window goes to the host, which ends the picture.
    QTest::keyClick(wnd, Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return term->Term().GetDataMode() == DataMode::Text && !pictures->Window(); },
                          20000));
    // The host's menu follows the picture.
    ASSERT_TRUE(PumpUntil([&] { return menus() > before; }, 20000)) << ScreenText(term);

    send("7\r");
    const QString stored = dir.filePath("Images/00000041.jpg");
    ASSERT_TRUE(PumpUntil([&] { return pictures->Viewer() != nullptr; }, 20000)) << ScreenText(term);
    const QByteArray jpeg = ReadAll(dir.filePath("files/velo-demo.jpg"));
    ASSERT_FALSE(jpeg.isEmpty());
    EXPECT_EQ(ReadAll(stored), jpeg);
    EXPECT_EQ(store.ReadInt("초기 환경", "ImageIndex", -1), 42);
    EXPECT_EQ(pictures->Viewer()->Path(), stored);
    EXPECT_EQ(pictures->Viewer()->Image().size(), QSize(160, 100));
    EXPECT_TRUE(pictures->Progress()->isHidden());
    ASSERT_TRUE(PumpUntil([&] { return ScreenText(term).find("사진을 다 보냈습니다.") != std::string::npos; }, 20000))
        << ScreenText(term);
    EXPECT_EQ(term->Term().GetDataMode(), DataMode::Text);

    frame.OnCommand(ID_CONN_HANGUP);
    PumpUntil([] { return false; }, 200);
}

namespace {

// The lines a host's bytes make on a screen that only moves down: escape
// sequences (ESC [ ... final) dropped, split at CR LF, trailing blanks gone.
QList<QByteArray> PlainLines(const QByteArray& sent)
{
    QByteArray text;
    for (qsizetype i = 0; i < sent.size(); ++i) {
        if (sent[i] == '\x1b' && i + 1 < sent.size() && sent[i + 1] == '[') {
            i += 2;
            while (i < sent.size() && !(sent[i] >= 0x40 && sent[i] <= 0x7E))
                ++i;
            continue;
        }
        text += sent[i];
    }
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
        while (l.endsWith(' '))
            l.chop(1);
    }
    return lines;
}

}  // namespace

TEST(EndToEnd, VeloCapturesADemoHostSessionAsTheHostSentIt)
{
    App();
    MemorySettingsStore store;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());
    const QString record = dir.filePath("sent");
    DemoHost host;
    ASSERT_TRUE(host.Start(dir.path(), {"--record", record}));

    AppRuntime runtime(store, false);
    CMainFrame frame(runtime);
    frame.show();
    CAnsiTerm* term = frame.Terminal();
    Capture& cap = runtime.CaptureFile();

    ASSERT_TRUE(frame.ConnectEntry(DemoEntry(host.port)));

    // The host waits at its prompt once the menu is shown; what it sent so
    // far is in the record, and the terminal has taken all of it.
    auto atPrompt = [&](int prompts) {
        return PumpUntil(
            [&] {
                const QByteArray sent = ReadAll(record);
                return sent.count(QByteArray("\xBC\xB1\xC5\xC3 >> ")) == prompts &&  // "선택 >> "
                       sent.endsWith("\x1b[0;37;44m") && ScreenText(term).find("선택 >>") != std::string::npos;
            },
            20000);
    };
    auto type = [&](const char* s) { runtime.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(s), int(strlen(s))); };
    ASSERT_TRUE(atPrompt(1)) << ScreenText(term);
    PumpUntil([] { return false; }, 200);

    // Code capture of the colour and Hangul pages: the file is the host's bytes.
    const QString codeFile = dir.filePath("code.cap");
    ASSERT_TRUE(cap.SetFileName(codeFile.toStdString()));
    frame.OnCommand(ID_CODE_CAPTURE);
    const qsizetype codeFrom = ReadAll(record).size();
    frame.OnCommand(ID_CAPTURE_START);
    ASSERT_EQ(cap.State(), CaptureState::Capturing);
    type("4\r");
    ASSERT_TRUE(atPrompt(2));
    type("5\r");
    ASSERT_TRUE(atPrompt(3));
    PumpUntil([] { return false; }, 200);
    frame.OnCommand(ID_CAPTURE_END);
    const QByteArray sent = ReadAll(record);
    EXPECT_EQ(ReadAll(codeFile), sent.mid(codeFrom));

    // Text capture of the next pages: the lines the host sent, as plain
    // KS C 5601 text, in order, and the screen once at the end.
    const QString textFile = dir.filePath("text.txt");
    ASSERT_TRUE(cap.SetFileName(textFile.toStdString()));
    frame.OnCommand(ID_CODE_CAPTURE);
    const qsizetype textFrom = sent.size();
    frame.OnCommand(ID_CAPTURE_START);
    int prompts = 3;
    for (const char* cmd : {"5\r", "1\r", "5\r", "4\r", "2\r", "5\r"}) {
        type(cmd);
        ASSERT_TRUE(atPrompt(++prompts));
    }
    PumpUntil([] { return false; }, 200);
    frame.OnCommand(ID_CAPTURE_END);
    const QByteArray got = ReadAll(textFile);
    // What the host sent from the start of text capture: "5", its CR LF,
    // the pages, ending at the last prompt (still on the screen).
    QList<QByteArray> want = PlainLines(ReadAll(record).mid(textFrom));
    ASSERT_GE(want.size(), 3);
    EXPECT_EQ(want.front(), "5");
    EXPECT_EQ(want.back(), "\xBC\xB1\xC5\xC3 >>");
    QByteArray block;
    for (qsizetype i = 1; i + 1 < want.size(); ++i)
        block += want[i] + "\r\n";
    block += want.back() + "\r\n";  // the prompt line, written with the screen at the end
    // The prompt is on the last row, so the screen written at the end stops
    // there: the file ends with the pages, which it holds once.
    ASSERT_EQ(term->Term().CursorRow(), term->Term().Rows() - 1);
    EXPECT_TRUE(got.endsWith(block)) << got.toStdString();
    EXPECT_EQ(got.count(block), 1);
    EXPECT_TRUE(got.contains("\xB0\xA1\xB3\xAA\xB4\xD9\xB6\xF3\xB8\xB6\xB9\xD9\xBB\xE7 "));  // 가나다라마바사
    // Lines only: no escape sequence reached the text file.
    EXPECT_FALSE(got.contains('\x1b'));

    frame.OnCommand(ID_CONN_HANGUP);
    PumpUntil([] { return false; }, 200);
}
