// Process-wide flags of the terminal that the frame, the connection path and
// the transfer threads read or switch. Plain atomics; no locks.
#pragma once

#include <atomic>

namespace velo {

struct TermSharedFlags {
    // The scrollback view is open: no received bytes are fed.
    std::atomic<bool> Frozen{false};
    // A received CR also feeds a line.
    std::atomic<bool> NewlineMode{false};
    // "그림 상태": the at-sign 0x40 introduces an escape sequence like ESC.
    std::atomic<bool> PictureMode{false};
    // Printer-controller mode: text goes to the print file instead of the screen.
    std::atomic<bool> PrinterControl{false};
    // ESC & Q was seen; the ZModem receive reads and clears it.
    std::atomic<bool> QuerySeen{false};
    // The current connection's service: 0..4 the built-in services, 5 none or other.
    std::atomic<int> ServiceKind{5};
};

inline TermSharedFlags TermShared;

}  // namespace velo
