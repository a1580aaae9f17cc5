// The music macro language: what each string queues.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music_fakes.h"

namespace velo {
namespace {

using test::FeedMusic;
using Entry = AnsiMusic::Entry;

struct Queued {
    int note, ms, mode;
    bool operator==(const Queued&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Queued& q) {
    return os << "(" << q.note << ", " << q.ms << " ms, mode " << q.mode << ")";
}

std::vector<Queued> QueueOf(const AnsiMusic& m) {
    std::vector<Queued> v;
    for (int i = 0; i < m.QueueSize(); ++i) {
        const Entry e = m.QueueEntry(i);
        v.push_back({e.note, e.ms, static_cast<int>(e.mode)});
    }
    return v;
}

class MusicParse : public testing::Test {
protected:
    std::vector<Queued> Parse(std::string_view s) {
        FeedMusic(music, s);
        return QueueOf(music);
    }
    AnsiMusic music{nullptr, nullptr};
};

constexpr int R = AnsiMusic::kRest;

TEST_F(MusicParse, DurationIsScaleOverLengthTimesTempo) {
    EXPECT_EQ(Parse("T255 L4 C ^"), (std::vector<Queued>{{36, 720, 0}}));
    EXPECT_EQ(Parse("C^"), (std::vector<Queued>{{36, 720, 0}}));  // settings persist
    EXPECT_EQ(Parse("t120l8c^"), (std::vector<Queued>{{36, 765, 0}}));
    EXPECT_EQ(Parse("T2 55 L 4 C^"), (std::vector<Queued>{{36, 720, 0}}));  // spaces skipped
}

TEST_F(MusicParse, ClampsTempoAndLengthWhenQueueing) {
    EXPECT_EQ(Parse("T0 L4 C^"), (std::vector<Queued>{{36, 9180, 0}}));   // tempo 20
    EXPECT_EQ(Parse("T999 L4 C^"), (std::vector<Queued>{{36, 720, 0}}));  // tempo 255
    EXPECT_EQ(Parse("L0 C^"), (std::vector<Queued>{{36, 2880, 0}}));      // length 1
    EXPECT_EQ(Parse("L99 C^"), (std::vector<Queued>{{36, 45, 0}}));       // length 64
    EXPECT_EQ(Parse("T99999999999999999999 L4 C^"), (std::vector<Queued>{{36, 720, 0}}));
}

TEST_F(MusicParse, DefaultsAreOctave3Length16Tempo255) {
    EXPECT_EQ(Parse("CDEFGAB^"), (std::vector<Queued>{{36, 180, 0},
                                                      {38, 180, 0},
                                                      {40, 180, 0},
                                                      {41, 180, 0},
                                                      {43, 180, 0},
                                                      {45, 180, 0},
                                                      {47, 180, 0}}));
}

TEST_F(MusicParse, DotLengthensTheEntryAlreadyQueued) {
    EXPECT_EQ(Parse("T255 C4.^"), (std::vector<Queued>{{36, 1080, 0}}));
    // The D is still pending at the dot, so the C is dotted.
    EXPECT_EQ(Parse("L4 CD.^"), (std::vector<Queued>{{36, 1080, 0}, {38, 720, 0}}));
    EXPECT_EQ(Parse(".C^"), (std::vector<Queued>{{36, 720, 0}}));  // nothing to dot
    // Dotting again and again saturates instead of wrapping the 16-bit count.
    EXPECT_EQ(Parse("T20 C1...^"), (std::vector<Queued>{{36, 65535, 0}}));
    EXPECT_EQ(Parse("T20 C1.^"), (std::vector<Queued>{{36, 55080, 0}}));
}

TEST_F(MusicParse, SplitModeQueuesHalfNoteAndHalfRest) {
    EXPECT_EQ(Parse("T251 L4 MI C^"), (std::vector<Queued>{{36, 365, 2}, {R, 366, 2}}));
    EXPECT_EQ(Parse("T255 ML C MN D MF E MX F^"),
              (std::vector<Queued>{{36, 720, 1}, {38, 720, 0}, {40, 720, 3}, {41, 720, 3}}));
}

TEST_F(MusicParse, OctavesSharpsAndNoteNumbers) {
    EXPECT_EQ(Parse("L4 O0 C O9 C B^"), (std::vector<Queued>{{0, 720, 0}, {84, 720, 0}}));
    EXPECT_EQ(Parse("O0 < C O7 > C O3 > C < < C^"),
              (std::vector<Queued>{{0, 720, 0}, {84, 720, 0}, {48, 720, 0}, {24, 720, 0}}));
    EXPECT_EQ(Parse("O3 C# D+ E- C-^"),
              (std::vector<Queued>{{37, 720, 0}, {39, 720, 0}, {39, 720, 0}, {35, 720, 0}}));
    // A sharp with no note pending makes no note.
    EXPECT_EQ(Parse("# + - ^"), (std::vector<Queued>{}));
    EXPECT_EQ(Parse("N60 N0 N85 N86 N84+^"),
              (std::vector<Queued>{{60, 720, 0}, {0, 720, 0}, {R, 720, 0}, {R, 720, 0}}));
    EXPECT_EQ(Parse("O0 C-^"), (std::vector<Queued>{}));
}

TEST_F(MusicParse, LengthsPausesVolumeAndChannel) {
    EXPECT_EQ(Parse("L4 C8 P2 V15 D S17 E^"),
              (std::vector<Queued>{{36, 360, 0}, {R, 1440, 0}, {38, 720, 0}, {40, 720, 0}}));
    EXPECT_EQ(Parse("C16 D^"), (std::vector<Queued>{{36, 180, 0}, {38, 720, 0}}));
}

TEST_F(MusicParse, StringEndsAtUnknownByteWhichOnlyCaretConsumes) {
    EXPECT_EQ(FeedMusic(music, "CDE^rest"), 4u);
    EXPECT_EQ(QueueOf(music).size(), 3u);
    EXPECT_EQ(FeedMusic(music, "CD\x1b[0m"), 2u);
    EXPECT_EQ(QueueOf(music).size(), 2u);  // the pending D queued at the end
    EXPECT_EQ(FeedMusic(music, "T120\r\n"), 4u);
    EXPECT_EQ(FeedMusic(music, "O4C8X"), 4u);
    EXPECT_EQ(QueueOf(music), (std::vector<Queued>{{48, 765, 0}}));
    // 'M' takes the next byte whatever it is, so a caret there does not end.
    EXPECT_EQ(FeedMusic(music, "M^C^"), 4u);
}

TEST_F(MusicParse, QueueHoldsAtMost511Entries) {
    std::string s(600, 'C');
    s += "^after";
    EXPECT_EQ(FeedMusic(music, s), 601u);  // parsed to the end all the same
    EXPECT_EQ(music.QueueSize(), AnsiMusic::kMaxEntries);
    // In split mode the note that fills the queue loses its rest.
    EXPECT_EQ(FeedMusic(music, std::string(510, 'C') + "MI D^"), 515u);
    ASSERT_EQ(music.QueueSize(), 511);
    EXPECT_EQ(music.QueueEntry(510).note, 38);
    EXPECT_EQ(music.QueueEntry(511).ms, 0);  // outside the queue: an empty rest
}

TEST_F(MusicParse, BeginEmptiesTheQueueAndResetRestoresDefaults) {
    Parse("O5 T100 L4 S3 ML C^");
    EXPECT_EQ(Parse("^"), (std::vector<Queued>{}));
    EXPECT_EQ(Parse("C^"), (std::vector<Queued>{{60, 1836, 1}}));
    music.Reset();
    EXPECT_EQ(music.QueueSize(), 0);
    EXPECT_EQ(Parse("C^"), (std::vector<Queued>{{36, 180, 0}}));
}

}  // namespace
}  // namespace velo
