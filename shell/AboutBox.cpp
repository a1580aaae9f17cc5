#include "shell/AboutBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLocale>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/FrameIcons.h"
#include "shell/SystemInfo.h"
#include "base/CommandIds.h"

#ifndef VELO_VERSION
#define VELO_VERSION "0"
#endif

namespace velo {

namespace {

// Thousands grouped, as the sizes are long.
QString Kb(uint64_t kb) { return QLocale(QLocale::Korean).toString(qulonglong(kb)) + QStringLiteral(" KB"); }

}  // namespace

AboutBox::AboutBox(const QString& installDir, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Vellow 정보"));
    auto* title = new QLabel(QStringLiteral("<b>Vellow</b> 버전 %1<br>PC 통신 에뮬레이터").arg(QStringLiteral(VELO_VERSION)));
    std::optional<uint64_t> free = FreeDiskKb(installDir.toStdString());
    std::string user = UserFullName();
    auto* facts = new QFormLayout;
    auto fact = [facts](const QString& name, const QString& value) {
        auto* v = new QLabel(value);
        v->setTextFormat(Qt::PlainText);
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        facts->addRow(name, v);
    };
    fact(QStringLiteral("전체 메모리:"), Kb(TotalMemoryKb()));
    fact(QStringLiteral("사용 중인 메모리:"), Kb(ProcessMemoryKb()));
    fact(QStringLiteral("남은 디스크 공간:"),
         free ? QStringLiteral("%1 (%2)").arg(Kb(*free), installDir) : QStringLiteral("디스크가 꽉 찼습니다"));
    fact(QStringLiteral("사용자:"), QString::fromStdString(user));
    auto* icon = new QLabel;
    icon->setPixmap(BarIcon(ID_PHONE_BOOK).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addSpacing(8);
    text->addLayout(facts);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(buttons);
}

}  // namespace velo
