#include "shell/FrameIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "base/CommandIds.h"

namespace velo {

namespace {

// One palette for every picture: a dark outline, paper, and five colours.
const QColor kInk(43, 43, 43);
const QColor kPaper(253, 253, 246);
const QColor kBlue(47, 109, 181);
const QColor kSky(156, 195, 238);
const QColor kFolder(232, 184, 74);
const QColor kRed(200, 54, 46);
const QColor kGreen(47, 143, 78);
const QColor kGrey(128, 128, 128);

using Draw = std::function<void(QPainter&)>;

QPen Outline(double w = 1.0, QColor c = kInk) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A sheet of paper with its top right corner folded.
void Page(QPainter& p, QRectF r, double fold = 4)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Outline());
    p.setBrush(kPaper);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
}

// Grey text lines inside a page.
void Lines(QPainter& p, double x0, double x1, double y0, int n, double step = 2.0)
{
    p.setPen(Outline(0.9, kGrey));
    for (int i = 0; i < n; ++i)
        p.drawLine(QPointF(x0, y0 + i * step), QPointF(x1, y0 + i * step));
}

void Folder(QPainter& p, QRectF r, QColor c = kFolder)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 1.5);
    path.lineTo(r.left() + 4.5, r.top() + 1.5);
    path.lineTo(r.left() + 5.5, r.top());
    path.lineTo(r.left() + 9, r.top());
    path.lineTo(r.left() + 10, r.top() + 1.5);
    path.lineTo(r.right(), r.top() + 1.5);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Outline());
    p.setBrush(c);
    p.drawPath(path);
    p.setPen(Outline(0.8, c.darker(140)));
    p.drawLine(QPointF(r.left() + 0.8, r.top() + 3.5), QPointF(r.right() - 0.8, r.top() + 3.5));
}

// A solid arrow from `from` to `to`, shaft width w.
void Arrow(QPainter& p, QPointF from, QPointF to, QColor c, double w = 2.4, double head = 3.2)
{
    QLineF l(from, to);
    const double len = l.length();
    QPainterPath path;
    path.moveTo(0, -w / 2);
    path.lineTo(len - head * 1.2, -w / 2);
    path.lineTo(len - head * 1.2, -head);
    path.lineTo(len, 0);
    path.lineTo(len - head * 1.2, head);
    path.lineTo(len - head * 1.2, w / 2);
    path.lineTo(0, w / 2);
    path.closeSubpath();
    p.save();
    p.translate(from);
    p.rotate(-l.angle());
    p.setPen(Outline(0.8, c.darker(150)));
    p.setBrush(c);
    p.drawPath(path);
    p.restore();
}

// A telephone handset, earpieces down, centred on (8, 8) before `turn`.
void Handset(QPainter& p, QColor c, double turn = 0, double scale = 1.0, QPointF at = {8, 8})
{
    p.save();
    p.translate(at);
    p.rotate(turn);
    p.scale(scale, scale);
    p.translate(-8, -8);
    QPainterPath handle;
    handle.moveTo(3.6, 10);
    handle.cubicTo(3.2, 3.4, 12.8, 3.4, 12.4, 10);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.darker(160), 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(handle);
    p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(handle);
    p.setPen(Outline(0.8, c.darker(160)));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(1.2, 9.2, 5, 3.4), 1.4, 1.4);
    p.drawRoundedRect(QRectF(9.8, 9.2, 5, 3.4), 1.4, 1.4);
    p.restore();
}

// Text centred in r, in the sans face the program ships with.
void Glyph(QPainter& p, QRectF r, const QString& text, QColor c, double px, bool bold = true)
{
    QFont f(QStringLiteral("NanumGothicCoding"));
    f.setStyleHint(QFont::SansSerif);
    // Sized in grid units: the painter's scale makes it pixels.
    f.setPixelSize(std::max(1, int(px + 0.5)));
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// A keyboard key with a label.
void Keycap(QPainter& p, const QString& label, QColor face = kPaper, QColor text = kInk)
{
    p.setPen(Outline());
    p.setBrush(face.darker(115));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(2.7, 2.2, 10.6, 10), 1.6, 1.6);
    Glyph(p, QRectF(2.7, 2.2, 10.6, 10), label, text, 9.5);
}

// Filled triangles pointing left (dir -1) or right (dir 1), `count` of them.
void Triangles(QPainter& p, int dir, int count, QColor c)
{
    const double w = count == 1 ? 7 : 5.5;
    double x = count == 1 ? 8 - dir * w / 2 : 8 - dir * w;
    p.setPen(Outline(0.8, c.darker(150)));
    p.setBrush(c);
    for (int i = 0; i < count; ++i) {
        QPolygonF t;
        t << QPointF(x, 3) << QPointF(x + dir * w, 8) << QPointF(x, 13);
        p.drawPolygon(t);
        x += dir * w;
    }
}

void Magnifier(QPainter& p, QPointF centre, double r)
{
    p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(r * 0.7, r * 0.7), centre + QPointF(r * 1.9, r * 1.9));
    p.setPen(Outline(1.2));
    p.setBrush(QColor(220, 236, 252));
    p.drawEllipse(centre, r, r);
}

void Pencil(QPainter& p, QPointF tip, double len = 10)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    QPolygonF body;
    body << QPointF(2.5, -1.4) << QPointF(len, -1.4) << QPointF(len, 1.4) << QPointF(2.5, 1.4);
    p.setPen(Outline(0.8));
    p.setBrush(QColor(240, 190, 60));
    p.drawPolygon(body);
    QPolygonF point;
    point << QPointF(0, 0) << QPointF(2.5, -1.4) << QPointF(2.5, 1.4);
    p.setBrush(QColor(240, 220, 180));
    p.drawPolygon(point);
    p.setBrush(kRed);
    p.drawRect(QRectF(len, -1.4, 1.6, 2.8));
    p.restore();
}

// The record for the capture bar: a page with its lines.
void CapturePage(QPainter& p)
{
    Page(p, QRectF(2.5, 1.5, 10, 13));
    Lines(p, 4.5, 10.5, 6, 4);
}

Draw DrawFor(int id)
{
    switch (id) {
    // Phone bar
    case ID_PHONE_BOOK:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1, 1);
            p.setBrush(kPaper);
            p.drawRect(QRectF(2.5, 1.5, 2, 13));
            Handset(p, kPaper, 0, 0.55, {9, 8.5});
        };
    case ID_CONN_HANGUP:
        return [](QPainter& p) {
            // The handset put down: earpieces below, a bar under it.
            Handset(p, kRed, 0, 1.0, {8, 6.5});
            p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(2.5, 14), QPointF(13.5, 14));
        };
    case ID_REDIAL:
        return [](QPainter& p) {
            Handset(p, kGreen, 0, 0.8, {8, 10.5});
            p.setPen(QPen(kBlue, 2.0, Qt::SolidLine, Qt::FlatCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3.5, 1, 9, 7), 20 * 16, 300 * 16);
            QPolygonF head;
            head << QPointF(10.2, 0.2) << QPointF(14.4, 3.2) << QPointF(10.0, 5.2);
            p.setPen(Outline(0.6, kBlue));
            p.setBrush(kBlue);
            p.drawPolygon(head);
        };
    case ID_NEW_WINDOW:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 2.5, 11, 10));
            p.setBrush(kBlue);
            p.drawRect(QRectF(1.5, 2.5, 11, 2.5));
            p.setPen(QPen(kGreen.darker(130), 3.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(12, 9.5), QPointF(12, 15));
            p.drawLine(QPointF(9.25, 12.25), QPointF(14.75, 12.25));
            p.setPen(QPen(kGreen.lighter(120), 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(12, 9.5), QPointF(12, 15));
            p.drawLine(QPointF(9.25, 12.25), QPointF(14.75, 12.25));
        };
    // Macro bar
    case ID_MACRO_DEFINE:
        return [](QPainter& p) {
            Keycap(p, QStringLiteral("M"), kSky);
            Pencil(p, QPointF(8.5, 14.5), 8);
        };
    // Shortcut bar: the service keys
    case ID_SVC_TOP:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kPaper);
            QPolygonF house;
            house << QPointF(3, 8) << QPointF(8, 3) << QPointF(13, 8) << QPointF(13, 14) << QPointF(3, 14);
            p.drawPolygon(house);
            p.setBrush(kRed);
            QPolygonF roof;
            roof << QPointF(1.5, 8.5) << QPointF(8, 2) << QPointF(14.5, 8.5) << QPointF(13, 9.5) << QPointF(8, 4.5)
                 << QPointF(3, 9.5);
            p.drawPolygon(roof);
            p.setBrush(kBlue);
            p.drawRect(QRectF(6.5, 10, 3, 4));
        };
    case ID_SVC_UP:
        return [](QPainter& p) {
            Arrow(p, QPointF(8, 14), QPointF(8, 4.5), kBlue, 2.6, 3.6);
            p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 2), QPointF(13, 2));
        };
    case ID_SVC_ENTER:
        return [](QPainter& p) {
            p.setPen(QPen(kBlue.darker(150), 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            QPolygonF hook;
            hook << QPointF(13, 3) << QPointF(13, 10) << QPointF(7, 10);
            p.drawPolyline(hook);
            p.setPen(QPen(kBlue, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(hook);
            Arrow(p, QPointF(8, 10), QPointF(1.5, 10), kBlue, 2.0, 3.4);
        };
    case ID_SVC_PREV_ITEM:
        return [](QPainter& p) { Triangles(p, -1, 1, kGreen); };
    case ID_SVC_NEXT_ITEM:
        return [](QPainter& p) { Triangles(p, 1, 1, kGreen); };
    case ID_SVC_PREV_PAGE:
        return [](QPainter& p) { Triangles(p, -1, 2, kBlue); };
    case ID_SVC_NEXT_PAGE:
        return [](QPainter& p) { Triangles(p, 1, 2, kBlue); };
    // Character bar
    case ID_SHOW_KS:
        return [](QPainter& p) { Keycap(p, QStringLiteral("완"), kPaper, kBlue.darker(120)); };
    case ID_SHOW_JOHAB:
        return [](QPainter& p) { Keycap(p, QStringLiteral("조"), kPaper, kGreen.darker(120)); };
    case ID_FONT_LARGER:
        return [](QPainter& p) {
            Glyph(p, QRectF(0, 2, 11, 14), QStringLiteral("가"), kInk, 11);
            Arrow(p, QPointF(13, 9), QPointF(13, 1), kGreen, 2.0, 2.8);
        };
    case ID_FONT_SMALLER:
        return [](QPainter& p) {
            Glyph(p, QRectF(0, 5, 10, 11), QStringLiteral("가"), kInk, 7.5);
            Arrow(p, QPointF(13, 1), QPointF(13, 9), kRed, 2.0, 2.8);
        };
    // Capture bar
    case ID_CAPTURE_EMPTY:
        return [](QPainter& p) {
            Page(p, QRectF(2.5, 1.5, 10, 13));
            p.setPen(QPen(kRed, 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(5, 6), QPointF(10, 11));
            p.drawLine(QPointF(10, 6), QPointF(5, 11));
        };
    case ID_CAPTURE_OPEN:
        return [](QPainter& p) {
            CapturePage(p);
            Magnifier(p, QPointF(9.5, 9.5), 3);
        };
    case ID_CAPTURE_PAUSE:
        return [](QPainter& p) {
            p.setPen(Outline(0.8, kBlue.darker(150)));
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(3.5, 3, 3.2, 10), 0.8, 0.8);
            p.drawRoundedRect(QRectF(9.3, 3, 3.2, 10), 0.8, 0.8);
        };
    case ID_CAPTURE_END:
        return [](QPainter& p) {
            p.setPen(Outline(0.8, kInk));
            p.setBrush(kGrey.darker(130));
            p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1, 1);
        };
    case ID_CAPTURE_CHOOSE:
        return [](QPainter& p) {
            Folder(p, QRectF(1.5, 3, 13, 10));
            Page(p, QRectF(6.5, 6.5, 7, 8.5), 2.5);
        };
    case ID_CAPTURE_START:
        return [](QPainter& p) {
            p.setPen(Outline(0.8, kRed.darker(150)));
            p.setBrush(kRed);
            p.drawEllipse(QPointF(8, 8), 5, 5);
        };
    case ID_ANSI_CAPTURE:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kInk);
            p.drawRect(QRectF(1.5, 2.5, 13, 9));
            Glyph(p, QRectF(1.5, 2.5, 13, 9), QStringLiteral("ANSI"), QColor(120, 230, 120), 5);
            p.setPen(Outline());
            p.drawLine(QPointF(8, 11.5), QPointF(8, 13.5));
            p.drawLine(QPointF(5, 13.5), QPointF(11, 13.5));
        };
    case ID_CODE_CAPTURE:
        return [](QPainter& p) {
            Page(p, QRectF(2.5, 1.5, 10, 13));
            Glyph(p, QRectF(2.5, 3, 10, 6), QStringLiteral("1B"), kBlue.darker(120), 5.5);
            Glyph(p, QRectF(2.5, 8.5, 10, 6), QStringLiteral("5B"), kBlue.darker(120), 5.5);
        };
    // Tool bar
    case ID_FILE_NEW:
        return [](QPainter& p) {
            Page(p, QRectF(3, 1.5, 10, 13));
            p.setPen(QPen(QColor(230, 170, 0), 1.4, Qt::SolidLine, Qt::RoundCap));
            const QPointF c(4.5, 4);
            p.drawLine(c + QPointF(-2.5, 0), c + QPointF(2.5, 0));
            p.drawLine(c + QPointF(0, -2.5), c + QPointF(0, 2.5));
            p.drawLine(c + QPointF(-1.7, -1.7), c + QPointF(1.7, 1.7));
            p.drawLine(c + QPointF(-1.7, 1.7), c + QPointF(1.7, -1.7));
        };
    case ID_FILE_OPEN:
        return [](QPainter& p) {
            Folder(p, QRectF(1.5, 3, 12, 10));
            QPolygonF flap;
            flap << QPointF(3.5, 7) << QPointF(15, 7) << QPointF(13.5, 13) << QPointF(1.5, 13);
            p.setPen(Outline());
            p.setBrush(kFolder.lighter(115));
            p.drawPolygon(flap);
        };
    case ID_COPY:
        return [](QPainter& p) {
            Page(p, QRectF(1.5, 1.5, 8, 10), 3);
            Page(p, QRectF(6.5, 4.5, 8, 10), 3);
            Lines(p, 8, 12.5, 9, 3);
        };
    case ID_PASTE:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(QColor(176, 124, 70));
            p.drawRoundedRect(QRectF(2, 2.5, 10, 12), 1, 1);
            p.setBrush(kGrey.lighter(130));
            p.drawRoundedRect(QRectF(4.5, 1, 5, 3), 0.8, 0.8);
            Page(p, QRectF(7, 6, 7.5, 9), 2.5);
            Lines(p, 8.5, 12.5, 10, 2);
        };
    case ID_OPEN_CAPTURE_DIR:
        return [](QPainter& p) {
            Folder(p, QRectF(1.5, 3, 13, 10));
            p.setPen(Outline(0.8, kRed.darker(150)));
            p.setBrush(kRed);
            p.drawEllipse(QPointF(8, 9), 2.6, 2.6);
        };
    case ID_OPEN_DOWNLOADS:
        return [](QPainter& p) {
            Folder(p, QRectF(1.5, 5, 13, 10));
            Arrow(p, QPointF(8, 0.5), QPointF(8, 12), kGreen, 2.4, 3.2);
        };
    case ID_HEADER_FOOTER:
        return [](QPainter& p) {
            QPainterPath b;
            b.addRoundedRect(QRectF(1.5, 2, 13, 9), 3, 3);
            QPolygonF tail;
            tail << QPointF(4, 10) << QPointF(3.5, 14) << QPointF(8, 10.5);
            b.addPolygon(tail);
            p.setPen(Outline());
            p.setBrush(kPaper);
            p.drawPath(b.simplified());
            Lines(p, 4, 12, 5, 2, 2.5);
        };
    case ID_CHARMAP:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setPen(Outline(0.7, kGrey));
            for (double v : {5.83, 10.17}) {
                p.drawLine(QPointF(v, 1.5), QPointF(v, 14.5));
                p.drawLine(QPointF(1.5, v), QPointF(14.5, v));
            }
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawRect(QRectF(6.3, 6.3, 3.4, 3.4));
            Glyph(p, QRectF(1.5, 1.5, 4.33, 4.33), QStringLiteral("ㄱ"), kInk, 4);
            Glyph(p, QRectF(10.17, 10.17, 4.33, 4.33), QStringLiteral("A"), kInk, 4);
        };
    case ID_FIND_WORDS:
        return [](QPainter& p) {
            CapturePage(p);
            Magnifier(p, QPointF(7, 7), 3.6);
        };
    case ID_SOUNDS:
        return [](QPainter& p) {
            QPolygonF speaker;
            speaker << QPointF(2, 6) << QPointF(5, 6) << QPointF(9, 2.5) << QPointF(9, 13.5) << QPointF(5, 10)
                    << QPointF(2, 10);
            p.setPen(Outline());
            p.setBrush(kGrey.lighter(140));
            p.drawPolygon(speaker);
            p.setPen(QPen(kBlue, 1.3, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(7, 5, 5, 6), -50 * 16, 100 * 16);
            p.drawArc(QRectF(6.5, 2.5, 8, 11), -55 * 16, 110 * 16);
        };
    // Transfer bar
    case ID_SEND_MAIL:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kPaper);
            p.drawRect(QRectF(1.5, 3.5, 13, 9));
            p.setBrush(Qt::NoBrush);
            QPolygonF flap;
            flap << QPointF(1.5, 3.5) << QPointF(8, 8.5) << QPointF(14.5, 3.5);
            p.drawPolyline(flap);
            p.setPen(Outline(0.8, kRed));
            p.drawLine(QPointF(1.5, 12.5), QPointF(6, 8.5));
            p.drawLine(QPointF(14.5, 12.5), QPointF(10, 8.5));
        };
    case ID_WRITE_POST:
        return [](QPainter& p) {
            Page(p, QRectF(1.5, 1.5, 10, 13));
            Lines(p, 3.5, 9, 5, 3, 2.5);
            Pencil(p, QPointF(7, 13.5), 10);
        };
    case ID_CANCEL_SENDING:
        return [](QPainter& p) {
            p.setPen(QPen(kRed, 2.0));
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(8, 8), 5.6, 5.6);
            p.drawLine(QPointF(4.1, 4.1), QPointF(11.9, 11.9));
        };
    case ID_ZMODEM_SEND:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kGrey.lighter(140));
            p.drawRect(QRectF(1.5, 11, 13, 3.5));
            Arrow(p, QPointF(8, 12), QPointF(8, 1), kBlue, 2.6, 3.4);
        };
    case ID_ZMODEM_RECEIVE:
        return [](QPainter& p) {
            p.setPen(Outline());
            p.setBrush(kGrey.lighter(140));
            p.drawRect(QRectF(1.5, 11, 13, 3.5));
            Arrow(p, QPointF(8, 1), QPointF(8, 12), kGreen, 2.6, 3.4);
        };
    default:
        break;
    }
    for (int slot = 0; slot < 10; ++slot)
        if (id == MacroSlotCommand(slot))
            return [slot](QPainter& p) { Keycap(p, QString::number((slot + 1) % 10)); };
    return {};
}

}  // namespace

QIcon BarIcon(int commandId)
{
    Draw draw = DrawFor(commandId);
    if (!draw)
        return {};
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace velo
