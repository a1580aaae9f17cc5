#include "terminal/ZModemDetect.h"

#include <cstring>

#include "base/CommandIds.h"
#include "base/FrameSink.h"
#include "base/SettingsStore.h"

namespace velo {

void ZModemStartDetector::Fire(uint8_t b)
{
    if (b != '0' && b != '1')
        return;
    const bool down = b == '0';
    if (AppSettings().ReadInt("ZModem", down ? "AutoDown" : "AutoUp", 1) == 0)
        return;
    if (FrameSink* sink = AppFrameSink())
        sink->PostCommand(down ? ID_ZMODEM_RECEIVE : ID_ZMODEM_SEND);
}

void ZModemStartDetector::Scan(uint8_t b)
{
    int pos = pos_.load(std::memory_order_relaxed);
    if (pos == 5) {
        pos = 0;
        Fire(b);
    }
    pos = (b == kPattern[pos]) ? pos + 1 : 0;
    pos_.store(pos, std::memory_order_relaxed);
}

void ZModemStartDetector::ScanRun(const uint8_t* p, size_t n)
{
    const uint8_t* end = p + n;
    while (p < end) {
        if (pos_.load(std::memory_order_relaxed) == 0) {
            // Nothing matched yet: only a '*' can start a match.
            const void* star = std::memchr(p, '*', static_cast<size_t>(end - p));
            if (!star)
                return;
            p = static_cast<const uint8_t*>(star);
        }
        Scan(*p++);
    }
}

}  // namespace velo
