#include "connect/ui/ServiceIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace velo {

namespace {

// Every picture is drawn in a 32-unit square, scaled to the pixmap.
constexpr double kUnit = 32.0;

void Tile(QPainter& p, QColor top, QColor bottom)
{
    QLinearGradient g(0, 0, 0, kUnit);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, kUnit - 3, kUnit - 3), 6, 6);
}

// 천리안, "the eye that sees a thousand li": an eye on deep blue.
void Chollian(QPainter& p)
{
    Tile(p, QColor(0x3A, 0x7B, 0xD5), QColor(0x12, 0x3C, 0x8C));
    QPainterPath eye;
    eye.moveTo(5, 16);
    eye.quadTo(16, 5, 27, 16);
    eye.quadTo(16, 27, 5, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(eye);
    p.setBrush(QColor(0x1E, 0x90, 0xFF));
    p.drawEllipse(QPointF(16, 16), 5.2, 5.2);
    p.setBrush(QColor(0x0A, 0x14, 0x30));
    p.drawEllipse(QPointF(16, 16), 2.4, 2.4);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(17.6, 14.4), 1.1, 1.1);
}

// 하이텔: a mast sending waves, on red.
void Hitel(QPainter& p)
{
    Tile(p, QColor(0xF0, 0x5A, 0x4A), QColor(0xA8, 0x1C, 0x1C));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPolygonF mast;
    mast << QPointF(14.5, 12) << QPointF(17.5, 12) << QPointF(22, 27) << QPointF(19, 27) << QPointF(16, 17)
         << QPointF(13, 27) << QPointF(10, 27);
    p.drawPolygon(mast);
    p.drawEllipse(QPointF(16, 10), 2.4, 2.4);
    QPen wave(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    for (double r : {5.5, 9.0}) {
        QRectF box(16 - r, 10 - r, 2 * r, 2 * r);
        p.drawArc(box, 30 * 16, 60 * 16);
        p.drawArc(box, 90 * 16, 60 * 16);
    }
}

// 나우콤, "now": a clock face on green.
void Nowcom(QPainter& p)
{
    Tile(p, QColor(0x5C, 0xC8, 0x6A), QColor(0x1C, 0x7A, 0x34));
    p.setPen(QPen(QColor(0x14, 0x50, 0x22), 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 16), 10.5, 10.5);
    p.setPen(QPen(QColor(0x14, 0x50, 0x22), 1.4, Qt::SolidLine, Qt::RoundCap));
    for (int h = 0; h < 12; h += 3) {
        double a = h * M_PI / 6;
        p.drawLine(QPointF(16 + 8 * std::sin(a), 16 - 8 * std::cos(a)),
                   QPointF(16 + 9.6 * std::sin(a), 16 - 9.6 * std::cos(a)));
    }
    p.setPen(QPen(QColor(0x10, 0x30, 0x18), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16, 8.5));
    p.drawLine(QPointF(16, 16), QPointF(21, 18.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0x40, 0x30));
    p.drawEllipse(QPointF(16, 16), 1.5, 1.5);
}

// 유니텔: a globe of meridians and parallels on violet.
void Unitel(QPainter& p)
{
    Tile(p, QColor(0x9B, 0x6B, 0xE0), QColor(0x4E, 0x26, 0x96));
    QRectF ball(6, 6, 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xF0, 0xFF));
    p.drawEllipse(ball);
    p.setPen(QPen(QColor(0x4E, 0x26, 0x96), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ball);
    p.drawEllipse(QRectF(11.5, 6, 9, 20));
    p.drawLine(QPointF(16, 6), QPointF(16, 26));
    p.drawLine(QPointF(6, 16), QPointF(26, 16));
    p.drawLine(QPointF(8, 11), QPointF(24, 11));
    p.drawLine(QPointF(8, 21), QPointF(24, 21));
}

// Kestrix: a kestrel's outline in flight on amber.
void Kestrix(QPainter& p)
{
    Tile(p, QColor(0xFF, 0xB8, 0x3A), QColor(0xC4, 0x62, 0x0A));
    QPainterPath bird;
    bird.moveTo(16, 11);
    bird.cubicTo(12, 8, 7, 8, 3, 11);
    bird.cubicTo(8, 12, 11, 14, 14, 17);
    bird.lineTo(13.5, 24);
    bird.lineTo(16, 22.5);
    bird.lineTo(18.5, 24);
    bird.lineTo(18, 17);
    bird.cubicTo(21, 14, 24, 12, 29, 11);
    bird.cubicTo(25, 8, 20, 8, 16, 11);
    bird.closeSubpath();
    p.setPen(QPen(QColor(0x5A, 0x28, 0x06), 1.0));
    p.setBrush(QColor(0x3A, 0x1C, 0x08));
    p.drawPath(bird);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE0, 0x80));
    p.drawEllipse(QPointF(16, 12.2), 1.3, 1.3);
}

// Any other host: a small terminal with a prompt.
void Other(QPainter& p)
{
    p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.2));
    p.setBrush(QColor(0xC8, 0xCC, 0xD4));
    p.drawRoundedRect(QRectF(3, 4, 26, 19), 3, 3);
    p.setBrush(QColor(0x16, 0x1A, 0x22));
    p.drawRect(QRectF(6, 7, 20, 13));
    p.setBrush(QColor(0xA0, 0xA4, 0xAC));
    p.drawRect(QRectF(13, 23, 6, 3));
    p.drawRoundedRect(QRectF(8, 26, 16, 3), 1.5, 1.5);
    p.setPen(QPen(QColor(0x5C, 0xF0, 0x70), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(9, 10.5) << QPointF(12, 13) << QPointF(9, 15.5));
    p.drawLine(QPointF(14, 16), QPointF(19, 16));
}

template <typename Paint>
QIcon Draw(Paint paint, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int px : sizes) {
        QPixmap pm(px, px);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(px / kUnit, px / kUnit);
        paint(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// Tool bar glyphs: dark strokes on nothing.
void Glyph(QPainter& p, PhoneBookGlyph g)
{
    const QColor ink(0x30, 0x34, 0x3C);
    QPen pen(ink, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto card = [&] {
        p.setPen(QPen(ink, 1.6));
        p.setBrush(QColor(0xFA, 0xFA, 0xF4));
        p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
        p.setPen(QPen(QColor(0x90, 0x94, 0x9C), 1.4));
        for (double y : {11.0, 16.0, 21.0})
            p.drawLine(QPointF(8, y), QPointF(20, y));
    };
    switch (g) {
    case PhoneBookGlyph::Add:
        card();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2E, 0x9E, 0x44));
        p.drawEllipse(QPointF(23, 23), 7, 7);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(23, 19), QPointF(23, 27));
        p.drawLine(QPointF(19, 23), QPointF(27, 23));
        break;
    case PhoneBookGlyph::Edit: {
        card();
        QPolygonF pencil;
        pencil << QPointF(27, 9) << QPointF(30, 12) << QPointF(18, 24) << QPointF(14, 25) << QPointF(15, 21);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(0xF2, 0xB1, 0x34));
        p.drawPolygon(pencil);
        break;
    }
    case PhoneBookGlyph::Delete:
        card();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xD0, 0x30, 0x2C));
        p.drawEllipse(QPointF(23, 23), 7, 7);
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(26, 26));
        p.drawLine(QPointF(26, 20), QPointF(20, 26));
        break;
    case PhoneBookGlyph::Save:
        p.setPen(QPen(ink, 1.6));
        p.setBrush(QColor(0x3C, 0x64, 0xB4));
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2.5, 2.5);
        p.setBrush(QColor(0xF4, 0xF4, 0xF0));
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(0xDC, 0xE4, 0xF0));
        p.drawRect(QRectF(8, 17, 16, 11));
        p.setBrush(ink);
        p.drawRect(QRectF(18, 6, 3, 5));
        break;
    case PhoneBookGlyph::LargeIcons:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (double x : {5.0, 18.0})
            for (double y : {5.0, 18.0})
                p.drawRoundedRect(QRectF(x, y, 9, 9), 1.5, 1.5);
        break;
    case PhoneBookGlyph::SmallIcons:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (double x : {4.0, 17.0})
            for (double y : {6.0, 14.0, 22.0}) {
                p.drawRect(QRectF(x, y, 4, 4));
                p.drawRect(QRectF(x + 6, y + 1.2, 5, 1.6));
            }
        break;
    case PhoneBookGlyph::List:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (double y : {5.0, 11.0, 17.0, 23.0}) {
            p.drawRect(QRectF(5, y, 4, 4));
            p.drawRect(QRectF(11, y + 1.2, 15, 1.6));
        }
        break;
    case PhoneBookGlyph::Details:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(4, 4, 24, 3));
        for (double y : {10.0, 16.0, 22.0}) {
            p.drawRect(QRectF(4, y, 3, 3));
            p.drawRect(QRectF(9, y + 0.8, 8, 1.6));
            p.drawRect(QRectF(20, y + 0.8, 8, 1.6));
        }
        break;
    }
}

}  // namespace

QIcon ServiceIcon(int service)
{
    static void (*const kPainters[])(QPainter&) = {Chollian, Hitel, Nowcom, Unitel, Kestrix};
    void (*paint)(QPainter&) = service >= 0 && service < 5 ? kPainters[service] : Other;
    return Draw(paint, {16, 32, 48});
}

QIcon PhoneBookToolIcon(PhoneBookGlyph glyph)
{
    return Draw([glyph](QPainter& p) { Glyph(p, glyph); }, {16, 24, 32});
}

}  // namespace velo
