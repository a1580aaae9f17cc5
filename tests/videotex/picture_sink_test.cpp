// The terminal with its picture receivers: videotex runs open, draw into and
// close the picture window, the image index stores the host's picture; both
// hand the rest of the bytes back to the text interpreter.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TestKit.h"
#include "terminal/Terminal.h"
#include "tests/shell/QtTestApp.h"
#include "videotex/VtxDecoder.h"
#include "videotex/VtxWriter.h"
#include "videotex/ui/CVtxWnd.h"
#include "videotex/ui/ImageIndexUi.h"
#include "videotex/ui/VtxImageCanvas.h"
#include "videotex/ui/VtxPictureSink.h"

using namespace velo;
namespace fs = std::filesystem;

namespace {

struct Replies : ReplySink {
    std::string bytes;
    void Reply(const uint8_t* d, int n, ReplyMode) override { bytes.append(reinterpret_cast<const char*>(d), n); }
};

struct CodeCapture : CaptureSink {
    std::string bytes;
    bool TextCapturing() const override { return false; }
    bool CodeCapturing() const override { return true; }
    void TextLine(const uint8_t*, int) override {}
    void CodeBytes(const uint8_t* d, int n) override { bytes.append(reinterpret_cast<const char*>(d), n); }
};

// A small picture: a red filled box and a line of text.
std::string Picture()
{
    VtxWriter w;
    w.Reset().SetColour({255, 0, 0}).Rect(0.1, 0.1, 0.3, 0.2, true).SetColour({255, 255, 255});
    w.TextAt(0.1, 0.5, "VELLOW").LineTo(0.9, 0.7);
    return w.Bytes();
}

// The picture as a fresh decoder draws the bytes on a canvas of the size.
QImage Reference(const std::string& bytes, QSize size = QSize(640, 500))
{
    VtxImageCanvas canvas(size.width(), size.height());
    canvas.SetPauseHandler([](int) {});
    VtxDecoder dec;
    canvas.RebuildFonts(dec.State());
    dec.Feed(canvas, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return canvas.Offscreen().copy(QRect(QPoint(0, 0), size));
}

struct PictureSinkTest : ::testing::Test {
    QApplication* app = test::App();
    test::TempDir dir{"velo-pictures"};
    test::TestOutlets t;
    Terminal term{t.out};
    Replies replies;
    CodeCapture capture;
    std::string keys;
    VtxPictureSink sink{{t.settings, t.flags, term,
                         [this](const uint8_t* d, int n) { keys.append(reinterpret_cast<const char*>(d), n); },
                         dir.Path() + "/Images", nullptr}};

    PictureSinkTest()
    {
        term.SetReplySink(&replies);
        term.SetCapture(&capture);
    }
    int Feed(const std::string& s) { return term.Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size())); }
    std::string Row(int r) const
    {
        std::string s(reinterpret_cast<const char*>(term.Line(r).text), size_t(term.Columns()));
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
};

}  // namespace

TEST_F(PictureSinkTest, APictureRunDrawsUpToItsEndSequenceAndTheRestIsText)
{
    const std::string picture = Picture();
    struct Case {
        const char* name;
        std::string end;
    } cases[] = {{"ESC % @", "\x1b%@"}, {"ESC & 6 @", "\x1b&6@"}};
    for (const Case& c : cases) {
        // The end sequence inside the run, the text after it in the same call.
        const std::string run = picture + c.end + "after";
        term.ClearScreen();
        capture.bytes.clear();
        ASSERT_EQ(Feed("\x1b%A"), 3);
        QPointer<CVtxWnd> w = sink.Window();
        ASSERT_TRUE(w) << c.name;
        EXPECT_EQ(Feed(run), int(run.size())) << c.name;
        EXPECT_EQ(term.GetDataMode(), DataMode::Text) << c.name;
        EXPECT_EQ(sink.Window(), nullptr) << c.name;
        EXPECT_EQ(Row(0), "after") << c.name;
        ASSERT_TRUE(w);
        EXPECT_TRUE(w->Picture() == Reference(picture + c.end)) << c.name;
        EXPECT_FALSE(w->Picture() == Reference(picture + c.end + "after")) << c.name;
        EXPECT_EQ(capture.bytes, "\x1b%A" + run) << c.name;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(PictureSinkTest, TheWindowShowsWhatWasDrawnWhateverTheCuts)
{
    const std::string picture = Picture() + "\x1b%@";
    const QImage want = Reference(picture);
    for (size_t piece : {size_t(1), size_t(3), size_t(64)}) {
        ASSERT_EQ(Feed("\x1b%A"), 3);
        QPointer<CVtxWnd> w = sink.Window();
        ASSERT_TRUE(w);
        EXPECT_EQ(w->size(), QSize(640, 500));
        for (size_t at = 0; at < picture.size(); at += piece)
            Feed(picture.substr(at, piece));
        EXPECT_EQ(term.GetDataMode(), DataMode::Text) << piece;
        ASSERT_TRUE(w) << piece;  // closed, destroyed when the loop runs
        EXPECT_TRUE(w->Closed());
        EXPECT_TRUE(w->Picture() == want) << "piece " << piece;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(w);
    }
}

TEST_F(PictureSinkTest, VideotexSwitchedOffLeavesTheSelectToTheInterpreter)
{
    term.SetVideotexEnabled(false);
    EXPECT_EQ(t.settings.ReadInt("초기 환경", "UseVTX", -1), 0);
    Feed("\x1b%Atext\x1b&2");
    EXPECT_EQ(sink.Window(), nullptr);
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
    EXPECT_EQ(Row(0), "text");
    EXPECT_EQ(replies.bytes, "");  // no identification either
}

TEST_F(PictureSinkTest, IdentificationInsideAPictureIsAnsweredAfterTheFeed)
{
    Feed("\x1b%A" + Picture() + "\x1b&2" + Picture());
    EXPECT_EQ(term.GetDataMode(), DataMode::Videotex);
    EXPECT_EQ(replies.bytes, std::string("\x1b&300000\x7f" "00000\x7f\r", 16));
}

TEST_F(PictureSinkTest, EveryWayOutOfAPictureThatNeverEndsLeavesTheTerminalUsable)
{
    struct Case {
        const char* name;
        std::function<void(PictureSinkTest&)> leave;
    } cases[] = {
        {"close box", [](PictureSinkTest& f) { f.sink.Window()->close(); }},
        {"terminal reset", [](PictureSinkTest& f) { f.term.TerminalReset(); }},
        {"connect", [](PictureSinkTest& f) { f.term.ResetOnConnect(); }},
        {"VTX command", [](PictureSinkTest& f) { f.sink.CloseVideotex(); }},
    };
    for (const Case& c : cases) {
        term.ClearScreen();
        Feed("\x1b%A" + Picture() + "\x1b[2J");  // no end: the picture goes on
        ASSERT_NE(sink.Window(), nullptr) << c.name;
        c.leave(*this);
        EXPECT_EQ(sink.Window(), nullptr) << c.name;
        EXPECT_EQ(term.GetDataMode(), DataMode::Text) << c.name;
        Feed("text");
        EXPECT_EQ(Row(0), "text") << c.name;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(PictureSinkTest, EnteringAgainReusesTheWindowWithItsPicture)
{
    ASSERT_TRUE(term.EnterVideotex());
    CVtxWnd* w = sink.Window();
    ASSERT_NE(w, nullptr);
    const std::string picture = Picture();
    Feed(picture);
    term.EndPictureMode();
    Feed("\x1b%A");
    EXPECT_EQ(sink.Window(), w);
    EXPECT_TRUE(w->Picture() == Reference(picture));
}

TEST_F(PictureSinkTest, KeysInThePictureWindowGoToTheHost)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::string bytes;
    } cases[] = {
        {Qt::Key_Tab, Qt::NoModifier, "\t"},
        {Qt::Key_Return, Qt::NoModifier, "\r"},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b"},
        {Qt::Key_Left, Qt::NoModifier, "\x1b%13\r\n"},
        {Qt::Key_Up, Qt::NoModifier, "\x1b%11\r\n"},
        {Qt::Key_Right, Qt::NoModifier, "\x1b%15\r\n"},
        {Qt::Key_Down, Qt::NoModifier, "\x1b%17\r\n"},
        {Qt::Key_F1, Qt::NoModifier, "\x1b#9\r"},
        {Qt::Key_F1, Qt::ControlModifier, ""},
        {Qt::Key_F2, Qt::NoModifier, "\x1b#4\r"},
        {Qt::Key_F3, Qt::NoModifier, "\x1b#2\r"},
        {Qt::Key_F4, Qt::NoModifier, "\x1b#?\r"},
        {Qt::Key_F5, Qt::NoModifier, "\x1b#5\r"},
        {Qt::Key_F6, Qt::NoModifier, "\x1b#:\r"},
        {Qt::Key_F7, Qt::NoModifier, "\x1b#6\r"},
        {Qt::Key_F8, Qt::NoModifier, "\x1b#8\r"},
        {Qt::Key_F9, Qt::NoModifier, "\x1b#3\r"},
        {Qt::Key_F10, Qt::NoModifier, "\x1b#1\r"},
        {Qt::Key_A, Qt::NoModifier, "a"},
        {Qt::Key_1, Qt::NoModifier, "1"},
    };
    ASSERT_TRUE(term.EnterVideotex());
    CVtxWnd* w = sink.Window();
    for (const Case& c : cases) {
        keys.clear();
        QTest::keyClick(w, c.key, c.mods);
        EXPECT_EQ(keys, c.bytes) << QKeySequence(c.key | c.mods).toString().toStdString();
    }
    EXPECT_TRUE(w->isVisible());  // Esc sent, the window stays
    // Shift+F10 opens the context menu instead of sending F10.
    keys.clear();
    QTest::keyClick(w, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(keys, "");
    EXPECT_TRUE(w->ContextMenu()->isVisible());
    w->ContextMenu()->hide();
}

TEST_F(PictureSinkTest, ASmallerSizeShowsTheTopLeftAndIsStored)
{
    ASSERT_TRUE(term.EnterVideotex());
    CVtxWnd* w = sink.Window();
    const std::string picture = Picture();
    Feed(picture);
    const QImage large = w->Picture();
    QMenu* sizes = nullptr;
    for (QAction* a : w->ContextMenu()->actions())
        if (a->menu())
            sizes = a->menu();
    ASSERT_NE(sizes, nullptr);
    ASSERT_EQ(sizes->actions().size(), 3);
    sizes->actions()[1]->trigger();  // "보통(&M)"
    EXPECT_EQ(sizes->actions()[1]->text(), "보통(&M)");
    EXPECT_EQ(t.settings.ReadInt("Size", "Mode", -1), 1);
    EXPECT_EQ(w->size(), QSize(512, 400));
    EXPECT_TRUE(w->Picture() == large.copy(0, 0, 512, 400));  // nothing rescaled
    // A window made now starts at the stored size.
    w->close();
    ASSERT_TRUE(term.EnterVideotex());
    EXPECT_EQ(sink.Window()->size(), QSize(512, 400));
    Feed(picture);
    EXPECT_TRUE(sink.Window()->Picture() == Reference(picture, QSize(512, 400)));
    // And the picture can be kept.
    const std::string png = dir.Path() + "/shown.png";
    ASSERT_TRUE(sink.Window()->SavePicture(QString::fromStdString(png)));
    EXPECT_TRUE(QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32) ==
                sink.Window()->Picture());
}

TEST_F(PictureSinkTest, AStreamOfWaitsDoesNotFreezeTheProgram)
{
    // Twenty waits of 6.3 s each would block two minutes.
    VtxWriter w;
    w.Reset();
    for (int i = 0; i < 20; ++i)
        w.Opcode(0x3D).Data(0x1C).Data(0x3F);
    QElapsedTimer clock;
    clock.start();
    Feed("\x1b%A" + w.Bytes() + "\x1b%@text");
    EXPECT_LT(clock.elapsed(), CVtxWnd::kPauseBudgetMs + 2000);
    EXPECT_EQ(Row(0), "text");
}

TEST_F(PictureSinkTest, AnImageIndexRunStoresThePictureAndTheRestIsText)
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    const std::string png = dir.Path() + "/in.png";
    ASSERT_TRUE(img.save(QString::fromStdString(png), "PNG"));
    std::ifstream in(png, std::ios::binary);
    const std::string file(std::istreambuf_iterator<char>(in), {});
    // Kind "5" names the file .gif; Qt reads it by its content.
    std::string stream = "\x1b%B5";
    for (size_t at = 0; at < file.size(); at += 100) {
        stream += "\x01" "D0";
        for (unsigned char c : file.substr(at, 100))
            stream += c == '#' ? std::string("##") : c < 0x20 ? std::string{'#', char(c ^ 0x40)} : std::string(1, char(c));
        stream += "\r";
    }
    stream += "\x01Z\rtext";
    const size_t cut = stream.size() / 2;
    EXPECT_EQ(Feed(stream.substr(0, cut)), int(cut));
    EXPECT_EQ(term.GetDataMode(), DataMode::ImageIndex);
    ASSERT_NE(sink.Progress(), nullptr);
    EXPECT_FALSE(sink.Progress()->isHidden());
    EXPECT_EQ(sink.Progress()->FileNameText(), "00000000.gif");
    EXPECT_EQ(Feed(stream.substr(cut)), int(stream.size() - cut));
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
    EXPECT_EQ(Row(0), "text");
    EXPECT_TRUE(sink.Progress()->isHidden());
    EXPECT_EQ(capture.bytes, stream);
    const std::string stored = dir.Path() + "/Images/00000000.gif";
    std::ifstream got(stored, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(got), {}), file);
    const size_t packets = (file.size() + 99) / 100;
    std::string acks;
    for (size_t i = 0; i < packets; ++i)
        acks += "\x01" "D\r";
    EXPECT_EQ(replies.bytes, acks);
    // The finished picture opens once the feed is over.
    EXPECT_EQ(sink.Viewer(), nullptr);
    QCoreApplication::processEvents();
    ASSERT_NE(sink.Viewer(), nullptr);
    EXPECT_TRUE(sink.Viewer()->Loaded());
    EXPECT_EQ(sink.Viewer()->Image().size(), QSize(40, 30));
    sink.Viewer()->close();
}

TEST_F(PictureSinkTest, AnImageIndexThatStopsHalfwayIsEndedByAReset)
{
    Feed("\x1b%B4\x01" "D0abc\r\x01" "D0de");
    EXPECT_EQ(term.GetDataMode(), DataMode::ImageIndex);
    term.TerminalReset();
    EXPECT_EQ(term.GetDataMode(), DataMode::Text);
    EXPECT_TRUE(sink.Progress()->isHidden());
    Feed("text");
    EXPECT_EQ(Row(0), "text");
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.Viewer(), nullptr);
    EXPECT_TRUE(fs::exists(dir.Path() + "/Images/00000000.jpg.part"));
    EXPECT_FALSE(fs::exists(dir.Path() + "/Images/00000000.jpg"));
}
