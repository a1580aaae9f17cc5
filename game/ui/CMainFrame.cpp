#include "game/ui/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "game/ui/BoardView.h"
#include "game/ui/FameDialog.h"
#include "game/ui/PenaltySound.h"

namespace car {

namespace {

const char kAppTitle[] = "Bumpo Zingle";
constexpr std::string_view kSettings = "초기환경";
constexpr std::string_view kLevelKey = "난이도";

struct Opponent {
    const char* menu;
    const char* prompt;
};
constexpr Opponent kOpponents[kLevels] = {
    {"상대선수 : Dorran(&V)", "무지 쉬운거"},
    {"상대선수 : Mirel(&E)", "쉬운거"},
    {"상대선수 : Tovik(&M)", "보통"},
    {"상대선수 : Garsk(&H)", "어려운거"},
};

QString MessageText(GameMessage msg)
{
    switch (msg) {
    case GameMessage::GoldMedal:
        return QStringLiteral("이런 선수에게는 금메달을 줘얍니다!");
    case GameMessage::HardWin:
        return QStringLiteral("추카함다. 참 어려운 경기를 했슴다.");
    case GameMessage::Zingled:
        return QStringLiteral("이럴땐 Zingle를 줘얍니다.");
    case GameMessage::Cornered:
        return QStringLiteral("막판에 몰렸슴다.\n이럴땐 큰 기술로 승부를 걸어야 함다.");
    }
    return {};
}

// Puts a box centred on the game window as it is shown, kept whole on the
// window's screen. The window is 21 cells narrow, so most boxes are wider
// than it and stand over it, their middle on its middle. The box is placed
// after its own show handling (a message box settles its size only there)
// and before it reaches the screen, so it never appears elsewhere first.
class CentreOnWindow : public QObject {
public:
    CentreOnWindow(QWidget& box, const QWidget& window) : box_(box), window_(window)
    {
        box_.installEventFilter(this);
    }
    ~CentreOnWindow() override { box_.removeEventFilter(this); }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o != &box_ || e->type() != QEvent::Show)
            return false;
        box_.removeEventFilter(this);
        QCoreApplication::sendEvent(&box_, e);
        Place();
        return true;
    }

private:
    void Place()
    {
        const QRect frame = window_.frameGeometry();
        // The box gets the decoration the window manager gave the window.
        const QSize outer = box_.size() + (frame.size() - window_.geometry().size());
        QRect r(QPoint(), outer);
        r.moveCenter(frame.center());
        if (const QScreen* screen = window_.screen()) {
            const QRect area = screen->availableGeometry();
            r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - outer.width())));
            r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - outer.height())));
        }
        box_.move(r.topLeft());
    }

    QWidget& box_;
    const QWidget& window_;
};

}  // namespace

// The program's icon: the yellow car on the navy road.
QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(BoardView::kNavy);
        QPainter p(&pm);
        QFont f = BoardView::BoardFont();
        f.setPixelSize(size * 7 / 8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(BoardView::kYellow);
        p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("A"));
        icon.addPixmap(pm);
    }
    return icon;
}

CMainFrame::CMainFrame(Clock& clock, IniFile& profile, PenaltySound* sound, QWidget* parent)
    : QMainWindow(parent), clock_(clock), profile_(profile), sound_(sound), game_(clock, *this)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QLatin1String(kAppTitle));
    setWindowIcon(AppIcon());

    board_ = new BoardView(this);
    setCentralWidget(board_);
    connect(board_, &BoardView::MoveLeft, this, [this] { game_.MoveLeft(); });
    connect(board_, &BoardView::MoveRight, this, [this] { game_.MoveRight(); });

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &CMainFrame::Pump);

    CreateActions();
    CreateMenus();
    CreateStatusBar();
    ReadSettings();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    board_->setFocus();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateActions()
{
    startAct_ = new QAction(QStringLiteral("시작함다(&S)"), this);
    startAct_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(startAct_, &QAction::triggered, this, &CMainFrame::OnStart);

    // The opponents are kept exclusive by OnLevel rather than by an action
    // group, so the menu shows a check mark, not a radio dot.
    for (int level = 0; level < kLevels; ++level) {
        QAction* a = new QAction(QString::fromUtf8(kOpponents[level].menu), this);
        a->setStatusTip(QString::fromUtf8(kOpponents[level].prompt));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, level] { OnLevel(level); });
        levelActs_[level] = a;
    }

    fameAct_ = new QAction(QStringLiteral("역대 고수들(&J)"), this);
    connect(fameAct_, &QAction::triggered, this, [this] { ShowFame(std::nullopt); });
    aboutAct_ = new QAction(QStringLiteral("Bumpo Zingle는 이런검다.(&A)..."), this);
    connect(aboutAct_, &QAction::triggered, this, &CMainFrame::OnAbout);
    exitAct_ = new QAction(QStringLiteral("끝냄다(&X)"), this);
    connect(exitAct_, &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("파일(&F)"));
    file->addAction(startAct_);
    file->addSeparator();
    for (QAction* a : levelActs_)
        file->addAction(a);
    file->addSeparator();
    file->addAction(fameAct_);
    file->addAction(aboutAct_);
    file->addSeparator();
    file->addAction(exitAct_);
}

void CMainFrame::CreateStatusBar()
{
    statusBar()->setSizeGripEnabled(false);
}

void CMainFrame::ReadSettings()
{
    OnLevel(profile_.ReadInt(kSettings, kLevelKey, kDefaultLevel));
    QPoint pos(profile_.ReadInt(kSettings, "X", 0), profile_.ReadInt(kSettings, "Y", 0));
    // A position left behind by a screen that is gone would hide the window.
    if (!QGuiApplication::screenAt(pos) && QGuiApplication::primaryScreen())
        pos = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
    move(pos);
}

void CMainFrame::WriteSettings()
{
    profile_.Reload();
    profile_.WriteInt(kSettings, "X", pos().x());
    profile_.WriteInt(kSettings, "Y", pos().y());
    profile_.WriteInt(kSettings, kLevelKey, game_.Level());
    if (!profile_.Flush())
        qWarning("car: cannot write %s", profile_.Path().c_str());
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (game_.Playing()) {
        Message(QStringLiteral("어허, 일단 시작했음 끝을 봐야함다!"), true);
        e->ignore();
        return;
    }
    WriteSettings();
    e->accept();
}

void CMainFrame::OnStart()
{
    if (game_.Playing())
        return;
    game_.Start();
    startAct_->setEnabled(false);
    board_->setFocus();
    Pump();
}

void CMainFrame::OnLevel(int level)
{
    game_.SetLevel(level);
    for (int i = 0; i < kLevels; ++i)
        levelActs_[i]->setChecked(i == game_.Level());
}

void CMainFrame::Pump()
{
    if (modalDepth_ > 0)
        return;
    int wait = game_.Pump();
    if (wait >= 0)
        timer_->start(wait);
    else
        timer_->stop();
}

int CMainFrame::RunModal(QDialog& dlg)
{
    ++modalDepth_;
    timer_->stop();
    CentreOnWindow place(dlg, *this);
    int result = dlg.exec();
    --modalDepth_;
    if (modalDepth_ == 0 && game_.Playing())
        timer_->start(0);
    return result;
}

void CMainFrame::Message(const QString& text, bool warning)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                    QLatin1String(kAppTitle), text, QMessageBox::NoButton, this);
    box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
    RunModal(box);
}

void CMainFrame::ShowFame(std::optional<int> newScore)
{
    profile_.Reload();
    FameDialog dlg(profile_, newScore, this);
    if (RunModal(dlg) == QDialog::Accepted && !dlg.Saved())
        Message(QStringLiteral("고수들 명단을 저장하지 못했슴다.\n%1")
                    .arg(QString::fromStdString(profile_.Path())),
                true);
}

void CMainFrame::OnAbout()
{
    QDialog dlg(this);
    dlg.setWindowTitle(QStringLiteral("Bumpo Zingle란..."));
    auto* icon = new QLabel;
    icon->setPixmap(windowIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QVBoxLayout;
    for (const char* line : {"Bumpo Zingle 버전 1.0",
                             "이 프로그램은 \"Vellow\"가 파일 송수신중일때\n"
                             "무료함을 달래기 위한 프로그램입니다.",
                             "사용법 : 좌우 화살표 키를 써서 '*'를 피한다.",
                             "주의 : \"Zingle\"를 먹으면 10000점 감점.",
                             "팁 : \"b\"는 보너스로서 10000점 가산."})
        text->addWidget(new QLabel(QString::fromUtf8(line)));
    auto* ok = new QPushButton(QStringLiteral("확인"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(text);
    auto* top = new QVBoxLayout(&dlg);
    top->addLayout(row);
    top->addWidget(ok, 0, Qt::AlignHCenter);
    top->setSizeConstraint(QLayout::SetFixedSize);
    RunModal(dlg);
}

// GameView: the board draws, the title shows the score.

void CMainFrame::ClearBoard() { board_->Clear(); }

void CMainFrame::DrawCar(int col, int row, bool crashed) { board_->DrawCar(col, row, crashed); }

void CMainFrame::BlankCell(int col, int row) { board_->BlankCell(col, row); }

void CMainFrame::ScrollDown(const Row& newTop) { board_->ScrollDown(newTop); }

void CMainFrame::ShowScore(int score)
{
    setWindowTitle(QStringLiteral("점수: %1").arg(score));
}

void CMainFrame::ShowIdle()
{
    setWindowTitle(QLatin1String(kAppTitle));
    startAct_->setEnabled(true);
}

void CMainFrame::PlayPenalty()
{
    if (sound_)
        sound_->Play();
}

void CMainFrame::Notify(GameMessage msg)
{
    Message(MessageText(msg), msg == GameMessage::Cornered);
}

void CMainFrame::GameOver(int score) { ShowFame(score); }

}  // namespace car
