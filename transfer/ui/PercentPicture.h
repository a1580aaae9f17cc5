// The transfer window's percentage, drawn with pictures: ten digits and a
// percent sign, each 13 by 22 pixels, placed 15 pixels apart and centred.
// The pictures are drawn in code once (seven lit segments on a dark face),
// so the look needs no image files.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <vector>

namespace velo {

class PercentPicture : public QWidget {
    Q_OBJECT
public:
    explicit PercentPicture(QWidget* parent = nullptr);
    void SetPercent(int percent);
    int Percent() const { return percent_; }

    // The picture of a digit 0..9, or of the percent sign (zm::kPercentPicture).
    static const QPixmap& Picture(int index);
    static constexpr int kWidth = 13, kHeight = 22, kStep = 15;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int percent_ = 0;
};

}  // namespace velo
