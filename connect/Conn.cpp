#include "connect/Conn.h"

#include <atomic>
#include <chrono>

#include "connect/ConnState.h"
#include "connect/FrameSink.h"

namespace velo {

namespace {
std::atomic<ConnLine*> g_serial{nullptr};
std::atomic<ConnLine*> g_telnet{nullptr};
std::atomic<ConnEchoTarget*> g_echo{nullptr};
std::atomic<FrameSink*> g_sink{nullptr};

ConnLine* OpenSerial()
{
    ConnLine* l = g_serial.load(std::memory_order_acquire);
    return (l && l->IsOpen()) ? l : nullptr;
}
}  // namespace

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
    if (ConnLine* t = g_telnet.load(std::memory_order_acquire))
        return t->Write(data, len);
    return -1;
}

int ConnRead(uint8_t* buf, int wanted)
{
    if (!buf || wanted < 0)
        return -1;
    if (ConnLine* s = OpenSerial())
        return s->Read(buf, wanted, kConnReadBuffer);
    if (ConnLine* t = g_telnet.load(std::memory_order_acquire))
        return t->Read(buf, wanted, kConnReadBuffer);
    return -1;
}

int ConnAvailable()
{
    if (ConnLine* s = OpenSerial())
        return s->Available();
    if (ConnLine* t = g_telnet.load(std::memory_order_acquire))
        return t->Available();
    return 0;
}

int ConnKind()
{
    if (OpenSerial())
        return 2;
    if (g_telnet.load(std::memory_order_acquire))
        return 1;
    return 0;
}

bool ConnIsOpen() { return ConnKind() != 0; }

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
