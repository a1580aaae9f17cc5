// The terminal's picture receivers on the Qt side (PictureSink): while the
// data mode is Videotex, the videotex receiver watches the bytes for the end
// sequence and the identification request and hands them to the picture
// window (CVtxWnd), which it opens and closes; while the data mode is
// ImageIndex, the image-index receiver stores the host's picture in the
// "Images" folder, with its progress window, and shows the finished picture.
// The frame owns one for its terminal.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "terminal/TermSurface.h"
#include "videotex/ImageIndexReceiver.h"
#include "videotex/VtxReceiver.h"

class QWidget;

namespace velo {

class CVtxWnd;
class ImageProgressWnd;
class ImageViewWnd;
class SettingsStore;
class Terminal;
struct SharedFlags;

class VtxPictureSink : public QObject, public PictureSink, private ImageIndexReceiver::Events {
    Q_OBJECT
public:
    struct Outlets {
        SettingsStore& settings;
        SharedFlags& flags;  // the "Beep" option
        Terminal& term;      // replies to the host, the data mode
        // Keys typed in the picture window, to the host.
        std::function<void(const uint8_t* bytes, int count)> send;
        std::string imagesFolder;
        QWidget* parent = nullptr;  // the windows' owner
    };

    // Hands itself to the terminal, and takes itself back when destroyed.
    explicit VtxPictureSink(Outlets out);
    ~VtxPictureSink() override;

    // PictureSink.
    bool OpenVideotex() override;
    Result VideotexBytes(const uint8_t* data, int count) override;
    void CloseVideotex() override;
    void StartImageIndex() override;
    Result ImageIndexBytes(const uint8_t* data, int count) override;
    void ResetImageIndex() override;

    CVtxWnd* Window() const;
    ImageProgressWnd* Progress() const;
    // The window of the last finished picture (null when closed).
    ImageViewWnd* Viewer() const;
    ImageIndexReceiver& Images() { return images_; }

private:
    void FileStarted(const std::string& name) override;
    void Ended(const std::string& path) override;
    void OnWindowClosing();
    void AskCancel();
    void ShowPicture(const QString& path);
    void Reply(const uint8_t* bytes, size_t count);

    Outlets out_;
    VtxReceiver receiver_;
    QPointer<CVtxWnd> wnd_;
    ImageIndexReceiver images_;
    QPointer<ImageProgressWnd> progress_;
    QPointer<ImageViewWnd> viewer_;
};

}  // namespace velo
