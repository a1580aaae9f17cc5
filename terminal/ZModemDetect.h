// The process-wide ZModem start detector. The terminal interpreter and the
// videotex decoder share one match position against the hex-header prefix
// "**" CAN 'B' '0'. Once all five bytes have been seen, the next byte decides:
// '0' asks the frame for a ZModem receive (when "ZModem"/"AutoDown" is on),
// '1' for a send (when "ZModem"/"AutoUp" is on). Both settings are read at
// that moment, default 1.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace velo {

class ZModemStartDetector {
public:
    static constexpr uint8_t kPattern[5] = {'*', '*', 0x18, 'B', '0'};

    // Examines one byte. If the position stood at 5 it restarts and the byte
    // decides the direction; then the byte is compared with the pattern at the
    // position: equal advances, unequal resets to 0 without re-testing the
    // byte against the first pattern byte.
    static void Scan(uint8_t b);
    // The same over a run of bytes; skips quickly over runs without '*'.
    static void ScanRun(const uint8_t* p, size_t n);

    static int Position() { return pos_.load(std::memory_order_relaxed); }
    static void ResetPosition() { pos_.store(0, std::memory_order_relaxed); }

private:
    static void Fire(uint8_t b);
    static inline std::atomic<int> pos_{0};
};

}  // namespace velo
