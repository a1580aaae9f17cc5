// The frame's videotex: it owns the terminal's picture receivers (the picture
// window, the image download) and runs the three videotex commands.
#include <QByteArray>
#include <QFile>
#include <QFileDialog>

#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "terminal/ui/CAnsiTerm.h"
#include "videotex/ui/VtxPictureSink.h"

namespace velo {

namespace {
// A picture file reaches the terminal in pieces of this size, as a host's
// deliveries would.
constexpr qint64 kPictureFilePiece = 1024;
}  // namespace

void CMainFrame::PicturesDeleter::operator()(VtxPictureSink* p) const { delete p; }

void CMainFrame::createVideotexCommands()
{
    velo::Terminal& term = term_->Term();
    pictures_.reset(new VtxPictureSink(VtxPictureSink::Outlets{
        rt_.Settings(), flags_, term,
        [this](const uint8_t* bytes, int count) { rt_.Conn().ConnWrite(bytes, count); },
        (InstallDir() + QStringLiteral("/Images")).toStdString(), this}));

    Handle(ID_VTX_VIEW_FILE, [this] { ChoosePictureFile(); });
    // Switching during an image download would leave its file behind.
    Handle(ID_VTX_STATE, [this] { ToggleVideotexState(); },
           [&term] { return term.GetDataMode() != DataMode::ImageIndex; },
           [&term] { return term.GetDataMode() == DataMode::Videotex; });
    Handle(ID_NO_VIDEOTEX, [&term] { term.SetVideotexEnabled(!term.VideotexEnabled()); }, {},
           [&term] { return !term.VideotexEnabled(); });
}

void CMainFrame::ToggleVideotexState()
{
    velo::Terminal& term = term_->Term();
    if (term.GetDataMode() == DataMode::Videotex) {
        pictures_->CloseVideotex();
        term.EndPictureMode();
    } else {
        term.EnterVideotex();
    }
}

void CMainFrame::ChoosePictureFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("열기"), QStringLiteral("*.pdi"),
                                                      QStringLiteral("pdi 파일 (*.pdi);;모든 파일 (*.*)"));
    if (!path.isEmpty())
        ViewPictureFile(path);
}

bool CMainFrame::ViewPictureFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Message(QStringLiteral("파일 %1 (을)를 열 수 없습니다.").arg(path).toStdString(), "Vellow",
                MsgIcon::Exclamation);
        return false;
    }
    // Without a picture window the file is text to the interpreter, as the
    // same bytes from a host would be.
    term_->Term().EnterVideotex();
    for (;;) {
        const QByteArray piece = file.read(kPictureFilePiece);
        if (piece.isEmpty())
            break;
        const auto* bytes = reinterpret_cast<const uint8_t*>(piece.constData());
        for (int at = 0; at < piece.size();) {
            const int took = term_->Feed(bytes + at, int(piece.size()) - at);
            if (took <= 0)
                break;
            at += took;
        }
    }
    return true;
}

}  // namespace velo
