#include "terminal/ZModemDetect.h"

#include <cstring>

#include "base/CommandIds.h"
#include "base/FrameSink.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

void ZModemStartDetector::Fire(uint8_t b)
{
    if (b != '0' && b != '1')
        return;
    const bool down = b == '0';
    if (settings::ReadIntDefault(settings_, settings::kZModem, down ? settings::kAutoDown : settings::kAutoUp) == 0)
        return;
    frame_.PostCommand(down ? ID_ZMODEM_RECEIVE : ID_ZMODEM_SEND);
}

void ZModemStartDetector::Scan(uint8_t b)
{
    if (b == 0)
        return;
    int pos = pos_;
    if (pos == 5) {
        pos = 0;
        Fire(b);
    }
    pos_ = (b == kPattern[pos]) ? pos + 1 : 0;
}

void ZModemStartDetector::ScanRun(const uint8_t* p, size_t n)
{
    const uint8_t* end = p + n;
    while (p < end) {
        if (pos_ == 0) {
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
