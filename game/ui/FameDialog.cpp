#include "game/ui/FameDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace car {

namespace {
constexpr int kMaxNameChars = 20;
}

FameDialog::FameDialog(Profile& profile, std::optional<int> newScore, QWidget* parent)
    : QDialog(parent), profile_(profile)
{
    setWindowTitle(QStringLiteral("고수들"));
    fame_.Load(profile_);
    if (newScore)
        place_ = fame_.Insert(*newScore);

    auto* grid = new QGridLayout;
    for (int i = 0; i < HallOfFame::kPlaces; ++i) {
        grid->addWidget(new QLabel(QStringLiteral("%1.").arg(i + 1)), i, 0);
        names_[i] = new QLineEdit;
        names_[i]->setMaxLength(kMaxNameChars);
        names_[i]->setEnabled(false);
        scores_[i] = new QLineEdit;
        scores_[i]->setReadOnly(true);
        scores_[i]->setFocusPolicy(Qt::NoFocus);
        scores_[i]->setAlignment(Qt::AlignRight);
        if (i < fame_.Count()) {
            names_[i]->setText(QString::fromStdString(fame_.At(i).name));
            scores_[i]->setText(QString::number(fame_.At(i).score));
        }
        grid->addWidget(names_[i], i, 1);
        grid->addWidget(scores_[i], i, 2);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);

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
        names_[place_]->setEnabled(true);
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
