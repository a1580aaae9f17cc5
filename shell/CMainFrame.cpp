#include "shell/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QDir>
#include <QElapsedTimer>
#include <atomic>


#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "connect/ConnLifecycle.h"
#include "base/Flags.h"
#include "shell/AppRuntime.h"
#include "shell/QtUiLoop.h"
#include "shell/FrameLogic.h"
#include "shell/KeyMap.h"
#include "shell/LockKeys.h"
#include "shell/MacroSender.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"
#include "transfer/ZmProgress.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmThread.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/SplashWindow.h"
#include "shell/Startup.h"
#include "shell/TipsDialog.h"

namespace velo {

namespace {

enum Pane {
    PaneMessage,
    PaneCapture,
    PanePicture,
    PaneHeader,
    PaneConnection,
    PaneColumn,
    PaneRow,
    PaneCaps,
    PaneNum,
    PaneScroll,
    PaneTime,
    PaneCount
};

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

const char* kServiceNames[] = {"천리안", "하이텔", "나우콤", "유니텔", "Kestrix"};

}  // namespace

QString CMainFrame::InstallDir() const { return rt_.InstallDir(); }

CMainFrame::CMainFrame(AppRuntime& rt, QWidget* parent) : QMainWindow(parent), flags_(rt.Flags()), rt_(rt)
{
    // No sizing border and no maximise box: the frame's size follows the terminal.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                    Qt::WindowCloseButtonHint) &
                   ~Qt::WindowMaximizeButtonHint);
    setAcceptDrops(true);
    SetIdleTitle();
    createActions();
    createMenus();
    createTerminal();
    createStatusBar();
    createTransferCommands();
    FitToTerminal();
    startTimers();
    rt_.Attach(this);
    AttachConnections();
}

CMainFrame::~CMainFrame()
{
    if (!stateSaved_)
        SaveWindowState();
    DetachConnections();
    rt_.Detach(this);
}

void CMainFrame::AttachConnections()
{
    if (life_)
        return;
    ConnFacade& conn = rt_.Conn();
    conn.SetTerminal(term_);
    conn.SetFrame(this);
    life_ = std::make_unique<ConnLifecycle>(conn, this, term_, &rt_.Loop());
    life_->Start();
    // The command line is connected once the window exists.
    QTimer::singleShot(0, this, &CMainFrame::ConnectCommandLine);
}

void CMainFrame::DetachConnections()
{
    if (!life_)
        return;
    life_.reset();
    ConnFacade& conn = rt_.Conn();
    if (conn.Frame() == this)
        conn.SetFrame(nullptr);
    if (conn.Terminal() == term_)
        conn.SetTerminal(nullptr);
}

bool CMainFrame::ConnectEntry(const PhoneBookEntry& entry)
{
    if (!life_)
        return false;
    return life_->Connect(entry);
}

void CMainFrame::ConnectCommandLine()
{
    if (commandLineDone_ || commandLine_.trimmed().isEmpty())
        return;
    commandLineDone_ = true;
    auto dest = ParseTelnetCommandLine(commandLine_.toStdString());
    if (!dest)
        return;
    // As the manual telnet dialog does: a fresh entry of kind telnet.
    PhoneBookEntry e;
    e.kind = kEntryTelnet;
    SetEntryText(e.number, dest->host);
    e.port = dest->port;
    ConnectEntry(e);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QKeySequence& key,
                                std::function<void()> run, std::function<bool()> enabled,
                                std::function<bool()> checked)
{
    auto* a = new QAction(text, this);
    a->setData(id);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    if (checked)
        a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    if (menu)
        menu->addAction(a);
    addAction(a);
    commands_[id] = Command{a, std::move(run), std::move(enabled), std::move(checked)};
    return a;
}

void CMainFrame::createActions()
{
    fileMenu_ = new QMenu(QStringLiteral("파일(&I)"), this);
    connectMenu_ = new QMenu(QStringLiteral("접속(&J)"), this);
    editMenu_ = new QMenu(QStringLiteral("편집(&E)"), this);
    viewMenu_ = new QMenu(QStringLiteral("보기(&V)"), this);
    toolsMenu_ = new QMenu(QStringLiteral("도구(&O)"), this);
    settingsMenu_ = new QMenu(QStringLiteral("설정(&S)"), this);
    windowMenu_ = new QMenu(QStringLiteral("창(&W)"), this);
    helpMenu_ = new QMenu(QStringLiteral("도움말(&H)"), this);

    auto connected = [this] { return bool(flags_.ConnState.Connected); };
    auto transferFree = [this] {
        return flags_.ConnState.Connected && !flags_.ConnState.Sending && !flags_.ConnState.Receiving &&
               !flags_.TermShared.Frozen && !flags_.ConnState.Automating;
    };
    (void)connected;

    // File
    AddCommand(fileMenu_, ID_ZMODEM_RECEIVE, QStringLiteral("Z모뎀 파일 받기(&D)"),
               QKeySequence(Qt::ALT | Qt::Key_PageDown), [this] { ReceiveZModem(); }, transferFree);
    AddCommand(fileMenu_, ID_OPEN_DOWNLOADS, QStringLiteral("받은 파일 폴더 열기"), {}, [this] {
        QString dir = QString::fromStdString(zm::DownloadDir(rt_.Settings(), InstallDir().toStdString()));
        QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
    });
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, ID_APP_EXIT, QStringLiteral("종료(&X)"), {}, [this] { close(); });

    // Connect
    AddCommand(connectMenu_, ID_CONN_HANGUP, QStringLiteral("연결 끊기(&H)"),
               QKeySequence(Qt::CTRL | Qt::Key_F9), [this] { if (life_) life_->Disconnect(); },
               [this] { return flags_.ConnState.Connected || flags_.ConnState.Connecting; });

    // Edit
    AddCommand(editMenu_, ID_COPY, QStringLiteral("복사(&C)"), QKeySequence(Qt::CTRL | Qt::Key_Insert),
               [this] { term_->Copy(); }, [this] { return term_->SelectionShown(); });
    auto canPaste = [this] {
        const QMimeData* m = QGuiApplication::clipboard() ? QGuiApplication::clipboard()->mimeData() : nullptr;
        return HostFree() && m && m->hasText();
    };
    AddCommand(editMenu_, ID_PASTE, QStringLiteral("붙여넣기(&P)"), QKeySequence(Qt::SHIFT | Qt::Key_Insert),
               [this] { Paste(false); }, canPaste);
    AddCommand(editMenu_, ID_PASTE_ENTER, QStringLiteral("붙여넣기+엔터(&A)"), {}, [this] { Paste(true); },
               canPaste);
    AddCommand(editMenu_, ID_SELECT_ALL, QStringLiteral("전체선택"), {}, [this] { term_->SelectAll(); });

    // View
    AddCommand(viewMenu_, ID_VIEW_STATUS_BAR, QStringLiteral("상태표시줄(&S)"), {},
               [this] { statusBar()->setVisible(!statusBar()->isVisible()); FitToTerminal(); },
               {}, [this] { return statusBar()->isVisible(); });

    // Tools
    AddCommand(toolsMenu_, ID_RESET_SCREEN, QStringLiteral("화면 초기화(&I)"),
               QKeySequence(Qt::CTRL | Qt::Key_F8), [this] { ResetScreen(); });
    AddCommand(toolsMenu_, ID_FIND_WORDS, QStringLiteral("단어 찾기(&F)"), QKeySequence(Qt::ALT | Qt::Key_F),
               [this] { HighlightWords(); });
    AddCommand(toolsMenu_, ID_CLEAR_SCREEN, QStringLiteral("화면 지우기(&C)"),
               QKeySequence(Qt::CTRL | Qt::Key_Space), [this] {
                   term_->Term().ClearScreen();
                   term_->AfterModelChange();
               });

    // Settings
    AddCommand(settingsMenu_, ID_TERM_COLOURS, QStringLiteral("터미널 색깔 지정(&Z)"),
               QKeySequence(Qt::ALT | Qt::Key_Z), [this] { ChooseColours(); });
    AddCommand(settingsMenu_, ID_FONT, QStringLiteral("글꼴 지정(&F)\tF8"), {}, [this] { ChooseFont(); });
    AddCommand(settingsMenu_, ID_PICTURE_MODE, QStringLiteral("그림 상태(&N)"),
               QKeySequence(Qt::ALT | Qt::Key_N), [this] {
                   flags_.TermShared.PictureMode = !flags_.TermShared.PictureMode;
                   TimedNotice(QStringLiteral("그림 상태"),
                               flags_.TermShared.PictureMode ? QStringLiteral("그림 상태로 설정되었습니다.")
                                                      : QStringLiteral("그림 상태가 해제 되었습니다."),
                               700);
               },
               {}, [this] { return bool(flags_.TermShared.PictureMode); });
    AddCommand(settingsMenu_, ID_LOCAL_ECHO, QStringLiteral("자국 반향"), {},
               [this] { flags_.ConnState.LocalEcho = !flags_.ConnState.LocalEcho; }, {},
               [this] { return bool(flags_.ConnState.LocalEcho); });
    AddCommand(settingsMenu_, ID_NEWLINE_MODE, QStringLiteral("LF -> CR/LF"), {},
               [this] { flags_.TermShared.NewlineMode = !flags_.TermShared.NewlineMode; }, {},
               [this] { return bool(flags_.TermShared.NewlineMode); });
    AddCommand(settingsMenu_, ID_BEEP, QStringLiteral("비프(Beep)음"), {},
               [this] { ToggleBeep(); }, {}, [this] { return bool(flags_.AppFlags.Beep); });
    AddCommand(settingsMenu_, ID_CLICK_MOUSE, QStringLiteral("Flicko 마우스"), {},
               [this] { ToggleClickMouse(); }, {}, [this] { return bool(flags_.AppFlags.ClickMouse); });

    // Window
    AddCommand(windowMenu_, ID_VIEW_TOGGLE, QStringLiteral("챙긴글 보기(&H)\tF5"), {},
               [this] { ToggleView(); }, {}, [this] { return bool(flags_.TermShared.Frozen); });

    // Help
    AddCommand(helpMenu_, ID_APP_ABOUT, QStringLiteral("Vellow 정보(&A)..."), {},
               [this] { ShowAbout(); });
    AddCommand(helpMenu_, ID_SHOW_SPLASH, QStringLiteral("시작 화면 보기(&S)"), {},
               [this] { SplashWindow::ShowOnce(this); });
    AddCommand(helpMenu_, ID_TIPS, QStringLiteral("알고 계십니까?(&P)"), {},
               [this] { ShowTips(); });

    // Without a menu entry.
    AddCommand(nullptr, ID_ESCAPE, QString(), QKeySequence(Qt::Key_Escape), [this] { Escape(); });
    for (int n = 1; n <= 12; ++n)
        AddCommand(nullptr, ID_FKEY_FIRST + n - 1, QString(), QKeySequence(Qt::Key_F1 + n - 1),
                   [this, n] { FunctionKey(n); });
    AddCommand(nullptr, ID_SHOW_KS, QString(), {}, [this] {
        term_->Term().SetDisplayCode(hangul::DisplayCode::Ks);
        term_->AfterModelChange();
    }, [this] { return !flags_.TermShared.Frozen; }, [this] { return term_->Term().DisplayCode() == hangul::DisplayCode::Ks; });
    AddCommand(nullptr, ID_SHOW_JOHAB, QString(), {}, [this] {
        term_->Term().SetDisplayCode(hangul::DisplayCode::Johab);
        term_->AfterModelChange();
    }, [this] { return !flags_.TermShared.Frozen; }, [this] { return term_->Term().DisplayCode() == hangul::DisplayCode::Johab; });
    AddCommand(nullptr, ID_FONT_LARGER, QString(), {}, [this] { StepFont(true); },
               [this] { return FontLargerEnabled(term_->TermFont().faceName); });
    AddCommand(nullptr, ID_FONT_SMALLER, QString(), {}, [this] { StepFont(false); },
               [this] { return FontSmallerEnabled(term_->TermFont().faceName, term_->TermFont().height); });
    AddCommand(nullptr, ID_RECEIVE_FILE, QString(), {}, [this] { term_->ReceiveFile(); },
               [this] { return term_->CanReceiveFile(); });
    // After the terminal's context menu or a click: the chat pane would take
    // the focus; without one the terminal keeps it.
    AddCommand(nullptr, ID_TERM_DONE, QString(), {}, [this] { term_->setFocus(); });
    // The data path.
    AddCommand(nullptr, CMD_CONN_DATA, QString(), {}, [this] { ReceiveData(); });
    for (int id : {CMD_CONN_CONNECTED, CMD_CONN_CLOSED, CMD_CONN_REDIAL, CMD_PORT_OPENED,
                   CMD_PORT_CLOSED})
        AddCommand(nullptr, id, QString(), {}, [this, id] {
            if (life_)
                life_->Handle(id);
            if (id == CMD_CONN_CONNECTED || id == CMD_PORT_OPENED || id == CMD_CONN_CLOSED ||
                id == CMD_PORT_CLOSED)
                RefreshStatusBar();
        });
    AddCommand(nullptr, CMD_TRANSFER_DONE, QString(), {}, [this] { TransferDone(); });
}

void CMainFrame::createMenus()
{
    for (QMenu* m : {fileMenu_, connectMenu_, editMenu_, viewMenu_, toolsMenu_, settingsMenu_,
                     windowMenu_, helpMenu_}) {
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
        // A menu without commands yet stays out of the bar.
        if (!m->actions().isEmpty())
            menuBar()->addMenu(m);
    }
}

void CMainFrame::createTerminal()
{
    term_ = new CAnsiTerm(rt_.Out(), rt_.Conn(), *this, this);
    term_->Term().SetAutoResponses(&rt_.Responses());
    term_->SetCommandProbe([this](int id) { return CommandEnabled(id); });
    setCentralWidget(term_);
    term_->setFocus();
}

void CMainFrame::createStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setSizeGripEnabled(false);
    for (int i = 0; i < PaneCount; ++i) {
        auto* l = new QLabel(this);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        if (i == PaneMessage) {
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            sb->addWidget(l, 1);
        } else {
            sb->addPermanentWidget(l);
        }
        panes_.push_back(l);
    }
    panes_[PaneMessage]->setText(QStringLiteral("준비"));
    // Lock panes keep the width of their longest text so the bar does not jump.
    QFontMetrics fm(sb->font());
    panes_[PaneCaps]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("CAP")) + 8);
    panes_[PaneNum]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("NUM")) + 8);
    panes_[PaneScroll]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("SCRL")) + 8);
    RefreshStatusBar();
}

void CMainFrame::startTimers()
{
    statusTimer_ = new QTimer(this);
    statusTimer_->setInterval(1000);
    connect(statusTimer_, &QTimer::timeout, this, [this] {
        RefreshStatusBar();
        UpdateCommandUi();
    });
    statusTimer_->start();
    // Timers 100 (receive every 2000 ms while connected) and 101 (the
    // pre-send string) run in the connection lifecycle.
}

void CMainFrame::RefreshStatusBar()
{
    if (panes_.empty())
        return;
    auto set = [this](int pane, const QString& text) {
        QLabel* l = panes_[size_t(pane)];
        if (l->text() != text)
            l->setText(text);
    };
    set(PaneCapture, QStringLiteral("*"));
    set(PanePicture, flags_.TermShared.PictureMode ? QStringLiteral("그림상태") : QStringLiteral("보통상태"));
    set(PaneHeader, QStringLiteral("말머리:''"));
    int svc = flags_.TermShared.ServiceKind;
    set(PaneConnection, !flags_.ConnState.Connected          ? QStringLiteral("연결:없음")
                        : (svc >= 0 && svc <= 4) ? QStringLiteral("연결:%1").arg(QString::fromUtf8(kServiceNames[svc]))
                                                 : QStringLiteral("연결:알수없음"));
    set(PaneColumn, QStringLiteral("X=%1").arg(term_ ? term_->Term().CursorColumn() + 1 : 1));
    set(PaneRow, QStringLiteral("Y=%1").arg(term_ ? term_->Term().CursorRow() + 1 : 1));
    // A running transfer shows its progress until the transfer window exists.
    zm::ZmTransfer& zt = rt_.Transfer();
    if (zt.Running()) {
        const zm::ZmProgress& pr = zt.Progress();
        int64_t total = pr.totalBytes, done = pr.overallBytes;
        int pct = total > 0 ? int(std::min<int64_t>(100, done * 100 / total)) : 0;
        set(PaneMessage, (flags_.ConnState.Sending ? QStringLiteral("%1% 보냄") : QStringLiteral("%1% 받음")).arg(pct) +
                             QStringLiteral("  ") + QString::fromStdString(pr.Path()));
    }
    unsigned locks = LockIndicators();
    set(PaneCaps, (locks & 1) ? QStringLiteral("CAP") : QString());
    set(PaneNum, (locks & 2) ? QStringLiteral("NUM") : QString());
    set(PaneScroll, (locks & 4) ? QStringLiteral("SCRL") : QString());
    qint64 ms = 0;
    if (flags_.ConnState.Connected && life_)
        ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                   life_->ConnectedAt())
                 .count();
    set(PaneTime, QString::fromStdString(FormatElapsed(ms)));
}

QStringList CMainFrame::StatusPaneTexts() const
{
    QStringList t;
    for (QLabel* l : panes_)
        t << l->text();
    return t;
}

void CMainFrame::UpdateCommandUi()
{
    for (auto& [id, c] : commands_) {
        if (c.enabled)
            c.action->setEnabled(c.enabled());
        if (c.checked)
            c.action->setChecked(c.checked());
    }
}

QAction* CMainFrame::Action(int id) const
{
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second.action;
}

bool CMainFrame::CommandEnabled(int id) const
{
    auto it = commands_.find(id);
    return it != commands_.end() && (!it->second.enabled || it->second.enabled());
}

bool CMainFrame::CommandChecked(int id) const
{
    auto it = commands_.find(id);
    return it != commands_.end() && it->second.checked && it->second.checked();
}

void CMainFrame::OnCommand(int id)
{
    auto it = commands_.find(id);
    if (it == commands_.end())
        return;
    Command& c = it->second;
    // The enabled state is re-checked here: an accelerator may fire before
    // the next refresh of the menus.
    if (c.enabled && !c.enabled())
        return;
    if (c.run)
        c.run();
    // The data path's commands (below 1000) come thousands of times a second
    // under a flood; the menus follow them on the next refresh.
    if (id >= 1000)
        UpdateCommandUi();
}

intptr_t CMainFrame::OnMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_TRANSFER_WINDOW:
        panes_[PaneMessage]->setText(wParam ? QStringLiteral("파일 전송 중...") : QStringLiteral("준비"));
        OnTransferWindow(wParam != 0);
        return 0;
    case WM_TRANSFER_PROGRESS:
        OnTransferProgress(int(wParam));
        return 0;
    case WM_CHAT_LINE:
        if (lParam) {
            caughtLine_ = Q(hangul::DecodeToUtf8(reinterpret_cast<const char*>(lParam), term_->Term().DisplayCode()));
            panes_[PaneMessage]->setText(caughtLine_);
        }
        return 0;
    case WM_ADD_FAVOURITE:
        return 0;
    default:
        return 0;
    }
}

void CMainFrame::SetConnectedTitle(const QString& entryName)
{
    plainTitle_ = QStringLiteral("Vellow - %1").arg(entryName);
    ApplyTitle();
}

void CMainFrame::SetIdleTitle()
{
    plainTitle_ = QStringLiteral("Vellow");
    ApplyTitle();
}

void CMainFrame::FitToTerminal()
{
    if (!term_)
        return;
    // The window cannot be resized by the user: its size is the size the
    // terminal, the menus and the bars ask for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}

void CMainFrame::ToggleBeep()
{
    flags_.AppFlags.Beep = !flags_.AppFlags.Beep;
    rt_.Settings().WriteInt(settings::kInit, settings::kBeep, flags_.AppFlags.Beep ? 1 : 0);
}

void CMainFrame::ToggleClickMouse()
{
    flags_.AppFlags.ClickMouse = !flags_.AppFlags.ClickMouse;
    rt_.Settings().WriteInt(settings::kInit, settings::kClickMouse, flags_.AppFlags.ClickMouse ? 1 : 0);
}

void CMainFrame::ShowTips()
{
    TipsDialog d(rt_.Settings(), TipsDialog::FindTipsFile(InstallDir()), this);
    d.exec();
}

void CMainFrame::ShowAbout()
{
    QMessageBox::about(this, QStringLiteral("Vellow 정보"),
                       QStringLiteral("Vellow for Linux\nPC 통신 에뮬레이터\n\nQt %1")
                           .arg(QString::fromLatin1(qVersion())));
}

void CMainFrame::moveEvent(QMoveEvent* e)
{
    QMainWindow::moveEvent(e);
    if (windowState() == Qt::WindowNoState && isVisible())
        normalFrame_ = frameGeometry();
}

void CMainFrame::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        ApplyTitle();
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && firstActivation_) {
        firstActivation_ = false;
        RestoreWindowState();
    }
}

void CMainFrame::SaveWindowState()
{
    stateSaved_ = true;
    Qt::WindowStates st = windowState();
    int iconic = 0, maximised = 0;
    if (st & Qt::WindowMinimized) {
        iconic = 1;
        maximised = (st & Qt::WindowMaximized) ? 1 : 0;
    } else if (st & Qt::WindowMaximized) {
        maximised = 1;
    }
    QRect r = normalFrame_.isValid() ? normalFrame_ : frameGeometry();
    SettingsStore& s = rt_.Settings();
    s.WriteString(settings::kWindow, settings::kRect,
                  FormatWindowRect({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}));
    s.WriteInt(settings::kWindow, settings::kIconic, iconic);
    s.WriteInt(settings::kWindow, settings::kMaximised, maximised);
    // The bar layout, saved whole, and the terminal font.
    s.WriteString(std::string(settings::kBarState) + "-Summary", "State", saveState().toBase64().toStdString());
    if (term_)
        term_->TermFont().Write(s);
}

void CMainFrame::RestoreWindowState()
{
    SettingsStore& s = rt_.Settings();
    std::string text = s.ReadString(settings::kWindow, settings::kRect, "");
    std::string bars = s.ReadString(std::string(settings::kBarState) + "-Summary", "State", "");
    if (!bars.empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(bars)));
    WindowRect r;
    if (text.empty() || !ParseWindowRect(text, &r))
        return;  // where the window manager put it
    int iconic = settings::ReadIntDefault(s, settings::kWindow, settings::kIconic);
    // The frame's size follows the terminal; only its place is restored.
    move(r.left, r.top);
    normalFrame_ = frameGeometry();
    if (iconic)
        showMinimized();
}

void CMainFrame::ForceClose()
{
    forceClose_ = true;
    close();
}

bool CMainFrame::ExitSequence()
{
    if (!forceClose_ && (flags_.ConnState.Connected || flags_.ConnState.Connecting)) {
        if (QMessageBox::question(this, QStringLiteral("Vellow"),
                                  QStringLiteral("연결중. 끊으시겠습니까?"),
                                  QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return false;
    }
    // The placement is taken while the window is still shown.
    SaveWindowState();
    hide();
    if (life_)
        life_->Disconnect();
    rt_.Sounds().Play("종료", true);
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (closing_) {
        e->accept();
        return;
    }
    if (!ExitSequence()) {
        e->ignore();
        return;
    }
    closing_ = true;
    e->accept();
}

void CMainFrame::ReceiveData()
{
    if (!life_)
        return;
    // The receive algorithm, run again at once while bytes wait and nothing
    // else was queued meanwhile (a ZModem start, a reply, a close must run
    // before more bytes are shown), for at most 8 ms so the window stays
    // responsive. It saves an event-loop round trip per 8 KiB under a flood.
    QElapsedTimer budget;
    budget.start();
    for (;;) {
        uint64_t posted = rt_.Sink().PostedCount();
        life_->Handle(CMD_CONN_DATA);
        if (budget.elapsed() >= 8 || rt_.Sink().PostedCount() != posted)
            break;
        if (!flags_.ConnState.Connected || flags_.ConnState.WorkerOwnsStream() || flags_.TermShared.Frozen || term_->Hold())
            break;
        if (life_->Delivery().RemainderCount() > 0 || rt_.Conn().ConnAvailable() <= 0)
            break;
    }
}

bool CMainFrame::HostFree() const
{
    return !flags_.ConnState.Sending && !flags_.ConnState.Receiving && !flags_.TermShared.Frozen;
}

void CMainFrame::Escape()
{
    if (flags_.TermShared.Frozen) {
        term_->LeaveView();
        term_->setFocus();
        if (life_)
            life_->Handle(CMD_CONN_DATA);
    } else if (term_->SelectionShown()) {
        term_->ClearSelection();
    } else if (!flags_.ConnState.Sending && !flags_.ConnState.Receiving) {
        const uint8_t esc = 0x1B;
        rt_.Conn().ConnWrite(&esc, 1);
    }
}

void CMainFrame::ToggleView()
{
    if (flags_.TermShared.Frozen) {
        term_->LeaveView();
        term_->setFocus();
        if (life_)
            life_->Handle(CMD_CONN_DATA);
    } else {
        term_->OpenView();
        term_->setFocus();
    }
}

void CMainFrame::FunctionKey(int n)
{
    if (KeyMapped(n)) {
        if (HostFree())
            SendKey(n, false);
        return;
    }
    switch (n) {
    case 2: OnCommand(ID_SHOW_KS); break;
    case 3: OnCommand(ID_SHOW_JOHAB); break;
    case 4: {
        // The character map: whichever of the desktop's is installed.
        for (const char* app : {"gucharmap", "kcharselect"})
            if (!QStandardPaths::findExecutable(QString::fromLatin1(app)).isEmpty() &&
                QProcess::startDetached(QString::fromLatin1(app), {}))
                return;
        QMessageBox::warning(this, QStringLiteral("Vellow"),
                             QStringLiteral("charmap.exe 가 윈도우 디렉토리에 있는지 확인하십시오."));
        break;
    }
    case 5: OnCommand(ID_VIEW_TOGGLE); break;
    case 8: OnCommand(ID_FONT); break;
    default: break;
    }
}

void CMainFrame::Paste(bool enter)
{
    if (!HostFree())
        return;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return;
    QByteArray utf8 = cb->text().toUtf8();
    // Typed text goes out in CP949 whatever the display code is.
    std::string host = hangul::EncodeCp949(std::string_view(utf8.constData(), size_t(utf8.size())));
    for (const std::string& w : PasteWrites(host, flags_.TermShared.PrinterControl))
        rt_.Conn().ConnWrite(reinterpret_cast<const uint8_t*>(w.data()), int(w.size()));
    if (enter) {
        const uint8_t cr = 0x0D;
        rt_.Conn().ConnWrite(&cr, 1);
    }
}

void CMainFrame::ApplyFont(const LogFontFields& f)
{
    term_->SetTermFont(f);
    FitToTerminal();
}

void CMainFrame::ChooseFont()
{
    const LogFontFields& cur = term_->TermFont();
    QFont start(QString::fromUtf8(cur.faceName.c_str()));
    start.setPixelSize(cur.height < 0 ? -cur.height : (cur.height > 0 ? cur.height : 16));
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, start, this, QStringLiteral("글꼴 지정"),
                                   QFontDialog::MonospacedFonts | QFontDialog::ScalableFonts |
                                       QFontDialog::NonScalableFonts);
    if (!ok)
        return;
    LogFontFields n = cur;
    n.faceName = f.family().toStdString();
    int px = f.pixelSize() > 0 ? f.pixelSize() : int(f.pointSizeF() * logicalDpiY() / 72.0 + 0.5);
    n.height = -std::max(6, px);
    n.weight = f.bold() ? 700 : 400;
    ApplyFont(n);
}

void CMainFrame::StepFont(bool larger)
{
    LogFontFields f = term_->TermFont();
    f.height = larger ? FontLargerHeight(f.height) : FontSmallerHeight(f.height);
    ApplyFont(f);
}

namespace {

// Lays out a small settings dialog: the form above "확인"/"취소", and runs it.
// True when the user confirmed; Cancel never writes settings.
bool ExecFormDialog(QDialog& d, QFormLayout* form)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    auto* lay = new QVBoxLayout(&d);
    lay->addLayout(form);
    lay->addWidget(buttons);
    return d.exec() == QDialog::Accepted;
}

}  // namespace

void CMainFrame::ChooseColours()
{
    QDialog d(this);
    d.setWindowTitle(QStringLiteral("터미널 색깔 지정"));
    auto* fg = new QComboBox;
    auto* bg = new QComboBox;
    for (int i = 0; i < 16; ++i) {
        QPixmap pm(16, 12);
        const Rgb& c = kPalette[size_t(i)];
        pm.fill(QColor(c.r, c.g, c.b));
        fg->addItem(QIcon(pm), QString::number(i));
        bg->addItem(QIcon(pm), QString::number(i));
    }
    fg->setCurrentIndex(term_->Term().DefaultFg());
    bg->setCurrentIndex(term_->Term().DefaultBg());
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("글자색"), fg);
    form->addRow(QStringLiteral("바탕색"), bg);
    if (!ExecFormDialog(d, form))
        return;
    rt_.Settings().WriteInt(settings::kInit, settings::kTextColour, fg->currentIndex());
    rt_.Settings().WriteInt(settings::kInit, settings::kBackColour, bg->currentIndex());
    term_->SetDefaultColours(fg->currentIndex(), bg->currentIndex());
}

void CMainFrame::HighlightWords()
{
    // The five watched words live as long as the terminal and are not stored.
    QDialog d(this);
    d.setWindowTitle(QStringLiteral("단어 찾기"));
    auto* form = new QFormLayout;
    QLineEdit* edits[Terminal::kHighlightWords];
    for (int i = 0; i < Terminal::kHighlightWords; ++i) {
        const std::string& w = term_->Term().HighlightWord(i);
        edits[i] = new QLineEdit(Q(hangul::DecodeToUtf8(w, hangul::DisplayCode::Ks)));
        edits[i]->setMaxLength(40);
        form->addRow(QStringLiteral("단어 %1").arg(i + 1), edits[i]);
    }
    if (!ExecFormDialog(d, form))
        return;
    for (int i = 0; i < Terminal::kHighlightWords; ++i) {
        QByteArray u = edits[i]->text().toUtf8();
        term_->Term().SetHighlightWord(i, hangul::EncodeCp949(std::string_view(u.constData(), size_t(u.size()))));
    }
}

void CMainFrame::ResetScreen()
{
    term_->Term().TerminalReset();
    term_->AfterModelChange();
    TimedNotice(QStringLiteral("화면 초기화"), QStringLiteral("화면이 처음 상태로 돌아왔습니다."), 700);
}

void CMainFrame::TimedNotice(const QString& title, const QString& text, int ms)
{
    auto* d = new QDialog(this, Qt::Tool | Qt::FramelessWindowHint);
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto* lay = new QVBoxLayout(d);
    auto* t = new QLabel(QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()));
    auto* l = new QLabel(text);
    l->setAlignment(Qt::AlignCenter);
    lay->addWidget(t);
    lay->addWidget(l);
    d->setObjectName(QStringLiteral("TimedNotice"));
    d->show();
    d->move(geometry().center() - d->rect().center());
    QTimer::singleShot(ms, d, &QDialog::close);
}

// ---- ConnFrame ----

void CMainFrame::Message(std::string_view text, std::string_view title, MsgIcon icon)
{
    QMessageBox::Icon i = icon == MsgIcon::Stop          ? QMessageBox::Critical
                          : icon == MsgIcon::Exclamation ? QMessageBox::Warning
                                                         : QMessageBox::Information;
    QMessageBox box(i, Q(title), Q(text), QMessageBox::Ok, this);
    box.exec();
}

bool CMainFrame::Ask(std::string_view text)
{
    return QMessageBox::question(this, QStringLiteral("Vellow"), Q(text), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void CMainFrame::OpenDialWindow(const PhoneBookEntry& entry)
{
    if (dialWindow_)
        return;
    auto* d = new QDialog(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setWindowTitle(QStringLiteral("전화 걸기 창"));
    auto* lay = new QVBoxLayout(d);
    lay->addWidget(new QLabel(QStringLiteral("%1 (%2) 에 전화를 걸고 있습니다.")
                                  .arg(QString::fromUtf8(entry.name), QString::fromUtf8(entry.number))));
    auto* cancel = new QPushButton(QStringLiteral("취소"));
    lay->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, d, [this, d] {
        rt_.Out().frame.PostCommand(ID_CONN_HANGUP);
        d->close();
    });
    // It goes by itself once the call is up or has failed.
    auto* poll = new QTimer(d);
    connect(poll, &QTimer::timeout, d, [this, d] {
        if (!flags_.ConnState.Connecting)
            d->close();
    });
    poll->start(500);
    dialWindow_ = d;
    d->show();
}

bool CMainFrame::DialWindowOpen() { return !dialWindow_.isNull(); }

void CMainFrame::CloseDialWindow()
{
    if (dialWindow_)
        dialWindow_->close();
}

bool CMainFrame::OpenModemSettings() { return false; }

void CMainFrame::PlaySound(std::string_view event) { rt_.Sounds().Play(event, false); }

void CMainFrame::SetTitle(std::string_view title)
{
    plainTitle_ = Q(title);
    ApplyTitle();
}

void CMainFrame::EnableFavourites(bool) {}

void CMainFrame::WaitTransferThreads(int timeoutMs) { rt_.Transfer().WaitEnd(timeoutMs); }

void CMainFrame::PrepareTerminal(const PhoneBookEntry& entry)
{
    int cols = std::clamp(int(entry.width), 1, int(kMaxColumns));
    int rows = std::clamp(int(entry.height), 1, int(kMaxRows));
    if (cols != term_->Term().Columns() || rows != term_->Term().Rows())
        term_->SetScreenSize(cols, rows);
    term_->SetAutowrap(entry.autoWrap != 0);
    FitToTerminal();
}

void CMainFrame::SendPreSend(std::string_view text) { rt_.Macros().Send(text); }

bool CMainFrame::KeyMapped(int index) const { return rt_.Keys().IsSet(index); }

void CMainFrame::SendKey(int index, bool alternate) { rt_.Keys().SendKey(index, alternate, rt_.Macros()); }

void CMainFrame::SendMacro(const uint8_t* text, int len) { rt_.Macros().Send(text, len); }

}  // namespace velo
