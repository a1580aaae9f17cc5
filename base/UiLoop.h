// The UI thread's event loop as the window-free code sees it: posting work to
// it, watching a descriptor, timers, and letting events run during a wait.
// The Qt side implements it once (QtUiLoop); tests use a small poll loop.
//
// Threads: Post from any thread; everything else on the UI thread.
#pragma once

#include <functional>

namespace velo {

class UiLoop {
public:
    using FdHandler = std::function<void(bool readable, bool writable)>;
    virtual ~UiLoop() = default;
    // Any thread: runs fn later on the UI thread.
    virtual void Post(std::function<void()> fn) = 0;
    // Watches a descriptor; the handler runs on the UI thread while the
    // descriptor is ready for what SetWatch asked (level-triggered, as a
    // QSocketNotifier). A new watch asks for nothing. Returns an id > 0.
    virtual int AddWatch(int fd, FdHandler handler) = 0;
    virtual void SetWatch(int id, bool read, bool write) = 0;
    // After this returns the handler is never called again.
    virtual void RemoveWatch(int id) = 0;
    // Timers: fn runs on the UI thread after ms, once or every ms. Returns an
    // id > 0.
    virtual int StartTimer(int ms, bool repeat, std::function<void()> fn) = 0;
    virtual void StopTimer(int id) = 0;
    // Lets pending UI events run, for at most about maxMs; used by waits that
    // must keep the interface alive. Handlers may re-enter the caller.
    virtual void ProcessEvents(int maxMs) = 0;
};

}  // namespace velo
