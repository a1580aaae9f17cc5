// The start-up picture: a captionless modal window sized to its picture,
// centred on the desktop, closing itself 1000 ms after it is shown.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace velo {

class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);
    static QPixmap Picture();
    // Shows the window modally until it closes itself.
    static void ShowOnce(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    QPixmap picture_;
};

}  // namespace velo
