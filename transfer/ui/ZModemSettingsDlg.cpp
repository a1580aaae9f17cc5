#include "transfer/ui/ZModemSettingsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"

namespace velo {

ZModemSettingsDlg::ZModemSettingsDlg(SettingsStore& settings, const std::string& programDir, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("ZModem 설정"));
    pickFolder = [this](const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(this, title, start);
    };

    autoDown_ = new QCheckBox(QStringLiteral("자동 받기(&R)"));
    autoUp_ = new QCheckBox(QStringLiteral("자동 보내기(&S)"));
    autoDown_->setChecked(settings::ReadIntDefault(settings, settings::kZModem, settings::kAutoDown) != 0);
    autoUp_->setChecked(settings::ReadIntDefault(settings, settings::kZModem, settings::kAutoUp) != 0);

    auto* resume = new QGroupBox(QStringLiteral("이어 받기"));
    auto* resumeLay = new QVBoxLayout(resume);
    append_ = new QButtonGroup(this);
    const char* choices[] = {"이름이 같을 때 이어 받기", "이름과 시간이 같을 때 이어 받기",
                             "이름이 같을 때 건너 뛰기", "이어 받기 안함(항상 새로 받기)"};
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton(QString::fromUtf8(choices[i]));
        append_->addButton(r, i);
        resumeLay->addWidget(r);
    }
    append_->button(zm::AppendOption(settings))->setChecked(true);

    // Without an installation folder the defaults are empty rather than
    // folders at the top of the file system.
    const bool base = !programDir.empty();
    upPath_ = new QLineEdit(QString::fromStdString(base ? zm::UploadDir(settings, programDir)
                                                        : settings.ReadString(settings::kZModem, settings::kUpPath, "")));
    downPath_ = new QLineEdit(QString::fromStdString(settings.ReadString(
        settings::kZModem, settings::kDownPath, base ? settings::DownloadDirDefault(programDir) : std::string())));
    upPath_->setMinimumWidth(280);
    auto* folders = new QGridLayout;
    auto addFolder = [&](int row, const char* label, QLineEdit* edit, bool download) {
        folders->addWidget(new QLabel(QString::fromUtf8(label)), row, 0);
        folders->addWidget(edit, row, 1);
        auto* browse = new QPushButton(QStringLiteral("찾아보기"));
        browse->setObjectName(download ? QStringLiteral("browseDown") : QStringLiteral("browseUp"));
        connect(browse, &QPushButton::clicked, this, [this, download] { Browse(download); });
        folders->addWidget(browse, row, 2);
    };
    addFolder(0, "업로드", upPath_, false);
    addFolder(1, "다운로드", downPath_, true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lay = new QVBoxLayout(this);
    auto* autoRow = new QHBoxLayout;
    autoRow->addWidget(autoDown_);
    autoRow->addWidget(autoUp_);
    autoRow->addStretch();
    lay->addLayout(autoRow);
    lay->addWidget(resume);
    lay->addLayout(folders);
    lay->addWidget(buttons);
}

int ZModemSettingsDlg::AppendChoice() const { return append_->checkedId(); }

void ZModemSettingsDlg::Browse(bool download)
{
    QLineEdit* edit = download ? downPath_ : upPath_;
    const QString chosen = pickFolder(
        download ? QStringLiteral("다운로드 디렉토리 선택") : QStringLiteral("업로드 디렉토리 선택"), edit->text());
    if (!chosen.isEmpty())
        edit->setText(chosen);
}

void ZModemSettingsDlg::accept()
{
    settings_.WriteInt(settings::kZModem, settings::kAutoDown, autoDown_->isChecked() ? 1 : 0);
    settings_.WriteInt(settings::kZModem, settings::kAutoUp, autoUp_->isChecked() ? 1 : 0);
    settings_.WriteInt(settings::kZModem, settings::kAppendOption, std::max(0, AppendChoice()));
    settings_.WriteString(settings::kZModem, settings::kUpPath, upPath_->text().trimmed().toStdString());
    settings_.WriteString(settings::kZModem, settings::kDownPath, downPath_->text().trimmed().toStdString());
    QDialog::accept();
}

}  // namespace velo
