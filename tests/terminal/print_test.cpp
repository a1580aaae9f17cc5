// Printing and the ANSI screen save, window-free: the bytes of raw jobs, how
// text is cut into lines and pages, the messages after each failure, the
// print file of printer-controller mode (never a byte lost), and the saved
// ANSI screen replayed into a second terminal.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/CommandIds.h"
#include "base/ExclusiveFile.h"
#include "base/SettingsLayout.h"
#include "terminal/AnsiSave.h"
#include "terminal/Printing.h"
#include "term_fixture.h"

namespace velo::test {
namespace {

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// A printer that records what it was given, and fails where told.
struct RecordingDevice : PrintDevice {
    bool available = true;
    bool beginFails = false;
    int writeFailsAt = -1;  // this WriteRaw call (0 the first) fails
    int pageFailsAt = -1;   // this StartPage call fails
    bool endFails = false;
    int fitLines = 1000;    // lines the paper takes
    std::string docName, raw;
    std::vector<int> blocks;
    std::vector<std::vector<std::string>> pages;
    TextLayout layout;
    std::string outcome;  // "done", "aborted" or "" while a document is open
    int writes = 0, pageCalls = 0;

    bool Available() override { return available; }
    bool BeginRaw(std::string_view name) override
    {
        docName = name;
        return !beginFails;
    }
    bool WriteRaw(const uint8_t* d, int n) override
    {
        if (writes++ == writeFailsAt)
            return false;
        blocks.push_back(n);
        raw.append(reinterpret_cast<const char*>(d), size_t(n));
        return true;
    }
    bool EndRaw() override
    {
        outcome = endFails ? "failed" : "done";
        return !endFails;
    }
    void AbortRaw() override { outcome = "aborted"; }
    int BeginText(std::string_view name, const TextLayout& l) override
    {
        docName = name;
        layout = l;
        return beginFails ? 0 : std::min(l.linesPerPage, fitLines);
    }
    bool StartPage() override
    {
        if (pageCalls++ == pageFailsAt)
            return false;
        pages.emplace_back();
        return true;
    }
    void DrawLine(int line, std::string_view bytes) override
    {
        EXPECT_EQ(line, int(pages.back().size()));
        pages.back().emplace_back(bytes);
    }
    bool EndText() override
    {
        outcome = endFails ? "failed" : "done";
        return !endFails;
    }
    void AbortText() override { outcome = "aborted"; }
};

struct RecordingUi : PrintUi {
    std::vector<PrintMessage> shown;
    std::vector<PrintMessage> asked;
    std::function<bool()> answer = [] { return false; };
    void Message(const PrintMessage& m) override { shown.push_back(m); }
    bool AskRetry(const PrintMessage& m) override
    {
        asked.push_back(m);
        return answer();
    }
};

using Pages = std::vector<std::vector<std::string>>;

// ------------------------------------------------------------- text jobs

TEST(PrintText, LinesAndPagesFollowLineEndsPairsAndLinesPerPage)
{
    const std::string longLine(1500, 'x');
    struct Case {
        const char* name;
        std::string data;
        int perPage;
        Pages pages;
    } cases[] = {
        {"each line end", "a\r\nb\nc\rd\r\n", 66, {{"a", "b", "c", "d"}}},
        {"CR CR LF leaves an empty line", "a\r\r\nb\n", 66, {{"a", "", "b"}}},
        {"a pair takes its second byte, even LF", "\xB0\x0A\xB1\xA1x\n", 66, {{"\xB0\x0A\xB1\xA1x"}}},
        {"last line without an end", "a\nlast", 66, {{"a", "last"}}},
        {"pages of two", "1\n2\n3\n4\n5\n", 2, {{"1", "2"}, {"3", "4"}, {"5"}}},
        {"a full last page starts no empty one", "1\n2\n3\n4\n", 2, {{"1", "2"}, {"3", "4"}}},
        {"over-long line goes on", longLine + "\n", 66, {{longLine.substr(0, 1024), longLine.substr(1024)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDevice dev;
        std::vector<PrintMessage> msgs;
        EXPECT_TRUE(PrintBytes(dev, PrintKind::Text, kFileDocName, c.data, {c.perPage, true}, &msgs));
        EXPECT_EQ(dev.pages, c.pages);
        EXPECT_EQ(dev.docName, kFileDocName);
        EXPECT_EQ(dev.outcome, "done");
        EXPECT_TRUE(msgs.empty());
    }
}

TEST(PrintText, ThePaperDecidesWhenFewerLinesFit)
{
    RecordingDevice dev;
    dev.fitLines = 3;
    std::vector<PrintMessage> msgs;
    EXPECT_TRUE(PrintBytes(dev, PrintKind::Text, kFileDocName, "1\n2\n3\n4\n", {66, false}, &msgs));
    EXPECT_EQ(dev.pages, (Pages{{"1", "2", "3"}, {"4"}}));
    EXPECT_FALSE(dev.layout.fitFont);
}

TEST(PrintFailures, EachFailureGivesItsMessageAndEndsTheDocument)
{
    struct Case {
        const char* name;
        PrintKind kind;
        std::function<void(RecordingDevice&)> arrange;
        std::vector<PrintMessage> msgs;
        std::string outcome;
    } cases[] = {
        {"no printer", PrintKind::Raw, [](RecordingDevice& d) { d.available = false; },
         {{kNoPrinterText, kNoPrinterCaption, ""}}, ""},
        {"raw document not started", PrintKind::Raw, [](RecordingDevice& d) { d.beginFails = true; }, {}, ""},
        {"raw write refused", PrintKind::Raw, [](RecordingDevice& d) { d.writeFailsAt = 1; }, {}, "aborted"},
        {"raw job refused at the end", PrintKind::Raw, [](RecordingDevice& d) { d.endFails = true; }, {}, "failed"},
        {"first page", PrintKind::Text, [](RecordingDevice& d) { d.pageFailsAt = 0; },
         {{kPageFailedText, kPageFailedCaption, ""}}, "aborted"},
        {"a later page", PrintKind::Text, [](RecordingDevice& d) { d.pageFailsAt = 1; },
         {{kPageFailedText, kPageFailedCaption, ""}}, "aborted"},
        {"text document not started", PrintKind::Text, [](RecordingDevice& d) { d.beginFails = true; }, {}, ""},
    };
    const std::string data = std::string(3000, 'r') + "\n" + std::string(100, '\n');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDevice dev;
        c.arrange(dev);
        std::vector<PrintMessage> msgs;
        EXPECT_FALSE(PrintBytes(dev, c.kind, kRowsDocName, data, {66, true}, &msgs));
        EXPECT_EQ(msgs, c.msgs);
        EXPECT_EQ(dev.outcome, c.outcome);
    }
}

TEST(PrintRaw, BytesGoOutWholeInBlocksOf1024)
{
    std::string data;
    for (int i = 0; i < 2500; ++i)
        data += char(i * 7);
    RecordingDevice dev;
    std::vector<PrintMessage> msgs;
    EXPECT_TRUE(PrintBytes(dev, PrintKind::Raw, kRowsDocName, data, {}, &msgs));
    EXPECT_EQ(dev.raw, data);
    EXPECT_EQ(dev.blocks, (std::vector<int>{1024, 1024, 452}));
    EXPECT_EQ(dev.docName, kRowsDocName);
}

TEST(PrintFile, AFileThatCannotBeReadIsNamed)
{
    RecordingDevice dev;
    std::vector<PrintMessage> msgs;
    EXPECT_FALSE(PrintFile(dev, PrintKind::Raw, kFileDocName, "/nonexistent/prntmp.txt", {}, &msgs));
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].text, "파일 /nonexistent/prntmp.txt (을)를 열 수 없습니다.");
}

TEST(PrintOptions, ReadAsPrintingReadsThem)
{
    struct Case {
        int stored;
        int read;
    } cases[] = {{100, 66}, {81, 66}, {80, 80}, {1, 1}, {0, 66}, {-5, 66}, {20, 20}};
    for (const Case& c : cases) {
        MemorySettingsStore s;
        s.WriteInt("Print", "LinePerPage", c.stored);
        EXPECT_EQ(PrintOptions::Read(s, "/inst").linesPerPage, c.read) << c.stored;
    }
    MemorySettingsStore s;
    PrintOptions o = PrintOptions::Read(s, "/inst");
    EXPECT_EQ(o.option, 0);
    EXPECT_TRUE(o.fitFont);
    EXPECT_EQ(o.file, "/inst/prntmp.txt");
    s.WriteString("Print", "PrintToFileName", "");
    EXPECT_EQ(PrintOptions::Read(s, "/inst").file, "/inst/prntmp.txt");
}

// ------------------------------------------------------------ rows printed

class PrintRowsTest : public TermTest {};

TEST_F(PrintRowsTest, RowsAreTrimmedAndEndInCrLfOlderRowsIncluded)
{
    for (int i = 0; i < 40; ++i)
        Feed("line " + std::to_string(i) + "   \r\n");
    // The window shows history rows 5..32 when scrolled back to 5.
    const std::string text = RowsText(*term, 5, 5 + term->Rows() - 1);
    EXPECT_EQ(text.substr(0, 16), "line 5\r\nline 6\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), term->Rows());
    // Either order, clamped to what is kept.
    EXPECT_EQ(RowsText(*term, 1, 0), "line 0\r\nline 1\r\n");
    EXPECT_EQ(RowsText(*term, -3, 0), "line 0\r\n");
}

// ---------------------------------------------------- printer-controller mode

class ControllerTest : public TermTest {
protected:
    TempDir dir{"print"};
    TestLoop loop;
    RecordingDevice dev;
    RecordingUi ui;
    std::unique_ptr<PrintController> ctl;
    std::string file;

    void SetUp() override
    {
        TermTest::SetUp();
        file = dir.Path() + "/prntmp.txt";
        ctl = std::make_unique<PrintController>(settings, dir.Path(), dev, ui, loop);
        term->SetPrinterSink(ctl.get());
    }
    void TearDown() override
    {
        term.reset();
        ctl.reset();
    }
    void RunPosted() { loop.RunFor(20); }
};

// The print file's bytes for runs fed one by one (no escape inside): a run of
// up to 1023 bytes has each LF that does not follow a CR made CR LF, a longer
// run goes in unchanged.
std::string Expected(const std::vector<std::string>& runs)
{
    std::string out;
    bool lastCr = false;
    for (const std::string& r : runs) {
        if (r.size() > 1023) {
            out += r;
        } else {
            for (size_t i = 0; i < r.size(); ++i) {
                if (r[i] == '\n' && (i == 0 ? !lastCr : r[i - 1] != '\r'))
                    out += '\r';
                out += r[i];
            }
        }
        if (!r.empty())
            lastCr = r.back() == '\r';
    }
    return out;
}

std::vector<std::string> HostRuns()
{
    // Every byte value but the ones that start a sequence (ESC, and 0x9B in
    // the KS display code), in runs of many sizes; one run ends in CR and the
    // next starts with LF.
    std::string all;
    for (int round = 0; round < 12; ++round)
        for (int b = 0; b < 256; ++b) {
            const int v = (b * 31 + round) & 0xFF;
            if (v != 0x1B && v != 0x9B)
                all += char(v);
        }
    std::vector<std::string> runs = {"a\r", "\nb\n\n", std::string(1500, 'L') + "\nx\n"};
    size_t at = 0;
    for (int size : {1, 7, 1023, 64, 1024, 300, 2})
        if (at < all.size()) {
            runs.push_back(all.substr(at, size_t(size)));
            at += size_t(size);
        }
    runs.push_back(all.substr(at));
    return runs;
}

TEST_F(ControllerTest, TheHostsTextGoesToThePrintFileAndIsPrintedAtTheEnd)
{
    struct Case {
        int option;
        bool printed;
        PrintKind kind;
    } cases[] = {{1, true, PrintKind::Raw}, {0, true, PrintKind::Text}, {2, false, PrintKind::Raw},
                 {7, false, PrintKind::Raw}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        dev = RecordingDevice();
        settings.WriteInt("Print", "PrintOption", c.option);
        Feed("before\x1b[5i");
        EXPECT_TRUE(flags.TermShared.PrinterControl);
        Feed("one\ntwo\r\n");
        Feed("three\x1b[4iafter");
        EXPECT_FALSE(flags.TermShared.PrinterControl);
        EXPECT_EQ(ReadFileBytes(file), "one\r\ntwo\r\nthree");
        EXPECT_EQ(Row(0), "beforeafter");
        if (!c.printed) {
            EXPECT_EQ(dev.outcome, "");
        } else if (c.kind == PrintKind::Raw) {
            EXPECT_EQ(dev.raw, "one\r\ntwo\r\nthree");
        } else {
            EXPECT_EQ(dev.pages, (Pages{{"one", "two", "three"}}));
        }
        EXPECT_EQ(dev.docName, c.printed ? kFileDocName : "");
        term->ClearScreen();
    }
    // A reset ends the mode and prints; an empty run prints nothing.
    dev = RecordingDevice();
    settings.WriteInt("Print", "PrintOption", 1);
    Feed("\x1b[5ix\ny");
    term->TerminalReset();
    EXPECT_FALSE(flags.TermShared.PrinterControl);
    EXPECT_EQ(dev.raw, "x\r\ny");
    dev = RecordingDevice();
    Feed("\x1b[5i\x1b[4i");
    EXPECT_EQ(dev.outcome, "");
    RunPosted();
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ControllerTest, PrintingFailsAndEveryByteIsKeptAsideFromTheNextRun)
{
    settings.WriteInt("Print", "PrintOption", 1);
    dev.endFails = true;
    const std::vector<std::string> runs = HostRuns();
    Feed("\x1b[5i");
    for (const std::string& r : runs)
        Feed(r);
    Feed("\x1b[4i");
    // The messages wait until the feed has returned.
    EXPECT_TRUE(ui.shown.empty());
    RunPosted();
    const std::string kept = dir.Path() + "/prntmp-1.txt";
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kPrintFailedText);
    EXPECT_EQ(ui.shown[0].detail, "인쇄할 내용은 " + kept + " 에 남아 있습니다.");
    EXPECT_EQ(ctl->Kept(), kept);
    EXPECT_EQ(ReadFileBytes(kept), Expected(runs));
    EXPECT_FALSE(Exists(file));

    // The next run fails too: its text is kept beside the first, which stays whole.
    Feed("\x1b[5isecond\n\x1b[4i");
    RunPosted();
    EXPECT_EQ(ReadFileBytes(dir.Path() + "/prntmp-2.txt"), "second\r\n");
    EXPECT_EQ(ReadFileBytes(kept), Expected(runs));
}

TEST_F(ControllerTest, ABusyPrintFileShowsTheTextAndAsksAfterTheFeed)
{
    // Another writer holds the print file.
    const int other = OpenExclusive(file, true);
    ASSERT_GE(other, 0);
    ASSERT_TRUE(WriteAll(other, "theirs", 6));
    // Cancel: the text stays on the screen until the mode ends, nothing printed.
    Feed("\x1b[5ione ");
    EXPECT_TRUE(flags.TermShared.PrinterControl);
    EXPECT_TRUE(ui.asked.empty());
    RunPosted();
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0], (PrintMessage{kPrintFileBusyText, kPrintFileBusyCaption, ""}));
    Feed("two\x1b[4i three\r\n");
    EXPECT_EQ(Row(0), "one two three");
    EXPECT_EQ(dev.outcome, "");
    EXPECT_EQ(ReadFileBytes(file), "theirs");
    // Retry while still busy, then once the other writer has let go.
    int asks = 0;
    ui.answer = [&] {
        if (++asks == 2)
            ::close(other);
        return true;
    };
    Feed("\x1b[5ishown");
    RunPosted();
    EXPECT_EQ(asks, 2);
    Feed("filed\x1b[4i");
    EXPECT_EQ(Row(1), "shown");
    EXPECT_EQ(ReadFileBytes(file), "filed");
}

TEST_F(ControllerTest, AQuestionLeftOpenAfterTheModeEndedOpensNothing)
{
    const int other = OpenExclusive(file, true);
    ASSERT_GE(other, 0);
    Feed("\x1b[5ia");
    ui.answer = [&] {
        // The host ends the mode while the question is up.
        Feed("\x1b[4i");
        ::close(other);
        return true;
    };
    RunPosted();
    EXPECT_EQ(ui.asked.size(), 1u);
    EXPECT_FALSE(flags.TermShared.PrinterControl);
    EXPECT_FALSE(ctl->Accepting());
}

TEST_F(ControllerTest, AFullDiskShowsTheRunItRefused)
{
    // /dev/full takes the open and refuses every write.
    settings.WriteString("Print", "PrintToFileName", "/dev/full");
    Feed("\x1b[5ikept on screen\r\nand more\x1b[4i");
    EXPECT_EQ(Row(0), "kept on screen");
    EXPECT_EQ(Row(1), "and more");
}

// ------------------------------------------------------------ ANSI screen save

class AnsiSaveTest : public TermTest {
protected:
    // What a viewer sees of a cell: its byte; for a blank only what colours
    // it (background, underline, reverse).
    static std::string Seen(const Terminal& t)
    {
        std::string s;
        for (int r = 0; r < t.Rows(); ++r) {
            const ScreenLine& line = t.Line(r);
            const int shown = line.size == LineSize::Single ? t.Columns() : t.Columns() / 2;
            s += "row " + std::to_string(r) + " size " + std::to_string(int(line.size)) + ":";
            for (int c = 0; c < shown; ++c) {
                const CellAttr a = t.Attrs(r)[c];
                const int flags = a.flags & (kBold | kUnderline | kReverse);
                char buf[48];
                if (line.text[c] == ' ')
                    std::snprintf(buf, sizeof buf, " [bg%d %d]", a.bg, flags & (kUnderline | kReverse));
                else
                    std::snprintf(buf, sizeof buf, " %02x[%d/%d %d]", line.text[c], a.fg, a.bg, flags);
                s += buf;
            }
            s += "\n";
        }
        return s;
    }
};

TEST_F(AnsiSaveTest, ADefaultScreenStartsWithTheHeaderAndTheFirstCellsColours)
{
    Feed("A");
    const std::string bytes = AnsiScreenBytes(*term);
    EXPECT_EQ(bytes.substr(0, 12), "\x1b[s\x1b[m\x1b[1;1H");
    std::string rest = "\x1b#5\x1b[37m\x1b[44m\x1b[22m\x1b[24m\x1b[27mA\r\n";
    for (int r = 1; r < 27; ++r)
        rest += "\x1b#5\r\n";
    EXPECT_EQ(bytes.substr(12), rest + "\x1b#5\x1b[u");
}

TEST_F(AnsiSaveTest, BrightColoursAreSavedInPcOrderAndReadBack)
{
    Feed("\x1b[=12F\x1b[=9GX\x1b[1;4;7mY\x1b[22;24;27m\x1b[31mZ");
    EXPECT_EQ(Attr(0, 0).fg, 9);
    EXPECT_EQ(Attr(0, 0).bg, 12);
    const std::string bytes = AnsiScreenBytes(*term);
    EXPECT_NE(bytes.find("\x1b[=12F\x1b[=9G\x1b[22m\x1b[24m\x1b[27mX\x1b[1m\x1b[4m\x1b[7mY\x1b[31m\x1b[22m\x1b[24m\x1b[27mZ"),
              std::string::npos);
}

TEST_F(AnsiSaveTest, TheSavedFileReplayedGivesTheSameScreen)
{
    const std::string full(80, '#');
    struct Case {
        const char* name;
        std::string screen;
    } cases[] = {
        {"colours, attributes and palette 9",
         "\x1b[2J\x1b[H\x1b[31mred \x1b[=12Fbright\x1b[=9G on blue\x1b[1m bold\x1b[4m under\x1b[7m rev\x1b[m\r\n"
         "\x1b[=15F\x1b[=8Gwhite on grey\x1b[44m\r\n\x1b[42m   coloured blanks   \x1b[40m\r\nplain"},
        {"full rows and the bottom-right corner",
         "\x1b[2J\x1b[H" + full + full + "\x1b[28;1H\x1b[?7l" + full + "\x1b[?7h"},
        {"double-width and double-height rows, Hangul",
         "\x1b[2J\x1b[H\x1b#6wide\r\n\x1b#3top\r\n\x1b#4bottom\r\n"
         "\xC7\xD1\xB1\xDB text \xB0\xA1\r\n\x1b[5;1H\x1b#6" + std::string(40, 'w') +
             "\x1b[28;1H\x1b#6\x1b[?7l" + std::string(38, 'v') + "\xB0\xA1\x1b[?7h"},
        {"coloured blanks to the end of a row", "\x1b[2J\x1b[H\x1b[41mX" + std::string(79, ' ') + "\x1b[44m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = Make();
        Feed(*source, c.screen);
        auto replay = Make();
        Feed(*replay, AnsiScreenBytes(*source));
        EXPECT_EQ(Seen(*replay), Seen(*source));
        EXPECT_EQ(replay->Top(), 0) << "the replay scrolled";
    }
}

TEST_F(AnsiSaveTest, AFileInUseIsLeftAsItWas)
{
    TempDir dir{"ans"};
    const std::string path = dir.Path() + "/screen.ans";
    Feed("saved");
    ASSERT_EQ(SaveAnsiScreen(*term, path), AnsiSaveResult::Saved);
    EXPECT_EQ(ReadFileBytes(path), AnsiScreenBytes(*term));
    const int other = OpenExclusive(path, true);
    ASSERT_GE(other, 0);
    Feed("\r\nmore");
    EXPECT_EQ(SaveAnsiScreen(*term, path), AnsiSaveResult::CannotOpen);
    ::close(other);
    EXPECT_NE(ReadFileBytes(path).find("saved"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path).find("more"), std::string::npos);
    EXPECT_EQ(SaveAnsiScreen(*term, "/dev/full"), AnsiSaveResult::WriteFailed);
}

}  // namespace
}  // namespace velo::test
