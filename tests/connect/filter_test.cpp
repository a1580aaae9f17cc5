// The telnet receive filter, byte for byte: every case is fed whole, cut at
// every byte boundary, and one byte at a time.
#include <gtest/gtest.h>
#include <termios.h>  // its ECHO macro must not clash with the telnet option names

#include <string>
#include <vector>

#include "connect/TelnetFilter.h"

using namespace velo;

namespace {

using Bytes = std::string;

struct Collect : TelnetReplySink {
    Bytes out;
    std::vector<Bytes> replies;
    void Reply(const uint8_t* d, int n) override
    {
        replies.emplace_back(reinterpret_cast<const char*>(d), n);
        out.append(reinterpret_cast<const char*>(d), n);
    }
};

struct Result {
    Bytes data;
    Bytes replies;
};

Result RunBlocks(const std::vector<Bytes>& blocks, int termType = 2, int w = 80, int h = 24)
{
    TelnetFilter f;
    f.SetTerminal(termType, w, h);
    Collect c;
    Result r;
    for (Bytes b : blocks) {
        int n = f.Run(reinterpret_cast<uint8_t*>(b.data()), static_cast<int>(b.size()), c);
        r.data += b.substr(0, n);
    }
    r.replies = c.out;
    return r;
}

// Whole, cut once at every boundary, and byte by byte: all the same.
void ExpectEverySplit(const Bytes& in, const Bytes& data, const Bytes& replies, int termType = 2,
                      int w = 80, int h = 24)
{
    Result whole = RunBlocks({in}, termType, w, h);
    EXPECT_EQ(whole.data, data);
    EXPECT_EQ(whole.replies, replies);
    for (size_t cut = 1; cut < in.size(); ++cut) {
        Result r = RunBlocks({in.substr(0, cut), in.substr(cut)}, termType, w, h);
        EXPECT_EQ(r.data, data) << "cut at " << cut;
        EXPECT_EQ(r.replies, replies) << "cut at " << cut;
    }
    std::vector<Bytes> single;
    for (char ch : in)
        single.emplace_back(1, ch);
    Result r = RunBlocks(single, termType, w, h);
    EXPECT_EQ(r.data, data) << "byte by byte";
    EXPECT_EQ(r.replies, replies) << "byte by byte";
}

Bytes B(std::initializer_list<int> v)
{
    Bytes s;
    for (int x : v)
        s += static_cast<char>(x);
    return s;
}

}  // namespace

TEST(TelnetFilter, DoubledIacIsOneDataByte) { ExpectEverySplit(B({'a', 255, 255, 'b'}), B({'a', 255, 'b'}), ""); }

TEST(TelnetFilter, DoNawsAnswersWillAndTheWindowSize)
{
    ExpectEverySplit(B({255, 253, 31}), "",
                     B({0xFF, 0xFB, 0x1F, 0xFF, 0xFA, 0x1F, 0x00, 0x50, 0x00, 0x18, 0xFF, 0xF0}), 2, 80, 24);
}

TEST(TelnetFilter, TerminalTypeRequestGetsTheEntrysName)
{
    Bytes req = B({255, 250, 24, 1, 255, 240});
    ExpectEverySplit(req, "", B({0xFF, 0xFA, 0x18, 0x00}) + "ansi" + B({0xFF, 0xF0}), 2);
    ExpectEverySplit(req, "", B({0xFF, 0xFA, 0x18, 0x00}) + "vt100" + B({0xFF, 0xF0}), 0);
    ExpectEverySplit(req, "", B({0xFF, 0xFA, 0x18, 0x00}) + "vt220" + B({0xFF, 0xF0}), 1);
    ExpectEverySplit(req, "", B({0xFF, 0xFA, 0x18, 0x00}) + "vt220" + B({0xFF, 0xF0}), 7);
    uint8_t r[16];
    TelnetFilter f;
    f.SetTerminal(2, 80, 28);
    EXPECT_EQ(f.TerminalTypeReply(r), 10);
    f.SetTerminal(0, 80, 28);
    EXPECT_EQ(f.TerminalTypeReply(r), 11);
}

TEST(TelnetFilter, OptionPolicyAnswersEveryRequest)
{
    struct Case {
        int verb, option, answerVerb;
    } cases[] = {
        {251, 1, 253},  {251, 0, 253},  {251, 3, 253},  {251, 24, 253}, {251, 5, 254},
        {251, 31, 254}, {252, 1, 254},  {252, 77, 254}, {253, 0, 251},  {253, 3, 251},
        {253, 24, 251}, {253, 1, 252},  {253, 5, 252},  {254, 1, 252},  {254, 31, 252},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.verb << " " << c.option);
        ExpectEverySplit(B({'x', 255, c.verb, c.option, 'y'}), "xy", B({255, c.answerVerb, c.option}));
    }
    // Repeats are answered again.
    ExpectEverySplit(B({255, 251, 1, 255, 251, 1}), "", B({255, 253, 1, 255, 253, 1}));
}

TEST(TelnetFilter, ShortCommandsAreDroppedAndUnknownOnesKeepTheirByte)
{
    for (int cmd : {236, 237, 238, 241, 242, 243, 244, 245, 246, 247, 248, 249})
        ExpectEverySplit(B({'a', 255, cmd, 'b'}), "ab", "");
    ExpectEverySplit(B({'a', 255, 239, 'b'}), B({'a', 239, 'b'}), "");
    ExpectEverySplit(B({'a', 255, 7, 'b'}), B({'a', 7, 'b'}), "");
}

TEST(TelnetFilter, ABlockEndingAfterIacLeavesTheCommandOpen)
{
    TelnetFilter f;
    Collect c;
    uint8_t a[] = {'q', 255};
    EXPECT_EQ(f.Run(a, 2, c), 1);
    EXPECT_EQ(f.GetState(), TelnetFilter::Command);
    uint8_t b[] = {253, 3, 'z'};
    EXPECT_EQ(f.Run(b, 3, c), 1);
    EXPECT_EQ(b[0], 'z');
    EXPECT_EQ(c.out, B({255, 251, 3}));
    EXPECT_EQ(f.GetState(), TelnetFilter::Data);
}

TEST(TelnetFilter, AnOverlongSubnegotiationIsCutAndTheStreamGoesOn)
{
    Bytes in = B({255, 250, 24}) + Bytes(1000, 'x') + B({255, 240}) + "after";
    ExpectEverySplit(in, "after", B({0xFF, 0xFA, 0x18, 0x00}) + "ansi" + B({0xFF, 0xF0}));
    // An endless one never overflows and never leaks into the data.
    TelnetFilter f;
    Collect c;
    Bytes big = B({255, 250, 31}) + Bytes(1 << 20, 'y');
    EXPECT_EQ(f.Run(reinterpret_cast<uint8_t*>(big.data()), static_cast<int>(big.size()), c), 0);
    EXPECT_EQ(f.GetState(), TelnetFilter::Subneg);
}

TEST(TelnetFilter, InsideASubnegotiationDoubledIacStaysThere)
{
    ExpectEverySplit(B({255, 250, 99, 255, 255, 1, 255, 240}) + "ok", "ok", "");
}

TEST(TelnetFilter, AStraySubnegotiationEndAnswersNothing)
{
    ExpectEverySplit(B({255, 250, 24, 1, 255, 240, 255, 240}) + "k", "k",
                     B({0xFF, 0xFA, 0x18, 0x00}) + "ansi" + B({0xFF, 0xF0}));
}

TEST(TelnetFilter, ACommandInsideAnUnfinishedSubnegotiationIsTakenAsACommand)
{
    // The host gave up its subnegotiation and asks WILL ECHO.
    ExpectEverySplit(B({255, 250, 24, 1, 255, 251, 1}) + "go", "go", B({255, 253, 1}));
}

TEST(TelnetFilter, AWindowSizeOf255IsDoubled)
{
    TelnetFilter f;
    f.SetTerminal(2, 255, 300);
    uint8_t r[16];
    int n = f.WindowSizeReply(r);
    EXPECT_EQ(Bytes(reinterpret_cast<char*>(r), n), B({255, 250, 31, 0, 255, 255, 0, 255, 255, 255, 240}));
}

TEST(TelnetFilter, PlainDataPassesUnchanged)
{
    Bytes all;
    for (int i = 0; i < 255; ++i)
        all += static_cast<char>(i);
    ExpectEverySplit(all, all, "");
}
