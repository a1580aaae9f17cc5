// The penalty sound, played without waiting through libcanberra (PulseAudio,
// PipeWire or ALSA, whichever it finds). No sound file, no sound server or no
// audio device means silence and nothing else.
#pragma once

#include <QString>

struct ca_context;

namespace car {

class PenaltySound {
public:
    explicit PenaltySound(QString wavPath);
    ~PenaltySound();
    PenaltySound(const PenaltySound&) = delete;
    PenaltySound& operator=(const PenaltySound&) = delete;

    // Starts the sound, cutting off the one still playing. Returns at once.
    void Play();

    // The file shipped beside the program, else the installed data folder.
    static QString DefaultPath();

private:
    QString path_;
    ca_context* ctx_ = nullptr;
    bool failed_ = false;
};

}  // namespace car
