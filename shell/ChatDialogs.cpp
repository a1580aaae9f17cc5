#include "shell/ChatDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "connect/ui/DialogButtons.h"
#include "shell/ChatLines.h"
#include "terminal/ScreenModel.h"

namespace velo {

// ---- colours ---------------------------------------------------------------

namespace {
QSlider* ColourSlider(int value)
{
    auto* s = new QSlider(Qt::Horizontal);
    s->setRange(0, 15);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    s->setValue(std::clamp(value, 0, 15));
    s->setMinimumWidth(200);
    return s;
}
QString Css(int i)
{
    const Rgb& c = kPalette[size_t(std::clamp(i, 0, 15))];
    return QStringLiteral("rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b);
}
}  // namespace

ChatColourDialog::ChatColourDialog(int fg, int bg, QWidget* parent)
    : QDialog(parent), fg_(ColourSlider(fg)), bg_(ColourSlider(bg)), preview_(new QLabel)
{
    setWindowTitle(QStringLiteral("색 지정"));
    fg_->setObjectName(QStringLiteral("TextColour"));
    bg_->setObjectName(QStringLiteral("BackColour"));
    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setText(QStringLiteral("가나다 ABC abc 123"));
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setMinimumHeight(40);
    preview_->setFrameShape(QFrame::Panel);
    preview_->setFrameShadow(QFrame::Sunken);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("글자색"), fg_);
    form->addRow(QStringLiteral("배경색"), bg_);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(preview_);
    lay->addWidget(OkCancelButtons(this));
    connect(fg_, &QSlider::valueChanged, this, &ChatColourDialog::ShowPreview);
    connect(bg_, &QSlider::valueChanged, this, &ChatColourDialog::ShowPreview);
    ShowPreview();
}

int ChatColourDialog::TextColour() const { return fg_->value(); }
int ChatColourDialog::BackColour() const { return bg_->value(); }

void ChatColourDialog::ShowPreview()
{
    preview_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; }").arg(Css(fg_->value()), Css(bg_->value())));
}

// ---- header and footer -----------------------------------------------------

HeaderFooterDialog::HeaderFooterDialog(const QString (&texts)[4], QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("덧말 붙이기"));
    const char* labels[4] = {"첫번째 머리말", "첫번째 꼬리말", "두번째 머리말", "두번째 꼬리말"};
    auto* form = new QFormLayout;
    for (int i = 0; i < 4; ++i) {
        fields_[i] = new QLineEdit(texts[i]);
        fields_[i]->setObjectName(QString::number(kFieldIds[i]));
        fields_[i]->setMaxLength(int(ChatLines::kLineBytes));
        fields_[i]->setMinimumWidth(260);
        form->addRow(QString::fromUtf8(labels[i]), fields_[i]);
    }
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(OkCancelButtons(this));
}

QString HeaderFooterDialog::Text(int i) const { return fields_[i]->text(); }

}  // namespace velo
