// The process-wide objects behind the frame: the UI loop for the connection
// code, the telnet socket, the serial line and the modem service, the frame
// sink, and the ANSI music output. The application makes one after the
// frame exists; tests and benchmarks make their own the same way.
#pragma once

#include <memory>

namespace velo {

class CMainFrame;
class CommLine;
class LineService;
class QtFrameSink;
class QtUiLoop;
class TelnetSocket;
class AlsaMidiOut;
class ThreadTimer;
class AnsiMusic;

class AppRuntime {
public:
    // Installs the connection objects and the frame sink; the frame's
    // terminal gets its music player. music false: no MIDI port is opened.
    explicit AppRuntime(CMainFrame* frame, bool music = true);
    ~AppRuntime();
    AppRuntime(const AppRuntime&) = delete;
    AppRuntime& operator=(const AppRuntime&) = delete;

    QtUiLoop& Loop() { return *loop_; }

private:
    CMainFrame* frame_;
    std::unique_ptr<QtUiLoop> loop_;
    std::unique_ptr<TelnetSocket> telnet_;
    std::unique_ptr<CommLine> comm_;
    std::unique_ptr<LineService> modem_;
    std::unique_ptr<QtFrameSink> sink_;
    std::unique_ptr<AlsaMidiOut> midi_;
    std::unique_ptr<ThreadTimer> timer_;
    std::unique_ptr<AnsiMusic> music_;
};

}  // namespace velo
