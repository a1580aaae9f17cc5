// The picture window ("VTX 보기"): owns the videotex decoder and its canvas,
// shows the top-left W x H pixels of the off-screen picture on white, and
// sends the keys typed in it to the host. Modeless, resizable, minimisable;
// closing it (close box, the terminal's close, the end of videotex) destroys
// it, with the decoder state and the macros.
//
// Canvas size: "Size"/"Mode" (0 large 640 x 500, 1 medium 512 x 400, 2 small
// 384 x 300), read when the window is made and stored when the context menu
// changes it. A change does not rescale what is drawn: the window shows the
// top-left W x H of the picture and later drawing uses the new scale.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "videotex/VtxDecoder.h"
#include "videotex/ui/VtxImageCanvas.h"

class QAction;
class QActionGroup;
class QMenu;

namespace velo {

class SettingsStore;

class CVtxWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSizeModes = 3;
    // Wait opcodes block the program; inside one run of received bytes they
    // wait this long in all, the rest are skipped (a stream of waits must not
    // freeze the window for good).
    static constexpr int kPauseBudgetMs = 3000;

    static QSize CanvasSize(int mode);  // an unknown mode is the large size

    struct Hooks {
        std::function<void(const uint8_t* bytes, int count)> send;  // keys to the host
        std::function<bool()> bell;  // the program's "Beep" option
    };

    CVtxWnd(SettingsStore& settings, Hooks hooks, QWidget* parent = nullptr);
    ~CVtxWnd() override;

    // False when the canvas could not be made (the window is then unusable).
    bool Usable() const;
    // Decodes received bytes and draws them at once.
    void Feed(const uint8_t* bytes, size_t count);

    void FitToPicture();
    int SizeMode() const { return mode_; }
    void SetSizeMode(int mode);  // stores it and fits the window
    // What the window shows: the off-screen picture's top-left W x H.
    QImage Picture() const;
    bool SavePicture(const QString& path) const;
    // Asks for a file name and saves the shown picture as PNG.
    void SavePictureAs();

    const VtxDecoder& Decoder() const { return decoder_; }
    QMenu* ContextMenu() const { return menu_; }
    bool Closed() const { return closed_; }

signals:
    // The window is closing (before it is destroyed).
    void closing();

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab goes to the host

private:
    void MakeMenu();
    void Pause(int ms);
    void ShowDrawn();
    void Send(const char* bytes, int count);

    SettingsStore& settings_;
    Hooks hooks_;
    int mode_ = 0;
    QSize size_;
    std::unique_ptr<VtxImageCanvas> canvas_;
    VtxDecoder decoder_;
    QMenu* menu_ = nullptr;
    QActionGroup* sizes_ = nullptr;
    int pauseLeft_ = kPauseBudgetMs;
    bool closed_ = false;
};

}  // namespace velo
