#include "terminal/AnsiMusic.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <utility>

namespace velo {
namespace {

enum class Sub : uint8_t {
    Base, Octave, NoteNumber, Tempo, Length, Mode, Pause, Volume, NoteLength, Channel
};

// Note letters A..G as semitones above C.
constexpr int kStep[7] = {9, 11, 0, 2, 4, 5, 7};

// Digits beyond this stop adding: a number stays far from int overflow and
// every use clamps it anyway.
constexpr int kNumberCap = 100000000;

constexpr uint32_t kRestMessage = 0x500080;      // note-off of note 0, velocity 0x50
constexpr uint32_t kNoteOn = 0x500090;           // note-on, velocity 0x50
constexpr uint32_t kNoteOnLegato = 0x350090;     // note-on, velocity 0x35
constexpr int kFirstTickMs = 10;
constexpr int kDurationScale = 734400;           // / (length x tempo): L4 at T255 is 720 ms

int Upper(uint8_t b) { return b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b; }

}  // namespace

struct AnsiMusic::Impl {
    MidiOut* out;
    OneShotTimer* timer;

    int channel = 0;
    int octave = 3;
    int length = 16;
    int tempo = 255;
    NoteMode mode = NoteMode::Normal;
    int pending = -1;
    int number = 0;
    Sub sub = Sub::Base;

    std::array<Entry, kMaxEntries> queue{};
    int count = 0;
    int playPos = 0;
    std::atomic<bool> playing{false};
    std::function<void()> done;

    Impl(MidiOut* o, OneShotTimer* t) : out(o), timer(t) {}

    void Defaults() {
        channel = 0;
        octave = 3;
        length = 16;
        tempo = 255;
        mode = NoteMode::Normal;
        pending = -1;
        number = 0;
        sub = Sub::Base;
        count = 0;
    }

    void Push(uint8_t note, int ms) {
        if (count >= kMaxEntries) return;  // full: the rest of the string adds nothing
        queue[count++] = {note, static_cast<uint16_t>(ms), mode};
    }

    // Queues a note (0..84), a rest (kRest) or nothing (-1 or out of range)
    // for len at the current tempo, and clears the pending note.
    void Queue(int note, int len) {
        pending = -1;
        tempo = std::clamp(tempo, 20, 255);
        len = std::clamp(len, 1, 64);
        const int d = kDurationScale / (len * tempo);  // 45..36720 ms
        if (note == kRest) {
            Push(kRest, d);
        } else if (note >= 0 && note <= 84) {
            if (mode == NoteMode::Split) {
                Push(static_cast<uint8_t>(note), d / 2);
                Push(kRest, d - d / 2);
            } else {
                Push(static_cast<uint8_t>(note), d);
            }
        }
    }

    void ApplyNumber() {
        switch (sub) {
        case Sub::Octave: octave = std::min(number, 7); break;
        case Sub::NoteNumber: pending = number; break;
        case Sub::Tempo: tempo = number; break;
        case Sub::Length: length = number; break;
        case Sub::Pause: Queue(kRest, number); break;
        case Sub::NoteLength: Queue(pending, number); break;
        case Sub::Channel: channel = number % 16; break;
        case Sub::Volume:
        case Sub::Base:
        case Sub::Mode: break;
        }
        sub = Sub::Base;
    }

    Step Base(uint8_t b) {
        const int c = Upper(b);
        if (c >= '0' && c <= '9') {
            sub = Sub::NoteLength;
            number = c - '0';
            return Step::More;
        }
        if (c >= 'A' && c <= 'G') {
            Queue(pending, length);
            pending = octave * 12 + kStep[c - 'A'];
            return Step::More;
        }
        switch (c) {
        // A sharp or flat alters the pending note; with none pending there is
        // nothing to alter (it must not conjure up note 0).
        case '#':
        case '+':
            if (pending >= 0) ++pending;
            return Step::More;
        case '-':
            if (pending >= 0) --pending;
            return Step::More;
        case '.':  // dotted: lengthens the entry already queued
            if (count > 0) {
                Entry& e = queue[count - 1];
                e.ms = static_cast<uint16_t>(std::min(e.ms * 3 / 2, 0xFFFF));
            }
            return Step::More;
        case '<':
            Queue(pending, length);
            octave = std::max(octave - 1, 0);
            return Step::More;
        case '>':
            Queue(pending, length);
            octave = std::min(octave + 1, 7);
            return Step::More;
        case 'L': return Enter(Sub::Length);
        case 'M': return Enter(Sub::Mode);
        case 'N': return Enter(Sub::NoteNumber);
        case 'O': return Enter(Sub::Octave);
        case 'P': return Enter(Sub::Pause);
        case 'S': return Enter(Sub::Channel);
        case 'T': return Enter(Sub::Tempo);
        case 'V': return Enter(Sub::Volume);
        default:
            Queue(pending, length);
            return b == '^' ? Step::EndConsumed : Step::EndNotConsumed;
        }
    }

    Step Enter(Sub s) {
        Queue(pending, length);
        number = 0;
        sub = s;
        return Step::More;
    }

    void CloseOutput() {
        if (out && out->IsOpen()) {
            out->Send(kRestMessage);
            out->Close();
        }
    }

    // One expiry of the one-shot timer, on the timer's thread.
    void Tick() {
        if (timer && out && out->IsOpen() && playPos < count) {
            const Entry& e = queue[playPos++];
            const uint32_t ch = static_cast<uint32_t>(channel);
            out->Send(e.note == kRest ? kRestMessage | ch
                                      : static_cast<uint32_t>(e.note) << 8 | ch |
                                            (e.mode == NoteMode::Legato ? kNoteOnLegato : kNoteOn));
            timer->Start(e.ms, [this] { Tick(); });
            return;
        }
        CloseOutput();
        std::function<void()> finished = std::move(done);
        done = nullptr;
        playing = false;
        if (finished) finished();
    }
};

AnsiMusic::AnsiMusic(MidiOut* out, OneShotTimer* timer) : d_(new Impl(out, timer)) {}

AnsiMusic::~AnsiMusic() {
    Stop();
    delete d_;
}

void AnsiMusic::Begin() {
    if (d_->playing) Stop();  // never write the queue under a running tune
    d_->count = 0;
    d_->pending = -1;
    d_->number = 0;
    d_->sub = Sub::Base;
}

AnsiMusic::Step AnsiMusic::Byte(uint8_t b) {
    Impl& m = *d_;
    if (b == ' ') return Step::More;
    switch (m.sub) {
    case Sub::Base:
        return m.Base(b);
    case Sub::Mode:
        switch (Upper(b)) {
        case 'N': m.mode = NoteMode::Normal; break;
        case 'L': m.mode = NoteMode::Legato; break;
        case 'I': m.mode = NoteMode::Split; break;
        case 'F': m.mode = NoteMode::F; break;
        default: break;
        }
        m.sub = Sub::Base;
        return Step::More;
    default:
        if (b >= '0' && b <= '9') {
            if (m.number < kNumberCap) m.number = m.number * 10 + (b - '0');
            return Step::More;
        }
        m.ApplyNumber();
        return m.Base(b);
    }
}

void AnsiMusic::Play(std::function<void()> done) {
    Stop();
    Impl& m = *d_;
    m.playPos = 0;
    m.done = std::move(done);
    m.playing = true;
    if (m.out && !m.out->IsOpen()) m.out->Open();  // failure: no output, one tick
    if (m.timer)
        m.timer->Start(kFirstTickMs, [&m] { m.Tick(); });
    else
        m.Tick();
}

void AnsiMusic::Stop() {
    if (d_->timer) d_->timer->Cancel();
    d_->CloseOutput();
    d_->done = nullptr;
    d_->playing = false;
}

void AnsiMusic::Reset() {
    Stop();
    d_->Defaults();
}

int AnsiMusic::QueueSize() const { return d_->count; }

AnsiMusic::Entry AnsiMusic::QueueEntry(int i) const {
    if (i < 0 || i >= d_->count) return {kRest, 0, NoteMode::Normal};
    return d_->queue[i];
}

}  // namespace velo
