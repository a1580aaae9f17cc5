#include "game/ui/BoardView.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cstring>

namespace car {

const QColor BoardView::kNavy(0, 0, 128);
const QColor BoardView::kGrey(192, 192, 192);
const QColor BoardView::kYellow(255, 255, 0);
const QColor BoardView::kRed(255, 0, 0);
const QColor BoardView::kCyan(0, 255, 255);
const QColor BoardView::kMagenta(255, 0, 255);

QFont BoardView::BoardFont()
{
    const QString kFamily = QStringLiteral("NanumGothicCoding");
    QFont f;
    if (QFontDatabase::families().contains(kFamily)) {
        f = QFont(kFamily);
        f.setPointSize(12);
    } else {
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    f.setStyleHint(QFont::TypeWriter);
    // Grey antialiasing keeps each glyph in its own colour, with no coloured fringes.
    f.setStyleStrategy(QFont::NoSubpixelAntialias);
    return f;
}

BoardView::BoardView(QWidget* parent) : QWidget(parent), font_(BoardFont())
{
    // The cell is the font's advance (the same for every character of a
    // fixed-width face) by its line height.
    QFontMetrics fm(font_);
    cell_ = QSize(std::max(1, fm.horizontalAdvance(QLatin1Char('M'))), std::max(1, fm.height()));
    ascent_ = fm.ascent();
    canvas_ = QImage(cell_.width() * kCols, cell_.height() * kRows, QImage::Format_RGB32);
    canvas_.fill(kNavy);
    setFixedSize(canvas_.size());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Right clicks steer the car: never a context menu, not even the parent's.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QRect BoardView::CellRect(int col, int row) const
{
    return QRect(col * cell_.width(), row * cell_.height(), cell_.width(), cell_.height());
}

void BoardView::DrawGlyph(QPainter& p, int col, int row, char c, const QColor& colour)
{
    QRect r = CellRect(col, row);
    p.fillRect(r, kNavy);
    if (c == kBlank)
        return;
    p.setPen(colour);
    p.drawText(r.x(), r.y() + ascent_, QString(QLatin1Char(c)));
}

void BoardView::Clear()
{
    canvas_.fill(kNavy);
    update();
}

void BoardView::DrawCar(int col, int row, bool crashed)
{
    QPainter p(&canvas_);
    p.setFont(font_);
    DrawGlyph(p, col, row, 'A', crashed ? kRed : kYellow);
    update(CellRect(col, row));
}

void BoardView::BlankCell(int col, int row)
{
    QPainter p(&canvas_);
    DrawGlyph(p, col, row, kBlank, kNavy);
    update(CellRect(col, row));
}

void BoardView::ScrollDown(const Row& newTop)
{
    // Rows 0..18 move down one cell as pixels; row 19 falls off.
    const qsizetype lineBytes = canvas_.bytesPerLine();
    const int shift = cell_.height();
    uchar* bits = canvas_.bits();
    std::memmove(bits + shift * lineBytes, bits, (canvas_.height() - shift) * lineBytes);

    QPainter p(&canvas_);
    p.setFont(font_);
    for (int col = 0; col < kCols; ++col) {
        char c = newTop[col];
        const QColor& colour = c == kBonus ? kCyan : IsZingleCell(c) ? kMagenta : kGrey;
        DrawGlyph(p, col, 0, c, colour);
    }
    update();
}

void BoardView::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    for (const QRect& r : e->region())
        p.drawImage(r, canvas_, r);
}

void BoardView::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Left)
        emit MoveLeft();
    else if (e->key() == Qt::Key_Right)
        emit MoveRight();
    else
        QWidget::keyPressEvent(e);
}

void BoardView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        emit MoveLeft();
    else if (e->button() == Qt::RightButton)
        emit MoveRight();
    else
        QWidget::mousePressEvent(e);
}

}  // namespace car
