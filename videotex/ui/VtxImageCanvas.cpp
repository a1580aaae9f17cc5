#include "videotex/ui/VtxImageCanvas.h"

#include <QBrush>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "terminal/HangulCodec.h"
#include "videotex/VtxGeometry.h"

namespace velo {

namespace {

// Drawn pixels of the four 8 x 8 fill patterns, one byte per row from the
// top, bit 7 = column 0.
constexpr uint8_t kPatterns[4][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // solid
    {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},  // columns 0, 2, 4, 6
    {0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF},  // rows 1, 3, 5, 7
    {0xAA, 0xFF, 0xAA, 0xFF, 0xAA, 0xFF, 0xAA, 0xFF},  // cross-hatch
};

// Room the copy of a filled shape leaves around its box for the border pen.
constexpr int kCopyMargin = 4;

// The cell of a text glyph may not exceed this (a character size operand can
// ask for a cell the size of the screen).
constexpr int kMaxGlyphPx = 1024;

const char* const kFontFamily = "NanumGothicCoding";

QColor ToQColor(VtxRgb c) { return QColor(c.r, c.g, c.b); }

Qt::PenStyle LineStyle(int texture)
{
    switch (texture) {
    case 1:
        return Qt::DotLine;
    case 2:
        return Qt::DashLine;
    case 3:
        return Qt::DashDotLine;
    default:
        return Qt::SolidLine;
    }
}

// One pixel wide (cosmetic) below a pel of 2 pixels, else pelPx - 1.
int PenWidth(const VtxState& st) { return st.pelPx >= 2 ? st.pelPx - 1 : 0; }

QPen MakePen(QColor colour, int width, Qt::PenStyle style)
{
    QPen pen(colour, width, style, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

// Qt angles: degrees counter-clockwise from 3 o'clock, on the screen.
double ScreenAngle(double px, double py, double cx, double cy)
{
    return std::atan2(-(py - cy), px - cx) * 180.0 / std::numbers::pi;
}

double Normalise(double degrees)
{
    double a = std::fmod(degrees, 360.0);
    return a < 0 ? a + 360.0 : a;
}

}  // namespace

VtxImageCanvas::VtxImageCanvas(int width, int height)
    : visible_(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32),
      off_(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32),
      w_(kSurfaceWidth),
      h_(kSurfaceHeight)
{
    visible_.fill(Qt::black);
    off_.fill(Qt::black);
    SetSize(width, height);
}

void VtxImageCanvas::SetSize(int width, int height)
{
    w_ = std::clamp(width, 1, kSurfaceWidth);
    h_ = std::clamp(height, 1, kSurfaceHeight);
    fontsBuilt_ = false;
}

QImage VtxImageCanvas::Picture() const { return off_.copy(0, 0, w_, h_); }

QRect VtxImageCanvas::TakeDirty()
{
    QRect r = dirty_;
    dirty_ = QRect();
    return r;
}

int VtxImageCanvas::Px(double x) const { return VtxPx(x, w_); }
int VtxImageCanvas::Py(double y) const { return VtxPy(y, w_, h_); }

void VtxImageCanvas::Touch(const QRect& r)
{
    dirty_ |= r.intersected(visible_.rect());
}

template <class Draw>
void VtxImageCanvas::OnBoth(const QRect& bounds, Draw draw)
{
    for (QImage* img : {&visible_, &off_}) {
        QPainter p(img);
        draw(p);
    }
    Touch(bounds);
}

template <class Draw>
void VtxImageCanvas::FillOffscreen(const VtxState& st, const QRect& bounds, Draw draw)
{
    {
        QPainter p(&off_);
        draw(p);
    }
    const int grow = st.pelPx + kCopyMargin;
    CopyToVisible(bounds.adjusted(-grow, -grow, grow, grow));
}

template <class Shape>
void VtxImageCanvas::DrawShape(const VtxState& st, const QRect& box, bool filled, Shape shape)
{
    if (!filled) {
        const QPen pen = OutlinePen(st);
        const int grow = PenWidth(st) + 1;
        OnBoth(box.adjusted(-grow, -grow, grow, grow), [&](QPainter& painter) {
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            shape(painter);
        });
        return;
    }
    const QBrush interior = Interior(st);
    const QPen border = BorderPen(st);
    FillOffscreen(st, box, [&](QPainter& painter) {
        painter.setPen(border);
        painter.setBrush(interior);
        shape(painter);
    });
}

void VtxImageCanvas::CopyToVisible(QRect box)
{
    box = box.intersected(off_.rect());
    if (box.isEmpty())
        return;
    const size_t bytes = static_cast<size_t>(box.width()) * 4;
    for (int y = box.top(); y <= box.bottom(); ++y)
        std::memcpy(visible_.scanLine(y) + box.left() * 4, off_.constScanLine(y) + box.left() * 4,
                    bytes);
    Touch(box);
}

QPen VtxImageCanvas::OutlinePen(const VtxState& st) const
{
    return MakePen(ToQColor(st.drawColour), PenWidth(st), LineStyle(st.lineTexture));
}

QPen VtxImageCanvas::BorderPen(const VtxState& st) const
{
    VtxRgb colour = st.drawColour;
    if (st.highlight)
        colour = st.colourMode == 2 ? st.backColour : kVtxBlack;
    return MakePen(ToQColor(colour), PenWidth(st), Qt::SolidLine);
}

QBrush VtxImageCanvas::Interior(const VtxState& st) const
{
    if (st.pattern >= 4) {
        if (st.colourMode == 2)
            return QBrush(ToQColor(st.backColour));
        return Qt::NoBrush;
    }
    if (st.pelPx == 0 || st.pattern == 0)
        return QBrush(ToQColor(st.drawColour));
    // The pattern's drawn pixels in the draw colour; its gaps in the
    // background colour in colour mode 2, untouched otherwise.
    QImage tile(8, 8, QImage::Format_ARGB32);
    const QRgb on = qRgb(st.drawColour.r, st.drawColour.g, st.drawColour.b);
    const QRgb gap = st.colourMode == 2 ? qRgb(st.backColour.r, st.backColour.g, st.backColour.b)
                                        : qRgba(0, 0, 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile.setPixel(x, y, (kPatterns[st.pattern][y] & (0x80 >> x)) ? on : gap);
    return QBrush(tile);
}

void VtxImageCanvas::Point(const VtxState& st, VtxPoint p)
{
    if (st.pelPx == 0) {
        const int x = Px(p.x);
        const int y = Py(p.y);
        if (!visible_.rect().contains(x, y))
            return;
        const QRgb c = qRgb(st.drawColour.r, st.drawColour.g, st.drawColour.b);
        visible_.setPixel(x, y, c);
        off_.setPixel(x, y, c);
        Touch(QRect(x, y, 1, 1));
        return;
    }
    const double w = std::trunc(w_ * std::fabs(st.pel.x) + 0.5);
    const double h = std::trunc(w_ * std::fabs(st.pel.y) + 0.5);
    const QRect r(Px(std::min(p.x, p.x + st.pel.x)), Py(std::max(p.y, p.y + st.pel.y)),
                  static_cast<int>(std::min(w, double(kVtxPixelLimit))),
                  static_cast<int>(std::min(h, double(kVtxPixelLimit))));
    const QRect clipped = r.intersected(visible_.rect());
    if (clipped.isEmpty())
        return;
    OnBoth(clipped, [&](QPainter& painter) { painter.fillRect(clipped, ToQColor(st.drawColour)); });
}

void VtxImageCanvas::Line(const VtxState& st, VtxPoint a, VtxPoint b)
{
    const QPoint pa(Px(a.x), Py(a.y));
    const QPoint pb(Px(b.x), Py(b.y));
    const int grow = PenWidth(st) + 1;
    const QRect bounds = QRect(pa, pb).normalized().adjusted(-grow, -grow, grow, grow);
    const QPen pen = OutlinePen(st);
    // A flat-capped cosmetic line leaves out its end pixel.
    OnBoth(bounds, [&](QPainter& painter) {
        painter.setPen(pen);
        painter.drawLine(pa, pb);
    });
}

void VtxImageCanvas::Rect(const VtxState& st, VtxPoint a, VtxPoint b, bool filled)
{
    const int left = Px(std::min(a.x, b.x));
    const int right = Px(std::max(a.x, b.x));
    const int top = Py(std::max(a.y, b.y));
    const int bottom = Py(std::min(a.y, b.y));
    // The shape covers left..right-1 and top..bottom-1: the right and bottom
    // edges are exclusive, and an empty rectangle draws nothing.
    if (right <= left || bottom <= top)
        return;
    const QRect area(left, top, right - left, bottom - top);
    const QRect outline(left, top, right - left - 1, bottom - top - 1);
    DrawShape(st, area, filled, [&](QPainter& painter) { painter.drawRect(outline); });
}

void VtxImageCanvas::Polygon(const VtxState& st, int count, bool filled)
{
    if (count <= 0)
        return;
    QPolygon poly(count);
    for (int i = 0; i < count; ++i)
        poly[i] = QPoint(Px(st.vx[i]), Py(st.vy[i]));
    DrawShape(st, poly.boundingRect(), filled,
              [&](QPainter& painter) { painter.drawPolygon(poly, Qt::OddEvenFill); });
}

void VtxImageCanvas::Arc(const VtxState& st, VtxPoint s, VtxPoint m, VtxPoint e, bool filled)
{
    const VtxArcShape shape = VtxArcGeometry(s, m, e);
    if (shape.kind == VtxArcShape::Line) {
        // Collinear and distinct: a straight line, also for a filled arc.
        Line(st, s, e);
        return;
    }
    const VtxPoint o = shape.centre;
    const double r = shape.radius;
    const int left = Px(o.x - r);
    const int right = Px(o.x + r);
    const int top = Py(o.y + r);
    const int bottom = Py(o.y - r);
    const QRect box(left, top, right - left, bottom - top);
    // The ellipse touches left and right - 1, top and bottom - 1.
    const QRectF oval(left, top, std::max(0, right - left - 1), std::max(0, bottom - top - 1));

    QPainterPath path;
    QPainterPath curve;
    if (shape.kind == VtxArcShape::Circle) {
        path.addEllipse(oval);
    } else {
        // From the radial through the start's pixel to the radial through the
        // end's pixel, the way round that passes the middle point. The way
        // round is decided in unit space, where the points are exact.
        const double cx = (left + right - 1) / 2.0;
        const double cy = (top + bottom - 1) / 2.0;
        const double a0 = ScreenAngle(Px(s.x), Py(s.y), cx, cy);
        const double a1 = ScreenAngle(Px(e.x), Py(e.y), cx, cy);
        auto unitAngle = [&o](VtxPoint p) {
            return std::atan2(p.y - o.y, p.x - o.x) * 180.0 / std::numbers::pi;
        };
        const double us = unitAngle(s);
        const bool counterClockwise =
            Normalise(unitAngle(m) - us) <= Normalise(unitAngle(e) - us);
        double sweep = Normalise(a1 - a0);
        if (sweep == 0)
            sweep = 360;  // start and end on one radial: the whole circle
        if (!counterClockwise)
            sweep -= 360;
        if (sweep == 0)
            sweep = -360;
        path.arcMoveTo(oval, a0);
        path.arcTo(oval, a0, sweep);
        curve = path;
        if (filled)
            path.closeSubpath();  // the chord
    }

    DrawShape(st, box, filled, [&](QPainter& painter) { painter.drawPath(path); });
    if (!filled)
        return;
    if (st.highlight && shape.kind == VtxArcShape::Arc) {
        // The chord in the draw colour, the curved edge again in the
        // highlight pen, both on both surfaces.
        const QPen chord = MakePen(ToQColor(st.drawColour), st.pelPx, Qt::SolidLine);
        const QPointF from = curve.pointAtPercent(0);
        const QPointF to = curve.currentPosition();
        const int grow = st.pelPx + 1;
        OnBoth(box.adjusted(-grow, -grow, grow, grow), [&](QPainter& painter) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(chord);
            painter.drawLine(from, to);
            painter.setPen(BorderPen(st));
            painter.drawPath(curve);
        });
    }
}

void VtxImageCanvas::MakeFont(Font& f, int height, int latinWidth, bool underline) const
{
    f.usable = height > 0 && latinWidth > 0;
    if (!f.usable)
        return;
    height = std::min(height, kMaxGlyphPx);
    QFont font(QString::fromLatin1(kFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    font.setUnderline(underline);
    font.setPixelSize(height);
    // Width by stretching the face until its Latin advance is latinWidth:
    // the face's Hangul is exactly two Latin cells wide.
    const int natural = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
    if (natural > 0)
        font.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * latinWidth / natural)), 1, 4000));
    const QFontMetrics fm(font);
    f.font = font;
    f.ascent = fm.ascent();
    f.top = 0;
}

void VtxImageCanvas::RebuildFonts(const VtxState& st)
{
    const VtxCellSize cell = VtxFontCell(st.charW, st.charH, w_);
    // The two-byte font is two pixels lower and half as wide per Latin
    // advance, so one Hangul glyph fills one cell.
    MakeFont(single_, cell.h, cell.w, st.underline);
    MakeFont(double_, cell.h - 2, cell.w / 2, st.underline);
    double_.top = 1;
    fontsBuilt_ = true;
}

void VtxImageCanvas::Text(const VtxState& st, uint16_t code, bool twoByte)
{
    if (!fontsBuilt_)
        RebuildFonts(st);
    QString glyph;
    if (twoByte) {
        const char32_t u = hangul::KsToUnicode(code);
        if (u != 0)
            glyph = QString::fromUcs4(&u, 1);
    } else if (code >= 0x20 && code < 0x7F) {
        glyph = QChar(code);
    }
    const Font& font = twoByte ? double_ : single_;
    const int left = Px(st.tp.x);
    const int top = VtxPy(st.tp.y + st.charH, w_, h_);
    const int cellW = static_cast<int>(std::min(std::trunc(w_ * st.charW) + 1, double(kMaxGlyphPx)));
    const int cellH = static_cast<int>(std::min(std::trunc(w_ * st.charH) + 1, double(kMaxGlyphPx)));
    const QRect cell(left, top, cellW, cellH);
    const bool opaque = st.colourMode == 2;
    const bool drawGlyph = font.usable && !glyph.isEmpty();
    // Colour mode 2 fills the cell with the background and keeps the glyph
    // inside it; the other modes draw the glyph alone, unclipped.
    const QRect bounds = opaque ? cell : cell.adjusted(-cellW, -cellH, cellW * 2, cellH);
    if ((!opaque && !drawGlyph) || !bounds.intersects(visible_.rect()))
        return;
    OnBoth(bounds, [&](QPainter& painter) {
        if (opaque) {
            painter.fillRect(cell, ToQColor(st.backColour));
            painter.setClipRect(cell);
        }
        if (drawGlyph) {
            painter.setFont(font.font);
            painter.setPen(ToQColor(st.drawColour));
            painter.drawText(QPoint(left, top + font.top + font.ascent), glyph);
        }
    });
}

void VtxImageCanvas::Clear(const VtxState&, VtxRgb colour)
{
    // The window's whole client area (the largest canvas with its frame)
    // goes white first, then the canvas takes the colour on both surfaces.
    {
        QPainter p(&visible_);
        p.fillRect(QRect(0, 0, 672, 532), Qt::white);
        p.fillRect(QRect(0, 0, w_, h_), ToQColor(colour));
    }
    {
        QPainter p(&off_);
        p.fillRect(QRect(0, 0, w_, h_), ToQColor(colour));
    }
    Touch(visible_.rect());
}

void VtxImageCanvas::Beep()
{
    if (beep_)
        beep_();
}

void VtxImageCanvas::Pause(int milliseconds)
{
    if (pause_) {
        pause_(milliseconds);
        return;
    }
    const bool cursor = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (cursor)
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    QThread::msleep(static_cast<unsigned long>(std::max(0, milliseconds)));
    if (cursor)
        QGuiApplication::restoreOverrideCursor();
}

}  // namespace velo
