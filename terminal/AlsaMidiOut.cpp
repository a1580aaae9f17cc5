#include "terminal/AlsaMidiOut.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <utility>

namespace velo {
namespace {

constexpr unsigned kSynthTypes = SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                 SND_SEQ_PORT_TYPE_MIDI_GM | SND_SEQ_PORT_TYPE_MIDI_GS |
                                 SND_SEQ_PORT_TYPE_MIDI_XG | SND_SEQ_PORT_TYPE_MIDI_MT32 |
                                 SND_SEQ_PORT_TYPE_MIDI_GM2 | SND_SEQ_PORT_TYPE_DIRECT_SAMPLE |
                                 SND_SEQ_PORT_TYPE_SAMPLE;
constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;

// A machine without a sequencer is normal: keep the library's complaint about
// the missing device off the user's terminal.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

std::vector<SeqPort> ListPorts(snd_seq_t* seq) {
    std::vector<SeqPort> ports;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0)
            ports.push_back({id, snd_seq_port_info_get_port(port),
                             snd_seq_client_info_get_name(client),
                             snd_seq_port_info_get_capability(port),
                             snd_seq_port_info_get_type(port)});
    }
    return ports;
}

}  // namespace

int ChooseSynthPort(const std::vector<SeqPort>& ports, int ownClient) {
    auto usable = [&](const SeqPort& p) {
        return p.client != SND_SEQ_CLIENT_SYSTEM && p.client != ownClient &&
               (p.caps & kWritable) == kWritable && !(p.caps & SND_SEQ_PORT_CAP_NO_EXPORT) &&
               (p.type & (SND_SEQ_PORT_TYPE_MIDI_GENERIC | kSynthTypes)) &&
               p.clientName.rfind("Midi Through", 0) != 0;
    };
    for (bool synthOnly : {true, false})
        for (size_t i = 0; i < ports.size(); ++i)
            if (usable(ports[i]) && (!synthOnly || (ports[i].type & kSynthTypes)))
                return static_cast<int>(i);
    return -1;
}

bool SeqEventOf(uint32_t shortMessage, snd_seq_event& ev) {
    const int status = shortMessage & 0xF0, channel = shortMessage & 0x0F;
    const int data1 = shortMessage >> 8 & 0x7F, data2 = shortMessage >> 16 & 0x7F;
    snd_seq_ev_clear(&ev);
    switch (status) {
    case 0x80: snd_seq_ev_set_noteoff(&ev, channel, data1, data2); return true;
    case 0x90: snd_seq_ev_set_noteon(&ev, channel, data1, data2); return true;
    case 0xA0: snd_seq_ev_set_keypress(&ev, channel, data1, data2); return true;
    case 0xB0: snd_seq_ev_set_controller(&ev, channel, data1, data2); return true;
    case 0xC0: snd_seq_ev_set_pgmchange(&ev, channel, data1); return true;
    case 0xD0: snd_seq_ev_set_chanpress(&ev, channel, data1); return true;
    case 0xE0: snd_seq_ev_set_pitchbend(&ev, channel, (data2 << 7 | data1) - 8192); return true;
    default: return false;  // system messages are no channel messages
    }
}

AlsaMidiOut::AlsaMidiOut(std::string destination) : destination_(std::move(destination)) {
    if (destination_.empty())
        if (const char* env = std::getenv("VELO_MIDI_PORT")) destination_ = env;
}

AlsaMidiOut::~AlsaMidiOut() { Close(); }

bool AlsaMidiOut::Open() {
    if (open_) return true;
    snd_lib_error_set_handler(Quiet);
    const int rc = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_OUTPUT, 0);
    snd_lib_error_set_handler(nullptr);
    if (rc < 0) {
        seq_ = nullptr;
        return false;
    }
    snd_seq_set_client_name(seq_, "Vellow");
    port_ = snd_seq_create_simple_port(seq_, "ANSI music",
                                       SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                       SND_SEQ_PORT_TYPE_MIDI_GENERIC |
                                           SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0 || !Connect()) {
        snd_seq_close(seq_);
        seq_ = nullptr;
        port_ = -1;
        return false;
    }
    open_ = true;
    return true;
}

bool AlsaMidiOut::Connect() {
    snd_seq_addr_t addr;
    if (!destination_.empty() && snd_seq_parse_address(seq_, &addr, destination_.c_str()) >= 0 &&
        snd_seq_connect_to(seq_, port_, addr.client, addr.port) >= 0)
        return true;
    const std::vector<SeqPort> ports = ListPorts(seq_);
    const int i = ChooseSynthPort(ports, snd_seq_client_id(seq_));
    return i >= 0 && snd_seq_connect_to(seq_, port_, ports[i].client, ports[i].port) >= 0;
}

bool AlsaMidiOut::IsOpen() const { return open_; }

void AlsaMidiOut::Send(uint32_t shortMessage) {
    snd_seq_event_t ev;
    if (!open_ || !SeqEventOf(shortMessage, ev)) return;
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    snd_seq_event_output_direct(seq_, &ev);
}

void AlsaMidiOut::Close() {
    if (!seq_) return;
    open_ = false;
    snd_seq_close(seq_);
    seq_ = nullptr;
    port_ = -1;
}

}  // namespace velo
