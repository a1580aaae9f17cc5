#include "connect/ui/DialDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velo {

DialDialog::DialDialog(SettingsStore& settings, HistoryKind kind, QWidget* parent)
    : QDialog(parent), settings_(settings), kind_(kind)
{
    const bool phone = kind == HistoryKind::PhoneNumber;
    setWindowTitle(phone ? QStringLiteral("직접 걸기") : QStringLiteral("Telnet 주소 입력"));
    box_ = new QComboBox;
    box_->setObjectName(QStringLiteral("history"));
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    box_->setMinimumContentsLength(28);
    // A number or host is cut to 64 characters when it is connected; a host
    // may be followed by a blank and a port.
    box_->lineEdit()->setMaxLength(phone ? 64 : 70);
    for (const std::string& v : ReadDialHistory(settings_, kind_))
        if (!v.empty())
            box_->addItem(QString::fromStdString(v));
    box_->setCurrentIndex(box_->count() > 0 ? 0 : -1);

    auto* label = new QLabel(phone ? QStringLiteral("전화 번호 :") : QStringLiteral("주소(IP Address)"));
    label->setBuddy(box_);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(box_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &DialDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DialDialog::reject);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(row);
    lay->addWidget(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);
}

QString DialDialog::Text() const { return box_->currentText().trimmed(); }

void DialDialog::accept()
{
    const QString t = Text();
    if (t.isEmpty())
        return;
    UpdateDialHistory(settings_, kind_, t.toStdString());
    QDialog::accept();
}

}  // namespace velo
