#include "videotex/ui/ImageIndexUi.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace velo {

ImageProgressWnd::ImageProgressWnd(std::function<uint64_t()> received, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint), received_(std::move(received))
{
    setWindowTitle(QStringLiteral("천리안 화상 받기"));
    auto* form = new QFormLayout;
    name_ = new QLabel;
    bytes_ = new QLabel(QStringLiteral("0"));
    name_->setMinimumWidth(160);
    form->addRow(QStringLiteral("파일 이름"), name_);
    form->addRow(QStringLiteral("바이트 받음"), bytes_);
    auto* cancel = new QPushButton(QStringLiteral("취소"));
    connect(cancel, &QPushButton::clicked, this, &ImageProgressWnd::cancelPressed);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(cancel, 0, Qt::AlignHCenter);
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &ImageProgressWnd::Refresh);
    timer_->start();
    adjustSize();
}

void ImageProgressWnd::SetFileName(const QString& name)
{
    name_->setText(name);
    Refresh();
}

void ImageProgressWnd::Refresh()
{
    bytes_->setText(QString::number(received_ ? received_() : 0));
}

QString ImageProgressWnd::FileNameText() const { return name_->text(); }

QString ImageProgressWnd::ReceivedText() const { return bytes_->text(); }

ImageViewWnd::ImageViewWnd(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(path)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(path).fileName());
    QImageReader reader(path);
    // Qt's readers refuse images beyond their allocation limit (256 MB), so
    // a file that claims huge dimensions reads as no image.
    reader.setAutoTransform(true);
    image_ = reader.read();
    auto* label = new QLabel;
    label->setAlignment(Qt::AlignCenter);
    if (image_.isNull())
        label->setText(QStringLiteral("그림 파일 %1 (을)를 읽을 수 없습니다.").arg(path));
    else
        label->setPixmap(QPixmap::fromImage(image_));
    auto* area = new QScrollArea;
    area->setWidget(label);
    area->setWidgetResizable(true);
    area->setAlignment(Qt::AlignCenter);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(area);
    // As large as the picture, within the screen.
    QSize want = image_.isNull() ? label->sizeHint() : image_.size();
    if (QScreen* s = QGuiApplication::primaryScreen())
        want = want.boundedTo(s->availableSize() * 9 / 10);
    resize(want + QSize(4, 4));
}

}  // namespace velo
