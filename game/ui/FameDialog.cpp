#include "game/ui/FameDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace car {

namespace {

constexpr int kMaxNameChars = 20;
// Room a name field offers at least: eight Hangul syllables, so a name being
// typed fits; and a score field: seven digits.
const QString kNameRoom = QStringLiteral("가나다라마바사아");
const QString kScoreRoom = QStringLiteral("0000000");

// The width of a line edit that shows `text` whole. QLineEdit's size hint
// holds seventeen 'x'; what it adds to them is frame and margins.
int FieldWidthFor(const QLineEdit* e, const QString& text)
{
    const QFontMetrics fm = e->fontMetrics();
    const int chrome = e->sizeHint().width() - 17 * fm.horizontalAdvance(QLatin1Char('x'));
    return chrome + fm.horizontalAdvance(text) + 1;  // and the caret after it
}

}  // namespace

FameDialog::FameDialog(Profile& profile, std::optional<int> newScore, QWidget* parent)
    : QDialog(parent), profile_(profile)
{
    setWindowTitle(QStringLiteral("고수들"));
    fame_.Load(profile_);
    if (newScore)
        place_ = fame_.Insert(*newScore);

    // Each column is as wide as its widest text: names no narrower than the
    // room for a new one, no wider than a full-length Hangul name (a longer
    // one from an edited profile scrolls in its field).
    auto* grid = new QGridLayout;
    int nameWidth = 0, scoreWidth = 0;
    for (int i = 0; i < HallOfFame::kPlaces; ++i) {
        grid->addWidget(new QLabel(QStringLiteral("%1.").arg(i + 1)), i, 0);
        // Names not being entered are read-only, not disabled: a disabled
        // field greys its text out.
        names_[i] = new QLineEdit;
        names_[i]->setReadOnly(true);
        names_[i]->setFocusPolicy(Qt::NoFocus);
        scores_[i] = new QLineEdit;
        scores_[i]->setReadOnly(true);
        scores_[i]->setFocusPolicy(Qt::NoFocus);
        scores_[i]->setAlignment(Qt::AlignRight);
        if (i < fame_.Count()) {
            names_[i]->setText(QString::fromStdString(fame_.At(i).name));
            names_[i]->setCursorPosition(0);
            scores_[i]->setText(QString::number(fame_.At(i).score));
        }
        nameWidth = std::max({nameWidth, FieldWidthFor(names_[i], kNameRoom),
                              FieldWidthFor(names_[i], names_[i]->text())});
        scoreWidth = std::max({scoreWidth, FieldWidthFor(scores_[i], kScoreRoom),
                               FieldWidthFor(scores_[i], scores_[i]->text())});
        grid->addWidget(names_[i], i, 1);
        grid->addWidget(scores_[i], i, 2);
    }
    nameWidth = std::min(nameWidth, FieldWidthFor(names_[0], QString(kMaxNameChars, kNameRoom[0])));
    for (int i = 0; i < HallOfFame::kPlaces; ++i) {
        names_[i]->setFixedWidth(nameWidth);
        scores_[i]->setFixedWidth(scoreWidth);
    }

    ok_ = new QPushButton(QStringLiteral("확인"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addStretch();

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    setSizeGripEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    if (place_ < HallOfFame::kPlaces) {
        names_[place_]->setMaxLength(kMaxNameChars);
        names_[place_]->setReadOnly(false);
        names_[place_]->setFocusPolicy(Qt::StrongFocus);
        names_[place_]->setFocus();
    } else {
        ok_->setFocus();
    }
}

void FameDialog::accept()
{
    if (place_ < HallOfFame::kPlaces)
        fame_.SetName(place_, names_[place_]->text().trimmed().toStdString());
    saved_ = fame_.Save(profile_);
    QDialog::accept();
}

}  // namespace car
