#include "connect/ui/DialWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velo {

namespace {

QLabel* Field(const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text));
    l->setTextFormat(Qt::PlainText);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(200);
    return l;
}

}  // namespace

DialWindow::DialWindow(const PhoneBookEntry& entry, const ConnStateFlags& state, std::function<void()> cancel,
                       QWidget* parent)
    : QDialog(parent), state_(state)
{
    setWindowTitle(QStringLiteral("전화 걸기 창"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    host = Field(entry.name);
    number = Field(entry.number);
    userId = Field(entry.userId);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("호스트"), host);
    form->addRow(QStringLiteral("연결 번호"), number);
    form->addRow(QStringLiteral("사용자 번호"), userId);
    auto* cancelButton = new QPushButton(QStringLiteral("취소"));
    connect(cancelButton, &QPushButton::clicked, this, [this, cancel] {
        if (cancel)
            cancel();
        close();
    });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancelButton);
    row->addStretch(1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(row);

    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        if (state_.Connected || !state_.Connecting)
            close();
    });
    poll->start(kPollMs);
}

void DialWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (QWidget* p = parentWidget())
        move(p->frameGeometry().center() - rect().center());
}

}  // namespace velo
