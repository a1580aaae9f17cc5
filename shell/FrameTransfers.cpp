// The frame's side of file transfers: the ZModem send command with its file
// picker (started by the user or by the host's receive request), the receive
// command, the transfer window's life, the frame's title while minimised
// during a transfer, the end of a transfer, the ZModem settings dialog, the
// text-file upload and files dropped on the frame.
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "base/CommandIds.h"
#include "base/FrameSink.h"
#include "connect/ConnLifecycle.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "transfer/TextUpload.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/CTransferWnd.h"
#include "transfer/ui/ZModemSettingsDlg.h"

namespace velo {

void CMainFrame::createTransferCommands()
{
    filePicker_ = [this](const QString& title, const QString& dir) {
        return QFileDialog::getOpenFileNames(this, title, dir);
    };
    auto transferFree = [this] { return TransferFree(); };
    Handle(ID_ZMODEM_SEND, [this] { SendZModem(); }, transferFree);
    Handle(ID_ZMODEM_RECEIVE, [this] { ReceiveZModem(); }, transferFree);
    Handle(ID_TEXT_UPLOAD, [this] { TextUpload(); }, transferFree);
    Handle(ID_OPEN_DOWNLOADS, [this] {
        const std::string dir = zm::DownloadDir(rt_.Settings(), InstallDir().toStdString());
        if (!dir.empty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(dir))));
    });
    Handle(ID_DOWNLOAD_DIR, [this] { ZModemSettings(); });
    Handle(ID_ZMODEM_SETTINGS, [this] { ZModemSettings(); });
}

bool CMainFrame::TransferFree() const
{
    const ConnStateFlags& st = flags_.ConnState;
    return st.Connected && !st.Receiving && !st.Sending && !st.Automating && !flags_.TermShared.Frozen;
}

CTransferWnd* CMainFrame::TransferWindow() const { return transferWnd_.data(); }

void CMainFrame::ReceiveZModem()
{
    const std::string dir = zm::DownloadDir(rt_.Settings(), InstallDir().toStdString());
    if (dir.empty()) {
        // Neither the chosen folder nor the installation folder's Down/ is
        // there: nothing is written anywhere else.
        Message("다운로드 디렉토리를 찾을 수 없습니다.", "Vellow", MsgIcon::Exclamation);
        return;
    }
    rt_.Transfer().StartReceive(dir);
}

void CMainFrame::SendZModem()
{
    // Sending holds the stream while the picker is open: what the host sends
    // meanwhile waits at the connection instead of reaching the terminal.
    flags_.ConnState.Sending = true;
    QString start = QString::fromStdString(zm::UploadDir(rt_.Settings(), InstallDir().toStdString()));
    if (InstallDir().isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QStringList chosen = filePicker_ ? filePicker_(QStringLiteral("Z모뎀 파일 보내기"), start) : QStringList();
    flags_.ConnState.Sending = false;
    std::vector<std::string> paths;
    for (const QString& f : chosen) {
        if (paths.size() == size_t(zm::kMaxSendFiles))
            break;  // further ones are ignored
        paths.push_back(QFile::encodeName(f).toStdString());
    }
    if (paths.empty() || !rt_.Transfer().StartSend(paths))
        ReceiveData();  // show what arrived while the picker was open
}

void CMainFrame::TransferDone()
{
    std::vector<uint8_t> left = rt_.Transfer().TakeLeftover();
    // The sound, the bytes read past the end fed to the terminal, delivery
    // resumed, and the hang-up when it was asked for.
    if (life_)
        life_->OnTransferDone(left.data(), int(left.size()), rt_.Transfer().Options().HangUpAfterTransfer);
    ApplyTitle();
}

void CMainFrame::OnTransferWindow(bool open)
{
    if (!open) {
        // WM_TRANSFER_CLOSE: the window brings its figures up to date once
        // more and goes.
        if (transferWnd_)
            transferWnd_->Close();
        transferWnd_.clear();
        ApplyTitle();
        return;
    }
    if (transferWnd_)
        transferWnd_->Close();
    transferPercent_ = 0;
    TransferWindowActions actions;
    // The same as "자동차 오락" and "새 접속창".
    actions.startGame = [this] { OnCommand(ID_CAR_GAME); };
    actions.newConnection = [this] { OnCommand(ID_NEW_WINDOW); };
    actions.progress = [this](int percent) { rt_.Out().frame.PostMessage(WM_TRANSFER_PROGRESS, uintptr_t(percent), 0); };
    transferWnd_ = new CTransferWnd(rt_.Transfer(), rt_.Transfer().Direction(), std::move(actions), this);
    transferWnd_->show();
}

void CMainFrame::OnTransferProgress(int percent)
{
    transferPercent_ = percent;
    if (!panes_.empty())
        panes_[0]->setText(CTransferWnd::PercentTitle(rt_.Transfer().Direction(), percent));
    ApplyTitle();
}

void CMainFrame::ApplyTitle()
{
    QString t = plainTitle_;
    if (isMinimized() && transferWnd_)
        t = CTransferWnd::PercentTitle(transferWnd_->Direction(), transferPercent_);
    if (windowTitle() != t)
        setWindowTitle(t);
}

void CMainFrame::ZModemSettings()
{
    ZModemSettingsDlg d(rt_.Settings(), InstallDir().toStdString(), this);
    d.exec();
}

void CMainFrame::TextUpload()
{
    const QStringList chosen = filePicker_ ? filePicker_(QStringLiteral("텍스트 파일 전송"), QDir::homePath()) : QStringList();
    SendTextFiles(chosen);
}

void CMainFrame::SendTextFiles(const QStringList& paths)
{
    auto write = [this](const uint8_t* p, int n) { return n == 0 ? 0 : rt_.Conn().ConnWrite(p, n); };
    for (const QString& path : paths) {
        if (!TransferFree())
            return;  // the connection went, or a transfer took the stream
        const QByteArray local = QFile::encodeName(path);
        const zm::TextUploadResult r = zm::SendTextFile(local.toStdString(), write);
        if (r == zm::TextUploadResult::CannotOpen) {
            const QString text = QStringLiteral("파일 %1 (을)를 열 수 없습니다.").arg(path);
            Message(text.toStdString(), "Vellow", MsgIcon::Exclamation);
        } else if (r == zm::TextUploadResult::WriteFailed) {
            return;
        }
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e)
{
    const QMimeData* m = e->mimeData();
    if (m && m->hasUrls())
        for (const QUrl& u : m->urls())
            if (u.isLocalFile()) {
                e->acceptProposedAction();
                return;
            }
    QMainWindow::dragEnterEvent(e);
}

void CMainFrame::dropEvent(QDropEvent* e)
{
    const QMimeData* m = e->mimeData();
    if (!m || !m->hasUrls() || !TransferFree()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // In the order the desktop lists them; a path longer than the program
    // takes cannot be opened.
    QStringList paths;
    for (const QUrl& u : m->urls()) {
        if (!u.isLocalFile())
            continue;
        const QString p = u.toLocalFile();
        if (size_t(QFile::encodeName(p).size()) > zm::kMaxDroppedPath) {
            Message(QStringLiteral("파일 %1 (을)를 열 수 없습니다.").arg(p).toStdString(), "Vellow",
                    MsgIcon::Exclamation);
            continue;
        }
        paths << p;
    }
    SendTextFiles(paths);
}

}  // namespace velo
