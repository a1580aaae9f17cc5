// Transfers between velo and the demo host over loopback telnet, as a user
// sees them: downloads the host starts (several files, a resume), uploads the
// user and the host start, the transfer window's figures moving and its
// cancel, text-file upload and dropped files.
#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <random>
#include <set>

#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "connect/Conn.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "terminal/ui/CAnsiTerm.h"
#include "tests/shell/E2eKit.h"
#include "tests/shell/QtTestApp.h"
#include "support/PeerProcess.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/CTransferWnd.h"

using namespace velo;
using test::HistoryText;
using test::PumpUntil;
using test::ScreenText;

namespace {

QByteArray Random(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray b(n, 0);
    for (char& c : b)
        c = char(rng());
    return b;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct TransferE2e : ::testing::Test {
    QApplication* app = test::App();
    QTemporaryDir dir;
    MemorySettingsStore store;
    QString down, up, files, uploads;
    test::DemoHost host;
    std::unique_ptr<AppRuntime> rt;
    std::unique_ptr<CMainFrame> frame;
    CAnsiTerm* term = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        down = dir.filePath("Down");
        up = dir.filePath("Up");
        files = dir.filePath("files");
        uploads = files + "/uploads";
        for (const QString& d : {down, up, files})
            QDir().mkpath(d);
        store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());
        store.WriteString("ZModem", "DownPath", down.toStdString());
        store.WriteString("ZModem", "UpPath", up.toStdString());
    }
    void TearDown() override
    {
        if (frame)
            frame->OnCommand(ID_CONN_HANGUP);
        PumpUntil([] { return false; }, 100);
        frame.reset();
        rt.reset();
    }
    // Makes the program's window and connects it to a telnet host.
    void Open(const PhoneBookEntry& e)
    {
        rt = std::make_unique<AppRuntime>(store, false);
        frame = std::make_unique<CMainFrame>(*rt);
        frame->show();
        term = frame->Terminal();
        ASSERT_TRUE(frame->ConnectEntry(e));
    }
    // Starts the demo host, connects, logs in and waits for the menu.
    void Connect(const QStringList& extra = {})
    {
        ASSERT_TRUE(host.Start(dir.path(), extra));
        Open(test::DemoEntry(host.port));
        ASSERT_TRUE(Screen("선택 >> ", 20000)) << ScreenText(term);
    }
    void Type(const std::string& s) { rt->Conn().ConnWrite(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); }
    bool Screen(const std::string& text, int ms, int times = 1)
    {
        return PumpUntil([&] { return Count(HistoryText(term), text) >= times; }, ms);
    }
    bool Idle() const { return !rt->Flags().ConnState.WorkerOwnsStream(); }
};

}  // namespace

TEST_F(TransferE2e, HostStartedDownloadAndUploadsOfSeveralFilesWithMovingFigures)
{
    const QByteArray a = Random(300000, 1), b = QByteArray("가나다라 마바사\r\n").repeated(8000);
    ASSERT_TRUE(WriteFile(files + "/a.bin", a) && WriteFile(files + "/b.txt", b));
    // A paced line, so the window lives long enough to be watched.
    Connect({"--rate", "150000"});

    Type("dn a.bin b.txt\r");
    std::set<int> percents, fileNumbers;
    bool sawWindow = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (CTransferWnd* w = frame->TransferWindow()) {
                sawWindow = true;
                EXPECT_EQ(w->windowTitle(), "ZModem 파일 받기");
                percents.insert(w->findChild<QProgressBar*>("bar")->value());
                fileNumbers.insert(w->findChild<QLabel*>("fileNumber")->text().toInt());
            }
            return Count(HistoryText(term), "전송을 마쳤습니다 (0).") == 1 && Idle();
        },
        60000))
        << ScreenText(term);
    EXPECT_TRUE(sawWindow);
    EXPECT_GE(percents.size(), 2u) << "the bar moved";
    EXPECT_TRUE(fileNumbers.count(1) && fileNumbers.count(2));
    EXPECT_EQ(ReadFile(down + "/a.bin"), a);
    EXPECT_EQ(ReadFile(down + "/b.txt"), b);
    EXPECT_FALSE(QFile::exists(QDir::currentPath() + "/a.bin"));
    PumpUntil([&] { return frame->TransferWindow() == nullptr; }, 2000);
    EXPECT_EQ(frame->TransferWindow(), nullptr);

    // The user's upload: the picker opens in "UpPath"; velo types "rz" for
    // the host and sends the three files.
    const QByteArray u1 = Random(70000, 2), u2 = QByteArray(), u3 = QByteArray("\xff\x18\x11\x13\r\n").repeated(500);
    ASSERT_TRUE(WriteFile(up + "/u1.bin", u1) && WriteFile(up + "/u2.empty", u2) && WriteFile(up + "/u3.bin", u3));
    QStringList asked;
    QStringList pick = {up + "/u1.bin", up + "/u2.empty", up + "/u3.bin"};
    frame->SetFilePicker([&](const QString& title, const QString& start) {
        asked << title << start;
        EXPECT_TRUE(rt->Flags().ConnState.Sending);  // the stream waits meanwhile
        return pick;
    });
    ASSERT_TRUE(frame->CommandEnabled(ID_ZMODEM_SEND));
    frame->OnCommand(ID_ZMODEM_SEND);
    ASSERT_TRUE(Screen("올리기를 마쳤습니다 (0).", 60000)) << ScreenText(term);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }, 5000));
    EXPECT_EQ(asked, (QStringList{"Z모뎀 파일 보내기", up}));
    EXPECT_EQ(ReadFile(uploads + "/u1.bin"), u1);
    EXPECT_EQ(ReadFile(uploads + "/u2.empty"), u2);
    EXPECT_EQ(ReadFile(uploads + "/u3.bin"), u3);

    // The host asks for an upload by itself: the same picker, the same send.
    const QByteArray u4 = Random(5000, 4);
    ASSERT_TRUE(WriteFile(up + "/u4.bin", u4));
    pick = {up + "/u4.bin"};
    asked.clear();
    Type("up\r");
    ASSERT_TRUE(Screen("올리기를 마쳤습니다 (0).", 60000, 2)) << ScreenText(term);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(ReadFile(uploads + "/u4.bin"), u4);
}

TEST_F(TransferE2e, CancelFromTheWindowStopsBothSidesAndKeepsThePart)
{
    const QByteArray big = Random(3 << 20, 5);
    ASSERT_TRUE(WriteFile(files + "/big.bin", big));
    Connect({"--rate", "200000"});
    Type("dn big.bin\r");
    CTransferWnd* w = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            w = frame->TransferWindow();
            return w && w->findChild<QProgressBar*>("bar")->value() > 0;
        },
        30000));
    {
        // "No" leaves the transfer running.
        test::Modals no;
        no.Then(no.Answer(QMessageBox::No));
        w->findChild<QPushButton*>("cancel")->click();
        EXPECT_EQ(no.texts, std::vector<QString>{"받기를 취소하시겠습니까"});
        EXPECT_FALSE(rt->Flags().ConnState.TransferCancel);
    }
    test::Modals yes;
    yes.Then(yes.Answer(QMessageBox::Yes));
    w->findChild<QPushButton*>("cancel")->click();
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }, 20000));
    // The host's sz was cancelled too: it ended with a failure status, and
    // the host went back to its menu.
    ASSERT_TRUE(Screen("전송을 마쳤습니다 (", 20000)) << ScreenText(term);
    EXPECT_EQ(Count(HistoryText(term), "전송을 마쳤습니다 (0)."), 0);
    EXPECT_TRUE(Screen("선택 >> ", 10000, 2));
    const QByteArray part = ReadFile(down + "/big.bin");
    EXPECT_GT(part.size(), 0);
    EXPECT_LT(part.size(), big.size());
    EXPECT_EQ(part, big.left(part.size()));
    EXPECT_EQ(rt->Transfer().LastResult().end, zm::ZmEnd::Cancelled);
    // The line is still usable.
    Type("x\r");
    EXPECT_TRUE(Screen("안녕히 가십시오.", 10000));
}

TEST_F(TransferE2e, ResumedDownloadStartsAt4096Of9000)
{
    const QByteArray data = Random(9000, 6);
    ASSERT_TRUE(WriteFile(files + "/resume.bin", data));
    ASSERT_TRUE(WriteFile(down + "/resume.bin", data.left(5000)));
    Connect();
    Type("dn resume.bin\r");
    ASSERT_TRUE(Screen("전송을 마쳤습니다 (0).", 30000)) << ScreenText(term);
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }, 5000));
    EXPECT_EQ(ReadFile(down + "/resume.bin"), data);
    const zm::ZmProgress& p = rt->Transfer().Progress();
    EXPECT_EQ(p.movedBytes, 9000 - 4096);  // only the rest came over the line
    EXPECT_EQ(p.overallBytes, 9000);
    EXPECT_EQ(p.totalBytes, 9000);
}

TEST_F(TransferE2e, TextUploadAndDroppedFilesAreTypedInOrder)
{
    // 2048 bytes of LF-only lines: sent in two full chunks and an empty one,
    // without a single line break.
    QByteArray text;
    for (int i = 0; text.size() < 2048; ++i)
        text += QByteArray("line ") + QByteArray::number(i % 100).rightJustified(2, '0') + "\n";
    text.truncate(2048);
    QByteArray typed = text;
    typed.replace("\n", "");
    ASSERT_TRUE(WriteFile(up + "/lf.txt", text));
    Connect();
    rt->Flags().ConnState.LocalEcho = true;
    Type("text " + std::to_string(typed.size()) + "\r");
    ASSERT_TRUE(Screen("바이트).", 10000));
    frame->SetFilePicker([&](const QString&, const QString&) { return QStringList{up + "/lf.txt"}; });
    ASSERT_TRUE(frame->CommandEnabled(ID_TEXT_UPLOAD));
    frame->OnCommand(ID_TEXT_UPLOAD);
    ASSERT_TRUE(Screen("받은 글: " + std::to_string(typed.size()) + " 바이트", 20000)) << ScreenText(term);
    EXPECT_EQ(ReadFile(uploads + "/text-upload.txt"), typed);
    // Local echo showed what was typed.
    EXPECT_GE(Count(HistoryText(term), "line "), 100);
    rt->Flags().ConnState.LocalEcho = false;

    // Dropped files, in the order the desktop lists them; one that cannot be
    // opened is named in a message and the rest still go.
    const QByteArray f1 = QByteArray("첫째 줄\r\n둘째 줄\r\n"), f2 = QByteArray("third\nfourth\n");
    ASSERT_TRUE(WriteFile(dir.filePath("f1.txt"), f1) && WriteFile(dir.filePath("f2.txt"), f2));
    QByteArray both = f1 + f2;
    both.replace("\n", "");
    Type("text " + std::to_string(both.size()) + "\r");
    ASSERT_TRUE(Screen("바이트).", 10000, 2));
    QMimeData mime;
    const QString missing = dir.filePath("missing.txt");
    mime.setUrls({QUrl::fromLocalFile(dir.filePath("f1.txt")), QUrl::fromLocalFile(missing),
                  QUrl::fromLocalFile(dir.filePath("f2.txt"))});
    test::Modals ok;
    ok.Then(ok.Answer(QMessageBox::Ok));
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the frame's handler: the application delivers a drop only
    // inside a drag the window system runs.
    static_cast<QObject*>(frame.get())->event(&drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(ok.texts, std::vector<QString>{"파일 " + missing + " (을)를 열 수 없습니다."});
    ASSERT_TRUE(Screen("받은 글: " + std::to_string(both.size()) + " 바이트", 20000)) << ScreenText(term);
    EXPECT_EQ(ReadFile(uploads + "/text-upload.txt"), both);
}

TEST_F(TransferE2e, StrayZModemStartIsSeenInTheWindowAndCancelled)
{
    // A host whose text happens to hold a ZModem start and that runs no
    // ZModem at all: the receive takes the stream, the window shows it, its
    // cancel sends the abort sequence and gives the stream back.
    std::atomic<int> cans{0};
    std::atomic<bool> release{false};
    test::ScriptedHost stray([&](int fd) {
        test::WriteAllTo(fd, "welcome\r\n**\x18" "B00000000000000\r\x8a\x11");
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        char buf[4096];
        bool said = false;
        while (std::chrono::steady_clock::now() < until) {
            if (release && !said) {
                test::WriteAllTo(fd, "after the cancel\r\n");
                said = true;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return;  // the terminal hung up
            cans += int(std::count(buf, buf + n, '\x18'));
        }
    });
    PhoneBookEntry e;
    e.kind = kEntryTelnet;
    SetEntryText(e.name, "stray");
    SetEntryText(e.number, "127.0.0.1");
    e.port = stray.Port();
    Open(e);
    CTransferWnd* w = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (w = frame->TransferWindow()) != nullptr; }, 20000)) << ScreenText(term);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(rt->Flags().ConnState.Receiving);
    test::Modals yes;
    yes.Then(yes.Answer(QMessageBox::Yes));
    w->findChild<QPushButton*>("cancel")->click();
    // The cancel exchange waits for the other side's CANs, which never come.
    ASSERT_TRUE(PumpUntil([&] { return Idle(); }, 30000));
    EXPECT_GE(cans.load(), 8);
    EXPECT_EQ(rt->Transfer().LastResult().end, zm::ZmEnd::Cancelled);
    PumpUntil([&] { return frame->TransferWindow() == nullptr; }, 2000);
    EXPECT_EQ(frame->TransferWindow(), nullptr);
    // What the host sends now reaches the screen again.
    release = true;
    EXPECT_TRUE(Screen("after the cancel", 10000)) << ScreenText(term);
    frame->OnCommand(ID_CONN_HANGUP);  // the host's script ends with the line
}
