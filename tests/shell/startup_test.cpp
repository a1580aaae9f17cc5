#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/Startup.h"

using namespace velo;

TEST(Startup, InstallDirDropsOneTrailingSeparatorAndDerivesTheCaptureDir)
{
    MemorySettingsStore s;
    EXPECT_EQ(ReadInstallDir(s, "/home/u/.local/share/Brenwick/Vellow"),
              "/home/u/.local/share/Brenwick/Vellow");
    s.WriteString("인스톨디렉토리", "인스톨디렉토리", "/opt/vellow/");
    std::string dir = ReadInstallDir(s, "/x");
    EXPECT_EQ(dir, "/opt/vellow");
    EXPECT_EQ(settings::CaptureDirDefault(dir), "/opt/vellow/cap");
    EXPECT_EQ(settings::DownloadDirDefault(dir), "/opt/vellow/Down");
    EXPECT_EQ(TrimTrailingSeparator("/"), "/");
    EXPECT_EQ(TrimTrailingSeparator("C:\\velo\\"), "C:\\velo");
}

TEST(Startup, CommandLineTelnetDestination)
{
    auto d = ParseTelnetCommandLine("  bbs.example.org 2323");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->host, "bbs.example.org");
    EXPECT_EQ(d->port, 2323);
    d = ParseTelnetCommandLine("127.0.0.1");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->port, 23);
    d = ParseTelnetCommandLine(std::string(70, 'h') + " 99");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->host, std::string(64, 'h'));
    EXPECT_EQ(d->port, 99);
    EXPECT_EQ(ParseTelnetCommandLine("host port")->port, 23);
    EXPECT_EQ(ParseTelnetCommandLine("host 70000")->port, 23);
    EXPECT_EQ(ParseTelnetCommandLine("host -5")->port, 23);
    EXPECT_FALSE(ParseTelnetCommandLine("   "));
    EXPECT_FALSE(ParseTelnetCommandLine(""));
}

TEST(Startup, FirstRunUpgradeRunsOnceAndDropsTheBarLayout)
{
    MemorySettingsStore s;
    s.WriteString("ToolBarState-Summary", "State", "abc");
    s.WriteInt("ToolBarState-Bar7", "Visible", 1);
    s.WriteInt("초기 환경", "PitchAnsFamily", 34);
    int imports = 0;
    EXPECT_TRUE(RunFirstRunUpgrade(s, [&] { ++imports; }));
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(s.ReadInt("처음", "처음", 0), 4);
    EXPECT_EQ(s.ReadString("ToolBarState-Summary", "State", "gone"), "gone");
    EXPECT_EQ(s.ReadInt("ToolBarState-Bar7", "Visible", -1), -1);
    EXPECT_EQ(s.ReadInt("초기 환경", "PitchAndFamily", 0), 34);

    s.WriteString("ToolBarState-Summary", "State", "kept");
    EXPECT_FALSE(RunFirstRunUpgrade(s, [&] { ++imports; }));
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(s.ReadString("ToolBarState-Summary", "State", ""), "kept");
}

TEST(Startup, FirstRunLeavesPitchAndFamilyWhenTheOldNameIsZero)
{
    MemorySettingsStore s;
    s.WriteInt("초기 환경", "PitchAndFamily", 49);
    RunFirstRunUpgrade(s, nullptr);
    EXPECT_EQ(s.ReadInt("초기 환경", "PitchAndFamily", 0), 49);
}

TEST(Startup, WindowRectangleRoundTrips)
{
    WindowRect r{12, 34, 812, 634};
    std::string t = FormatWindowRect(r);
    EXPECT_EQ(t, "0012 0034 0812 0634");
    WindowRect back;
    ASSERT_TRUE(ParseWindowRect(t, &back));
    EXPECT_EQ(back.left, 12);
    EXPECT_EQ(back.bottom, 634);
    ASSERT_TRUE(ParseWindowRect(FormatWindowRect({-1600, -8, 10240, 20}), &back));
    EXPECT_EQ(back.left, -1600);
    EXPECT_EQ(back.right, 10240);
    EXPECT_FALSE(ParseWindowRect("", &back));
    EXPECT_FALSE(ParseWindowRect("0012 0034 0812", &back));
    EXPECT_FALSE(ParseWindowRect("0012 0034 0812 0634 9", &back));
    EXPECT_FALSE(ParseWindowRect("0100 0100 0050 0200", &back));  // empty width
}

TEST(Startup, ElapsedTimeText)
{
    EXPECT_EQ(FormatElapsed(0), "00:00:00");
    EXPECT_EQ(FormatElapsed(59999), "00:00:59");
    EXPECT_EQ(FormatElapsed(3600000 + 61000), "01:01:01");
    EXPECT_EQ(FormatElapsed(100LL * 3600000), "100:00:00");
}

TEST(Startup, FontFieldsReadTheTableDefaultsAndRoundTrip)
{
    MemorySettingsStore s;
    LogFontFields f = LogFontFields::Read(s);
    EXPECT_EQ(f.height, -16);
    EXPECT_EQ(f.weight, 400);
    EXPECT_EQ(f.charSet, 129);
    EXPECT_EQ(f.pitchAndFamily, 49);
    EXPECT_EQ(f.faceName, "굴림체");
    f.height = -20;
    f.faceName = "NanumGothicCoding";
    f.Write(s);
    LogFontFields g = LogFontFields::Read(s);
    EXPECT_EQ(g.height, -20);
    EXPECT_EQ(g.faceName, "NanumGothicCoding");
    s.WriteString("초기 환경", "FaceName", "가나다라마바사아자차카");  // 33 bytes
    g = LogFontFields::Read(s);
    EXPECT_EQ(g.faceName, "가나다라마바사아자차");
}

TEST(Startup, TableDefaultsAreReadThroughTheFourOperations)
{
    MemorySettingsStore s;
    EXPECT_EQ(settings::ReadIntDefault(s, "Wheel", "ScrollLines"), 3);
    EXPECT_EQ(settings::ReadIntDefault(s, "COM9", "BaudRate"), 9600);
    EXPECT_EQ(settings::ReadIntDefault(s, "COM", "WaitInterVal"), 200);
    EXPECT_EQ(settings::ReadIntDefault(s, "Print", "LinePerPage"), 66);
    EXPECT_EQ(settings::ReadIntDefault(s, "초기 환경", "바탕색"), 4);
    EXPECT_EQ(settings::ReadIntDefault(s, "초기 환경", "Flicko쥐사용"), 1);
    EXPECT_EQ(settings::ReadStringDefault(s, "초기 환경", "FaceName"), "굴림체");
    s.WriteInt("Wheel", "ScrollLines", -1);
    EXPECT_EQ(settings::ReadIntDefault(s, "Wheel", "ScrollLines"), -1);
}

namespace {
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& content)
    {
        char tmpl[] = "/tmp/velo-tipsXXXXXX";
        int fd = mkstemp(tmpl);
        path = tmpl;
        ::close(fd);
        std::ofstream(path, std::ios::binary) << content;
    }
    ~TempFile() { std::remove(path.c_str()); }
};
}  // namespace

TEST(Startup, TipsSkipCommentsAndBlankLinesAndWrapAround)
{
    TempFile f("; comment\n\tindented\n first blank\n\nTip one\nTip two\n");
    MemorySettingsStore s;
    TipsReader r;
    ASSERT_TRUE(r.Open(f.path, s));
    std::string tip, err;
    ASSERT_TRUE(r.Next(&tip, &err));
    EXPECT_EQ(tip, "Tip one");
    ASSERT_TRUE(r.Next(&tip, &err));
    EXPECT_EQ(tip, "Tip two");
    ASSERT_TRUE(r.Next(&tip, &err));
    EXPECT_EQ(tip, "Tip one");
    r.SavePosition(s);

    // Same file, same time stamp: the next start goes on where it stopped.
    TipsReader again;
    ASSERT_TRUE(again.Open(f.path, s));
    ASSERT_TRUE(again.Next(&tip, &err));
    EXPECT_EQ(tip, "Tip two");

    // A changed time stamp starts over.
    s.WriteString("Tip", "TimeStamp", "0");
    TipsReader fresh;
    ASSERT_TRUE(fresh.Open(f.path, s));
    ASSERT_TRUE(fresh.Next(&tip, &err));
    EXPECT_EQ(tip, "Tip one");
}

TEST(Startup, TipsMissingOrEmptyFileGiveTheFixedTexts)
{
    MemorySettingsStore s;
    TipsReader r;
    EXPECT_FALSE(r.Open("/nonexistent/tips.txt", s));
    TempFile f("; only comments\n\n");
    ASSERT_TRUE(r.Open(f.path, s));
    std::string tip, err;
    EXPECT_FALSE(r.Next(&tip, &err));
    EXPECT_EQ(err, TipsReader::kReadError);
}

TEST(Startup, TipsLongLinesAreCutAndAStalePositionIsIgnored)
{
    TempFile f(std::string(1500, 'x') + "\nshort\n");
    MemorySettingsStore s;
    TipsReader r;
    ASSERT_TRUE(r.Open(f.path, s));
    s.WriteInt("Tip", "FilePos", 1 << 30);  // beyond the end: seek works, reading wraps
    std::string tip, err;
    ASSERT_TRUE(r.Next(&tip, &err));
    EXPECT_EQ(tip.size(), 1000u);
    ASSERT_TRUE(r.Next(&tip, &err));
    EXPECT_EQ(tip, "short");
}
