#include "terminal/ui/TermFontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "connect/ui/DialogButtons.h"
#include "terminal/ScreenModel.h"

namespace velo {

namespace {

constexpr int kSampleColumns = 40;
const char16_t* const kSampleLines[] = {
    u"ABCDEFGHIJKLM abcdefghijklm 0123456789",
    u"가나다라마바사 한글 글꼴 ★☆ ※ 漢字",
    u"벨로우 BBS 에 오신 것을 환영합니다",
};
constexpr char kOwnHangul[] = "(글꼴에 든 한글)";

QRgb PaletteRgb(int index)
{
    const Rgb& c = kPalette[size_t(index)];
    return qRgb(c.r, c.g, c.b);
}

}  // namespace

// ---- the sample ------------------------------------------------------------

TermFontSample::TermFontSample(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TermFontSample::SetFont(const LogFontFields& font)
{
    fonts_.Make(font);
    updateGeometry();
    update();
}

QSize TermFontSample::sizeHint() const
{
    // The whole sample up to a size that still fits a dialog; larger faces
    // are cut at the right.
    const int lines = int(std::size(kSampleLines));
    return QSize(std::min(kSampleColumns * fonts_.CellWidth(), 640), lines * fonts_.CellHeight());
}

void TermFontSample::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRgb fg = PaletteRgb(7), bg = PaletteRgb(4);
    p.fillRect(rect(), QColor::fromRgb(bg));
    // Only whole characters: a face too large for the sample loses the
    // characters at the end of a line, never half of one.
    const int columns = width() / std::max(1, fonts_.CellWidth());
    int y = 0;
    for (const char16_t* line : kSampleLines) {
        QString shown;
        int cells = 0;
        for (QChar c : QString::fromUtf16(line)) {
            cells += c.unicode() >= 0x80 ? 2 : 1;
            if (cells > columns)
                break;
            shown.append(c);
        }
        fonts_.DrawCells(p, 0, y, shown, fg, bg, 0);
        y += fonts_.CellHeight();
    }
}

// ---- the dialog ------------------------------------------------------------

TermFontDialog::TermFontDialog(const LogFontFields& current, QWidget* parent)
    : QDialog(parent), current_(current), hangulFamilies_(termfonts::HangulFamilies())
{
    setWindowTitle(QStringLiteral("글꼴 지정"));

    families_ = new QListWidget(this);
    for (const QString& f : termfonts::GridFamilies())
        // The stored face name has room for so many bytes only.
        if (size_t(f.toUtf8().size()) <= LogFontFields::kFaceNameMax)
            families_->addItem(f);
    hangul_ = new QComboBox(this);
    size_ = new QSpinBox(this);
    size_->setRange(kMinFontPixels, kMaxFontPixels);
    size_->setSuffix(QStringLiteral(" 픽셀"));
    bold_ = new QCheckBox(QStringLiteral("굵게(&B)"), this);
    sample_ = new TermFontSample(this);

    // Start from the font as the window draws it: a face that is missing or
    // unfit shows as the face that stands in for it.
    TermFonts used;
    used.Make(current);
    const QList<QListWidgetItem*> found = families_->findItems(used.LatinFamily(), Qt::MatchFixedString);
    if (!found.isEmpty())
        families_->setCurrentItem(found.first());
    else if (families_->count() > 0)
        families_->setCurrentRow(0);
    FillHangulFaces(QString::fromStdString(current.hangulFace));
    const int px = current.height == 0 ? 16 : std::abs(current.height);
    size_->setValue(std::clamp(px, kMinFontPixels, kMaxFontPixels));
    bold_->setChecked(current.weight >= 600);

    auto* familyLabel = new QLabel(QStringLiteral("글꼴(&F):"), this);
    familyLabel->setBuddy(families_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("한글 글꼴(&H):"), hangul_);
    form->addRow(QStringLiteral("크기(&S):"), size_);
    form->addRow(QString(), bold_);
    auto* left = new QVBoxLayout;
    left->addWidget(familyLabel);
    left->addWidget(families_);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(form, 1);

    auto* sampleBox = new QGroupBox(QStringLiteral("보기"), this);
    auto* sampleLay = new QVBoxLayout(sampleBox);
    sampleLay->addWidget(sample_);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(families_->count() > 0);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(sampleBox);
    lay->addWidget(buttons);

    connect(families_, &QListWidget::currentTextChanged, this, [this] {
        FillHangulFaces(hangul_->currentData().toString());
        UpdateSample();
    });
    connect(hangul_, &QComboBox::currentIndexChanged, this, [this] { UpdateSample(); });
    connect(size_, &QSpinBox::valueChanged, this, [this] { UpdateSample(); });
    connect(bold_, &QCheckBox::toggled, this, [this] { UpdateSample(); });
    UpdateSample();
}

void TermFontDialog::FillHangulFaces(const QString& keep)
{
    const QSignalBlocker block(hangul_);
    hangul_->clear();
    const QListWidgetItem* item = families_->currentItem();
    const QString family = item ? item->text() : QString();
    if (!family.isEmpty() && termfonts::HasHangul(family))
        hangul_->addItem(QString::fromUtf8(kOwnHangul), QString());
    for (const QString& f : hangulFamilies_)
        if (f != family)
            hangul_->addItem(f, f);
    // The one the window would take when none is named.
    int at = hangul_->findData(keep.isEmpty() ? termfonts::WideFace(family, QString()) : keep);
    if (at < 0)
        at = hangul_->findData(termfonts::WideFace(family, QString()));
    hangul_->setCurrentIndex(std::max(0, at));
}

LogFontFields TermFontDialog::Chosen() const
{
    LogFontFields f = current_;
    if (const QListWidgetItem* item = families_->currentItem())
        f.faceName = item->text().toStdString();
    const QString wide = hangul_->currentData().toString();
    // The face's own Hangul, or the one the window takes anyway, need no name.
    f.hangulFace = wide == termfonts::WideFace(QString::fromStdString(f.faceName), QString())
                       ? std::string()
                       : wide.toStdString();
    f.height = -size_->value();
    f.weight = bold_->isChecked() ? 700 : 400;
    f.width = f.escapement = f.orientation = 0;
    f.italic = f.underline = f.strikeOut = 0;
    return f;
}

void TermFontDialog::UpdateSample()
{
    sample_->SetFont(Chosen());
    adjustSize();
}

bool TermFontDialog::Choose(QWidget* parent, LogFontFields* font)
{
    TermFontDialog d(*font, parent);
    if (d.exec() != QDialog::Accepted)
        return false;
    *font = d.Chosen();
    return true;
}

}  // namespace velo
