// Every multi-byte construct gives the same result fed whole and fed in two
// pieces cut at each byte boundary: screen, scrollback, cursor, parser state,
// replies, posted commands and shapes.
#include "term_fixture.h"

#include "base/CommandIds.h"

using namespace velo;
using namespace velo::test;

namespace {

struct Case {
    const char* name;
    std::string bytes;
    bool johab = false;
};

struct Outcome {
    Snapshot snap;
    ReplyRecorder::List replies;
    std::vector<int> commands;
    std::vector<std::string> shapes;
    bool operator==(const Outcome&) const = default;
};

class SplitTest : public ::testing::Test {
protected:
    // Feeds the pieces the way the frame does: what a feed leaves is fed again.
    // Every run has outlets of its own, so nothing carries over.
    Outcome Run(const Case& c, const std::vector<std::string>& pieces)
    {
        TestOutlets outlets;
        RecordingSink& frame = outlets.sink;
        AutoResponseTable responses;
        responses.rows[5][2] = {"go!", "auto", true};
        RecordingSurface surface;
        ReplyRecorder replies;
        Terminal t(outlets.out);
        t.SetAutoResponses(&responses);
        t.SetSurface(&surface);
        t.SetReplySink(&replies);
        t.SetDisplayCode(c.johab ? hangul::DisplayCode::Johab : hangul::DisplayCode::Ks);
        t.SetAutoLogin("ID:", "me", "", "");
        t.ResetOnConnect();
        frame.Clear();
        for (const std::string& piece : pieces) {
            int done = 0;
            for (int guard = 0; done < static_cast<int>(piece.size()) && guard < 100; ++guard)
                done += t.Feed(reinterpret_cast<const uint8_t*>(piece.data()) + done,
                               static_cast<int>(piece.size()) - done);
            EXPECT_EQ(done, static_cast<int>(piece.size()));
        }
        Outcome o;
        o.snap = Snap(t);
        o.replies = replies.replies;
        o.commands = frame.Commands();
        for (const TermShape& s : surface.shapes)
            o.shapes.push_back(std::to_string(s.kind) + ":" + std::to_string(s.left) + "," +
                               std::to_string(s.top) + "," + std::to_string(s.right) + "," +
                               std::to_string(s.bottom) + "/" + std::to_string(s.pen));
        return o;
    }
};

const Case kCases[] = {
    {"erase display", "ab\x1b[2Jc"},
    {"attributes", "\x1b[1;33;44mX\x1b[0mY"},
    {"private mode", "\x1b[?7l\x1b[1;79Habc"},
    {"cursor position", "\x1b[10;20H*\x1b[H+"},
    {"8-bit csi", "\x9b" "5C*"},
    {"save restore", "\x1b" "7\x1b[5;5Hx\x1b" "8y"},
    {"line size", "\x1b#6W\x1b#3V"},
    {"charset", "\x1b(0q\x1b(Bq"},
    {"identification", "\x1b&2"},
    {"query", "\x1b&Q\x1b%C\x1b&4"},
    {"hangul", "\xb0\xa1\xb3\xaa" "a\xc7\xd1"},
    {"full width", "\x1b[30hA B\x1b[30l"},
    {"extension", "\xad\xa1\xad\xd1"},
    {"zmodem", "xx**\x18" "B00000"},
    {"report", "ab\x1b[6n"},
    {"shapes", "\x1b[100;50g\x1b[10;5b\x1b[=3;3;4c\x1b[2;2H\x1b[3;3G"},
    {"arc", "\x1b[100;100g\x1b[10;20;30a\x1b[5;6;7z"},
    {"at-sign", "\x1b[114d@[31mx@[0d@"},
    {"many parameters", "\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;3;4mx"},
    {"abandoned csi", "\x1b[3\xb0\xa1" "C"},
    {"log-in prompt", "login ID:"},
    {"auto-response", "go go!"},
    {"regions", "\x1b[3;6r\x1b[6;1H\n\n\x1bM\x1b[r"},
    {"newline in wrap", "\x1b[28;1H" + std::string(85, 'w')},
    {"music", "a\x1b[^T255L4CD.^b\x9b^O3EF\x1b[1mc"},
    {"johab", "\x88\x61\x9b\x41\x84\x41", true},
    {"johab csi is text", "\x9b" "5C", true},
};

}  // namespace

TEST_F(SplitTest, EveryConstructGivesTheSameResultWholeAndSplit)
{
    for (const Case& c : kCases) {
        const Outcome whole = Run(c, {c.bytes});
        for (size_t k = 1; k < c.bytes.size(); ++k) {
            const Outcome split = Run(c, {c.bytes.substr(0, k), c.bytes.substr(k)});
            EXPECT_TRUE(split == whole) << c.name << " split at " << k;
        }
        // And byte by byte.
        std::vector<std::string> bytes;
        for (char b : c.bytes)
            bytes.emplace_back(1, b);
        EXPECT_TRUE(Run(c, bytes) == whole) << c.name << " byte by byte";
    }
}

TEST_F(SplitTest, TheCasesDoWhatTheySay)
{
    // A guard against cases that pass the comparison by doing nothing.
    const Outcome zm = Run(kCases[13], {kCases[13].bytes});
    EXPECT_EQ(zm.commands, (std::vector<int>{ID_ZMODEM_RECEIVE}));
    const Outcome login = Run(kCases[20], {kCases[20].bytes});
    EXPECT_EQ(login.replies, (ReplyRecorder::List{{"me\r", ReplyMode::Raw}}));
    const Outcome ar = Run(kCases[21], {kCases[21].bytes});
    EXPECT_EQ(ar.replies, (ReplyRecorder::List{{"auto", ReplyMode::Macro}}));
    const Outcome sh = Run(kCases[15], {kCases[15].bytes});
    EXPECT_EQ(sh.shapes.size(), 3u);
    const Outcome hg = Run(kCases[10], {kCases[10].bytes});
    EXPECT_EQ(hg.snap.text[0].substr(0, 7), "\xb0\xa1\xb3\xaa" "a\xc7\xd1");
}
