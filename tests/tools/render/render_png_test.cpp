// velo-render --png run as a user runs it: the picture is the terminal
// window's own drawing of the stream, with the options applied.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/TestKit.h"
#include "terminal/ui/CAnsiTerm.h"
#include "tests/shell/Fakes.h"
#include "tests/shell/QtTestApp.h"

using namespace velo;
namespace fs = std::filesystem;

namespace {

struct RenderPngTest : ::testing::Test {
    QApplication* app = test::App();
    test::TempDir dir{"velo-render-png"};

    int Run(const std::string& args)
    {
        const std::string cmd =
            std::string(VELO_RENDER_TOOL) + " " + args + " >" + dir.Path() + "/out 2>" + dir.Path() + "/err";
        const int rc = std::system(cmd.c_str());
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string p = dir.Path() + "/" + name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    // The same stream in a terminal window of this test.
    QImage Window(const std::string& bytes, int columns, int rows, hangul::DisplayCode code, bool picture)
    {
        test::TestOutlets t;
        ConnFacade conn{t.out};
        test::RecordingTermHost host{conn};
        CAnsiTerm w(t.out, conn, host);
        t.flags.TermShared.PictureMode = picture;
        w.SetScreenSize(columns, rows);
        w.Term().SetDisplayCode(code);
        w.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()));
        return w.Snapshot().copy(0, 0, columns * w.CellWidth(), rows * w.CellHeight());
    }
};

}  // namespace

TEST_F(RenderPngTest, ThePictureIsTheWindowsDrawingWithTheOptionsApplied)
{
    // KS Hangul with colours, block glyphs and line drawing; Johab bytes; an
    // at-sign sequence in picture mode; a box drawn by the drawing sequences.
    struct Case {
        const char* name;
        std::string bytes;
        int columns, rows;
        hangul::DisplayCode code;
        bool picture;
        std::string options;
    } cases[] = {
        {"KS art", "\x1b[1;33;41m\xc7\xd1\xb1\xdb\x1b[0m \xa6\xa1\xa6\xa2\r\n\x0elqqk\x0f x", 20, 3,
         hangul::DisplayCode::Ks, false, "--columns 20 --rows 3"},
        {"Johab", "\x88\x61\xb0\xa1", 10, 2, hangul::DisplayCode::Johab, false, "--columns 10 --rows 2 --code johab"},
        {"picture mode", "a@[33mb", 8, 1, hangul::DisplayCode::Ks, true, "--columns 8 --rows 1 --picture"},
    };
    for (const Case& c : cases) {
        const std::string in = Write("in", c.bytes), png = dir.Path() + "/out.png";
        ASSERT_EQ(Run(c.options + " --png " + png + " " + in), 0) << c.name;
        QImage got(QString::fromStdString(png));
        const QImage want = Window(c.bytes, c.columns, c.rows, c.code, c.picture);
        ASSERT_FALSE(got.isNull()) << c.name;
        EXPECT_EQ(got.size(), want.size()) << c.name;
        EXPECT_TRUE(got.convertToFormat(QImage::Format_RGB32) == want.convertToFormat(QImage::Format_RGB32))
            << c.name;
        fs::remove(png);
    }
    // The options reach the drawing: the same bytes in the other code differ.
    const QImage ks = Window("\x88\x61\xb0\xa1", 10, 2, hangul::DisplayCode::Ks, false);
    EXPECT_FALSE(ks == Window("\x88\x61\xb0\xa1", 10, 2, hangul::DisplayCode::Johab, false));
}

TEST_F(RenderPngTest, ExitStatuses)
{
    const std::string in = Write("in", "text");
    EXPECT_EQ(Run("--png " + dir.Path() + "/x.png --attrs " + in), 2);
    EXPECT_EQ(Run("--png " + dir.Path() + "/no/such/folder/x.png " + in), 1);
    EXPECT_FALSE(fs::exists(dir.Path() + "/x.png"));
}
