// Caps, num and scroll lock as the display reports them.
#pragma once

namespace velo {

// Bit 0 caps lock, bit 1 num lock, bit 2 scroll lock; 0 where the display is
// not X11 (Wayland, offscreen).
unsigned LockIndicators();

}  // namespace velo
