// The ALSA output: which sequencer port a tune goes to, and silence without a
// sequencer.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "terminal/AlsaMidiOut.h"

namespace velo {
namespace {

constexpr unsigned kIn = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
constexpr unsigned kOut = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

const SeqPort kTimer{0, 0, "System", kOut, 0};
const SeqPort kThrough{14, 0, "Midi Through", kIn | kOut,
                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SOFTWARE};
const SeqPort kUsbOut{20, 0, "USB MIDI Interface", kIn | kOut,
                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE};
const SeqPort kUsbKeys{24, 0, "Keystation", kOut,
                       SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_HARDWARE};
const SeqPort kFluid{128, 0, "FLUID Synth (1234)", kIn,
                     SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_SYNTHESIZER};
const SeqPort kTimidity{129, 0, "TiMidity", kIn,
                        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_MIDI_GM |
                            SND_SEQ_PORT_TYPE_SYNTH};

TEST(MusicAlsaPort, SynthesizerBeforeExternalMidiOut) {
    EXPECT_EQ(ChooseSynthPort({kTimer, kThrough, kFluid}, 130), 2);
    EXPECT_EQ(ChooseSynthPort({kTimer, kThrough, kUsbOut, kTimidity, kFluid}, 130), 3);
    EXPECT_EQ(ChooseSynthPort({kThrough, kUsbKeys, kUsbOut}, 130), 2);
}

TEST(MusicAlsaPort, NothingThatCannotSound) {
    EXPECT_EQ(ChooseSynthPort({}, 130), -1);
    EXPECT_EQ(ChooseSynthPort({kTimer, kThrough, kUsbKeys}, 130), -1);
    EXPECT_EQ(ChooseSynthPort({kFluid}, kFluid.client), -1);  // our own port
    SeqPort hidden = kFluid;
    hidden.caps |= SND_SEQ_PORT_CAP_NO_EXPORT;
    SeqPort writeOnly = kTimidity;
    writeOnly.caps = SND_SEQ_PORT_CAP_WRITE;  // no subscriptions
    SeqPort untyped = kUsbOut;
    untyped.type = SND_SEQ_PORT_TYPE_APPLICATION;
    EXPECT_EQ(ChooseSynthPort({hidden, writeOnly, untyped}, 130), -1);
}

TEST(MusicAlsaOutput, ShortMessagesBecomeChannelEvents) {
    snd_seq_event_t ev;
    ASSERT_TRUE(SeqEventOf(0x502490, ev));  // the music's note-on, velocity 0x50
    EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(ev.data.note.channel, 0);
    EXPECT_EQ(ev.data.note.note, 36);
    EXPECT_EQ(ev.data.note.velocity, 0x50);
    ASSERT_TRUE(SeqEventOf(0x355499, ev));  // legato on channel 9
    EXPECT_EQ(ev.data.note.channel, 9);
    EXPECT_EQ(ev.data.note.note, 0x54);
    EXPECT_EQ(ev.data.note.velocity, 0x35);
    ASSERT_TRUE(SeqEventOf(0x50008F, ev));  // the rest: note-off of note 0
    EXPECT_EQ(ev.type, SND_SEQ_EVENT_NOTEOFF);
    EXPECT_EQ(ev.data.note.channel, 15);
    EXPECT_EQ(ev.data.note.note, 0);
    ASSERT_TRUE(SeqEventOf(0x7B00B3, ev));  // controller 0 value 0x7B on channel 3
    EXPECT_EQ(ev.type, SND_SEQ_EVENT_CONTROLLER);
    EXPECT_EQ(ev.data.control.param, 0u);
    EXPECT_EQ(ev.data.control.value, 0x7B);
    ASSERT_TRUE(SeqEventOf(0x4000E0, ev));  // pitch bend centre
    EXPECT_EQ(ev.type, SND_SEQ_EVENT_PITCHBEND);
    EXPECT_EQ(ev.data.control.value, 0);
    EXPECT_FALSE(SeqEventOf(0xF8, ev));
}

TEST(MusicAlsaOutput, SilentWithoutSequencer) {
    if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has a sequencer";
    AlsaMidiOut out("128:0");
    EXPECT_FALSE(out.Open());
    EXPECT_FALSE(out.IsOpen());
    out.Send(0x502490);  // ignored while closed
    out.Close();
    out.Close();
    EXPECT_FALSE(out.IsOpen());
}

}  // namespace
}  // namespace velo
