#include "shell/SplashWindow.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace velo {

SplashWindow::SplashWindow(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), picture_(Picture())
{
    setModal(true);
    setFixedSize(picture_.size());
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

QPixmap SplashWindow::Picture()
{
    // Drawn rather than shipped: a night-blue card with the program's name.
    QPixmap pm(420, 220);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, pm.height());
    g.setColorAt(0, QColor(0, 0, 128));
    g.setColorAt(1, QColor(0, 0, 40));
    p.fillRect(pm.rect(), g);
    p.setPen(QColor(255, 255, 0));
    QFont f(QStringLiteral("NanumGothicCoding"));
    f.setPixelSize(56);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 30, pm.width(), 80), Qt::AlignCenter, QStringLiteral("Vellow"));
    f.setPixelSize(18);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(0, 255, 255));
    p.drawText(QRect(0, 110, pm.width(), 30), Qt::AlignCenter,
               QStringLiteral("PC 통신 에뮬레이터 · 완성형/조합형"));
    p.setPen(QColor(192, 192, 192));
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRect(0, 170, pm.width(), 30), Qt::AlignCenter, QStringLiteral("Brenwick"));
    p.setPen(QColor(255, 255, 255));
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return pm;
}

void SplashWindow::ShowOnce(QWidget* parent)
{
    SplashWindow w(parent);
    QTimer::singleShot(1000, &w, &QDialog::accept);
    w.exec();
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

void SplashWindow::mousePressEvent(QMouseEvent*) { accept(); }

}  // namespace velo
