// The ZModem start detector of the terminal's data path. Every byte the
// terminal took (text or picture stream, after parsing) passes it once, NUL
// excepted; it matches the hex-header prefix "**" CAN 'B' '0'. Once all five
// bytes have been seen, the next byte decides: '0' asks the frame for a
// ZModem receive (when "ZModem"/"AutoDown" is on), '1' for a send (when
// "ZModem"/"AutoUp" is on). Both settings are read at that moment, default 1.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velo {

class FrameSink;
class SettingsStore;

class ZModemStartDetector {
public:
    static constexpr uint8_t kPattern[5] = {'*', '*', 0x18, 'B', '0'};

    ZModemStartDetector(SettingsStore& settings, FrameSink& frame) : settings_(settings), frame_(frame) {}

    // Examines one byte (NUL is passed over). If the position stood at 5 it
    // restarts and the byte decides the direction; then the byte is compared
    // with the pattern at the position: equal advances, unequal resets to 0
    // without re-testing the byte against the first pattern byte.
    void Scan(uint8_t b);
    // The same over a run of bytes; skips quickly over runs without '*'.
    void ScanRun(const uint8_t* p, size_t n);

    int Position() const { return pos_; }
    void ResetPosition() { pos_ = 0; }

private:
    void Fire(uint8_t b);

    SettingsStore& settings_;
    FrameSink& frame_;
    int pos_ = 0;
};

}  // namespace velo
