// How window-free code reaches the main frame from any thread. "Post" queues
// to the UI thread and returns at once; "Send" runs on the UI thread and
// returns when the handler has finished (blocking-queued from a worker, direct
// on the UI thread itself).
#pragma once

#include <cstdint>

namespace velo {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void PostCommand(int id) = 0;
    virtual void SendCommand(int id) = 0;
    virtual void PostMessage(int msg, uintptr_t wParam, intptr_t lParam) = 0;
    virtual intptr_t SendMessage(int msg, uintptr_t wParam, intptr_t lParam) = 0;
};

// The process-wide sink; null until the frame (or a test) installs one.
// Callers check for null: without a frame, commands go nowhere.
FrameSink* AppFrameSink();
void SetFrameSink(FrameSink* sink);

}  // namespace velo
