#include "shell/AppRuntime.h"

#include <QThread>

#include "base/CommandIds.h"
#include "connect/CommLine.h"
#include "connect/LineService.h"
#include "connect/TelnetSocket.h"
#include "shell/CMainFrame.h"
#include "shell/QtUiLoop.h"
#include "terminal/AlsaMidiOut.h"
#include "terminal/AnsiMusic.h"
#include "terminal/ThreadTimer.h"
#include "terminal/ui/CAnsiTerm.h"
#include "shell/Startup.h"
#include "transfer/ZmThread.h"
#include "transfer/ui/DesktopOpener.h"

namespace velo {

AppRuntime::AppRuntime(SettingsStore& settings, bool music)
    : out_{settings, sink_, flags_},
      conn_(out_),
      macros_([this](const uint8_t* p, int n) { conn_.ConnWrite(p, n); }, &UiWait),
      capture_(settings)
{
    loop_ = std::make_unique<QtUiLoop>();
    conn_.SetUiLoop(loop_.get());
    telnet_ = std::make_unique<TelnetSocket>(conn_, loop_.get());
    conn_.SetTelnetSocket(telnet_.get());
    comm_ = std::make_unique<CommLine>(conn_);
    conn_.SetCommLine(comm_.get());
    modem_ = std::make_unique<LineService>(conn_, *comm_, loop_.get());
    conn_.SetLineService(modem_.get());
    transfer_ = std::make_unique<zm::ZmTransfer>(conn_);
    opener_ = std::make_unique<DesktopFileOpener>();
    transfer_->SetFileOpener(opener_.get());
    if (music) {
        midi_ = std::make_unique<AlsaMidiOut>();
        timer_ = std::make_unique<ThreadTimer>();
        music_ = std::make_unique<AnsiMusic>(midi_.get(), timer_.get());
    }
}

AppRuntime::~AppRuntime()
{
    if (music_)
        music_->Stop();
    music_.reset();
    timer_.reset();
    midi_.reset();
    // A transfer still running ends before the lines it reads go.
    transfer_.reset();
    conn_.SetLineService(nullptr);
    modem_.reset();
    conn_.SetCommLine(nullptr);
    comm_.reset();
    conn_.SetTelnetSocket(nullptr);
    telnet_.reset();
    conn_.SetUiLoop(nullptr);
    loop_.reset();
}

QString AppRuntime::InstallDir() const
{
    if (!installDir_.isEmpty())
        return installDir_;
    const QString stored = QString::fromStdString(ReadInstallDir(Settings(), ""));
    return stored.startsWith(u'/') ? stored : QString();
}

void AppRuntime::SetInstallDir(const QString& dir)
{
    // A relative folder would be the current directory's: none is better.
    installDir_ = dir.startsWith(u'/') ? dir : QString();
}

void AppRuntime::Attach(CMainFrame* frame)
{
    sink_.Bind(frame);
    if (music_ && frame->Terminal())
        frame->Terminal()->SetMusic(music_.get());
}

void AppRuntime::Detach(CMainFrame* frame)
{
    // The capture file stays; the frame's questions and screen go.
    capture_.SetUi(nullptr);
    if (music_) {
        music_->Stop();
        if (frame->Terminal())
            frame->Terminal()->SetMusic(nullptr);
    }
    sink_.Bind(nullptr);
}

void QtFrameSink::Bind(CMainFrame* frame) { frame_ = frame; }

void QtFrameSink::PostCommand(int id)
{
    if (id != CMD_CONN_DATA)
        posted_.fetch_add(1, std::memory_order_relaxed);
    QPointer<CMainFrame> f = frame_;
    if (f)
        QMetaObject::invokeMethod(f, [f, id] { if (f) f->OnCommand(id); }, Qt::QueuedConnection);
}

void QtFrameSink::SendCommand(int id)
{
    CMainFrame* f = frame_;
    if (!f)
        return;
    if (QThread::currentThread() == f->thread())
        f->OnCommand(id);
    else
        QMetaObject::invokeMethod(f, [f, id] { f->OnCommand(id); }, Qt::BlockingQueuedConnection);
}

void QtFrameSink::PostMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    posted_.fetch_add(1, std::memory_order_relaxed);
    QPointer<CMainFrame> f = frame_;
    if (f)
        QMetaObject::invokeMethod(
            f, [f, msg, wParam, lParam] { if (f) f->OnMessage(msg, wParam, lParam); },
            Qt::QueuedConnection);
}

intptr_t QtFrameSink::SendMessage(int msg, uintptr_t wParam, intptr_t lParam)
{
    CMainFrame* f = frame_;
    if (!f)
        return 0;
    if (QThread::currentThread() == f->thread())
        return f->OnMessage(msg, wParam, lParam);
    intptr_t r = 0;
    QMetaObject::invokeMethod(
        f, [f, msg, wParam, lParam, &r] { r = f->OnMessage(msg, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return r;
}

}  // namespace velo
