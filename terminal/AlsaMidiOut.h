// MidiOut on the ALSA sequencer: a client "Vellow" with one output port,
// connected to the first MIDI synthesizer port found. No sequencer or no such
// port: Open() returns false and the music is silent.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "terminal/AnsiMusic.h"

struct _snd_seq;
struct snd_seq_event;

namespace velo {

// A sequencer port as the choice below sees it; caps and type carry ALSA's
// SND_SEQ_PORT_CAP_* and SND_SEQ_PORT_TYPE_* bits.
struct SeqPort {
    int client = 0;
    int port = 0;
    std::string clientName;
    unsigned caps = 0;
    unsigned type = 0;
};

// The port a tune goes to, as an index into ports (in the sequencer's order),
// or -1. A port must accept subscribed writes and belong to neither the
// system client, our own client nor "Midi Through" (which sounds nothing);
// synthesizers (software like FluidSynth and TiMidity, or a card's wavetable)
// come before plain MIDI outputs to external gear.
int ChooseSynthPort(const std::vector<SeqPort>& ports, int ownClient);

// A short channel message (status | data1 << 8 | data2 << 16) as the
// sequencer event that carries it; false for anything else.
bool SeqEventOf(uint32_t shortMessage, snd_seq_event& ev);

class AlsaMidiOut final : public MidiOut {
public:
    // destination: "client:port" or a client name, as aconnect takes them;
    // empty means the environment's VELO_MIDI_PORT, else the automatic choice.
    // A destination that cannot be reached falls back to the automatic choice.
    explicit AlsaMidiOut(std::string destination = {});
    ~AlsaMidiOut() override;
    AlsaMidiOut(const AlsaMidiOut&) = delete;
    AlsaMidiOut& operator=(const AlsaMidiOut&) = delete;

    bool Open() override;
    bool IsOpen() const override;
    void Send(uint32_t shortMessage) override;  // channel messages (SeqEventOf)
    void Close() override;

private:
    bool Connect();

    std::string destination_;
    _snd_seq* seq_ = nullptr;
    int port_ = -1;
    std::atomic<bool> open_{false};
};

}  // namespace velo
