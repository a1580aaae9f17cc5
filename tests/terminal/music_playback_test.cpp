// Playback: the exact short messages at their simulated times, the hold that
// ends with done(), and the thread timer that runs it for real.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "music_fakes.h"
#include "terminal/ThreadTimer.h"

namespace velo {
namespace {

using test::FakeMidi;
using test::FakeTimer;
using test::FeedMusic;
using test::SentMessage;
using Messages = std::vector<SentMessage>;

class MusicPlay : public testing::Test {
protected:
    // Plays s; returns the simulated time done() ran at (-1: never).
    long PlayString(std::string_view s) {
        FeedMusic(music, s);
        long doneAt = -1;
        music.Play([&] {
            ++doneCalls;
            doneAt = timer.now;
        });
        timer.RunAll();
        return doneAt;
    }
    FakeTimer timer;
    FakeMidi midi{timer};
    AnsiMusic music{&midi, &timer};
    int doneCalls = 0;
};

TEST_F(MusicPlay, QuarterNoteHoldsInputFor720Ms) {
    EXPECT_EQ(PlayString("T255 L4 C^"), 730);
    EXPECT_EQ(midi.sent, (Messages{{10, 0x502490}, {730, 0x500080}}));
    EXPECT_EQ(doneCalls, 1);
    EXPECT_FALSE(midi.IsOpen());
    EXPECT_EQ(midi.opens, 1);
    EXPECT_EQ(midi.closes, 1);
}

TEST_F(MusicPlay, DottedNoteAndLegatoVelocity) {
    EXPECT_EQ(PlayString("T255 ML C4. MN D4^"), 10 + 1080 + 720);
    EXPECT_EQ(midi.sent, (Messages{{10, 0x352490}, {1090, 0x502690}, {1810, 0x500080}}));
}

TEST_F(MusicPlay, SplitModeRestsHalfOfEachNoteOnTheChannel) {
    EXPECT_EQ(PlayString("S5 T251 L4 MI C D^"), 10 + 731 * 2);
    EXPECT_EQ(midi.sent, (Messages{{10, 0x502495},
                                   {375, 0x500085},
                                   {741, 0x502695},
                                   {1106, 0x500085},
                                   {1472, 0x500080}}));
}

TEST_F(MusicPlay, WithoutDeviceInputIsHeldOneTick) {
    FakeMidi none{timer, false};
    AnsiMusic silent{&none, &timer};
    FeedMusic(silent, "T20 L1 CDEFGAB^");
    long doneAt = -1;
    silent.Play([&] { doneAt = timer.now; });
    timer.RunAll();
    EXPECT_EQ(doneAt, 10);
    EXPECT_TRUE(none.sent.empty());
    EXPECT_EQ(timer.starts, 1);

    AnsiMusic noOutput{nullptr, &timer};
    FeedMusic(noOutput, "CDE^");
    timer.now = 0;
    noOutput.Play([&] { doneAt = timer.now; });
    timer.RunAll();
    EXPECT_EQ(doneAt, 10);
}

TEST_F(MusicPlay, EmptyTuneStillTicksOnceAndClosesTheOutput) {
    EXPECT_EQ(PlayString("^"), 10);
    EXPECT_EQ(midi.sent, (Messages{{10, 0x500080}}));
    EXPECT_EQ(doneCalls, 1);
}

TEST_F(MusicPlay, EveryTuneReopensTheOutput) {
    PlayString("C^");
    PlayString("D^");
    EXPECT_EQ(midi.opens, 2);
    EXPECT_EQ(doneCalls, 2);
    EXPECT_EQ(midi.sent.back().message, 0x500080u);
}

TEST_F(MusicPlay, StopAndResetEndPlaybackWithoutDone) {
    FeedMusic(music, "S2 L4 CDEF^");
    music.Play([&] { ++doneCalls; });
    timer.now = timer.due;
    auto fire = std::move(timer.pending);
    fire();  // the C sounds
    music.Stop();
    EXPECT_FALSE(timer.pending);
    EXPECT_EQ(midi.sent, (Messages{{10, 0x502492}, {10, 0x500080}}));
    EXPECT_FALSE(midi.IsOpen());
    timer.RunAll();
    EXPECT_EQ(doneCalls, 0);

    // Reset stops as well and brings back channel 0, octave 3, L16, T255.
    FeedMusic(music, "S2 O6 L1 T20 C^");
    music.Play([&] { ++doneCalls; });
    music.Reset();
    EXPECT_FALSE(timer.pending);
    timer.now = 0;
    EXPECT_EQ(PlayString("C^"), 190);
    EXPECT_EQ(midi.sent.back(), (SentMessage{190, 0x500080}));
    EXPECT_EQ(midi.sent[midi.sent.size() - 2], (SentMessage{10, 0x502490}));
    EXPECT_EQ(doneCalls, 1);
}

TEST_F(MusicPlay, ANewStringStopsATuneStillPlaying) {
    FeedMusic(music, "CDE^");
    music.Play([&] { ++doneCalls; });
    FeedMusic(music, "F^");
    EXPECT_FALSE(timer.pending);
    EXPECT_EQ(music.QueueSize(), 1);
    EXPECT_EQ(doneCalls, 0);
}

// A MIDI output for the real timer thread.
class LockedMidi : public MidiOut {
public:
    bool Open() override { return open_ = true; }
    bool IsOpen() const override { return open_; }
    void Send(uint32_t m) override {
        std::lock_guard lk(mu);
        sent.push_back(m);
    }
    void Close() override { open_ = false; }
    std::mutex mu;
    std::vector<uint32_t> sent;

private:
    std::atomic<bool> open_{false};
};

TEST(MusicThreadTimer, PlaysATuneToItsEndOnTheTimerThread) {
    ThreadTimer timer;
    LockedMidi midi;
    AnsiMusic music{&midi, &timer};
    FeedMusic(music, "L64 CDEFG^");
    std::mutex mu;
    std::condition_variable cv;
    int done = 0;
    std::thread::id doneThread;
    music.Play([&] {
        std::lock_guard lk(mu);
        ++done;
        doneThread = std::this_thread::get_id();
        cv.notify_all();
    });
    std::unique_lock lk(mu);
    ASSERT_TRUE(cv.wait_for(lk, std::chrono::seconds(10), [&] { return done > 0; }));
    EXPECT_NE(doneThread, std::this_thread::get_id());
    std::lock_guard ml(midi.mu);
    EXPECT_EQ(midi.sent, (std::vector<uint32_t>{0x502490, 0x502690, 0x502890, 0x502990, 0x502B90,
                                                0x500080}));
}

TEST(MusicThreadTimer, CancelWaitsForARunningCallbackAndUndoesItsRearm) {
    ThreadTimer timer;
    std::atomic<int> fired{0};
    std::atomic<bool> inside{false};
    std::function<void()> rearm = [&] {
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ++fired;
        timer.Start(0, rearm);
    };
    timer.Start(0, rearm);
    while (!inside) std::this_thread::yield();
    timer.Cancel();
    const int afterCancel = fired;
    EXPECT_EQ(afterCancel, 1);  // returned only once the callback had finished
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(fired, afterCancel);
}

TEST(MusicThreadTimer, CancelBeforeExpiryAndDestructionNeverFire) {
    std::atomic<int> fired{0};
    {
        ThreadTimer timer;
        timer.Start(30, [&] { ++fired; });
        timer.Cancel();
        timer.Start(60000, [&] { ++fired; });  // still armed when destroyed
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    EXPECT_EQ(fired, 0);
    ThreadTimer timer;
    std::atomic<int> order{0};
    timer.Start(40, [&] { order = order * 10 + 2; });
    timer.Start(5, [&] { order = order * 10 + 1; });  // replaces the first
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (order == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(order, 1);
}

TEST(MusicThreadTimer, CancelFromInsideTheCallbackDoesNotDeadlock) {
    ThreadTimer timer;
    std::atomic<bool> done{false};
    timer.Start(0, [&] {
        timer.Start(10, [&] { ADD_FAILURE() << "cancelled expiry ran"; });
        timer.Cancel();
        done = true;
    });
    while (!done) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
}

}  // namespace
}  // namespace velo
