// ANSI music: the music macro language after CSI '^', its queue of at most
// 511 notes, and playback through a MIDI output on a one-shot timer. Parsing
// runs on the UI thread inside Feed; playback runs on the timer's thread and
// touches only the queue, the play position and the output. The terminal's
// hold flag keeps a new string from arriving while a tune plays.
#pragma once

#include <cstdint>
#include <functional>

namespace velo {

// The platform's MIDI output (ALSA sequencer on Linux; silent when no port).
class MidiOut {
public:
    virtual ~MidiOut() = default;
    virtual bool Open() = 0;                    // false: no output
    virtual bool IsOpen() const = 0;
    virtual void Send(uint32_t shortMessage) = 0;  // status | data1 << 8 | data2 << 16
    virtual void Close() = 0;
};

// A one-shot millisecond timer whose callback runs on a thread of its own.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    virtual void Start(int ms, std::function<void()> fire) = 0;
    virtual void Cancel() = 0;  // after return the callback neither runs nor is running
};

class AnsiMusic {
public:
    enum class Step : uint8_t {
        More,           // byte consumed, the string goes on
        EndConsumed,    // '^' ended the string and was consumed
        EndNotConsumed  // another byte ended the string; Feed returns before it
    };
    // The articulation of M N, M L, M I and M F.
    enum class NoteMode : uint8_t {
        Normal = 0,
        Legato = 1,  // sounds with the softer velocity
        Split = 2,   // each note sounds half its length, a rest the other half
        F = 3        // recorded with the note; sounds as Normal
    };
    struct Entry {
        uint8_t note;   // 0..84, 85 a rest
        uint16_t ms;    // duration
        NoteMode mode;  // the mode when the note was queued
    };
    static constexpr int kMaxEntries = 511;
    static constexpr uint8_t kRest = 85;

    // Neither is owned; both outlive the object. No output: silence, the tune
    // lasts one 10 ms tick. No timer: Play ends at once, done() runs inside it.
    // terminal/ThreadTimer.h is the timer of the program.
    AnsiMusic(MidiOut* out, OneShotTimer* timer);
    ~AnsiMusic();

    void Begin();            // CSI '^' seen: empty the queue, clear the pending note
    Step Byte(uint8_t b);    // one byte of the string
    // Starts playback; done() runs once when it ends (on the timer's thread),
    // and must not wait for the thread that calls Stop or Reset.
    void Play(std::function<void()> done);
    void Stop();             // ends playback without calling done
    void Reset();            // defaults of ResetOnConnect / TerminalReset, and Stop

    int QueueSize() const;
    Entry QueueEntry(int i) const;

private:
    struct Impl;
    Impl* d_;
};

}  // namespace velo
