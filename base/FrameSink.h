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

// A sink that drops everything: the frame of a tool or a test that has none.
class NullFrameSink final : public FrameSink {
public:
    void PostCommand(int) override {}
    void SendCommand(int) override {}
    void PostMessage(int, uintptr_t, intptr_t) override {}
    intptr_t SendMessage(int, uintptr_t, intptr_t) override { return 0; }
};

}  // namespace velo
