#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "base/Flags.h"
#include "base/SettingsStore.h"
#include "shell/MacroSender.h"
#include "shell/MacroSet.h"

namespace {

// A sender whose writes and waits are captured, one entry per call.
struct Recorder {
    std::vector<std::string> writes;
    velo::MacroSender sender{
        [this](const uint8_t* p, int n) { writes.emplace_back(reinterpret_cast<const char*>(p), size_t(n)); },
        [this](int ms) { writes.push_back("<wait " + std::to_string(ms) + ">"); }};
    std::string All() const
    {
        std::string s;
        for (auto& w : writes)
            s += w;
        return s;
    }
};

std::string Send(std::string_view text)
{
    Recorder r;
    r.sender.Send(text);
    return r.All();
}

}  // namespace

TEST(MacroSender, EscapesOfTheLanguage)
{
    struct Case {
        const char* in;
        std::string out;
    } cases[] = {
        {"ATZ\\R", "ATZ\r"},
        {"\\65\\66", "AB"},
        {"\\13|5", "\r5"},
        {"\\300", "\x2C"},
        {"a||b", "a|b"},
        {"a|b", "ab"},
        {"\\\\", "\\"},
        {"\\x", "x"},
        {"abc\\", "abc"},
        {"\\7", "\x07"},
        {"\\e[A", "\x1B[A"},
        {"\\127", "\x7F"},
        {"\\a\\n\\z\\E", std::string("\x07\x0A\x1A\x1B")},
        {"\\0", std::string(1, '\0')},
        {"\\12x", "\x0Cx"},
        {"\\|a", "a"},
        {"|\\r", "\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Send(c.in), c.out) << c.in;
}

TEST(MacroSender, SendsOneByteAtATimeSoEchoShowsItTyped)
{
    Recorder r;
    r.sender.Send("ab\\r");
    ASSERT_EQ(r.writes.size(), 3u);
    EXPECT_EQ(r.writes[2], "\r");
}

TEST(MacroSender, WaitEscapeCallsTheInstalledWaitWith250)
{
    Recorder r;
    r.sender.Send("pr 1\\r\\w\\w\\r");
    EXPECT_EQ(r.All(), "pr 1\r<wait 250><wait 250>\r");
}

TEST(MacroSender, DateAndTimeUseEnglishNamesAndTwelveHourClock)
{
    std::tm tm{};
    tm.tm_year = 1998 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 7;
    tm.tm_hour = 15;
    tm.tm_min = 4;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    EXPECT_EQ(velo::MacroExpand("\\d", t), "Sat/03/07/1998");
    EXPECT_EQ(velo::MacroExpand("\\T", t), "03:04:09PM");
    tm.tm_hour = 0;
    t = std::mktime(&tm);
    EXPECT_EQ(velo::MacroExpand("\\t", t), "12:04:09AM");
}

TEST(MacroSet, AStoredMacroOfAnyLengthIsCutAtACharacterAndSentInTheHostsCode)
{
    struct Case {
        const char* what;
        std::string stored;
        size_t wantSize;
    } cases[] = {
        {"short", "go 3\\r", 6},
        {"long ASCII", std::string(100000, 'a'), velo::MacroSet::kMaxBytes},
        // 가 is three UTF-8 bytes: the cut falls before the character it would split.
        {"long Hangul", [] {
             std::string s;
             for (int i = 0; i < 5000; ++i)
                 s += "\xEA\xB0\x80";
             return s;
         }(), velo::MacroSet::kMaxBytes / 3 * 3},
    };
    for (const Case& c : cases) {
        velo::MemorySettingsStore store;
        store.WriteString("매크로", "매크로9", c.stored);
        velo::MacroSet set;
        set.Load(store);
        EXPECT_EQ(set.Text(9).size(), c.wantSize) << c.what;
        EXPECT_EQ(c.stored.compare(0, c.wantSize, set.Text(9)), 0) << c.what;
    }
    velo::MemorySettingsStore store;
    store.WriteString("매크로", "매크로0", "\xEA\xB0\x80\\r");
    velo::MacroSet set;
    set.Load(store);
    velo::SharedFlags flags;
    Recorder r;
    EXPECT_TRUE(set.Run(0, flags, r.sender));
    EXPECT_EQ(r.All(), "\xB0\xA1\r");  // KS C 5601, one write per byte
    EXPECT_EQ(r.writes.size(), 3u);
    EXPECT_FALSE(set.Run(10, flags, r.sender));
    EXPECT_FALSE(set.Run(-1, flags, r.sender));
}
