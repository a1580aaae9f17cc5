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
#include "connect/ui/DialogButtons.h"
#include "connect/PhoneBook.h"
#include "base/Flags.h"
#include "shell/AppRuntime.h"
#include "shell/ChatPane.h"
#include "shell/CommandTable.h"
#include "shell/QtUiLoop.h"
#include "shell/FrameLogic.h"
#include "shell/KeyMap.h"
#include "shell/LockKeys.h"
#include "shell/MacroSender.h"
#include "terminal/HangulCodec.h"
#include "terminal/Printing.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/QtPrintDevice.h"
#include "terminal/ui/TermFontDialog.h"
#include "transfer/ZmProgress.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmThread.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/SplashWindow.h"
#include "shell/Startup.h"
#include "shell/TipsDialog.h"
#include "shell/VeloApp.h"

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

}  // namespace

QString CMainFrame::InstallDir() const
{
    // The folder the start-up prepared (with its cap/, Down/, Up/ and
    // Images/); a frame made without one (tests) uses the same default.
    const QString dir = rt_.InstallDir();
    return dir.isEmpty() ? DefaultInstallDir() : dir;
}

CMainFrame::CMainFrame(AppRuntime& rt, QWidget* parent) : QMainWindow(parent), flags_(rt.Flags()), rt_(rt)
{
    // No sizing border and no maximise box: the frame's size follows the terminal.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                    Qt::WindowCloseButtonHint) &
                   ~Qt::WindowMaximizeButtonHint);
    setAcceptDrops(true);
    SetIdleTitle();
    createMenus();
    createTerminal();
    createActions();
    createPhoneBookCommands();
    createSerialCommands();
    createToolCommands();
    createCaptureCommands();
    createMacroCommands();
    createPrintingCommands();
    createAutomationCommands();
    createBars();
    createVideotexCommands();
    createAutoResponseCommands();
    createChatPane();
    createFavouriteCommands();
    createStatusBar();
    createTransferCommands();
    FitToTerminal();
    startTimers();
    rt_.Attach(this);
    AttachConnections();
}

CMainFrame::~CMainFrame()
{
    closePrinting();
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
    // As the manual telnet dialog does.
    ConnectTelnetText(commandLine_.toStdString());
}

void CMainFrame::createMenus()
{
    // Every command of the table gets its one action now, in its menu's
    // order; it stays hidden until a feature says what it does (Handle).
    for (const MenuRow& m : MenuRows()) {
        auto* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        menus_[m.place] = menu;
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
    }
    for (const CommandRow& row : CommandRows()) {
        if (row.menu == MenuPlace::Capture && !menus_.count(MenuPlace::Capture)) {
            QMenu* tools = menus_[MenuPlace::Tools];
            tools->addSeparator();
            menus_[MenuPlace::Capture] = tools->addMenu(QStringLiteral("갈무리(&L)"));
            tools->addSeparator();
        }
        QMenu* menu = nullptr;
        if (auto it = menus_.find(row.menu); it != menus_.end())
            menu = it->second;
        if (menu && row.separatorBefore)
            menu->addSeparator();
        const QString text = QString::fromUtf8(row.text);
        auto* a = new QAction(text, this);
        a->setData(row.id);
        if (row.key[0] && row.keyViaKeyMap) {
            a->setText(text + QLatin1Char('\t') + QString::fromLatin1(row.key));
        } else if (row.key[0]) {
            a->setShortcut(QKeySequence(QString::fromLatin1(row.key), QKeySequence::PortableText));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        if (row.contextText)
            a->setProperty(kPopupTextProperty, QString::fromUtf8(row.contextText));
        a->setVisible(false);
        const int id = row.id;
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        if (menu)
            menu->addAction(a);
        addAction(a);
        commands_[id] = Command{a, {}, {}, {}};
    }
    RefreshMenuBar();
}

void CMainFrame::RefreshMenuBar()
{
    // A menu (or the capture sub-menu) none of whose commands works yet
    // stays out of sight.
    for (auto& [place, menu] : menus_) {
        bool any = false;
        for (QAction* a : menu->actions())
            any |= !a->isSeparator() && a->isVisible();
        menu->menuAction()->setVisible(any);
    }
}

QAction* CMainFrame::Handle(int id, std::function<void()> run, std::function<bool()> enabled,
                            std::function<bool()> checked)
{
    auto it = commands_.find(id);
    if (it == commands_.end()) {
        // Not a row of the table: an internal command (the data path) with
        // no menu, key or bar of its own.
        auto* a = new QAction(this);
        a->setData(id);
        it = commands_.emplace(id, Command{a, {}, {}, {}}).first;
    }
    Command& c = it->second;
    c.run = std::move(run);
    c.enabled = std::move(enabled);
    c.checked = std::move(checked);
    c.action->setCheckable(bool(c.checked));
    c.action->setVisible(true);
    RefreshMenuBar();
    return c.action;
}

void CMainFrame::createActions()
{
    // File
    Handle(ID_APP_EXIT, [this] { close(); });

    // Connect
    Handle(ID_CONN_HANGUP, [this] { if (life_) life_->Disconnect(); },
           [this] { return flags_.ConnState.Connected || flags_.ConnState.Connecting; });

    // Edit
    Handle(ID_COPY, [this] { term_->Copy(); }, [this] { return term_->SelectionShown(); });
    auto canPaste = [this] {
        const QMimeData* m = QGuiApplication::clipboard() ? QGuiApplication::clipboard()->mimeData() : nullptr;
        return HostFree() && m && m->hasText();
    };
    Handle(ID_PASTE, [this] { Paste(false); }, canPaste);
    Handle(ID_PASTE_ENTER, [this] { Paste(true); }, canPaste);
    Handle(ID_SELECT_ALL, [this] { term_->SelectAll(); });

    // Tools
    Handle(ID_RESET_SCREEN, [this] { ResetScreen(); });
    Handle(ID_FIND_WORDS, [this] { HighlightWords(); });
    Handle(ID_CLEAR_SCREEN, [this] {
        term_->Term().ClearScreen();
        term_->AfterModelChange();
    });

    // Settings
    Handle(ID_TERM_COLOURS, [this] { ChooseColours(); });
    Handle(ID_FONT, [this] { ChooseFont(); });
    Handle(ID_PICTURE_MODE, [this] {
        flags_.TermShared.PictureMode = !flags_.TermShared.PictureMode;
        TimedNotice(QStringLiteral("그림 상태"),
                    flags_.TermShared.PictureMode ? QStringLiteral("그림 상태로 설정되었습니다.")
                                                  : QStringLiteral("그림 상태가 해제 되었습니다."),
                    700);
    }, {}, [this] { return bool(flags_.TermShared.PictureMode); });
    Handle(ID_LOCAL_ECHO, [this] { flags_.ConnState.LocalEcho = !flags_.ConnState.LocalEcho; }, {},
           [this] { return bool(flags_.ConnState.LocalEcho); });
    Handle(ID_NEWLINE_MODE, [this] { flags_.TermShared.NewlineMode = !flags_.TermShared.NewlineMode; }, {},
           [this] { return bool(flags_.TermShared.NewlineMode); });
    Handle(ID_BEEP, [this] { ToggleBeep(); }, {}, [this] { return bool(flags_.AppFlags.Beep); });
    Handle(ID_CLICK_MOUSE, [this] { ToggleClickMouse(); }, {},
           [this] { return bool(flags_.AppFlags.ClickMouse); });

    // Window
    Handle(ID_VIEW_TOGGLE, [this] { ToggleView(); }, {}, [this] { return bool(flags_.TermShared.Frozen); });

    // Help
    Handle(ID_SHOW_SPLASH, [this] { SplashWindow::ShowOnce(this); });
    Handle(ID_TIPS, [this] { ShowTips(); });

    // Without a menu entry.
    Handle(ID_ESCAPE, [this] { Escape(); });
    for (int n = 1; n <= 12; ++n)
        Handle(ID_FKEY_FIRST + n - 1, [this, n] { FunctionKey(n); });
    Handle(ID_SHOW_KS, [this] {
        term_->Term().SetDisplayCode(hangul::DisplayCode::Ks);
        term_->AfterModelChange();
    }, [this] { return !flags_.TermShared.Frozen; },
       [this] { return term_->Term().DisplayCode() == hangul::DisplayCode::Ks; });
    Handle(ID_SHOW_JOHAB, [this] {
        term_->Term().SetDisplayCode(hangul::DisplayCode::Johab);
        term_->AfterModelChange();
    }, [this] { return !flags_.TermShared.Frozen; },
       [this] { return term_->Term().DisplayCode() == hangul::DisplayCode::Johab; });
    Handle(ID_FONT_LARGER, [this] { StepFont(true); },
           [this] { return FontLargerEnabled(term_->TermFont().faceName); });
    Handle(ID_FONT_SMALLER, [this] { StepFont(false); },
           [this] { return FontSmallerEnabled(term_->TermFont().faceName, term_->TermFont().height); });
    Handle(ID_RECEIVE_FILE, [this] { term_->ReceiveFile(); }, [this] { return term_->CanReceiveFile(); });
    Handle(ID_CATCH_LINE, [this] { term_->CatchLine(); });
    Handle(ID_ADD_FAVOURITE, [this] { term_->AddFavourite(); }, [this] { return term_->CanAddFavourite(); });
    // After the terminal's context menu or a click: the chat pane would take
    // the focus; without one the terminal keeps it.
    Handle(ID_TERM_DONE, [this] { FocusChatOrTerminal(); });
    // The data path.
    Handle(CMD_CONN_DATA, [this] { ReceiveData(); });
    for (int id : {CMD_CONN_CONNECTED, CMD_CONN_CLOSED, CMD_CONN_REDIAL, CMD_PORT_OPENED, CMD_PORT_CLOSED})
        Handle(id, [this, id] {
            if (life_)
                life_->Handle(id);
            if (id == CMD_CONN_CONNECTED || id == CMD_PORT_OPENED || id == CMD_CONN_CLOSED ||
                id == CMD_PORT_CLOSED)
                RefreshStatusBar();
        });
    Handle(CMD_TRANSFER_DONE, [this] { TransferDone(); });
}

void CMainFrame::createTerminal()
{
    term_ = new CAnsiTerm(rt_.Out(), rt_.Conn(), *this, this);
    term_->Term().SetAutoResponses(&rt_.Responses());
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
    set(PaneCapture, capturePane_);
    set(PanePicture, flags_.TermShared.PictureMode ? QStringLiteral("그림상태") : QStringLiteral("보통상태"));
    set(PaneHeader, headerPane_);
    int svc = flags_.TermShared.ServiceKind;
    set(PaneConnection, !flags_.ConnState.Connected          ? QStringLiteral("연결:없음")
                        : !ServiceName(svc).empty() ? QStringLiteral("연결:%1").arg(Q(ServiceName(svc)))
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

void CMainFrame::SetCapturePane(const QString& filePath)
{
    // Stored names may come from a settings file written elsewhere: either
    // separator ends the folder part.
    qsizetype cut = std::max(filePath.lastIndexOf(u'/'), filePath.lastIndexOf(u'\\'));
    QString name = filePath.mid(cut + 1);
    capturePane_ = name.isEmpty() ? QStringLiteral("*") : name;
    RefreshStatusBar();
}

void CMainFrame::SetHeaderPane(const QString& header)
{
    headerPane_ = QStringLiteral("말머리:'%1'").arg(header);
    RefreshStatusBar();
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
    if (it == commands_.end() || !it->second.run) {
        // Nothing handles it: said, never silently dropped.
        qWarning("velo: command %d has no handler", id);
        return;
    }
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
            PutChatLine(Q(hangul::DecodeToUtf8(reinterpret_cast<const char*>(lParam), term_->Term().DisplayCode())));
        }
        return 0;
    case WM_ADD_FAVOURITE:
        if (lParam)
            AddFavourite(hangul::DecodeToUtf8(reinterpret_cast<const char*>(lParam), term_->Term().DisplayCode()));
        return 0;
    case WM_SHOW_BYTES:
    case WM_AUTOMATION_MESSAGE:
        return AutomationMessage(msg, wParam, lParam);
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
    // The frame cannot be maximised (its size follows the terminal): the
    // maximised flag is written back as it was read.
    const int iconic = (windowState() & Qt::WindowMinimized) ? 1 : 0;
    QRect r = normalFrame_.isValid() ? normalFrame_ : frameGeometry();
    SettingsStore& s = rt_.Settings();
    s.WriteString(settings::kWindow, settings::kRect,
                  FormatWindowRect({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}));
    s.WriteInt(settings::kWindow, settings::kIconic, iconic);
    s.WriteInt(settings::kWindow, settings::kMaximised, storedMaximised_);
    // The bar layout, saved whole, and the terminal font.
    const std::string barSection = std::string(settings::kBarState) + settings::kBarSummarySuffix;
    s.WriteString(barSection, settings::kBarLayout, saveState(kBarLayoutVersion).toBase64().toStdString());
    s.WriteInt(barSection, settings::kBarStatusShown, statusBar()->isHidden() ? 0 : 1);
    if (term_)
        term_->TermFont().Write(s);
}

void CMainFrame::RestoreWindowState()
{
    SettingsStore& s = rt_.Settings();
    storedMaximised_ = settings::ReadIntDefault(s, settings::kWindow, settings::kMaximised) != 0 ? 1 : 0;
    std::string text = s.ReadString(settings::kWindow, settings::kRect, "");
    const std::string barSection = std::string(settings::kBarState) + settings::kBarSummarySuffix;
    std::string bars = s.ReadString(barSection, settings::kBarLayout, "");
    // A layout of another bar set (or a damaged one) is refused whole and
    // the built-in places stay.
    if (!bars.empty() && restoreState(QByteArray::fromBase64(QByteArray::fromStdString(bars)), kBarLayoutVersion))
        statusBar()->setVisible(s.ReadInt(barSection, settings::kBarStatusShown, 1) != 0);
    WindowRect r;
    if (text.empty() || !ParseWindowRect(text, &r))
        return;  // where the window manager put it
    int iconic = settings::ReadIntDefault(s, settings::kWindow, settings::kIconic);
    // The frame's size follows the terminal; only its place is restored,
    // and only a place on one of today's screens (a screen may have gone
    // since the place was saved).
    if (QGuiApplication::screenAt(QPoint(r.left, r.top) + QPoint(16, 16)))
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
    ExitCapture();
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
        FocusChatOrTerminal();
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
        FocusChatOrTerminal();
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
    case 4: OnCommand(ID_CHARMAP); break;
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
    SizeChat();
    FitToTerminal();
}

void CMainFrame::ChooseFont()
{
    LogFontFields f = term_->TermFont();
    if (TermFontDialog::Choose(this, &f))
        ApplyFont(f);
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
    auto* lay = new QVBoxLayout(&d);
    lay->addLayout(form);
    lay->addWidget(OkCancelButtons(&d));
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


void CMainFrame::PlaySound(std::string_view event) { rt_.Sounds().Play(event, false); }

void CMainFrame::SetTitle(std::string_view title)
{
    plainTitle_ = Q(title);
    ApplyTitle();
}


void CMainFrame::WaitTransferThreads(int timeoutMs) { rt_.Transfer().WaitEnd(timeoutMs); }

void CMainFrame::PrepareTerminal(const PhoneBookEntry& entry)
{
    int cols = std::clamp(int(entry.width), 1, int(kMaxColumns));
    int rows = std::clamp(int(entry.height), 1, int(kMaxRows));
    if (cols != term_->Term().Columns() || rows != term_->Term().Rows())
        term_->SetScreenSize(cols, rows);
    term_->SetAutowrap(entry.autoWrap != 0);
    SetChatLineCount(entry.chatLines);
    FitToTerminal();
}

void CMainFrame::SendPreSend(std::string_view text)
{
    // The entry keeps UTF-8; the host reads KS C 5601, as for typed text.
    rt_.Macros().Send(hangul::EncodeCp949(text));
}

bool CMainFrame::KeyMapped(int index) const { return rt_.Keys().IsSet(index); }

void CMainFrame::SendKey(int index, bool alternate) { rt_.Keys().SendKey(index, alternate, rt_.Macros()); }

void CMainFrame::SendMacro(const uint8_t* text, int len) { rt_.Macros().Send(text, len); }

}  // namespace velo
