#include "shell/AppRuntime.h"

#include "connect/CommLine.h"
#include "connect/Conn.h"
#include "connect/ConnUi.h"
#include "connect/LineService.h"
#include "connect/TelnetSocket.h"
#include "shell/CMainFrame.h"
#include "shell/QtUiLoop.h"
#include "terminal/AlsaMidiOut.h"
#include "terminal/AnsiMusic.h"
#include "terminal/ThreadTimer.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

AppRuntime::AppRuntime(CMainFrame* frame, bool music) : frame_(frame)
{
    loop_ = std::make_unique<QtUiLoop>();
    ConnSetUiLoop(loop_.get());
    telnet_ = std::make_unique<TelnetSocket>(loop_.get());
    ConnSetTelnetSocket(telnet_.get());
    comm_ = std::make_unique<CommLine>();
    ConnSetCommLine(comm_.get());
    modem_ = std::make_unique<LineService>(*comm_, loop_.get());
    ConnSetLineService(modem_.get());
    sink_ = std::make_unique<QtFrameSink>(frame);
    SetFrameSink(sink_.get());
    if (music) {
        midi_ = std::make_unique<AlsaMidiOut>();
        timer_ = std::make_unique<ThreadTimer>();
        music_ = std::make_unique<AnsiMusic>(midi_.get(), timer_.get());
        if (auto* term = frame->Terminal())
            term->SetMusic(music_.get());
    }
    frame->AttachConnections();
}

AppRuntime::~AppRuntime()
{
    frame_->DetachConnections();
    if (music_) {
        music_->Stop();
        if (auto* term = frame_->Terminal())
            term->SetMusic(nullptr);
    }
    music_.reset();
    timer_.reset();
    midi_.reset();
    SetFrameSink(nullptr);
    ConnSetLineService(nullptr);
    modem_.reset();
    ConnSetCommLine(nullptr);
    comm_.reset();
    ConnSetTelnetSocket(nullptr);
    telnet_.reset();
    ConnSetUiLoop(nullptr);
    loop_.reset();
}

}  // namespace velo
