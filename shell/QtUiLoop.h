// The UI thread's event loop for the window-free connection code: posted
// work, descriptor watches (QSocketNotifier), timers and event pumping.
#pragma once

#include <QObject>
#include <map>
#include <memory>

#include "base/UiLoop.h"

class QSocketNotifier;
class QTimer;

namespace velo {

class QtUiLoop : public QObject, public UiLoop {
    Q_OBJECT
public:
    explicit QtUiLoop(QObject* parent = nullptr);
    ~QtUiLoop() override;

    void Post(std::function<void()> fn) override;
    int AddWatch(int fd, FdHandler handler) override;
    void SetWatch(int id, bool read, bool write) override;
    void RemoveWatch(int id) override;
    int StartTimer(int ms, bool repeat, std::function<void()> fn) override;
    void StopTimer(int id) override;
    void ProcessEvents(int maxMs) override;

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
        FdHandler handler;
        bool alive = true;
    };
    struct Timer {
        QTimer* timer = nullptr;
        std::function<void()> fn;
        bool alive = true;
    };
    int nextId_ = 1;
    std::map<int, std::shared_ptr<Watch>> watches_;
    std::map<int, std::shared_ptr<Timer>> timers_;
};

// The macro sender's "\w": on the UI thread the events run for ms (received
// data is shown, the window answers) while the thread sleeps between them;
// on any other thread, and before the application exists, it only sleeps.
void UiWait(int ms);

}  // namespace velo
