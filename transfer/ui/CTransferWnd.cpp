#include "transfer/ui/CTransferWnd.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

#include "terminal/HangulCodec.h"
#include "transfer/TransferFigures.h"
#include "transfer/ZmProgress.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/PercentPicture.h"

namespace velo {

namespace {

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A path as the file system holds it: UTF-8 from this desktop, or the
// host's KS C 5601 bytes of a downloaded name.
QString PathText(const std::string& path)
{
    QString s = QString::fromUtf8(path.data(), qsizetype(path.size()));
    if (!s.contains(QChar::ReplacementCharacter))
        return s;
    return QString::fromStdString(hangul::DecodeToUtf8(path, hangul::DisplayCode::Ks));
}

QString Num(int64_t v) { return QString::number(static_cast<long long>(v)); }

// "a / b": a count and what it counts towards.
QHBoxLayout* OfRow(QLabel* a, QLabel* b)
{
    auto* row = new QHBoxLayout;
    row->addWidget(a);
    row->addWidget(new QLabel(QStringLiteral("/")));
    row->addWidget(b);
    row->addStretch();
    return row;
}

}  // namespace

CTransferWnd::CTransferWnd(zm::ZmTransfer& transfer, int direction, TransferWindowActions actions,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      transfer_(transfer),
      actions_(std::move(actions)),
      direction_(direction)
{
    setObjectName(QStringLiteral("TransferWindow"));
    setWindowTitle(PlainTitle());

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    auto caption = [&](const char* text, int row, int col) {
        auto* l = new QLabel(QString::fromUtf8(text));
        grid->addWidget(l, row, col);
    };
    caption("파일 이름", 0, 0);
    fileName_ = Field("fileName");
    fileName_->setMinimumWidth(300);
    fileName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(fileName_, 0, 1, 1, 4);

    caption("파일번호", 1, 0);
    fileNumber_ = Field("fileNumber");
    fileCount_ = Field("fileCount");
    grid->addLayout(OfRow(fileNumber_, fileCount_), 1, 1);
    caption("진행율", 1, 2);
    picture_ = new PercentPicture;
    picture_->setObjectName(QStringLiteral("percent"));
    grid->addWidget(picture_, 1, 3, Qt::AlignLeft);

    caption("전송율", 2, 0);
    rate_ = Field("rate");
    auto* rate = new QHBoxLayout;
    rate->addWidget(rate_);
    rate->addWidget(new QLabel(QStringLiteral("문자/초")));
    rate->addStretch();
    grid->addLayout(rate, 2, 1);

    caption("경과 시간", 3, 0);
    elapsed_ = Field("elapsed");
    grid->addWidget(elapsed_, 3, 1);
    caption("남은 시간", 3, 2);
    remaining_ = Field("remaining");
    grid->addWidget(remaining_, 3, 3);

    caption("전체 진행율", 4, 0);
    overall_ = Field("overall");
    total_ = Field("total");
    grid->addLayout(OfRow(overall_, total_), 4, 1, 1, 3);

    caption("현재 파일", 5, 0);
    offset_ = Field("offset");
    fileSize_ = Field("fileSize");
    grid->addLayout(OfRow(offset_, fileSize_), 5, 1, 1, 3);

    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("bar"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    zm::TransferOptionFlags& options = transfer_.Options();
    hangUp_ = new QCheckBox(QStringLiteral("전송 후 끊기"));
    hangUp_->setObjectName(QStringLiteral("hangUp"));
    // The switches outlive the window: each box starts from its switch.
    hangUp_->setChecked(options.HangUpAfterTransfer);
    connect(hangUp_, &QCheckBox::toggled, this, [this](bool on) { transfer_.Options().HangUpAfterTransfer = on; });
    openAfter_ = new QCheckBox(QStringLiteral("받은 후 실행"));
    openAfter_->setObjectName(QStringLiteral("openAfter"));
    openAfter_->setChecked(options.OpenAfterReceive);
    openAfter_->setEnabled(direction_ == 0);
    connect(openAfter_, &QCheckBox::toggled, this, [this](bool on) { transfer_.Options().OpenAfterReceive = on; });
    auto* switches = new QHBoxLayout;
    switches->addWidget(hangUp_);
    switches->addWidget(openAfter_);
    switches->addStretch();

    auto* cancel = new QPushButton(QStringLiteral("취소"));
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &CTransferWnd::AskCancel);
    auto* game = new QPushButton(QStringLiteral("심심풀이Zingle"));
    game->setObjectName(QStringLiteral("game"));
    connect(game, &QPushButton::clicked, this, [this] {
        if (actions_.startGame)
            actions_.startGame();
    });
    auto* again = new QPushButton(QStringLiteral("새 접속(&N)"));
    again->setObjectName(QStringLiteral("newConnection"));
    connect(again, &QPushButton::clicked, this, [this] {
        if (actions_.newConnection)
            actions_.newConnection();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(game);
    buttons->addWidget(again);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addWidget(bar_);
    lay->addLayout(switches);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    for (QLabel* l : {fileNumber_, fileCount_, rate_, overall_, total_, offset_, fileSize_})
        l->setText(QStringLiteral("0"));
    elapsed_->setText(QString::fromStdString(zm::FormatClock(0)));
    remaining_->setText(elapsed_->text());

    // Centred on the frame.
    adjustSize();
    if (parent)
        move(parent->frameGeometry().center() - rect().center());

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &CTransferWnd::UpdateFigures);
    timer_->start();
    SetUp();
}

CTransferWnd::~CTransferWnd() = default;

QLabel* CTransferWnd::Field(const char* name)
{
    auto* l = new QLabel;
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(64);
    return l;
}

QString CTransferWnd::PlainTitle() const
{
    return direction_ == 0 ? QStringLiteral("ZModem 파일 받기") : QStringLiteral("ZModem 파일 보내기");
}

QString CTransferWnd::PercentTitle(int direction, int percent)
{
    return (direction == 0 ? QStringLiteral("%1% 받음") : QStringLiteral("%1% 보냄")).arg(percent);
}

// The file count and the total, once the transfer has set the record up (at
// the first file header of a receive, at the start of a send).
void CTransferWnd::SetUp()
{
    const zm::ZmProgress& p = transfer_.Progress();
    if (setUp_ || !p.setUp)
        return;
    setUp_ = true;
    fileCount_->setText(QString::number(p.fileCount));
    total_->setText(Num(p.totalBytes));
    fileName_->setText(PathText(p.Path()));
}

void CTransferWnd::UpdateFigures()
{
    SetUp();
    const zm::ZmProgress& p = transfer_.Progress();
    const zm::ProgressView v = zm::ViewOf(p);
    const zm::TickFigures f = zm::Tick(v, SteadyMs(), lastMoved_);
    if (!f.changed)
        return;
    lastMoved_ = v.movedBytes;
    fileNumber_->setText(QString::number(f.fileNumber));
    fileName_->setText(PathText(p.Path()));
    fileSize_->setText(Num(v.fileSize));
    offset_->setText(Num(v.offset));
    overall_->setText(Num(v.overallBytes));
    rate_->setText(Num(f.rate));
    elapsed_->setText(QString::fromStdString(zm::FormatClock(f.elapsedS)));
    remaining_->setText(QString::fromStdString(zm::FormatClock(f.remainingS)));
    percent_ = f.percent;
    bar_->setValue(f.percent);
    picture_->SetPercent(f.percent);
    if (actions_.progress)
        actions_.progress(f.percent);
    if (isMinimized())
        setWindowTitle(MinimisedTitle());
}

void CTransferWnd::Close()
{
    if (closing_)
        return;
    closing_ = true;
    timer_->stop();
    UpdateFigures();
    hide();
    deleteLater();
}

void CTransferWnd::AskCancel()
{
    if (closing_)
        return;
    const QString q = direction_ == 0 ? QStringLiteral("받기를 취소하시겠습니까") : QStringLiteral("보내기를 취소하시겠습니까");
    const bool yes = actions_.ask
                         ? actions_.ask(q)
                         : QMessageBox::question(this, QStringLiteral("ZModem"), q, QMessageBox::Yes | QMessageBox::No) ==
                               QMessageBox::Yes;
    if (yes)
        transfer_.Cancel();
}

void CTransferWnd::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        setWindowTitle(isMinimized() ? MinimisedTitle() : PlainTitle());
}

void CTransferWnd::closeEvent(QCloseEvent* e)
{
    // The window's close box is the cancel button: the window itself stays
    // until the transfer has ended.
    if (closing_) {
        e->accept();
        return;
    }
    e->ignore();
    AskCancel();
}

}  // namespace velo
