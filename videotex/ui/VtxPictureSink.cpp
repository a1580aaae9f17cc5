#include "videotex/ui/VtxPictureSink.h"

#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "base/Flags.h"
#include "terminal/Terminal.h"
#include "videotex/ui/CVtxWnd.h"
#include "videotex/ui/ImageIndexUi.h"

namespace velo {

namespace {
// A window the stream opens appears centred over the frame, as a dialog
// of it would.
void ShowOver(QWidget* w, QWidget* parent)
{
    if (parent && !w->isVisible())
        w->move(parent->geometry().center() - QPoint(w->width() / 2, w->height() / 2));
    w->show();
}
}  // namespace

VtxPictureSink::VtxPictureSink(Outlets out)
    : out_(std::move(out)),
      images_({out_.settings, out_.imagesFolder,
               [this](const uint8_t* b, size_t n) { Reply(b, n); }, this})
{
    out_.term.SetPictureSink(this);
}

VtxPictureSink::~VtxPictureSink()
{
    out_.term.SetPictureSink(nullptr);
    images_.Reset();
    delete wnd_.data();
    delete progress_.data();
}

CVtxWnd* VtxPictureSink::Window() const { return wnd_ && !wnd_->Closed() ? wnd_.data() : nullptr; }

ImageProgressWnd* VtxPictureSink::Progress() const { return progress_.data(); }

ImageViewWnd* VtxPictureSink::Viewer() const { return viewer_.data(); }

void VtxPictureSink::Reply(const uint8_t* bytes, size_t count)
{
    out_.term.SendToHost(bytes, static_cast<int>(count), ReplyMode::Raw);
}

// ---------------------------------------------------------------- videotex

bool VtxPictureSink::OpenVideotex()
{
    if (!Window()) {
        auto* w = new CVtxWnd(out_.settings,
                              {out_.send, [this] { return out_.flags.AppFlags.Beep.load(); }}, out_.parent);
        if (!w->Usable()) {
            delete w;
            // Shown after the feed: a message box inside it would run the
            // event loop under the terminal.
            QTimer::singleShot(0, this, [this] {
                QMessageBox::warning(out_.parent, QStringLiteral("Vellow"),
                                     QStringLiteral("메모리가 부족하여 VTX그림보기 창을 열 수 없습니다."));
            });
            return false;
        }
        connect(w, &CVtxWnd::closing, this, &VtxPictureSink::OnWindowClosing);
        wnd_ = w;
        ShowOver(w, out_.parent);
    }
    receiver_.Reset();
    return true;
}

PictureSink::Result VtxPictureSink::VideotexBytes(const uint8_t* data, int count)
{
    CVtxWnd* w = Window();
    if (!w)
        return {0, true};  // the window went meanwhile: the bytes are text
    const VtxReceiver::Result r = receiver_.Scan(data, static_cast<size_t>(count));
    for (int i = 0; i < r.identRequests; ++i)
        out_.term.SendToHost(VtxReceiver::kIdentReply, sizeof VtxReceiver::kIdentReply, ReplyMode::Raw);
    // The decoder sees every byte up to and including the end sequence.
    w->Feed(data, r.consumed);
    if (r.ended)
        w->close();
    return {static_cast<int>(r.consumed), r.ended};
}

void VtxPictureSink::CloseVideotex()
{
    if (CVtxWnd* w = Window())
        w->close();
}

void VtxPictureSink::OnWindowClosing()
{
    // However the window goes, the terminal is back to text at once.
    if (out_.term.GetDataMode() == DataMode::Videotex)
        out_.term.EndPictureMode();
}

// ------------------------------------------------------------- image index

void VtxPictureSink::StartImageIndex()
{
    images_.Start();
    if (!progress_) {
        progress_ = new ImageProgressWnd([this] { return images_.BytesReceived(); }, out_.parent);
        connect(progress_, &ImageProgressWnd::cancelPressed, this, &VtxPictureSink::AskCancel);
    }
    progress_->SetFileName(QString());
    ShowOver(progress_, out_.parent);
}

PictureSink::Result VtxPictureSink::ImageIndexBytes(const uint8_t* data, int count)
{
    const ImageIndexReceiver::Result r = images_.Run(data, static_cast<size_t>(count));
    return {static_cast<int>(r.consumed), r.ended};
}

void VtxPictureSink::ResetImageIndex() { images_.Reset(); }

void VtxPictureSink::FileStarted(const std::string& name)
{
    if (progress_)
        progress_->SetFileName(QString::fromStdString(name));
}

void VtxPictureSink::Ended(const std::string& path)
{
    if (progress_)
        progress_->hide();
    if (path.empty())
        return;
    // Shown after the feed, like every window the stream asks for.
    const QString file = QString::fromStdString(path);
    QTimer::singleShot(0, this, [this, file] { ShowPicture(file); });
}

void VtxPictureSink::ShowPicture(const QString& path)
{
    auto* v = new ImageViewWnd(path, out_.parent);
    viewer_ = v;
    ShowOver(v, out_.parent);
}

void VtxPictureSink::AskCancel()
{
    if (!images_.Running())
        return;
    const auto answer = QMessageBox::question(progress_, QStringLiteral("Vellow"),
                                              QStringLiteral("천리안 화상 받기를 취소하시겠습니까?"),
                                              QMessageBox::Yes | QMessageBox::No);
    // The download may have ended while the question was up.
    if (answer != QMessageBox::Yes || !images_.Running())
        return;
    images_.Cancel();
    if (progress_)
        progress_->hide();
}

}  // namespace velo
