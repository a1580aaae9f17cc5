#include "transfer/ui/PercentPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

#include "transfer/TransferFigures.h"

namespace velo {

namespace {

// Segments a..g of a seven-segment digit, lit per digit (bit 0 = a).
//   aaa
//  f   b
//   ggg
//  e   c
//   ddd
constexpr std::array<uint8_t, 10> kLit = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

const QColor kFace(24, 32, 40);
const QColor kOn(90, 230, 120);
const QColor kOff(40, 62, 52);

// A segment as a six-sided bar from (x1,y1) to (x2,y2), t pixels thick.
QPainterPath Bar(qreal x1, qreal y1, qreal x2, qreal y2, qreal t)
{
    QPainterPath p;
    const qreal h = t / 2;
    if (y1 == y2) {
        p.moveTo(x1, y1);
        p.lineTo(x1 + h, y1 - h);
        p.lineTo(x2 - h, y1 - h);
        p.lineTo(x2, y1);
        p.lineTo(x2 - h, y1 + h);
        p.lineTo(x1 + h, y1 + h);
    } else {
        p.moveTo(x1, y1);
        p.lineTo(x1 + h, y1 + h);
        p.lineTo(x1 + h, y2 - h);
        p.lineTo(x1, y2);
        p.lineTo(x1 - h, y2 - h);
        p.lineTo(x1 - h, y1 + h);
    }
    p.closeSubpath();
    return p;
}

QPixmap Face()
{
    QPixmap pm(PercentPicture::kWidth, PercentPicture::kHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kFace);
    p.drawRoundedRect(QRectF(0, 0, pm.width(), pm.height()), 2, 2);
    return pm;
}

QPixmap Digit(int d)
{
    QPixmap pm = Face();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const qreal l = 3, r = 10, top = 3, mid = 11, bot = 19, t = 2.4;
    const QPainterPath seg[7] = {
        Bar(l, top, r, top, t), Bar(r, top, r, mid, t), Bar(r, mid, r, bot, t), Bar(l, bot, r, bot, t),
        Bar(l, mid, l, bot, t), Bar(l, top, l, mid, t), Bar(l, mid, r, mid, t),
    };
    for (int i = 0; i < 7; ++i) {
        p.setBrush((kLit[size_t(d)] >> i) & 1 ? kOn : kOff);
        p.drawPath(seg[i]);
    }
    return pm;
}

QPixmap PercentSign()
{
    QPixmap pm = Face();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kOn, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2.5, 3.5, 3.5, 4.5));
    p.drawEllipse(QRectF(7, 14, 3.5, 4.5));
    p.setPen(QPen(kOn, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 4), QPointF(3, 18));
    return pm;
}

}  // namespace

const QPixmap& PercentPicture::Picture(int index)
{
    static const std::array<QPixmap, 11> pics = [] {
        std::array<QPixmap, 11> a;
        for (int d = 0; d < 10; ++d)
            a[size_t(d)] = Digit(d);
        a[zm::kPercentPicture] = PercentSign();
        return a;
    }();
    return pics[size_t(std::clamp(index, 0, 10))];
}

PercentPicture::PercentPicture(QWidget* parent) : QWidget(parent)
{
    // Room for "100%": four pictures.
    setFixedSize(4 * kStep, kHeight);
}

void PercentPicture::SetPercent(int percent)
{
    if (percent == percent_)
        return;
    percent_ = percent;
    update();
}

void PercentPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const std::vector<int> pics = zm::PercentPictures(percent_);
    const int width = int(pics.size()) * kStep - (kStep - kWidth);
    int x = (this->width() - width) / 2;
    const int y = (height() - kHeight) / 2;
    for (int pic : pics) {
        p.drawPixmap(x, y, Picture(pic));
        x += kStep;
    }
}

}  // namespace velo
