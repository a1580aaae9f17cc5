#include "shell/PrintDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/SettingsStore.h"
#include "connect/ui/DialogButtons.h"

namespace velo {

// ---- 인쇄 설정 ---------------------------------------------------------------

PrintSettingsDialog::PrintSettingsDialog(SettingsStore& settings, const std::string& installDir,
                                         std::function<void(QWidget*)> printerSetup, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("인쇄 설정"));
    const PrintDialogValues v = PrintDialogValues::Read(settings, installDir);

    auto* method = new QGroupBox(QStringLiteral("인쇄 방식"));
    auto* methodLay = new QVBoxLayout(method);
    option_ = new QButtonGroup(this);
    const char* texts[] = {"그림 인쇄 ( 윈도우드라이버사용)", "코드 인쇄 ( 완성형 코드 인쇄 )", "파일로 저장 ( &TEXT )"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(texts[i]));
        option_->addButton(b, i);
        methodLay->addWidget(b);
    }
    option_->button(v.option)->setChecked(true);
    auto* fileRow = new QHBoxLayout;
    file_ = new QLineEdit(QString::fromStdString(v.file));
    file_->setMinimumWidth(file_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 40);
    browse_ = new QPushButton(QStringLiteral("찾아보기"));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    methodLay->addLayout(fileRow);
    connect(browse_, &QPushButton::clicked, this, [this] {
        // Starts at the current name; a name that does not exist yet is
        // accepted too (the print file is made when printing starts).
        QFileDialog d(this, QStringLiteral("찾아보기"), file_->text());
        d.setAcceptMode(QFileDialog::AcceptOpen);
        d.setFileMode(QFileDialog::AnyFile);
        d.selectFile(file_->text());
        if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
            file_->setText(d.selectedFiles().first());
    });

    auto* other = new QGroupBox(QStringLiteral("기타 옵션"));
    auto* otherLay = new QVBoxLayout(other);
    lf_ = new QCheckBox(QStringLiteral("&LF -> CR/LF 변환"));
    lf_->setChecked(v.lfConvert);
    otherLay->addWidget(lf_);

    auto* page = new QGroupBox(QStringLiteral("페이지 조정"));
    auto* pageLay = new QVBoxLayout(page);
    fit_ = new QCheckBox(QStringLiteral("줄 수에 맞게 폰트크기 조절"));
    fit_->setChecked(v.fitFont);
    pageLay->addWidget(fit_);
    auto* linesRow = new QHBoxLayout;
    lines_ = new QSpinBox;
    lines_->setRange(kLinesPerPageMin, kLinesPerPageMax);
    lines_->setValue(v.linesPerPage);
    auto* linesLabel = new QLabel(QStringLiteral("한 페이지의 줄 수 :"));
    linesLabel->setBuddy(lines_);
    linesRow->addWidget(linesLabel);
    linesRow->addWidget(lines_);
    linesRow->addStretch(1);
    pageLay->addLayout(linesRow);

    setup_ = new QPushButton(QStringLiteral("프린터 설정"));
    connect(setup_, &QPushButton::clicked, this, [this, printerSetup = std::move(printerSetup)] {
        if (printerSetup)
            printerSetup(this);
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(setup_);
    bottom->addStretch(1);
    bottom->addWidget(OkCancelButtons(this));

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(method);
    lay->addWidget(other);
    lay->addWidget(page);
    lay->addLayout(bottom);
}

QRadioButton* PrintSettingsDialog::OptionButton(int option) const
{
    return qobject_cast<QRadioButton*>(option_->button(option));
}

PrintDialogValues PrintSettingsDialog::Values() const
{
    PrintDialogValues v;
    v.option = std::max(0, option_->checkedId());
    v.lfConvert = lf_->isChecked();
    v.fitFont = fit_->isChecked();
    v.file = file_->text().toStdString();
    v.linesPerPage = lines_->value();
    return v;
}

void PrintSettingsDialog::accept()
{
    Values().Write(settings_);
    QDialog::accept();
}

// ---- IntelliMouse 설정 --------------------------------------------------------

WheelSettingsDialog::WheelSettingsDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("IntelliMouse 설정"));
    const WheelValues v = WheelValues::Read(settings);

    reverse_ = new QCheckBox(QStringLiteral("휠 설정을 반대로 합니다.(&R)"));
    reverse_->setChecked(v.reverse);

    auto* scroll = new QGroupBox(QStringLiteral("스크롤"));
    auto* grid = new QVBoxLayout(scroll);
    auto* linesRow = new QHBoxLayout;
    linesButton_ = new QRadioButton(QStringLiteral("줄(&S):"));
    lines_ = new QSpinBox;
    lines_->setRange(kWheelLinesMin, kWheelLinesMax);
    linesRow->addWidget(linesButton_);
    linesRow->addWidget(lines_);
    linesRow->addStretch(1);
    pageButton_ = new QRadioButton(QStringLiteral("한 쪽(&P)"));
    grid->addLayout(linesRow);
    grid->addWidget(pageButton_);
    // The field is for the lines button only.
    connect(linesButton_, &QRadioButton::toggled, lines_, &QSpinBox::setEnabled);
    if (v.Page()) {
        pageButton_->setChecked(true);
        lines_->setValue(kWheelPageFieldShows);
        lines_->setEnabled(false);
    } else {
        linesButton_->setChecked(true);
        lines_->setValue(v.scrollLines);
    }

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(reverse_);
    lay->addWidget(scroll);
    lay->addWidget(OkCancelButtons(this));
}

WheelValues WheelSettingsDialog::Values() const
{
    WheelValues v;
    v.reverse = reverse_->isChecked();
    v.scrollLines = pageButton_->isChecked() ? -1 : lines_->value();
    return v;
}

void WheelSettingsDialog::accept()
{
    Values().Write(settings_);
    QDialog::accept();
}

}  // namespace velo
