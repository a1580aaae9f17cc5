// The program's process-wide objects, made once and wired here, the only place
// that knows them: the settings store it is given, the shared flags, the frame
// sink, the connection facade with its telnet socket, serial line and modem
// service, the transfer slot, the key map, the auto-response table, the macro
// sender and the ten macros, the capture file, the sound scheme and the ANSI
// music output. Every engine gets what it needs of them at construction; the
// frame is made with the runtime and attaches itself to it. Tests and
// benchmarks make their own runtime over a MemorySettingsStore.
//
// Lifetime: the runtime outlives the frame made with it.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include <QPointer>
#include <QString>

#include "base/EventSounds.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "base/Outlets.h"
#include "connect/Conn.h"
#include "shell/Capture.h"
#include "shell/KeyMap.h"
#include "shell/MacroSender.h"
#include "shell/MacroSet.h"
#include "terminal/AutoResponse.h"

namespace velo {

class CMainFrame;
class CommLine;
class LineService;
class QtUiLoop;
class TelnetSocket;
class AlsaMidiOut;
class ThreadTimer;
class AnsiMusic;
namespace zm {
class ZmTransfer;
class ZmFileOpener;
}

// FrameSink onto the frame: posts are queued to the UI thread, sends run
// there (blocking from a worker, direct on the UI thread). Until a frame is
// bound, and after it is gone, everything goes nowhere.
class QtFrameSink : public FrameSink {
public:
    void Bind(CMainFrame* frame);
    void PostCommand(int id) override;
    void SendCommand(int id) override;
    void PostMessage(int msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t SendMessage(int msg, uintptr_t wParam, intptr_t lParam) override;
    // Counts commands and messages posted (other than data notifications),
    // so the data path can tell whether something must run before more bytes
    // are shown.
    uint64_t PostedCount() const { return posted_.load(std::memory_order_relaxed); }

private:
    QPointer<CMainFrame> frame_;
    std::atomic<uint64_t> posted_{0};
};

class AppRuntime {
public:
    // music false: no MIDI port is opened (tests, benchmarks).
    explicit AppRuntime(SettingsStore& settings, bool music = true);
    ~AppRuntime();
    AppRuntime(const AppRuntime&) = delete;
    AppRuntime& operator=(const AppRuntime&) = delete;

    const Outlets& Out() const { return out_; }
    SettingsStore& Settings() const { return out_.settings; }
    SharedFlags& Flags() { return flags_; }
    QtFrameSink& Sink() { return sink_; }
    ConnFacade& Conn() { return conn_; }
    QtUiLoop& Loop() { return *loop_; }
    TelnetSocket& Telnet() { return *telnet_; }
    CommLine& Comm() { return *comm_; }
    LineService& Modem() { return *modem_; }
    zm::ZmTransfer& Transfer() { return *transfer_; }
    KeyMap& Keys() { return keys_; }
    AutoResponseTable& Responses() { return responses_; }
    MacroSender& Macros() { return macros_; }
    // The ten macro texts (the chat pane's, loaded when the frame is made).
    MacroSet& MacroTexts() { return macroTexts_; }
    Capture& CaptureFile() { return capture_; }
    EventSounds& Sounds() { return sounds_ ? *sounds_ : silence_; }
    // The sound scheme; null: silence. The runtime does not own it.
    void SetSounds(EventSounds* sounds) { sounds_ = sounds; }
    AnsiMusic* Music() { return music_.get(); }
    // The installation folder the start-up prepared (with cap/, Down/, Up/,
    // Images/), absolute; "" when there is none. Until the start-up sets it,
    // the stored "인스톨디렉토리" as it stands now, when that is absolute.
    QString InstallDir() const;
    void SetInstallDir(const QString& dir);

    // The frame made with this runtime: binds the sink to it and hands its
    // terminal the music player (CMainFrame does this when it is made and
    // destroyed).
    void Attach(CMainFrame* frame);
    void Detach(CMainFrame* frame);

private:
    SharedFlags flags_;
    QtFrameSink sink_;
    Outlets out_;
    ConnFacade conn_;
    std::unique_ptr<QtUiLoop> loop_;
    std::unique_ptr<TelnetSocket> telnet_;
    std::unique_ptr<CommLine> comm_;
    std::unique_ptr<LineService> modem_;
    std::unique_ptr<zm::ZmTransfer> transfer_;
    std::unique_ptr<zm::ZmFileOpener> opener_;
    QString installDir_;
    KeyMap keys_;
    AutoResponseTable responses_;
    MacroSender macros_;
    MacroSet macroTexts_;
    Capture capture_;
    SilentSounds silence_;
    EventSounds* sounds_ = nullptr;
    std::unique_ptr<AlsaMidiOut> midi_;
    std::unique_ptr<ThreadTimer> timer_;
    std::unique_ptr<AnsiMusic> music_;
};

}  // namespace velo
