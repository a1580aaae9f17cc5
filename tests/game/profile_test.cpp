#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/HallOfFame.h"
#include "game/PenaltyWav.h"
#include "game/Profile.h"

using namespace car;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/car_test_XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

HallOfFame Filled(IniProfile& p, std::initializer_list<int> scores)
{
    HallOfFame f;
    f.Load(p);
    int i = 0;
    for (int s : scores) {
        f.SetName(f.Insert(s), "p" + std::to_string(i++));
    }
    f.Save(p);
    f.Load(p);
    return f;
}

}  // namespace

TEST(IniProfile, ReadsSectionsCommentsAndLineEndsOfHandWrittenFiles)
{
    IniProfile p;
    p.Parse("; made by hand\r\n"
            "top=1\r\n"
            "[초기환경]\r\n"
            "  난이도 = 3  \r\n"
            "x=-40\n"
            "# comment\n"
            "garbage line\n"
            "=novalue\n"
            "[고수들]\n"
            "이름0=  홍 길동  \n"
            "이름0=임꺽정\n"
            "[초기환경]\n"
            "Y=17");
    EXPECT_EQ(p.ReadInt("초기환경", "난이도", 2), 3);
    // ASCII case does not matter, Hangul is compared as is.
    EXPECT_EQ(p.ReadInt("초기환경", "X", 0), -40);
    EXPECT_EQ(p.ReadInt("초기환경", "Y", 0), 17);
    EXPECT_EQ(p.ReadInt("", "TOP", 0), 1);
    EXPECT_EQ(p.ReadString("고수들", "이름0", ""), "임꺽정");
    EXPECT_EQ(p.ReadString("고수들", "이름1", "없음"), "없음");
    EXPECT_EQ(p.ReadInt("없는곳", "난이도", 2), 2);
}

TEST(IniProfile, NumbersThatAreNotWholeIntegersReadAsTheDefault)
{
    IniProfile p;
    p.Parse("[s]\na=12abc\nb=\nc=99999999999\nd=+5\ne= -7 \nf=2.5\ng=\"42\"\n");
    EXPECT_EQ(p.ReadInt("s", "a", 9), 9);
    EXPECT_EQ(p.ReadInt("s", "b", 9), 9);
    EXPECT_EQ(p.ReadInt("s", "c", 9), 9);
    EXPECT_EQ(p.ReadInt("s", "d", 9), 5);
    EXPECT_EQ(p.ReadInt("s", "e", 9), -7);
    EXPECT_EQ(p.ReadInt("s", "f", 9), 9);
    EXPECT_EQ(p.ReadInt("s", "g", 9), 42);
}

TEST(IniProfile, AnyStringSurvivesTheRoundTrip)
{
    const std::string values[] = {"", "홍길동", "  spaced  ", "a=b;c#d", "\"quoted\"",
                                  "back\\slash", "[not a header]", "tab\t"};
    IniProfile p;
    for (size_t i = 0; i < std::size(values); ++i)
        p.WriteString("고수들", "이름" + std::to_string(i), values[i]);
    p.WriteString("고수들", "줄바꿈", "one\ntwo\r\n");
    IniProfile q;
    q.Parse(p.Serialize());
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(q.ReadString("고수들", "이름" + std::to_string(i), "?"), values[i]) << i;
    // A line break cannot live in a line: it becomes a blank.
    EXPECT_EQ(q.ReadString("고수들", "줄바꿈", "?"), "one two  ");
}

TEST(IniProfile, HostileNamesCannotForgeOtherEntries)
{
    IniProfile p;
    p.WriteString("a]\n[b", "k=v\nx", "1");
    p.WriteString("s", "[b]", "2");
    IniProfile q;
    q.Parse(p.Serialize());
    EXPECT_EQ(q.ReadString("b", "x", "none"), "none");
    EXPECT_EQ(q.ReadString("s", "_b]", "none"), "2");
    EXPECT_EQ(q.ReadString("", "x", "none"), "none");
}

TEST(IniProfile, WritingWhatWasReadIsStable)
{
    // An empty header returns to the entries of no section, and a key with a
    // bare CR inside is stored once however often it is repeated.
    IniProfile p;
    p.Parse("[a]\nk=1\n[ ]\nloose=2\nk\rx=3\nk\rx=4\n");
    std::string once = p.Serialize();
    IniProfile q;
    q.Parse(once);
    EXPECT_EQ(q.Serialize(), once);
    EXPECT_EQ(q.ReadInt("", "loose", 0), 2);
    EXPECT_EQ(q.ReadInt("a", "loose", 0), 0);
    EXPECT_EQ(q.ReadInt("", "k_x", 0), 4);
}

TEST(IniFile, WritesReadableUtf8AndReadsItBack)
{
    TempDir dir;
    fs::path path = dir.path / "new" / "folder" / "car.ini";
    {
        IniFile f(path.string());
        f.WriteInt("초기환경", "난이도", 1);
        f.WriteInt("초기환경", "X", 300);
        EXPECT_FALSE(fs::exists(path));  // nothing is written before Flush
        ASSERT_TRUE(f.Flush());
    }
    std::string text = ReadFile(path);
    EXPECT_NE(text.find("[초기환경]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("난이도=1\n"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::none);

    IniFile g(path.string());
    EXPECT_EQ(g.ReadInt("초기환경", "난이도", 2), 1);
    EXPECT_EQ(g.ReadInt("초기환경", "X", 0), 300);
    // Another writer changed the file: Reload sees it.
    std::ofstream(path) << "[초기환경]\n난이도=0\n";
    g.Reload();
    EXPECT_EQ(g.ReadInt("초기환경", "난이도", 2), 0);
    EXPECT_EQ(g.ReadInt("초기환경", "X", 0), 0);
}

TEST(IniFile, AFolderThatCannotBeMadeIsReportedAndNothingIsLost)
{
    TempDir dir;
    fs::path blocker = dir.path / "file";
    std::ofstream(blocker) << "not a folder";
    IniFile f((blocker / "car.ini").string());
    EXPECT_EQ(f.ReadInt("초기환경", "난이도", 2), 2);
    f.WriteInt("초기환경", "난이도", 3);
    EXPECT_FALSE(f.Flush());
    EXPECT_EQ(f.ReadInt("초기환경", "난이도", 2), 3);
    EXPECT_EQ(ReadFile(blocker), "not a folder");
}

TEST(IniFile, MissingFileReadsAsDefaults)
{
    IniFile f("/nonexistent/car.ini");
    EXPECT_EQ(f.ReadInt("초기환경", "난이도", 2), 2);
    EXPECT_EQ(f.ReadString("고수들", "이름0", ""), "");
}

TEST(DefaultProfilePath, FollowsTheXdgConfigFolderElseHome)
{
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    std::string keepXdg = oldXdg ? oldXdg : "", keepHome = oldHome ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(DefaultProfilePath(), "/x/conf/Brenwick/car.ini");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultProfilePath(), "/home/u/.config/Brenwick/car.ini");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(DefaultProfilePath(), "");
    oldXdg ? setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    oldHome ? setenv("HOME", keepHome.c_str(), 1) : unsetenv("HOME");
}

TEST(HallOfFame, FirstScoreEntersWhateverItIs)
{
    IniProfile p;
    HallOfFame f;
    f.Load(p);
    EXPECT_EQ(f.Insert(-35000), 0);
    EXPECT_EQ(f.Count(), 1);
    EXPECT_EQ(f.At(0).score, -35000);
    EXPECT_EQ(f.At(0).name, "");
}

TEST(HallOfFame, TieGoesAboveAndTheSixthFallsOff)
{
    IniProfile p;
    HallOfFame f = Filled(p, {500, 400, 300, 200, 100});
    ASSERT_EQ(f.Count(), 5);
    EXPECT_EQ(f.Insert(300), 2);
    f.SetName(2, "new");
    EXPECT_EQ(f.Count(), 5);
    std::vector<std::pair<std::string, int>> got;
    for (int i = 0; i < f.Count(); ++i)
        got.emplace_back(f.At(i).name, f.At(i).score);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{
                       {"p0", 500}, {"p1", 400}, {"new", 300}, {"p2", 300}, {"p3", 200}}));
}

TEST(HallOfFame, BelowAFullTableNothingEnters)
{
    IniProfile p;
    HallOfFame f = Filled(p, {500, 400, 300, 200, 100});
    EXPECT_EQ(f.Insert(99), HallOfFame::kPlaces);
    EXPECT_EQ(f.Insert(-1000000), HallOfFame::kPlaces);
    EXPECT_EQ(f.Count(), 5);
    EXPECT_EQ(f.At(4).score, 100);
    // A score below all of a table that is not full goes last.
    IniProfile q;
    HallOfFame g = Filled(q, {500, 400});
    EXPECT_EQ(g.Insert(-20), 2);
}

TEST(HallOfFame, StoredTableReadsBackAndBadCountsAreBounded)
{
    IniProfile p;
    Filled(p, {10, 30, 20});
    EXPECT_EQ(p.ReadInt("고수들", "사람수", -1), 3);
    EXPECT_EQ(p.ReadString("고수들", "이름0", ""), "p1");
    EXPECT_EQ(p.ReadInt("고수들", "점수0", 0), 30);
    EXPECT_EQ(p.ReadInt("고수들", "점수2", 0), 10);

    HallOfFame f;
    p.WriteInt("고수들", "사람수", 99);
    f.Load(p);
    EXPECT_EQ(f.Count(), 5);
    EXPECT_EQ(f.At(4).score, 0);  // absent entries read as their defaults
    p.WriteInt("고수들", "사람수", -4);
    f.Load(p);
    EXPECT_EQ(f.Count(), 0);
    EXPECT_EQ(f.Insert(1), 0);
}

TEST(PenaltyWav, IsAShortMonoPcmWave)
{
    std::vector<uint8_t> w = MakePenaltyWav();
    ASSERT_EQ(w.size(), 6746u);
    auto u32 = [&](size_t at) { return w[at] | w[at + 1] << 8 | w[at + 2] << 16 | w[at + 3] << 24; };
    auto u16 = [&](size_t at) { return w[at] | w[at + 1] << 8; };
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), 6746u - 8);
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u16(20), 1);  // PCM
    EXPECT_EQ(u16(22), 1);  // mono
    EXPECT_EQ(u32(24), 11025u);
    EXPECT_EQ(u16(34), 8);
    EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
    EXPECT_EQ(u32(40), 6702u);
    // Audible, and starting and ending at the midpoint so it does not click.
    int lo = 255, hi = 0;
    for (size_t i = 44; i < w.size(); ++i) {
        lo = std::min<int>(lo, w[i]);
        hi = std::max<int>(hi, w[i]);
    }
    EXPECT_GT(hi - lo, 120);
    EXPECT_NEAR(w[44], 128, 4);
    EXPECT_NEAR(w.back(), 128, 4);
}

TEST(PenaltyWav, TheFileShippedBesideTheProgramIsTheOneMadeHere)
{
    std::string built = ReadFile(CAR_PENALTY_WAV);
    std::vector<uint8_t> made = MakePenaltyWav();
    EXPECT_EQ(built, std::string(made.begin(), made.end()));
}
