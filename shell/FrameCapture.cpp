// The frame's capture commands: the capture file's dialogs and messages over
// the window-free Capture of the runtime, and the terminal as its writer.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include "base/CommandIds.h"
#include "connect/ui/DialogKit.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/Capture.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// What capture asks of the window: its questions as message boxes, the
// terminal's screen at the end of text capture.
class FrameCaptureUi : public CaptureUi {
public:
    explicit FrameCaptureUi(CMainFrame& f) : f_(f) {}

    bool RetryOpen(const std::string& path) override
    {
        return ShowMessageBox()(&f_, QMessageBox::Warning, QStringLiteral("갈무리 파일 오류"),
                                QStringLiteral("파일 %1 를 열 수 없습니다.\n다른 프로그램이 사용중인 것 같습니다.\n"
                                               "파일을 닫고 재시도 해보십시오")
                                    .arg(Q(path)),
                                QMessageBox::Retry | QMessageBox::Cancel) == QMessageBox::Retry;
    }

    bool ConfirmEmpty() override
    {
        return ShowMessageBox()(&f_, QMessageBox::Question, QStringLiteral("Vellow"),
                                QStringLiteral("이전에 갈무리된 내용이 다 지워집니다.\n그래도 하시겠습니까?"),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    void AppendScreen() override
    {
        if (CAnsiTerm* t = f_.Terminal())
            t->Term().CaptureScreen();
    }

    void WriteFailed() override
    {
        // Asked once the terminal's feed has returned: a message box there
        // would run the event loop inside the feed.
        QTimer::singleShot(0, &f_, [this] {
            f_.Runtime().CaptureFile().Recover();
            f_.RefreshCaptureUi();
        });
    }

private:
    CMainFrame& f_;
};

void CMainFrame::createCaptureCommands()
{
    Capture& cap = rt_.CaptureFile();
    captureUi_ = std::make_unique<FrameCaptureUi>(*this);
    cap.SetUi(captureUi_.get());
    cap.Load(InstallDir().toStdString());
    term_->Term().SetCapture(&cap);
    // Every capture command may change the file name (a cancelled open
    // forgets it): the pane follows.
    auto then = [this](std::function<void()> act) {
        return [this, act] {
            act();
            RefreshCaptureUi();
        };
    };

    Handle(ID_CAPTURE_START, then([&cap] { cap.Start(); }), [&cap] { return cap.CanStart(); },
           [&cap] { return cap.State() == CaptureState::Capturing; });
    Handle(ID_CAPTURE_PAUSE, [&cap] { cap.PauseOrResume(); }, [&cap] { return cap.CanPauseOrEnd(); },
           [&cap] { return cap.State() == CaptureState::Paused; });
    Handle(ID_CAPTURE_END, [&cap] { cap.End(); }, [&cap] { return cap.CanPauseOrEnd(); });
    Handle(ID_CAPTURE_CHOOSE, then([this] { ChooseCaptureFile(); }), [&cap] { return cap.CanChoose(); });
    Handle(ID_CAPTURE_OPEN, [this, &cap] { StartTextEditor(Q(cap.Path())); },
           [&cap] { return !cap.FileName().empty(); });
    Handle(ID_CAPTURE_EMPTY, then([&cap] { cap.Empty(); }), [&cap] { return cap.CanEmpty(); });
    Handle(ID_CODE_CAPTURE, [&cap] { cap.ToggleCodeMode(); }, {}, [&cap] { return cap.CodeMode(); });
    Handle(ID_CAPTURE_TOGGLE, then([this, &cap] {
        if (cap.State() != CaptureState::Stopped)
            cap.End();
        else if (ChooseCaptureFile())
            cap.Start();
    }));
    Handle(ID_CAPTURE_DIR, [this] { ChooseCaptureDir(); });
    RefreshCaptureUi();
}

bool CMainFrame::ChooseCaptureFile()
{
    Capture& cap = rt_.CaptureFile();
    captureChoseOk_ = false;
    if (!cap.CanChoose())
        return false;
    QFileDialog d(this, QStringLiteral("갈무리 파일 선택"), CaptureDir(),
                  QStringLiteral("txt 파일 (*.txt);;cap 파일 (*.cap);;모든 파일 (*)"));
    d.setObjectName(QStringLiteral("CaptureFileDialog"));
    // An existing file is appended to, a new one is made: never the
    // overwrite question of a save dialog, never a must-exist rule.
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::AnyFile);
    d.setDefaultSuffix(QStringLiteral("txt"));
    d.selectFile(QStringLiteral("*.txt"));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return false;
    QString path = d.selectedFiles().constFirst();
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    captureChoseOk_ = cap.SetFileName(QFileInfo(path).absoluteFilePath().toStdString());
    return captureChoseOk_;
}

void CMainFrame::ChooseCaptureDir()
{
    Capture& cap = rt_.CaptureFile();
    QFileDialog d(this, QStringLiteral("갈무리 디렉토리 선택"), CaptureDir());
    d.setObjectName(QStringLiteral("CaptureDirDialog"));
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return;
    cap.SetDir(QDir::cleanPath(d.selectedFiles().constFirst()).toStdString());
}

void CMainFrame::RefreshCaptureUi()
{
    SetCapturePane(Q(rt_.CaptureFile().FileName()));
    UpdateCommandUi();
}

void CMainFrame::ExitCapture()
{
    // Capture ends with the screen as it is, the file closes and its name
    // is kept for the next start.
    rt_.CaptureFile().Exit();
}

}  // namespace velo
