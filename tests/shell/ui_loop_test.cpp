// The UI loop behind the connection code: work posted from other threads,
// descriptor watches, timers, and event pumping with a bound.
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>
#include <ctime>
#include <atomic>
#include <thread>
#include <unistd.h>

#include "shell/QtUiLoop.h"

using namespace velo;

namespace {
bool Pump(QtUiLoop& loop, const std::function<bool()>& done, int ms = 2000)
{
    QDeadlineTimer until(ms);
    while (!done() && !until.hasExpired())
        loop.ProcessEvents(20);
    return done();
}
}  // namespace

TEST(QtUiLoop, WorkPostedFromAnotherThreadRunsOnTheUiThread)
{
    test::App();
    QtUiLoop loop;
    std::atomic<bool> ran{false};
    std::thread::id where;
    std::thread t([&] { loop.Post([&] { where = std::this_thread::get_id(); ran = true; }); });
    t.join();
    ASSERT_TRUE(Pump(loop, [&] { return bool(ran); }));
    EXPECT_EQ(where, std::this_thread::get_id());
}

TEST(QtUiLoop, WatchReportsReadabilityOnlyWhileAsked)
{
    test::App();
    QtUiLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int reads = 0;
    int id = loop.AddWatch(fds[0], [&](bool readable, bool) {
        if (readable)
            ++reads;
        char buf[16];
        (void)!read(fds[0], buf, sizeof buf);
    });
    ASSERT_GT(id, 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    loop.ProcessEvents(50);
    EXPECT_EQ(reads, 0);  // a new watch asks for nothing
    loop.SetWatch(id, true, false);
    ASSERT_TRUE(Pump(loop, [&] { return reads == 1; }));
    loop.RemoveWatch(id);
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    loop.ProcessEvents(50);
    EXPECT_EQ(reads, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST(QtUiLoop, AHandlerMayRemoveItsOwnWatch)
{
    test::App();
    QtUiLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    int id = 0;
    id = loop.AddWatch(fds[0], [&](bool, bool) {
        ++calls;
        loop.RemoveWatch(id);
    });
    loop.SetWatch(id, true, false);
    ASSERT_EQ(write(fds[1], "x", 1), 1);  // never read: stays readable
    Pump(loop, [&] { return calls > 0; });
    loop.ProcessEvents(50);
    EXPECT_EQ(calls, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST(QtUiLoop, OneShotAndRepeatingTimers)
{
    test::App();
    QtUiLoop loop;
    int once = 0, repeat = 0;
    loop.StartTimer(10, false, [&] { ++once; });
    int r = loop.StartTimer(5, true, [&] { ++repeat; });
    ASSERT_TRUE(Pump(loop, [&] { return repeat >= 3; }));
    loop.StopTimer(r);
    int seen = repeat;
    loop.ProcessEvents(40);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeat, seen);
    // A timer stopped from its own callback.
    int self = 0, id = 0;
    id = loop.StartTimer(1, true, [&] {
        ++self;
        loop.StopTimer(id);
    });
    Pump(loop, [&] { return self > 0; });
    loop.ProcessEvents(30);
    EXPECT_EQ(self, 1);
}

TEST(QtUiLoop, ProcessEventsReturnsWithinItsBound)
{
    test::App();
    QtUiLoop loop;
    QElapsedTimer t;
    t.start();
    loop.ProcessEvents(30);
    EXPECT_LT(t.elapsed(), 1000);
}

TEST(QtUiLoop, TheMacroWaitAnswersEventsWithoutSpinning)
{
    // "\w" on the UI thread: what is posted meanwhile runs, and the thread
    // sleeps between events instead of polling an empty queue (a spinning
    // wait burns its whole 250 ms of processor time).
    test::App();
    QtUiLoop loop;
    bool served = false;
    QTimer::singleShot(20, [&] { served = true; });
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    QElapsedTimer wall;
    wall.start();
    UiWait(250);
    const qint64 waited = wall.elapsed();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double cpuMs = double(b.tv_sec - a.tv_sec) * 1e3 + double(b.tv_nsec - a.tv_nsec) / 1e6;
    EXPECT_TRUE(served);
    EXPECT_GE(waited, 245);
    EXPECT_LT(cpuMs, 60.0);
    // Off the UI thread it only sleeps.
    std::thread t([] { UiWait(30); });
    t.join();
}
