#include "shell/QtUiLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

namespace velo {

QtUiLoop::QtUiLoop(QObject* parent) : QObject(parent) {}

QtUiLoop::~QtUiLoop()
{
    for (auto& [id, w] : watches_) {
        w->alive = false;
        delete w->read;
        delete w->write;
    }
    for (auto& [id, t] : timers_) {
        t->alive = false;
        delete t->timer;
    }
}

void QtUiLoop::Post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

int QtUiLoop::AddWatch(int fd, FdHandler handler)
{
    int id = nextId_++;
    auto w = std::make_shared<Watch>();
    w->handler = std::move(handler);
    w->read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    w->write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    w->read->setEnabled(false);
    w->write->setEnabled(false);
    // The handler may remove its own watch: the shared record outlives it.
    std::weak_ptr<Watch> weak = w;
    connect(w->read, &QSocketNotifier::activated, this, [weak] {
        if (auto s = weak.lock(); s && s->alive && s->handler) {
            auto h = s->handler;
            h(true, false);
        }
    });
    connect(w->write, &QSocketNotifier::activated, this, [weak] {
        if (auto s = weak.lock(); s && s->alive && s->handler) {
            auto h = s->handler;
            h(false, true);
        }
    });
    watches_[id] = std::move(w);
    return id;
}

void QtUiLoop::SetWatch(int id, bool read, bool write)
{
    auto it = watches_.find(id);
    if (it == watches_.end() || !it->second->alive)
        return;
    it->second->read->setEnabled(read);
    it->second->write->setEnabled(write);
}

void QtUiLoop::RemoveWatch(int id)
{
    auto it = watches_.find(id);
    if (it == watches_.end())
        return;
    auto w = it->second;
    watches_.erase(it);
    w->alive = false;
    w->read->setEnabled(false);
    w->write->setEnabled(false);
    // Not deleted here: this may run inside the notifier's own signal.
    w->read->deleteLater();
    w->write->deleteLater();
}

int QtUiLoop::StartTimer(int ms, bool repeat, std::function<void()> fn)
{
    int id = nextId_++;
    auto t = std::make_shared<Timer>();
    t->fn = std::move(fn);
    t->timer = new QTimer(this);
    t->timer->setSingleShot(!repeat);
    t->timer->setInterval(ms < 0 ? 0 : ms);
    std::weak_ptr<Timer> weak = t;
    connect(t->timer, &QTimer::timeout, this, [this, weak, id, repeat] {
        auto s = weak.lock();
        if (!s || !s->alive)
            return;
        auto fn = s->fn;
        if (!repeat)
            StopTimer(id);
        if (fn)
            fn();
    });
    t->timer->start();
    timers_[id] = std::move(t);
    return id;
}

void QtUiLoop::StopTimer(int id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    auto t = it->second;
    timers_.erase(it);
    t->alive = false;
    t->timer->stop();
    t->timer->deleteLater();
}

void QtUiLoop::ProcessEvents(int maxMs)
{
    // Waits for events (at most maxMs: the timer is one) and runs what came,
    // so a caller polling a condition neither spins nor sleeps past an event.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs < 0 ? 0 : maxMs);
    QEventLoop loop;
    loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void UiWait(int ms)
{
    if (ms <= 0)
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        QThread::msleep(ulong(ms));
        return;
    }
    // A loop of its own that the timer ends: it blocks in the event wait
    // instead of polling an empty queue.
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace velo
