// The printer against a real print system: a private CUPS daemon that the
// test starts in a temporary folder, reached through a unix socket there
// (CUPS_SERVER), with a queue whose output lands in a file. Raw jobs must
// arrive byte for byte, text jobs as a PDF with the right number of pages,
// and printer-controller mode must print at its end through the same path.
#include <gtest/gtest.h>

#include "support/CupsServer.h"
#include "support/TestKit.h"
#include "terminal/Printing.h"
#include "terminal/Terminal.h"
#include "terminal/ui/QtPrintDevice.h"
#include "tests/shell/QtTestApp.h"

namespace velo::test {
namespace {

struct RecordingUi : PrintUi {
    std::vector<PrintMessage> shown;
    void Message(const PrintMessage& m) override { shown.push_back(m); }
    bool AskRetry(const PrintMessage&) override { return false; }
};

class CupsTest : public CupsSuite {
protected:
    void SetUp() override
    {
        App();
        CupsSuite::SetUp();
    }

    QtPrintDevice dev{{[] { return LogFontFields{}; }, [] { return 80; }, [] { return hangul::DisplayCode::Ks; }}};
    std::vector<PrintMessage> msgs;
};

TEST_F(CupsTest, ARawJobArrivesByteForByte)
{
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += char(i % 256);
    EXPECT_EQ(dev.QueueName(), "velo-test");
    ASSERT_TRUE(PrintBytes(dev, PrintKind::Raw, kRowsDocName, data, {}, &msgs));
    EXPECT_EQ(Cups().TakeOutput("velo-test"), data);
    EXPECT_TRUE(msgs.empty());
}

TEST_F(CupsTest, ATextJobHasAPageForEachLinesPerPage)
{
    struct Case {
        int lines, perPage, pages;
    } cases[] = {{150, 66, 3}, {132, 66, 2}, {10, 20, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        std::string text;
        for (int i = 0; i < c.lines; ++i)
            text += "line " + std::to_string(i) + " \xC7\xD1\xB1\xDB\r\n";
        ASSERT_TRUE(PrintBytes(dev, PrintKind::Text, kFileDocName, text, {c.perPage, true}, &msgs));
        const std::string pdf = Cups().TakeOutput("velo-test");
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
        EXPECT_EQ(PdfPages(pdf), c.pages);
    }
}

TEST_F(CupsTest, PrinterControllerModePrintsAtItsEndAndKeepsTheFileWhenRefused)
{
    TempDir dir{"pcm"};
    TestOutlets outlets;
    TestLoop loop;
    RecordingUi ui;
    outlets.settings.WriteInt("Print", "PrintOption", 1);
    PrintController ctl(outlets.settings, dir.Path(), dev, ui, loop);
    Terminal term(outlets.out);
    term.SetPrinterSink(&ctl);
    auto feed = [&](const std::string& s) { term.Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); };

    feed("\x1b[5iprinted\nline\x1b[4i");
    EXPECT_EQ(Cups().TakeOutput("velo-test"), "printed\r\nline");

    dev.UseQueue("velo-off");
    feed("\x1b[5ikept\n\x1b[4i");
    loop.RunFor(20);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kPrintFailedText);
    EXPECT_EQ(ReadFileBytes(ctl.Kept()), "kept\r\n");

    dev.UseQueue("no-such-queue");
    EXPECT_FALSE(dev.Available());
    EXPECT_FALSE(PrintBytes(dev, PrintKind::Text, kFileDocName, "x", {}, &msgs));
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].text, kNoPrinterText);
    term.SetPrinterSink(nullptr);
}

}  // namespace
}  // namespace velo::test
