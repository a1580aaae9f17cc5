#include "shell/TipsDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

TipsDialog::TipsDialog(SettingsStore& settings, const QString& tipsPath, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("알고 계십니까?"));
    auto* title = new QLabel(QStringLiteral("<b>알고 계십니까?</b>"));
    tip_ = new QLabel;
    tip_->setWordWrap(true);
    tip_->setMinimumSize(360, 100);
    tip_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tip_->setFrameShape(QFrame::StyledPanel);
    showAtStart_ = new QCheckBox(QStringLiteral("시작할때 보이기(&S)"));
    showAtStart_->setChecked(settings::ReadIntDefault(settings_, settings::kTip, settings::kStartUp) == 0);
    next_ = new QPushButton(QStringLiteral("다음(&N)"));
    auto* close = new QPushButton(QStringLiteral("닫기"));
    close->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &TipsDialog::ShowNext);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showAtStart_);
    buttons->addStretch();
    buttons->addWidget(next_);
    buttons->addWidget(close);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(title);
    lay->addWidget(tip_, 1);
    lay->addLayout(buttons);

    open_ = reader_.Open(tipsPath.toStdString(), settings_);
    if (!open_) {
        tip_->setText(QString::fromLatin1(TipsReader::kNoFile));
        next_->setEnabled(false);
    } else {
        ShowNext();
    }
}

QString TipsDialog::FindTipsFile(const QString& installDir)
{
    const QString candidates[] = {
        QDir::current().filePath(QStringLiteral("tips.txt")),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tips.txt")),
        QDir(installDir).filePath(QStringLiteral("tips.txt")),
    };
    for (const QString& c : candidates)
        if (QFileInfo(c).isReadable())
            return c;
    return candidates[0];
}

QString TipsDialog::TipText() const { return tip_->text(); }

void TipsDialog::ShowNext()
{
    std::string tip, error;
    if (reader_.Next(&tip, &error))
        tip_->setText(QString::fromUtf8(tip.data(), qsizetype(tip.size())));
    else
        tip_->setText(QString::fromLatin1(error.c_str()));
}

void TipsDialog::done(int r)
{
    if (open_)
        reader_.SavePosition(settings_);
    settings_.WriteInt(settings::kTip, settings::kStartUp, showAtStart_->isChecked() ? 0 : 1);
    QDialog::done(r);
}

}  // namespace velo
