#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/CommandIds.h"
#include "base/SettingsStore.h"
#include "support/TestKit.h"
#include "terminal/ZModemDetect.h"

using namespace velo;

namespace {
struct DetectorTest : ::testing::Test {
    velo::test::RecordingSink sink;
    MemorySettingsStore settings;
    ZModemStartDetector detector{settings, sink};
    void Feed(const std::string& s, bool run)
    {
        auto p = reinterpret_cast<const uint8_t*>(s.data());
        if (run)
            detector.ScanRun(p, s.size());
        else
            for (uint8_t b : s)
                detector.Scan(b);
    }
};
}  // namespace

TEST_F(DetectorTest, HexHeaderPrefixStartsReceiveOrSendByTheNextByte)
{
    for (bool run : {false, true}) {
        sink.Clear();
        Feed("rz\r**\x18" "B00000000000000\r\n", run);
        Feed("text **\x18" "B0100000023be50\r\n", run);
        EXPECT_EQ(sink.Commands(), (std::vector<int>{ID_ZMODEM_RECEIVE, ID_ZMODEM_SEND})) << run;
    }
}

TEST_F(DetectorTest, SettingsAreReadWhenThePatternCompletes)
{
    settings.WriteInt("ZModem", "AutoDown", 0);
    Feed("**\x18" "B00", true);
    EXPECT_TRUE(sink.Commands().empty());
    Feed("**\x18" "B0", true);
    settings.WriteInt("ZModem", "AutoDown", 1);  // flipped between the fifth byte and the sixth
    Feed("0", true);
    EXPECT_EQ(sink.Commands(), std::vector<int>{ID_ZMODEM_RECEIVE});
}

TEST_F(DetectorTest, BrokenPatternsAndOtherDeciderBytesDoNothing)
{
    Feed("*\x18" "B00 **B00 **\x18" "C00 **\x18" "B02", true);
    EXPECT_TRUE(sink.Commands().empty());
    EXPECT_EQ(detector.Position(), 0);
    // A mismatching '*' is not re-tested against the first byte.
    Feed("***\x18" "B00", false);
    EXPECT_TRUE(sink.Commands().empty());
}

TEST_F(DetectorTest, PatternSplitAcrossCallsAtEveryBoundary)
{
    const std::string s = "xx**\x18" "B01yy";
    for (size_t cut = 0; cut <= s.size(); ++cut) {
        sink.Clear();
        detector.ResetPosition();
        Feed(s.substr(0, cut), true);
        Feed(s.substr(cut), true);
        EXPECT_EQ(sink.Commands(), std::vector<int>{ID_ZMODEM_SEND}) << cut;
    }
}
