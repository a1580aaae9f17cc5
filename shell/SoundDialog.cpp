#include "shell/SoundDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/EventSounds.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "connect/ui/DialogButtons.h"

namespace velo {

SoundSettingsDialog::SoundSettingsDialog(SettingsStore& settings, EventSounds& sounds, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("소리 설정"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("사건")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("소리 파일")), 0, 1);
    int row = 1;
    for (std::string_view event : kSoundEvents) {
        auto* path = new QLineEdit(QString::fromStdString(settings_.ReadString(settings::kSounds, event, "")));
        path->setMinimumWidth(280);
        path->setPlaceholderText(QStringLiteral("(없음)"));
        path->setClearButtonEnabled(true);
        auto* browse = new QPushButton(QStringLiteral("찾아보기..."));
        auto* play = new QPushButton(QStringLiteral("재생"));
        auto* none = new QPushButton(QStringLiteral("없음"));
        const QString name = QString::fromUtf8(event.data(), qsizetype(event.size()));
        connect(browse, &QPushButton::clicked, this, [this, path, name] {
            QString start = path->text().isEmpty() ? QString() : QFileInfo(path->text()).absolutePath();
            QString f = QFileDialog::getOpenFileName(this, QStringLiteral("%1 소리 선택").arg(name), start,
                                                     QStringLiteral("소리 파일 (*.wav *.ogg *.oga);;모든 파일 (*)"));
            if (!f.isEmpty())
                path->setText(f);
        });
        connect(play, &QPushButton::clicked, this, [&sounds, path] { sounds.PlayFile(path->text().toStdString()); });
        connect(none, &QPushButton::clicked, path, &QLineEdit::clear);
        connect(path, &QLineEdit::textChanged, play, [play](const QString& t) { play->setEnabled(!t.isEmpty()); });
        play->setEnabled(!path->text().isEmpty());
        grid->addWidget(new QLabel(name), row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(browse, row, 2);
        grid->addWidget(play, row, 3);
        grid->addWidget(none, row, 4);
        paths.push_back(path);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(grid);
    lay->addWidget(OkCancelButtons(this));
}

void SoundSettingsDialog::accept()
{
    size_t i = 0;
    for (std::string_view event : kSoundEvents)
        settings_.WriteString(settings::kSounds, event, paths[i++]->text().trimmed().toStdString());
    QDialog::accept();
}

}  // namespace velo
