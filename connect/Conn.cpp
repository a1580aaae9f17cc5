#include "connect/Conn.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "connect/CommLine.h"
#include "base/ConnState.h"
#include "connect/ConnUi.h"
#include "base/FrameSink.h"
#include "connect/LineService.h"
#include "connect/TelnetSocket.h"

namespace velo {

namespace {
std::atomic<ConnLine*> g_serial{nullptr};
std::atomic<ConnLine*> g_telnet{nullptr};
std::atomic<ConnEchoTarget*> g_echo{nullptr};
std::atomic<FrameSink*> g_sink{nullptr};
std::atomic<ConnTerminal*> g_term{nullptr};
std::atomic<ConnFrame*> g_frame{nullptr};
std::atomic<CommLine*> g_comm{nullptr};
std::atomic<TelnetSocket*> g_telnetSocket{nullptr};
std::atomic<LineService*> g_modem{nullptr};
std::atomic<UiLoop*> g_loop{nullptr};

ConnLine* OpenSerial()
{
    ConnLine* l = g_serial.load(std::memory_order_acquire);
    return (l && l->IsOpen()) ? l : nullptr;
}

ConnLine* OpenTelnet()
{
    ConnLine* l = g_telnet.load(std::memory_order_acquire);
    return (l && l->IsOpen()) ? l : nullptr;
}
}  // namespace

ConnFrame* AppConnFrame() { return g_frame.load(std::memory_order_acquire); }
void SetConnFrame(ConnFrame* frame) { g_frame.store(frame, std::memory_order_release); }
ConnTerminal* AppConnTerminal() { return g_term.load(std::memory_order_acquire); }
void ConnSetTerminal(ConnTerminal* term)
{
    g_term.store(term, std::memory_order_release);
    ConnSetEchoTarget(term);
}

void ConnSetCommLine(CommLine* comm)
{
    g_comm.store(comm, std::memory_order_release);
    ConnSetSerialLine(comm);
}

void ConnSetTelnetSocket(TelnetSocket* telnet)
{
    g_telnetSocket.store(telnet, std::memory_order_release);
    ConnSetTelnetLine(telnet);
}

void ConnSetLineService(LineService* modem) { g_modem.store(modem, std::memory_order_release); }
void ConnSetUiLoop(UiLoop* loop) { g_loop.store(loop, std::memory_order_release); }
CommLine* AppCommLine() { return g_comm.load(std::memory_order_acquire); }
TelnetSocket* AppTelnetSocket() { return g_telnetSocket.load(std::memory_order_acquire); }
LineService* AppLineService() { return g_modem.load(std::memory_order_acquire); }
UiLoop* AppUiLoop() { return g_loop.load(std::memory_order_acquire); }

FrameSink* AppFrameSink() { return g_sink.load(std::memory_order_acquire); }
void SetFrameSink(FrameSink* sink) { g_sink.store(sink, std::memory_order_release); }

void ConnSetSerialLine(ConnLine* line) { g_serial.store(line, std::memory_order_release); }
void ConnSetTelnetLine(ConnLine* line) { g_telnet.store(line, std::memory_order_release); }
void ConnSetEchoTarget(ConnEchoTarget* term) { g_echo.store(term, std::memory_order_release); }

int ConnWrite(const uint8_t* data, int len)
{
    if (len < 0 || (len > 0 && !data))
        return -1;
    if (ConnState.LocalEcho && !ConnState.Receiving && !ConnState.Sending) {
        ConnEchoTarget* t = g_echo.load(std::memory_order_acquire);
        if (t && !t->Frozen())
            t->FeedEcho(data, len);
    }
    if (ConnLine* s = OpenSerial())
        return s->Write(data, len);
    if (ConnLine* t = OpenTelnet())
        return t->Write(data, len);
    return -1;
}

int ConnRead(uint8_t* buf, int wanted)
{
    if (!buf || wanted < 0)
        return -1;
    if (ConnLine* s = OpenSerial())
        return s->Read(buf, wanted, kConnReadBuffer);
    if (ConnLine* t = OpenTelnet())
        return t->Read(buf, wanted, kConnReadBuffer);
    return -1;
}

int ConnAvailable()
{
    if (ConnLine* s = OpenSerial())
        return s->Available();
    if (ConnLine* t = OpenTelnet())
        return t->Available();
    return 0;
}

int ConnKind()
{
    if (OpenSerial())
        return 2;
    if (OpenTelnet())
        return 1;
    return 0;
}

bool ConnIsOpen() { return ConnKind() != 0; }

bool ConnOpenPort(const PhoneBookEntry& entry)
{
    ConnState.Connected = false;
    ConnState.Connecting = true;
    CommLine* comm = AppCommLine();
    return comm && comm->Open(entry.port);
}

bool ConnDial(const PhoneBookEntry& entry)
{
    ConnState.Connected = false;
    ConnState.Connecting = true;
    ConnFrame* frame = AppConnFrame();
    bool ok = false;
    if (EntryIsTelnet(entry)) {
        if (ConnTerminal* term = AppConnTerminal()) {
            char text[128];
            std::snprintf(text, sizeof text, "\r\n%s 에 연결중...\r\n", entry.number);
            term->WriteText(text);
        }
        TelnetSocket* telnet = AppTelnetSocket();
        ok = telnet && telnet->Connect(entry);
    } else if (EntryIsComPort(entry)) {
        // Re-dialling a direct-port entry opens its port again.
        ok = ConnOpenPort(entry);
    } else {
        if (frame && !frame->DialWindowOpen())
            frame->OpenDialWindow(entry);
        LineService* modem = AppLineService();
        ok = modem && modem->Dial(entry);
    }
    if (!ok) {
        // Nothing is under way: the dialling window closes itself on this.
        ConnState.Connecting = false;
        if (frame)
            frame->Message("연결을 할 수 없습니다.", kProgramName, MsgIcon::Exclamation);
    }
    return ok;
}

void ConnHangUp()
{
    // The lines close first: while the dialling window is still going away,
    // a busy report must not start another dial.
    if (LineService* modem = AppLineService())
        modem->CancelRedial();
    if (CommLine* comm = AppCommLine())
        comm->Close();
    if (TelnetSocket* telnet = AppTelnetSocket())
        telnet->Close();
    ConnFrame* frame = AppConnFrame();
    if (frame && frame->DialWindowOpen()) {
        // The window closes itself within 500 ms once Connecting is clear;
        // let it, but never wait on it for long.
        UiLoop* loop = AppUiLoop();
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (loop && frame->DialWindowOpen() && std::chrono::steady_clock::now() < until)
            loop->ProcessEvents(50);
        if (frame->DialWindowOpen())
            frame->CloseDialWindow();
    }
}

void AutoResetEvent::Set()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    cv_.notify_one();
}

void AutoResetEvent::Reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool AutoResetEvent::Wait(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0)
        cv_.wait(lock, [this] { return signalled_; });
    else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

}  // namespace velo
