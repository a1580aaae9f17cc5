// The board of the game: 21 x 20 cells of a fixed-width font on navy. Every
// drawing goes into an off-screen image first; a turn scrolls that image down
// one cell and draws only the new top row, and the widget shows the image.
#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>

#include "game/CarGame.h"

namespace car {

class BoardView : public QWidget {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent = nullptr);

    // NanumGothicCoding when installed, else the system's fixed font.
    static QFont BoardFont();

    QSize CellSize() const { return cell_; }
    const QImage& Canvas() const { return canvas_; }
    QRect CellRect(int col, int row) const;

    void Clear();
    void DrawCar(int col, int row, bool crashed);
    void BlankCell(int col, int row);
    void ScrollDown(const Row& newTop);

    static const QColor kNavy, kGrey, kYellow, kRed, kCyan, kMagenta;

signals:
    void MoveLeft();
    void MoveRight();

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void DrawGlyph(QPainter& p, int col, int row, char c, const QColor& colour);

    QFont font_;
    QSize cell_;
    int ascent_ = 0;
    QImage canvas_;
};

}  // namespace car
