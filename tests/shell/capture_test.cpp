// Capture without a window: the states and the commands' rules, what text and
// code capture write (through a real terminal), the file kept and locked, and
// the failures (file in use, folder gone, disk full).
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "shell/Capture.h"
#include "support/TestKit.h"
#include "terminal/Terminal.h"

using namespace velo;
using velo::test::TempDir;
using velo::test::TestOutlets;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The window's part: answers queued per question, the screen from a real
// terminal, failures counted (the test calls Recover as the frame would).
struct FakeUi : CaptureUi {
    Terminal* term = nullptr;
    std::vector<bool> retryAnswers;  // front first; none left: Cancel
    std::vector<std::string> retryAsked;
    bool emptyAnswer = true;
    int emptyAsked = 0;
    int screens = 0;
    int failures = 0;
    std::function<void()> whileAsked;  // runs while the open question is shown
    bool RetryOpen(const std::string& path) override
    {
        retryAsked.push_back(path);
        if (whileAsked)
            whileAsked();
        if (retryAnswers.empty())
            return false;
        bool a = retryAnswers.front();
        retryAnswers.erase(retryAnswers.begin());
        return a;
    }
    bool ConfirmEmpty() override
    {
        ++emptyAsked;
        return emptyAnswer;
    }
    void AppendScreen() override
    {
        ++screens;
        if (term)
            term->CaptureScreen();
    }
    void WriteFailed() override { ++failures; }
};

struct CaptureTest : ::testing::Test {
    TestOutlets o;
    TempDir dir{"velo-cap"};
    std::string file = dir.Path() + "/cap.txt";
    Terminal term{o.out};
    Capture cap{o.settings};
    FakeUi ui;

    void SetUp() override
    {
        ui.term = &term;
        cap.SetUi(&ui);
        term.SetCapture(&cap);
        cap.Load(dir.Path());
    }
    void Feed(const std::string& s) { term.Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); }
    // n lines "<tag> i" each followed by CR LF.
    static std::string Lines(const std::string& tag, int n)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += tag + " " + std::to_string(i) + "\r\n";
        return s;
    }
};

}  // namespace

TEST_F(CaptureTest, CommandRulesFollowTheFileNameAndTheState)
{
    struct Rule {
        const char* when;
        bool start, pauseEnd, choose, empty, open;
        CaptureState state;
    };
    auto check = [&](const Rule& r) {
        EXPECT_EQ(cap.CanStart(), r.start) << r.when;
        EXPECT_EQ(cap.CanPauseOrEnd(), r.pauseEnd) << r.when;
        EXPECT_EQ(cap.CanChoose(), r.choose) << r.when;
        EXPECT_EQ(cap.CanEmpty(), r.empty) << r.when;
        EXPECT_EQ(cap.FileOpen(), r.open) << r.when;
        EXPECT_EQ(cap.State(), r.state) << r.when;
    };
    check({"no file name", false, false, true, false, false, CaptureState::Stopped});
    EXPECT_FALSE(cap.Start());
    check({"start without a name does nothing", false, false, true, false, false, CaptureState::Stopped});

    ASSERT_TRUE(cap.SetFileName(file));
    check({"named, stopped", true, false, true, true, false, CaptureState::Stopped});
    ASSERT_TRUE(cap.Start());
    check({"capturing", false, true, false, false, true, CaptureState::Capturing});
    EXPECT_FALSE(cap.SetFileName(dir.Path() + "/other.txt"));
    cap.PauseOrResume();
    check({"paused", false, true, false, true, true, CaptureState::Paused});
    cap.PauseOrResume();
    check({"resumed", false, true, false, false, true, CaptureState::Capturing});
    cap.End();
    check({"ended", true, false, true, true, false, CaptureState::Stopped});
    cap.PauseOrResume();
    check({"pause while stopped does nothing", true, false, true, true, false, CaptureState::Stopped});
}

TEST_F(CaptureTest, TextCaptureWritesLeavingLinesSkipsThePauseAndEndsWithTheScreenOnce)
{
    cap.SetFileName(file);
    WriteFile(file, "earlier\r\n");
    ASSERT_TRUE(cap.Start());
    Feed(Lines("a", 30));              // 28 rows: a 0 .. a 2 scroll off
    cap.PauseOrResume();
    Feed(Lines("p", 3 * 28));          // three screens while paused
    cap.PauseOrResume();
    Feed("\x1b[H\x1b[2J" + Lines("b", 2));  // clear: the whole screen, then two lines
    cap.End();
    EXPECT_EQ(ui.screens, 1);
    std::string got = ReadFile(file);
    // Appended, never truncated.
    ASSERT_EQ(got.rfind("earlier\r\n", 0), 0u);
    EXPECT_NE(got.find("a 0\r\na 1\r\na 2\r\n"), std::string::npos);
    EXPECT_EQ(got.find("a 3\r\n"), std::string::npos);  // it was still on the screen at the pause
    EXPECT_EQ(got.find("p 56"), std::string::npos);    // nothing that left during the pause
    // The clear wrote the screen as it was (p 57 .. p 83 and an empty row),
    // the end wrote the screen once: b 0, b 1 and 26 empty rows.
    EXPECT_NE(got.find("a 2\r\np 57\r\n"), std::string::npos);
    EXPECT_NE(got.find("p 83\r\n\r\nb 0\r\n"), std::string::npos);
    std::string endScreen = "b 0\r\nb 1\r\n";
    for (int i = 0; i < 26; ++i)
        endScreen += "\r\n";
    ASSERT_GE(got.size(), endScreen.size());
    EXPECT_EQ(got.substr(got.size() - endScreen.size()), endScreen);
    EXPECT_EQ(got.find("b 0"), got.rfind("b 0"));
    // Ending again (already stopped) adds nothing.
    cap.End();
    EXPECT_EQ(ReadFile(file), got);
}

TEST_F(CaptureTest, CodeCaptureWritesTheBytesAsTheyCameAndNothingAtTheEnd)
{
    cap.SetFileName(file);
    cap.ToggleCodeMode();
    ASSERT_TRUE(cap.Start());
    const std::string a = "\x1b[1;33m\xB0\xA1\xB3", b = "\xAA\x1b[0m line\r\n\x0c";
    Feed(a);
    Feed(b);
    cap.End();
    EXPECT_EQ(ui.screens, 0);
    EXPECT_EQ(ReadFile(file), a + b);
}

TEST_F(CaptureTest, EmptyingAsksAndKeepsTheFileOpenOnlyWhenPaused)
{
    struct Case {
        const char* what;
        bool pause;      // start and pause first (else stopped)
        bool answer;
        std::string want;
        bool open;
        CaptureState state;
    };
    const Case cases[] = {
        {"paused, yes", true, true, "", true, CaptureState::Paused},
        {"stopped, yes", false, true, "", false, CaptureState::Stopped},
        {"paused, no", true, false, "old\r\n", true, CaptureState::Paused},
    };
    for (const Case& c : cases) {
        WriteFile(file, "old\r\n");
        cap.SetFileName(file);
        if (c.pause) {
            ASSERT_TRUE(cap.Start());
            cap.PauseOrResume();
        }
        ui.emptyAnswer = c.answer;
        const int asked = ui.emptyAsked;
        cap.Empty();
        EXPECT_EQ(ui.emptyAsked, asked + 1) << c.what;
        EXPECT_TRUE(std::filesystem::exists(file)) << c.what;
        EXPECT_EQ(ReadFile(file), c.want) << c.what;
        EXPECT_EQ(cap.FileOpen(), c.open) << c.what;
        EXPECT_EQ(cap.State(), c.state) << c.what;
        if (c.pause) {
            cap.PauseOrResume();
            Feed(Lines("x", 29));
            cap.End();
        }
    }
    // Not while capturing: no question, nothing erased.
    WriteFile(file, "keep\r\n");
    ASSERT_TRUE(cap.Start());
    const int asked = ui.emptyAsked;
    cap.Empty();
    EXPECT_EQ(ui.emptyAsked, asked);
    cap.End();
    EXPECT_EQ(ReadFile(file).rfind("keep\r\n", 0), 0u);
}

TEST_F(CaptureTest, AFileInUseIsRefusedWithRetryAndCancelLeavesNoName)
{
    cap.SetFileName(file);
    // Another writer holds the file.
    int other = ::open(file.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    ui.retryAnswers = {true};  // Retry once (still held), then Cancel
    EXPECT_FALSE(cap.Start());
    EXPECT_EQ(ui.retryAsked, (std::vector<std::string>{file, file}));
    EXPECT_EQ(cap.FileName(), "");
    EXPECT_EQ(cap.State(), CaptureState::Stopped);
    EXPECT_FALSE(cap.FileOpen());
    // Released, a Retry gets it.
    cap.SetFileName(file);
    ui.retryAsked.clear();
    ui.retryAnswers = {true};
    ::flock(other, LOCK_UN);
    ::close(other);
    EXPECT_TRUE(cap.Start());
    EXPECT_TRUE(ui.retryAsked.empty());
    // And it is ours now: a second capture of the same file is refused.
    Capture second(o.settings);
    FakeUi ui2;
    second.SetUi(&ui2);
    second.SetFileName(file);
    EXPECT_FALSE(second.Start());
    EXPECT_EQ(ui2.retryAsked.size(), 1u);
    cap.End();
}

TEST_F(CaptureTest, ABareNameLiesInTheCaptureFolderAndOnlyPlainFilesAreTaken)
{
    o.settings.WriteString("Capture", "CapDir", dir.Path());
    cap.SetFileName("log.txt");
    ASSERT_TRUE(cap.Start());
    cap.End();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/log.txt"));
    // A folder or a FIFO is never written (a FIFO without a reader would hang).
    std::filesystem::create_directory(dir.Path() + "/sub");
    ASSERT_EQ(::mkfifo((dir.Path() + "/fifo").c_str(), 0600), 0);
    for (const char* name : {"/sub", "/fifo"}) {
        cap.SetFileName(dir.Path() + name);
        EXPECT_FALSE(cap.Start()) << name;
        EXPECT_EQ(cap.FileName(), "") << name;
    }
}

TEST_F(CaptureTest, LoadAndExitKeepTheNameAndEndARunningCapture)
{
    o.settings.WriteString("Capture", "CapFile", file);
    cap.Load(dir.Path());
    EXPECT_EQ(cap.FileName(), file);
    EXPECT_FALSE(cap.CodeMode());
    EXPECT_EQ(cap.State(), CaptureState::Stopped);
    EXPECT_EQ(cap.Dir(), dir.Path() + "/cap");
    ASSERT_TRUE(cap.Start());
    Feed("on screen");
    cap.Exit();
    EXPECT_EQ(ui.screens, 1);
    EXPECT_FALSE(cap.FileOpen());
    EXPECT_EQ(ReadFile(file).rfind("on screen\r\n", 0), 0u);
    o.settings.WriteString("Capture", "CapFile", "changed");
    cap.Exit();
    EXPECT_EQ(o.settings.ReadString("Capture", "CapFile", ""), file);
}

TEST_F(CaptureTest, AVanishedFolderStopsWritingAsksAndRetryWritesWhatWasKept)
{
    const std::string sub = dir.Path() + "/gone";
    std::filesystem::create_directory(sub);
    const std::string path = sub + "/cap.txt";
    cap.SetFileName(path);
    cap.ToggleCodeMode();
    ASSERT_TRUE(cap.Start());
    Feed("before ");
    std::filesystem::remove_all(sub);
    Feed("lost? ");
    EXPECT_EQ(ui.failures, 1);
    EXPECT_FALSE(cap.FileOpen());
    EXPECT_TRUE(cap.CodeCapturing());  // what comes is kept while the question waits
    Feed("kept");
    // Recovering while the folder is still gone asks; what arrives while
    // the question is open is kept too, and Retry, once the folder is back,
    // writes it all.
    ui.retryAnswers = {true};
    ui.retryAsked.clear();
    ui.whileAsked = [&] {
        Feed(" during");
        std::filesystem::create_directory(sub);
    };
    cap.Recover();
    ui.whileAsked = nullptr;
    EXPECT_EQ(ui.retryAsked, (std::vector<std::string>{path}));
    EXPECT_TRUE(cap.FileOpen());
    EXPECT_EQ(cap.State(), CaptureState::Capturing);
    Feed("!");
    cap.End();
    EXPECT_EQ(ReadFile(path), "lost? kept during!");

    // Gone again, and this time the user cancels: no name, stopped.
    ASSERT_TRUE(cap.SetFileName(path));
    ASSERT_TRUE(cap.Start());
    std::filesystem::remove_all(sub);
    Feed("x");
    ui.retryAnswers.clear();
    cap.Recover();
    EXPECT_EQ(cap.FileName(), "");
    EXPECT_EQ(cap.State(), CaptureState::Stopped);
    EXPECT_FALSE(cap.CodeCapturing());
}

TEST_F(CaptureTest, AFullDiskKeepsTheUnwrittenRestForRetry)
{
    // A file size limit stands in for a full disk: writes stop part-way.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* prev = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 10;
    cap.SetFileName(file);
    cap.ToggleCodeMode();
    ASSERT_TRUE(cap.Start());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Feed("0123456789abcdef");
    Feed("ghij");
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, prev);
    EXPECT_EQ(ui.failures, 1);
    EXPECT_EQ(ReadFile(file), "0123456789");
    cap.Recover();
    cap.End();
    EXPECT_EQ(ReadFile(file), "0123456789abcdefghij");
}
