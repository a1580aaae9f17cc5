#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>
#include <QFile>
#include <QMenu>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "connect/Conn.h"
#include "base/Flags.h"
#include "connect/PhoneBookEntry.h"
#include "shell/EventSounds.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/CTransferWnd.h"
#include "shell/KeyMap.h"
#include "base/SettingsLayout.h"
#include "terminal/HangulCodec.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/VeloApp.h"
#include "base/SettingsStore.h"
#include "terminal/ui/CAnsiTerm.h"
#include "videotex/VtxWriter.h"
#include "videotex/ui/CVtxWnd.h"
#include "videotex/ui/VtxPictureSink.h"

using namespace velo;

namespace {
using test::App;

struct FrameTest : ::testing::Test {
    QApplication* app = App();
    MemorySettingsStore store;
    AppRuntime rt{store, false};
    SharedFlags& flags = rt.Flags();
};
}  // namespace

TEST_F(FrameTest, StatusBarHasElevenPanesWithIdleTexts)
{
    CMainFrame f(rt);
    QStringList t = f.StatusPaneTexts();
    ASSERT_EQ(t.size(), 11);
    EXPECT_EQ(t[0], "준비");
    EXPECT_EQ(t[1], "*");
    EXPECT_EQ(t[2], "보통상태");
    EXPECT_EQ(t[4], "연결:없음");
    EXPECT_EQ(t[5], "X=1");
    EXPECT_EQ(t[6], "Y=1");
    EXPECT_EQ(t[10], "00:00:00");
    EXPECT_EQ(f.windowTitle(), "Vellow");
    f.SetConnectedTitle("데모");
    EXPECT_EQ(f.windowTitle(), "Vellow - 데모");
}

TEST_F(FrameTest, SwitchCommandsToggleAndAreWrittenBack)
{
    CMainFrame f(rt);
    flags.AppFlags.Beep = true;
    flags.AppFlags.ClickMouse = true;
    f.OnCommand(ID_BEEP);
    EXPECT_FALSE(flags.AppFlags.Beep);
    EXPECT_EQ(store.ReadInt("초기 환경", "Beep", 1), 0);
    EXPECT_FALSE(f.CommandChecked(ID_BEEP));
    f.OnCommand(ID_CLICK_MOUSE);
    EXPECT_FALSE(flags.AppFlags.ClickMouse);
    EXPECT_EQ(store.ReadInt("초기 환경", "Flicko쥐사용", 1), 0);
    f.OnCommand(ID_CLICK_MOUSE);
    EXPECT_EQ(store.ReadInt("초기 환경", "Flicko쥐사용", 0), 1);
    f.OnCommand(ID_LOCAL_ECHO);
    EXPECT_TRUE(flags.ConnState.LocalEcho);
    flags.AppFlags.Beep = true;
}

TEST_F(FrameTest, DisconnectIsEnabledOnlyWhileConnectedOrConnecting)
{
    CMainFrame f(rt);
    EXPECT_FALSE(f.CommandEnabled(ID_CONN_HANGUP));
    flags.ConnState.Connecting = true;
    EXPECT_TRUE(f.CommandEnabled(ID_CONN_HANGUP));
    f.UpdateCommandUi();
    EXPECT_TRUE(f.Action(ID_CONN_HANGUP)->isEnabled());
}

TEST_F(FrameTest, WindowPlacementIsSavedAndItsPlaceRestored)
{
    {
        CMainFrame f(rt);
        f.show();
        f.move(120, 80);
        QCoreApplication::processEvents();
        f.SaveWindowState();
    }
    std::string rect = store.ReadString("윈도우 크기", "사각형", "");
    ASSERT_EQ(rect.size(), 19u);
    EXPECT_EQ(rect.substr(0, 10), "0120 0080 ");
    EXPECT_EQ(store.ReadInt("윈도우 크기", "아이콘화", -1), 0);
    EXPECT_EQ(store.ReadInt("윈도우 크기", "최대화", -1), 0);

    CMainFrame g(rt);
    g.RestoreWindowState();
    EXPECT_EQ(g.frameGeometry().topLeft(), QPoint(120, 80));
}

TEST_F(FrameTest, MinimisedWindowIsStoredIconic)
{
    CMainFrame f(rt);
    f.show();
    f.setWindowState(Qt::WindowMinimized);
    f.SaveWindowState();
    EXPECT_EQ(store.ReadInt("윈도우 크기", "아이콘화", 0), 1);
}

TEST_F(FrameTest, FrameIsFittedToTheTerminalAndCannotBeResized)
{
    CMainFrame f(rt);
    f.show();
    QCoreApplication::processEvents();
    QSize before = f.size();
    EXPECT_GE(f.Terminal()->width(), 80 * 8);
    f.resize(before + QSize(100, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.size(), before);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(FrameTest, ClosingWhileIdleDoesNotAsk)
{
    CMainFrame f(rt);
    f.show();
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isVisible());
}

namespace {
// Records what the frame's commands write to the connection.
class Recorder : public ConnLine {
public:
    int Write(const uint8_t* d, int n) override
    {
        out.append(reinterpret_cast<const char*>(d), size_t(n));
        return n;
    }
    int Read(uint8_t*, int, int) override { return 0; }
    int Available() override { return 0; }
    bool IsOpen() override { return true; }
    std::string out;
};

struct FrameKeys : FrameTest {
    Recorder line;
    void SetUp() override { rt.Conn().SetTelnetLine(&line); }
    void TearDown() override { rt.Conn().SetTelnetLine(nullptr); }
    void Fill(CMainFrame& f)
    {
        std::string s;
        for (int i = 0; i < 60; ++i)
            s += "line\r\n";
        f.Terminal()->Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size()));
    }
};
}  // namespace

TEST_F(FrameKeys, FunctionKeysFollowTheKeyMap)
{
    CMainFrame f(rt);
    Fill(f);
    f.OnCommand(ID_FKEY_FIRST + 5);  // F6: on by default
    EXPECT_EQ(line.out, "\x1b[17~");
    line.out.clear();
    f.OnCommand(ID_FKEY_FIRST + 4);  // F5: off, opens the scrollback view
    EXPECT_TRUE(flags.TermShared.Frozen);
    EXPECT_EQ(line.out, "");
    f.OnCommand(ID_FKEY_FIRST + 4);  // and closes it again
    EXPECT_FALSE(flags.TermShared.Frozen);
    rt.Keys().Set(5, "\\e[15~", true);
    f.OnCommand(ID_FKEY_FIRST + 4);
    EXPECT_FALSE(flags.TermShared.Frozen);
    EXPECT_EQ(line.out, "\x1b[15~");
}

TEST_F(FrameKeys, EscapeLeavesTheViewThenClearsTheMarkThenSendsEsc)
{
    CMainFrame f(rt);
    Fill(f);
    f.Terminal()->OpenView();
    ASSERT_TRUE(flags.TermShared.Frozen);
    f.OnCommand(ID_ESCAPE);
    EXPECT_FALSE(flags.TermShared.Frozen);
    EXPECT_EQ(line.out, "");
    f.Terminal()->SelectAll();
    f.OnCommand(ID_ESCAPE);
    EXPECT_FALSE(f.Terminal()->SelectionShown());
    EXPECT_EQ(line.out, "");
    f.OnCommand(ID_ESCAPE);
    EXPECT_EQ(line.out, "\x1b");
    line.out.clear();
    flags.ConnState.Sending = true;
    f.OnCommand(ID_ESCAPE);
    EXPECT_EQ(line.out, "");
}

TEST_F(FrameKeys, PasteSendsRunsAndOneCrPerLineFeedOnlyWhenTheHostIsFree)
{
    CMainFrame f(rt);
    QGuiApplication::clipboard()->setText(QStringLiteral("pq   \nr"));
    f.OnCommand(ID_PASTE);
    EXPECT_EQ(line.out, "pq\rr");
    line.out.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("한글"));
    f.OnCommand(ID_PASTE_ENTER);
    EXPECT_EQ(line.out, "\xC7\xD1\xB1\xDB\r");
    line.out.clear();
    flags.ConnState.Sending = true;
    f.OnCommand(ID_PASTE);
    EXPECT_EQ(line.out, "");
}

namespace {
struct MenuEntry {
    QString text;
    bool enabled;
};

// Opens the terminal's context menu at p, notes its entries and chooses the
// one labelled choose.
std::vector<MenuEntry> ContextMenuAt(CAnsiTerm* t, QPoint p, const QString& choose)
{
    std::vector<MenuEntry> shown;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            shown.push_back({a->isSeparator() ? QStringLiteral("-") : a->text(), a->isEnabled()});
        for (QAction* a : menu->actions())
            if (a->text() == choose)
                a->trigger();
        menu->close();
    });
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, t->mapToGlobal(p));
    QApplication::sendEvent(t, &e);
    return shown;
}
}  // namespace

TEST_F(FrameKeys, TheTerminalsContextMenuIsMadeOfTheFramesCommands)
{
    CMainFrame f(rt);
    f.show();
    Fill(f);
    CAnsiTerm* t = f.Terminal();
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    int top = t->HistoryRowAt(0);
    t->SetSelection(top, 0, top, 3);  // one row, three columns: a favourite
    std::vector<MenuEntry> shown = ContextMenuAt(t, QPoint(5, 5), QStringLiteral("말꼬리 잡기(&L)"));
    const std::vector<MenuEntry> want = {
        {"복사(&C)", true}, {"전체선택(&A)", true}, {"붙여넣기(&P)", true}, {"붙여넣기+엔터(&E)", true},
        {"말꼬리 잡기(&L)", true}, {"-", true}, {"자주 가는곳에 추가", true}, {"-", true},
        {"터미널 색깔 지정(&Z)\tAlt+Z", true}, {"채팅창 색깔 지정(&C)", true}, {"글꼴 지정\tF8", true},
        {"화면 지우기\tCtrl+Space", true}, {"화면 초기화\tCtrl+F8", true}, {"-", true},
        {"현재 화면 인쇄(&P)", true}, {"선택된 부분 인쇄(&S)", true}, {"-", true}, {"파일 받기(&D)", false},
    };
    ASSERT_EQ(shown.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(shown[i].text, want[i].text) << i;
        EXPECT_EQ(shown[i].enabled, want[i].enabled) << want[i].text.toStdString();
    }
    // The entry ran the frame's command, which took the line under the mouse.
    EXPECT_EQ(f.CaughtLine(), "line");
}

TEST_F(FrameKeys, ReceiveFileFromTheContextMenuTakesTheNumberUnderTheMouse)
{
    CMainFrame f(rt);
    f.show();
    f.activateWindow();
    CAnsiTerm* t = f.Terminal();
    t->setFocus();
    QCoreApplication::processEvents();
    flags.ConnState.Connected = true;
    flags.TermShared.ServiceKind = 2;
    std::string list = "7  velo-demo.txt\r\n";
    t->Feed(reinterpret_cast<const uint8_t*>(list.data()), int(list.size()));
    // The menu takes the focus and covers the window: the number stays.
    QPoint number(t->CellWidth() / 2, t->CellHeight() / 2);
    QTest::mouseMove(t, number);
    ASSERT_TRUE(t->Hot().fileNumber);
    std::vector<MenuEntry> shown = ContextMenuAt(t, number, QStringLiteral("파일 받기(&D)"));
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown.back().enabled);
    EXPECT_EQ(line.out, "dn 7\r");
}

TEST_F(FrameKeys, FontSmallerStopsAtMinusFive)
{
    CMainFrame f(rt);
    LogFontFields font = f.Terminal()->TermFont();
    font.height = -6;
    f.Terminal()->SetTermFont(font);
    EXPECT_TRUE(f.CommandEnabled(ID_FONT_SMALLER));
    f.OnCommand(ID_FONT_SMALLER);
    EXPECT_EQ(f.Terminal()->TermFont().height, -5);
    EXPECT_FALSE(f.CommandEnabled(ID_FONT_SMALLER));
    f.OnCommand(ID_FONT_LARGER);
    EXPECT_EQ(f.Terminal()->TermFont().height, -6);
    f.SaveWindowState();
    EXPECT_EQ(store.ReadInt("초기 환경", "Height", 0), -6);
}

TEST_F(FrameKeys, ModifiedFunctionKeysNeverRunThePlainKeysCommand)
{
    CMainFrame f(rt);
    Fill(f);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    CAnsiTerm* t = f.Terminal();
    // F5 is off in the key map: plain, it opens the scrollback view. With a
    // modifier it is another key: Shift+F5 the map's F15, the others none.
    for (Qt::KeyboardModifiers mods : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        QTest::keyClick(t, Qt::Key_F5, mods);
        EXPECT_FALSE(flags.TermShared.Frozen) << int(mods);
    }
    EXPECT_EQ(line.out, "\x1b[28~");
    // What the key map holds now (as the key map dialog leaves it) is what
    // the modified key sends; switched off, it sends nothing.
    line.out.clear();
    rt.Keys().Set(kKeyF1 + 14, "F15!", true);
    QTest::keyClick(t, Qt::Key_F5, Qt::ShiftModifier);
    rt.Keys().Set(kKeyF1 + 14, "F15!", false);
    QTest::keyClick(t, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_EQ(line.out, "F15!");
    // The frame's own modified keys keep their commands: Ctrl+F8 resets.
    auto notices = [&] {
        int n = 0;
        for (QDialog* d : f.findChildren<QDialog*>())
            n += d->isVisible() && d->objectName() == "TimedNotice";
        return n;
    };
    EXPECT_EQ(notices(), 0);
    QTest::keyClick(t, Qt::Key_F8, Qt::ControlModifier);
    EXPECT_EQ(notices(), 1);
    QTest::keyClick(t, Qt::Key_F5);
    EXPECT_TRUE(flags.TermShared.Frozen);
}

TEST_F(FrameKeys, DisplayCodeCommandsAreRefusedWhileTheViewIsOpen)
{
    CMainFrame f(rt);
    Fill(f);
    f.OnCommand(ID_SHOW_JOHAB);
    EXPECT_EQ(f.Terminal()->Term().DisplayCode(), hangul::DisplayCode::Johab);
    f.Terminal()->OpenView();
    f.OnCommand(ID_SHOW_KS);
    EXPECT_EQ(f.Terminal()->Term().DisplayCode(), hangul::DisplayCode::Johab);
    f.Terminal()->LeaveView();
    f.OnCommand(ID_SHOW_KS);
    EXPECT_EQ(f.Terminal()->Term().DisplayCode(), hangul::DisplayCode::Ks);
}

TEST_F(FrameKeys, TheEntrysScreenSizeIsAppliedClampedAndTheFrameFollows)
{
    CMainFrame f(rt);
    f.show();
    QCoreApplication::processEvents();
    QSize small = f.size();
    PhoneBookEntry e;
    e.width = 132;
    e.height = 50;
    e.autoWrap = 0;
    f.PrepareTerminal(e);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Terminal()->Term().Columns(), 132);
    EXPECT_EQ(f.Terminal()->Term().Rows(), 50);
    EXPECT_FALSE(f.Terminal()->Term().Autowrap());
    EXPECT_GT(f.size().width(), small.width());
    EXPECT_GT(f.size().height(), small.height());
    // Stored sizes out of range are clamped, never trusted.
    e.width = 100000;
    e.height = -3;
    f.PrepareTerminal(e);
    EXPECT_EQ(f.Terminal()->Term().Columns(), 132);
    EXPECT_EQ(f.Terminal()->Term().Rows(), 1);
    std::string text = "still drawing\r\n";
    f.Terminal()->Feed(reinterpret_cast<const uint8_t*>(text.data()), int(text.size()));
    EXPECT_FALSE(f.Terminal()->Snapshot().isNull());
}

TEST_F(FrameTest, EventSoundsPlayOnlyAReadableFileOfTheUsersChoice)
{
    QTemporaryDir dir;
    QString wav = dir.filePath("start.wav");
    {
        QFile f(wav);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    EXPECT_EQ(EventSoundPath(store, "시작"), "");  // no entry: silence
    store.WriteString("Sounds", "시작", wav.toStdString());
    EXPECT_EQ(EventSoundPath(store, "시작"), wav.toStdString());
    store.WriteString("Sounds", "종료", dir.filePath("missing.wav").toStdString());
    EXPECT_EQ(EventSoundPath(store, "종료"), "");
    // Playing a missing sound, even waiting for it, returns at once.
    std::unique_ptr<EventSounds> s = CreateCanberraSounds(store);
    s->Play("종료", true);
    s->Play("없는소리", false);
}

TEST(AppRuntime, EachRuntimeReadsTheStoreItWasGivenAndKeepsItsOwnFlags)
{
    // Nothing is process-wide: two runtimes (two programs' worth of state)
    // in one process never see each other's settings or switches.
    App();
    MemorySettingsStore a, b;
    AppRuntime ra(a, false), rb(b, false);
    CMainFrame fa(ra);
    ra.Flags().AppFlags.Beep = true;
    rb.Flags().AppFlags.Beep = true;
    fa.OnCommand(ID_BEEP);
    EXPECT_FALSE(ra.Flags().AppFlags.Beep);
    EXPECT_TRUE(rb.Flags().AppFlags.Beep);
    EXPECT_EQ(a.ReadInt("초기 환경", "Beep", 1), 0);
    EXPECT_EQ(b.ReadInt("초기 환경", "Beep", 1), 1);
    ra.Flags().ConnState.Connecting = true;
    EXPECT_TRUE(fa.CommandEnabled(ID_CONN_HANGUP));
    EXPECT_FALSE(rb.Flags().ConnState.Connecting);
}

TEST(QtKorean, StandardButtonsAndDialogsSpeakKorean)
{
    App();
    QTranslator* korean = InstallQtKorean(*qApp);
    ASSERT_NE(korean, nullptr) << "Qt's Korean translations are not installed";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), "확인");
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "취소");
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), "예(&Y)");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), "아니요(&N)");
    EXPECT_EQ(QCoreApplication::translate("QColorDialog", "Select Color"), "색 선택");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "다음에서 찾기:");
    QCoreApplication::removeTranslator(korean);
    delete korean;
}

namespace {
struct RecordedSounds final : EventSounds {
    std::vector<std::string> played;
    void Play(std::string_view e, bool) override { played.emplace_back(e); }
};
}  // namespace

TEST_F(FrameTest, ACancelledUploadPickerStartsNothingAndGivesTheStreamBack)
{
    CMainFrame f(rt);
    ConnStateFlags& st = flags.ConnState;
    st.Connected = true;
    int picked = 0;
    f.SetFilePicker([&](const QString&, const QString&) {
        ++picked;
        EXPECT_TRUE(st.Sending);
        return QStringList();
    });
    f.OnCommand(ID_ZMODEM_SEND);
    EXPECT_EQ(picked, 1);
    EXPECT_FALSE(st.Sending);
    EXPECT_FALSE(rt.Transfer().Running());
    st.Connected = false;
}

TEST_F(FrameTest, TransferWindowLifeMinimisedTitlesAndTheEndOfATransfer)
{
    RecordedSounds sounds;
    rt.SetSounds(&sounds);
    CMainFrame f(rt);
    f.show();
    f.SetConnectedTitle("데모");
    f.OnMessage(WM_TRANSFER_WINDOW, 1, 0);
    ASSERT_NE(f.TransferWindow(), nullptr);
    EXPECT_EQ(f.TransferWindow()->windowTitle(), "ZModem 파일 받기");
    EXPECT_TRUE(f.TransferWindow()->isVisible());

    f.OnMessage(WM_TRANSFER_PROGRESS, 37, 0);
    EXPECT_EQ(f.windowTitle(), "Vellow - 데모");  // not minimised
    f.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.windowTitle(), "37% 받음");
    f.OnMessage(WM_TRANSFER_PROGRESS, 38, 0);
    EXPECT_EQ(f.windowTitle(), "38% 받음");
    f.setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.windowTitle(), "Vellow - 데모");
    f.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();

    // WM_TRANSFER_WINDOW 0: the window goes, the title is the plain one.
    QPointer<CTransferWnd> w = f.TransferWindow();
    f.OnMessage(WM_TRANSFER_WINDOW, 0, 0);
    EXPECT_EQ(f.TransferWindow(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(f.windowTitle(), "Vellow - 데모");

    // CMD_TRANSFER_DONE: the sound, and the hang-up when it was asked for.
    flags.ConnState.Connected = true;
    rt.Transfer().Options().HangUpAfterTransfer = true;
    f.OnCommand(CMD_TRANSFER_DONE);
    EXPECT_EQ(sounds.played, std::vector<std::string>{"파일전송완료"});
    QCoreApplication::processEvents();
    EXPECT_FALSE(flags.ConnState.Connected);
    rt.SetSounds(nullptr);
}

TEST_F(FrameKeys, CtrlTabMovesTheFocusInsteadOfSendingATab)
{
    CMainFrame f(rt);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.FavouritesBox()->setEnabled(true);
    f.FavouritesBox()->setFocus();
    // Without a chat pane the terminal takes the focus, from anywhere.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(f.Terminal()->hasFocus());
    QTest::keyClick(f.Terminal(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(f.Terminal()->hasFocus());
    EXPECT_EQ(line.out, "");
    // A plain Tab still belongs to the host.
    QTest::keyClick(f.Terminal(), Qt::Key_Tab);
    EXPECT_EQ(line.out, "\t");
}

TEST_F(FrameTest, VideotexSwitchesAndPictureFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    store.WriteString("인스톨디렉토리", "인스톨디렉토리", dir.path().toStdString());
    CMainFrame f(rt);
    velo::Terminal& term = f.Terminal()->Term();
    ASSERT_NE(f.Action(ID_VTX_STATE), nullptr);
    EXPECT_EQ(f.Action(ID_VTX_STATE)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Y));

    // "비디오 텍스 사용 안하기": marked while videotex is off, stored.
    f.OnCommand(ID_NO_VIDEOTEX);
    EXPECT_FALSE(term.VideotexEnabled());
    EXPECT_TRUE(f.CommandChecked(ID_NO_VIDEOTEX));
    EXPECT_EQ(store.ReadInt("초기 환경", "UseVTX", -1), 0);
    f.OnCommand(ID_NO_VIDEOTEX);
    EXPECT_EQ(store.ReadInt("초기 환경", "UseVTX", -1), 1);

    // "VTX 상태" opens and closes the picture window, marked while open.
    f.OnCommand(ID_VTX_STATE);
    EXPECT_EQ(term.GetDataMode(), DataMode::Videotex);
    EXPECT_TRUE(f.CommandChecked(ID_VTX_STATE));
    ASSERT_NE(f.Pictures()->Window(), nullptr);
    f.OnCommand(ID_VTX_STATE);
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
    EXPECT_EQ(f.Pictures()->Window(), nullptr);

    // A picture file is host data: drawn, its end sequence closes the window
    // and what follows is text.
    VtxWriter w;
    w.Reset().SetColour({0, 255, 0}).Rect(0.2, 0.2, 0.4, 0.3, true);
    std::string bytes(2000, '\0');  // NULs: more than one piece, skipped by both
    bytes += w.Bytes();
    const QString open = dir.filePath("open.pdi"), closed = dir.filePath("closed.pdi");
    for (const auto& [path, tail] : {std::pair{open, std::string()}, std::pair{closed, std::string("\x1b%@after")}}) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(bytes + tail));
    }
    ASSERT_TRUE(f.ViewPictureFile(open));
    CVtxWnd* wnd = f.Pictures()->Window();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(wnd->Picture().pixel(320, 250), qRgb(0, 251, 0));
    ASSERT_TRUE(f.ViewPictureFile(closed));
    EXPECT_EQ(f.Pictures()->Window(), nullptr);
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
    std::string row(reinterpret_cast<const char*>(term.Line(term.CursorRow()).text), 5);
    EXPECT_EQ(row, "after");

    // A file that cannot be read is said so.
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    EXPECT_FALSE(f.ViewPictureFile(dir.filePath("missing.pdi")));
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
}
