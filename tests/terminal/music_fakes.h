// A recording MIDI output and a timer in simulated time for the music tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "terminal/AnsiMusic.h"

namespace velo::test {

struct SentMessage {
    long at;  // simulated ms
    uint32_t message;
    bool operator==(const SentMessage&) const = default;
};

class FakeTimer : public OneShotTimer {
public:
    void Start(int ms, std::function<void()> fire) override {
        due = now + ms;
        pending = std::move(fire);
        ++starts;
    }
    void Cancel() override { pending = nullptr; }
    // Runs expiries until none is armed; returns the simulated time then.
    long RunAll(int limit = 100000) {
        while (pending && limit-- > 0) {
            now = due;
            auto fire = std::move(pending);
            pending = nullptr;
            fire();
        }
        return now;
    }
    long now = 0;
    long due = 0;
    int starts = 0;
    std::function<void()> pending;
};

class FakeMidi : public MidiOut {
public:
    explicit FakeMidi(const FakeTimer& clock, bool available = true)
        : clock_(clock), available_(available) {}
    bool Open() override {
        ++opens;
        open_ = available_;
        return open_;
    }
    bool IsOpen() const override { return open_; }
    void Send(uint32_t m) override { sent.push_back({clock_.now, m}); }
    void Close() override {
        open_ = false;
        ++closes;
    }
    std::vector<SentMessage> sent;
    int opens = 0, closes = 0;

private:
    const FakeTimer& clock_;
    bool available_;
    bool open_ = false;
};

// Feeds a music string (the bytes after CSI '^'); returns the bytes taken.
inline size_t FeedMusic(AnsiMusic& music, std::string_view s) {
    music.Begin();
    for (size_t i = 0; i < s.size(); ++i) {
        switch (music.Byte(static_cast<uint8_t>(s[i]))) {
        case AnsiMusic::Step::More: break;
        case AnsiMusic::Step::EndConsumed: return i + 1;
        case AnsiMusic::Step::EndNotConsumed: return i;
        }
    }
    return s.size();
}

}  // namespace velo::test
