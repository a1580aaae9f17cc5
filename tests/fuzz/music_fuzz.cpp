// A music string of arbitrary bytes, then its playback in simulated time:
// the queue stays within 511 entries of notes 0..85, every message is a
// note-on or the rest message, and done() runs exactly once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "terminal/AnsiMusic.h"

namespace {

class Timer : public velo::OneShotTimer {
public:
    void Start(int ms, std::function<void()> fire) override {
        if (ms < 0) std::abort();
        pending = std::move(fire);
    }
    void Cancel() override { pending = nullptr; }
    std::function<void()> pending;
};

class Midi : public velo::MidiOut {
public:
    bool Open() override { return open = true; }
    bool IsOpen() const override { return open; }
    void Send(uint32_t m) override {
        const uint32_t status = m & 0xF0, note = m >> 8 & 0xFF, velocity = m >> 16;
        const bool rest = status == 0x80 && note == 0 && velocity == 0x50;
        const bool on = status == 0x90 && note <= 84 && (velocity == 0x50 || velocity == 0x35);
        if (!rest && !on) std::abort();
        ++sent;
    }
    void Close() override { open = false; }
    bool open = false;
    int sent = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Timer timer;
    Midi midi;
    velo::AnsiMusic music(&midi, &timer);
    size_t i = 0;
    while (i < size) {
        music.Begin();
        velo::AnsiMusic::Step step = velo::AnsiMusic::Step::More;
        for (; i < size && step == velo::AnsiMusic::Step::More; ++i) step = music.Byte(data[i]);
        // A byte left unconsumed would be text: the next string starts after it.
        const int n = music.QueueSize();
        if (n < 0 || n > velo::AnsiMusic::kMaxEntries) std::abort();
        for (int k = 0; k < n; ++k) {
            const auto e = music.QueueEntry(k);
            if (e.note > velo::AnsiMusic::kRest || e.mode > velo::AnsiMusic::NoteMode::F) std::abort();
        }
        int done = 0;
        music.Play([&] { ++done; });
        for (int guard = 0; timer.pending && guard < 1000; ++guard) {
            auto fire = std::move(timer.pending);
            timer.pending = nullptr;
            fire();
        }
        if (done != 1 || midi.open || midi.sent > n + 1) std::abort();
        midi.sent = 0;
        if (data[0] & 1) music.Reset();
    }
    return 0;
}
