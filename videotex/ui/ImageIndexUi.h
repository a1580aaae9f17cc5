// The windows of an image download: the progress window ("천리안 화상
// 받기") that shows the picture's file name and the bytes received, refreshed
// once a second, with its cancel button; and the window that shows a
// finished picture (any format Qt's image readers know: JPEG, GIF, PNG ...).
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QTimer;

namespace velo {

class ImageProgressWnd : public QWidget {
    Q_OBJECT
public:
    // received: the byte counter read on every refresh.
    explicit ImageProgressWnd(std::function<uint64_t()> received, QWidget* parent = nullptr);

    void SetFileName(const QString& name);
    void Refresh();
    QString FileNameText() const;
    QString ReceivedText() const;

signals:
    // "취소" was pressed (the owner asks the user).
    void cancelPressed();

private:
    std::function<uint64_t()> received_;
    QLabel* name_ = nullptr;
    QLabel* bytes_ = nullptr;
    QTimer* timer_ = nullptr;
};

class ImageViewWnd : public QWidget {
    Q_OBJECT
public:
    // Shows the picture in the file; Loaded() is false when no image reader
    // could read it.
    explicit ImageViewWnd(const QString& path, QWidget* parent = nullptr);

    bool Loaded() const { return !image_.isNull(); }
    const QImage& Image() const { return image_; }
    const QString& Path() const { return path_; }

private:
    QString path_;
    QImage image_;
};

}  // namespace velo
