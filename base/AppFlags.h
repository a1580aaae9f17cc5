// Process-wide switches of the shell that the terminal window also reads.
#pragma once

#include <atomic>

namespace velo {

struct AppFlagSet {
    std::atomic<bool> ClickMouse{true};        // click-to-send mouse on ("Flicko쥐사용")
    std::atomic<bool> Beep{true};              // the bell beeps ("Beep")
    std::atomic<bool> AutomationCancel{false}; // the user asked the automation to stop
};

inline AppFlagSet AppFlags;

}  // namespace velo
