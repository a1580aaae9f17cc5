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
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

#include "connect/ConnState.h"
#include "shell/EventSounds.h"
#include "shell/AppFlags.h"
#include "shell/SettingsLayout.h"
#include "shell/SettingsStore.h"
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

// Caps, num and scroll lock from the X keyboard extension; all off where the
// display is not X11 (Wayland, offscreen).
unsigned LockIndicators()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return 0;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != 0)
        return 0;
    return state;
}

QString InstallDir()
{
    return QString::fromStdString(ReadInstallDir(AppSettings(), "."));
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
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
    FitToTerminal();
    startTimers();
}

CMainFrame::~CMainFrame()
{
    if (!stateSaved_)
        SaveWindowState();
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

    AddCommand(fileMenu_, cmd::ID_APP_EXIT, QStringLiteral("종료(&X)"), {}, [this] { close(); });

    AddCommand(connectMenu_, cmd::ID_DISCONNECT, QStringLiteral("연결 끊기(&H)"),
               QKeySequence(Qt::CTRL | Qt::Key_F9), [] {},
               [] { return ConnState.Connected || ConnState.Connecting; });

    AddCommand(viewMenu_, cmd::ID_VIEW_STATUS_BAR, QStringLiteral("상태표시줄(&S)"), {},
               [this] { statusBar()->setVisible(!statusBar()->isVisible()); FitToTerminal(); },
               {}, [this] { return statusBar()->isVisible(); });

    AddCommand(settingsMenu_, cmd::ID_LOCAL_ECHO, QStringLiteral("자국 반향"), {},
               [] { ConnState.LocalEcho = !ConnState.LocalEcho; }, {},
               [] { return bool(ConnState.LocalEcho); });
    AddCommand(settingsMenu_, cmd::ID_BEEP, QStringLiteral("비프(Beep)음"), {},
               [this] { ToggleBeep(); }, {}, [] { return bool(AppFlags.Beep); });
    AddCommand(settingsMenu_, cmd::ID_CLICK_MOUSE, QStringLiteral("Flicko 마우스"), {},
               [this] { ToggleClickMouse(); }, {}, [] { return bool(AppFlags.ClickMouse); });

    AddCommand(helpMenu_, cmd::ID_APP_ABOUT, QStringLiteral("Vellow 정보(&A)..."), {},
               [this] { ShowAbout(); });
    AddCommand(helpMenu_, cmd::ID_SHOW_SPLASH, QStringLiteral("시작 화면 보기(&S)"), {},
               [this] { SplashWindow::ShowOnce(this); });
    AddCommand(helpMenu_, cmd::ID_TIPS, QStringLiteral("알고 계십니까?(&P)"), {},
               [this] { ShowTips(); });
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
    // The terminal's area: 80 columns by 28 rows of the terminal font and a
    // vertical scroll bar.
    term_ = new QWidget(this);
    QFont f(QStringLiteral("NanumGothicCoding"));
    f.setPixelSize(16);
    f.setStyleHint(QFont::Monospace);
    QFontMetrics fm(f);
    term_->setFixedSize(80 * fm.horizontalAdvance(u'M') + 16, 28 * fm.height());
    term_->setAutoFillBackground(true);
    QPalette pal = term_->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    term_->setPalette(pal);
    setCentralWidget(term_);
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

    // Timer 100: bytes are never left waiting for a lost notification.
    timer100_ = new QTimer(this);
    timer100_->setInterval(2000);
    timer100_->start();

    // Timer 101: the pre-send string, once, 2000 ms after connecting.
    timer101_ = new QTimer(this);
    timer101_->setSingleShot(true);
    timer101_->setInterval(2000);
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
    set(PanePicture, QStringLiteral("보통상태"));
    set(PaneHeader, QStringLiteral("말머리:''"));
    set(PaneConnection, ConnState.Connected ? QStringLiteral("연결:알수없음")
                                            : QStringLiteral("연결:없음"));
    set(PaneColumn, QStringLiteral("X=%1").arg(1));
    set(PaneRow, QStringLiteral("Y=%1").arg(1));
    unsigned locks = LockIndicators();
    set(PaneCaps, (locks & 1) ? QStringLiteral("CAP") : QString());
    set(PaneNum, (locks & 2) ? QStringLiteral("NUM") : QString());
    set(PaneScroll, (locks & 4) ? QStringLiteral("SCRL") : QString());
    qint64 ms = ConnState.Connected ? QDateTime::currentMSecsSinceEpoch() - connectedAt_ : 0;
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
    UpdateCommandUi();
}

intptr_t CMainFrame::OnMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    return 0;
}

void CMainFrame::SetConnectedTitle(const QString& entryName)
{
    setWindowTitle(QStringLiteral("Vellow - %1").arg(entryName));
}

void CMainFrame::SetIdleTitle() { setWindowTitle(QStringLiteral("Vellow")); }

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
    AppFlags.Beep = !AppFlags.Beep;
    AppSettings().WriteInt(settings::kInit, settings::kBeep, AppFlags.Beep ? 1 : 0);
}

void CMainFrame::ToggleClickMouse()
{
    AppFlags.ClickMouse = !AppFlags.ClickMouse;
    AppSettings().WriteInt(settings::kInit, settings::kClickMouse, AppFlags.ClickMouse ? 1 : 0);
}

void CMainFrame::ShowTips()
{
    TipsDialog d(TipsDialog::FindTipsFile(InstallDir()), this);
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
    SettingsStore& s = AppSettings();
    s.WriteString(settings::kWindow, settings::kRect,
                  FormatWindowRect({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}));
    s.WriteInt(settings::kWindow, settings::kIconic, iconic);
    s.WriteInt(settings::kWindow, settings::kMaximised, maximised);
}

void CMainFrame::RestoreWindowState()
{
    SettingsStore& s = AppSettings();
    std::string text = s.ReadString(settings::kWindow, settings::kRect, "");
    WindowRect r;
    if (text.empty() || !ParseWindowRect(text, &r))
        return;  // where the window manager put it
    int iconic = s.ReadInt(settings::kWindow, settings::kIconic, 0);
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
    if (!forceClose_ && (ConnState.Connected || ConnState.Connecting)) {
        if (QMessageBox::question(this, QStringLiteral("Vellow"),
                                  QStringLiteral("연결중. 끊으시겠습니까?"),
                                  QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return false;
    }
    // The placement is taken while the window is still shown.
    SaveWindowState();
    hide();
    timer100_->stop();
    PlayEventSound("종료", true);
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

void QtFrameSink::PostCommand(int id)
{
    QPointer<CMainFrame> f = frame_;
    if (f)
        QMetaObject::invokeMethod(f, [f, id] { if (f) f->OnCommand(id); }, Qt::QueuedConnection);
}

void QtFrameSink::SendCommand(int id)
{
    CMainFrame* f = frame_;
    if (!f)
        return;
    if (QThread::currentThread() == f->thread())
        f->OnCommand(id);
    else
        QMetaObject::invokeMethod(f, [f, id] { f->OnCommand(id); }, Qt::BlockingQueuedConnection);
}

void QtFrameSink::PostMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    QPointer<CMainFrame> f = frame_;
    if (f)
        QMetaObject::invokeMethod(
            f, [f, msg, wParam, lParam] { if (f) f->OnMessage(msg, wParam, lParam); },
            Qt::QueuedConnection);
}

intptr_t QtFrameSink::SendMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    CMainFrame* f = frame_;
    if (!f)
        return 0;
    if (QThread::currentThread() == f->thread())
        return f->OnMessage(msg, wParam, lParam);
    intptr_t r = 0;
    QMetaObject::invokeMethod(
        f, [f, msg, wParam, lParam, &r] { r = f->OnMessage(msg, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return r;
}

}  // namespace velo
