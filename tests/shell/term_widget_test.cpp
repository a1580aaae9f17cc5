// The terminal window drawn offscreen: pixels of chosen cells against the
// colour rules, repaint against first drawing, the scrollback view, copy,
// keys and clicks to bytes.
#include <gtest/gtest.h>

#include "tests/shell/Fakes.h"
#include "tests/shell/QtTestApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QDeadlineTimer>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTest>
#include <mutex>
#include <string>

#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "base/Flags.h"
#include "support/TestKit.h"
#include "base/SettingsStore.h"
#include "terminal/AutoResponse.h"
#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"
#include "terminal/ui/TermFontDialog.h"
#include "terminal/ui/TermFonts.h"

using namespace velo;

namespace {

using test::App;

// A connection that records what is written to it.
class RecordingLine : public ConnLine {
public:
    int Write(const uint8_t* d, int n) override
    {
        std::lock_guard lock(m);
        out.append(reinterpret_cast<const char*>(d), size_t(n));
        return n;
    }
    int Read(uint8_t*, int, int) override { return 0; }
    int Available() override { return 0; }
    bool IsOpen() override { return true; }
    std::string Take()
    {
        std::lock_guard lock(m);
        std::string s;
        s.swap(out);
        return s;
    }
    std::mutex m;
    std::string out;
};

struct TermTest : ::testing::Test {
    QApplication* app = App();
    test::TestOutlets outlets;
    MemorySettingsStore& store = outlets.settings;
    SharedFlags& flags = outlets.flags;
    ConnFacade conn{outlets.out};
    test::RecordingTermHost host{conn};
    RecordingLine line;
    std::unique_ptr<CAnsiTerm> t;

    void SetUp() override
    {
        conn.SetTelnetLine(&line);
        t = std::make_unique<CAnsiTerm>(outlets.out, conn, host);
        t->resize(t->sizeHint());
        t->show();
    }
    void TearDown() override
    {
        t.reset();
        conn.SetTelnetLine(nullptr);
    }
    void Feed(std::string_view s)
    {
        t->Feed(reinterpret_cast<const uint8_t*>(s.data()), int(s.size()));
    }
    QRect Cell(int row, int col, int width = 1) const
    {
        return QRect(col * t->CellWidth(), row * t->CellHeight(), width * t->CellWidth(), t->CellHeight());
    }
    static int Count(const QImage& img, const QRect& r, QRgb c)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += (img.pixel(x, y) & 0xFFFFFF) == (c & 0xFFFFFF);
        return n;
    }
    static bool Uniform(const QImage& img, const QRect& r)
    {
        QRgb first = img.pixel(r.topLeft());
        return Count(img, r, first) == r.width() * r.height();
    }
    QImage Crop(const QRect& r) { return t->Snapshot().copy(r); }
};

uint16_t BlockCode(int block)
{
    for (int a = 0xAD; a <= 0xAE; ++a)
        for (int b = 0xA1; b <= 0xFE; ++b)
            if (hangul::ExtensionLookup(uint16_t(a << 8 | b)) == block)
                return uint16_t(a << 8 | b);
    return 0;
}

}  // namespace

TEST_F(TermTest, BoldYellowIsBrightYellowOnTheBackground)
{
    Feed("\x1b[1;33;44mH#");
    QImage img = t->Snapshot();
    QRect c = Cell(0, 0);
    EXPECT_GT(Count(img, c, qRgb(255, 255, 0)), 3);
    EXPECT_GT(Count(img, c, qRgb(0, 0, 127)), 10);
    EXPECT_EQ(Count(img, c, qRgb(191, 191, 0)), 0);  // never the plain yellow
}

TEST_F(TermTest, BoldWithBrightForegroundStaysThatColour)
{
    Feed("\x1b[1m\x1b[=12FH");  // PC colour 12 is palette 9, bright red
    EXPECT_GT(Count(t->Snapshot(), Cell(0, 0), qRgb(255, 0, 0)), 3);
}

TEST_F(TermTest, ConcealedTextIsInvisibleAndSelectedShowsInverted)
{
    Feed("\x1b[8;37;40mHH");
    QImage img = t->Snapshot();
    EXPECT_TRUE(Uniform(img, Cell(0, 0, 2)));
    int base = t->Term().LinesUsed() - t->Term().Rows();
    EXPECT_EQ(Count(img, Cell(0, 0), qRgb(191, 191, 191)), Cell(0, 0).width() * Cell(0, 0).height());
    // Selected, both colours are inverted: the cell shows in the inverse.
    t->SetSelection(base, 0, base, 1);
    img = t->Snapshot();
    EXPECT_EQ(Count(img, Cell(0, 0), qRgb(64, 64, 64)), Cell(0, 0).width() * Cell(0, 0).height());
    EXPECT_EQ(Count(img, Cell(0, 1), qRgb(191, 191, 191)), Cell(0, 1).width() * Cell(0, 1).height());
}

TEST_F(TermTest, BlinkAlternatesWithSixtyPercentText)
{
    Feed("\x1b[5;31;40mH\x1b[0m\x1b[5;7;32;40mH");
    t->SetBlinkPhase(true);
    QImage on = t->Snapshot();
    EXPECT_GT(Count(on, Cell(0, 0), qRgb(191, 0, 0)), 3);
    // Reversed and blinking, phase on: green background.
    EXPECT_GT(Count(on, Cell(0, 1), qRgb(0, 191, 0)), 10);
    t->SetBlinkPhase(false);
    QImage off = t->Snapshot();
    EXPECT_EQ(Count(off, Cell(0, 0), qRgb(191, 0, 0)), 0);
    EXPECT_GT(Count(off, Cell(0, 0), qRgb(114, 0, 0)), 3);
    // Phase off: the reversed cell shows unreversed (black background).
    EXPECT_GT(Count(off, Cell(0, 1), qRgb(0, 0, 0)), 10);
    EXPECT_EQ(Count(off, Cell(0, 1), qRgb(0, 191, 0)) < Count(on, Cell(0, 1), qRgb(0, 191, 0)), true);
}

TEST_F(TermTest, BlockGlyphHalvesSplitTheTwoCellRectangle)
{
    uint16_t lower = BlockCode(5), left = BlockCode(6);
    ASSERT_NE(lower, 0);
    ASSERT_NE(left, 0);
    std::string s = "\x1b[37;44m";
    s += char(lower >> 8);
    s += char(lower & 0xFF);
    s += char(left >> 8);
    s += char(left & 0xFF);
    Feed(s);
    QImage img = t->Snapshot();
    QRect r = Cell(0, 0, 2);
    int half = r.height() / 2;
    QRgb fg = qRgb(191, 191, 191), bg = qRgb(0, 0, 127);
    EXPECT_EQ(Count(img, QRect(r.left(), r.top(), r.width(), half), bg), r.width() * half);
    EXPECT_EQ(Count(img, QRect(r.left(), r.top() + half, r.width(), r.height() - half), fg),
              r.width() * (r.height() - half));
    QRect l = Cell(0, 2, 2);
    int hw = l.width() / 2;
    EXPECT_EQ(Count(img, QRect(l.left(), l.top(), hw, l.height()), fg), hw * l.height());
    EXPECT_EQ(Count(img, QRect(l.left() + hw, l.top(), l.width() - hw, l.height()), bg),
              (l.width() - hw) * l.height());
}

TEST_F(TermTest, HangulSyllableIsTwoCellsWide)
{
    Feed("\x1b[37;40m\xB0\xA1" "A");
    QImage img = t->Snapshot();
    QRgb bg = qRgb(0, 0, 0);
    QRect first = Cell(0, 0), second = Cell(0, 1);
    int firstInk = first.width() * first.height() - Count(img, first, bg);
    int secondInk = second.width() * second.height() - Count(img, second, bg);
    EXPECT_GT(firstInk, 5);
    EXPECT_GT(secondInk, 5);  // the syllable reaches into its second cell
    EXPECT_GT(Cell(0, 2).width() * Cell(0, 2).height() - Count(img, Cell(0, 2), bg), 5);  // 'A' after it
}

TEST_F(TermTest, JohabAndKsShowTheSameBytesDifferently)
{
    // 0x88 0x61 is Johab's "가"; as CP949 it is another syllable.
    Feed("\x1b[37;40m\x88\x61  \xB0\xA1");
    QImage ks = t->Snapshot();
    t->Term().SetDisplayCode(hangul::DisplayCode::Johab);
    t->AfterModelChange();
    QImage johab = t->Snapshot();
    EXPECT_NE(ks.copy(Cell(0, 0, 2)), johab.copy(Cell(0, 0, 2)));
    t->Term().SetDisplayCode(hangul::DisplayCode::Ks);
    t->AfterModelChange();
    QImage ksGa = t->Snapshot().copy(Cell(0, 4, 2));
    EXPECT_EQ(johab.copy(Cell(0, 0, 2)), ksGa);
}

TEST_F(TermTest, RepaintEqualsFirstDrawing)
{
    std::string s;
    s += "\x1b[1;33;44mBold \x1b[0;7mrev\x1b[0m \x1b[4munder\x1b[0m \xC7\xD1\xB1\xDB\r\n";
    s += "\x0elqqk\x0f plain\r\n\x0ex  x\x0f\r\n\x0emqqj\x0f\r\n";
    s += "\x1b#6wide line\r\n\x1b#3Tall\r\n\x1b#4Tall\r\n";
    for (int i = 0; i < 40; ++i)
        s += "\x1b[3" + std::to_string(i % 8) + "mscroll " + std::to_string(i) + "\r\n";
    // Fed in small pieces, as a slow line would deliver it.
    // drawn after each piece, so scrolls move pixels that are already there.
    for (size_t i = 0; i < s.size(); i += 7) {
        Feed(std::string_view(s).substr(i, 7));
        t->RenderNow();
    }
    t->SetBlinkPhase(true);
    QImage first = t->Snapshot();
    t->RedrawAll();
    QImage again = t->Snapshot();
    EXPECT_EQ(first, again);
}

TEST_F(TermTest, LineDrawingGlyphsRepaintAsBoxShapes)
{
    Feed("\x1b[37;40m\x0eq\x0fq");
    QImage img = t->Snapshot();
    // The drawn horizontal line is one pixel high across the whole cell.
    QRect c = Cell(0, 0);
    int mid = c.top() + c.height() / 2;
    EXPECT_EQ(Count(img, QRect(c.left(), mid, c.width(), 1), qRgb(191, 191, 191)), c.width());
    EXPECT_NE(img.copy(Cell(0, 0)), img.copy(Cell(0, 1)));  // not the letter
    t->RedrawAll();
    EXPECT_EQ(t->Snapshot().copy(Cell(0, 0)), img.copy(Cell(0, 0)));
}

TEST_F(TermTest, ScrollbackViewFreezesAndCopiesHistoryText)
{
    for (int i = 0; i < 60; ++i)
        Feed("line " + std::to_string(i) + "   \r\n");
    EXPECT_EQ(t->windowTitle(), "터미널 - 입력");
    t->ScrollTo(0);
    EXPECT_TRUE(flags.TermShared.Frozen);
    EXPECT_EQ(t->windowTitle(), "터미널 - 챙긴글 보기");
    // History row h: the oldest kept line first.
    int h = -1;
    for (int i = 0; i < t->Term().LinesUsed(); ++i)
        if (std::string(reinterpret_cast<const char*>(t->Term().HistoryLine(i).text), 7) == "line 10") {
            h = i;
            break;
        }
    ASSERT_GE(h, 0);
    t->SetSelection(h, 5, h + 2, 6);
    EXPECT_EQ(t->SelectionBytes(), "10\r\nline 11\r\nline 1");
    ASSERT_TRUE(t->Copy());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "10\r\nline 11\r\nline 1");
    EXPECT_TRUE(t->SelectionShown());  // kept while the view is open
    t->ScrollTo(1 << 20);
    EXPECT_FALSE(flags.TermShared.Frozen);
    EXPECT_EQ(t->windowTitle(), "터미널 - 입력");
}

TEST_F(TermTest, CopyOnTheLiveScreenDropsTheSelectionAndNeverSplitsHangul)
{
    Feed("ab\xB0\xA1" "cd");
    int base = t->Term().LinesUsed() - t->Term().Rows();
    // A drag from the middle of the syllable's second byte.
    QTest::mousePress(t.get(), Qt::LeftButton, {}, QPoint(3 * t->CellWidth() + 1, 2));
    QTest::mouseMove(t.get(), QPoint(6 * t->CellWidth() - 1, 2));
    QTest::mouseRelease(t.get(), Qt::LeftButton, {}, QPoint(6 * t->CellWidth() - 1, 2));
    (void)base;
    EXPECT_EQ(t->SelectionBytes(), "cd");
    ASSERT_TRUE(t->Copy());
    EXPECT_FALSE(t->SelectionShown());
}

TEST_F(TermTest, KeysBecomeHostBytes)
{
    QTest::keyClick(t.get(), Qt::Key_A);
    QTest::keyClick(t.get(), Qt::Key_Return);
    EXPECT_EQ(line.Take(), "a\r");
    QTest::keyClick(t.get(), Qt::Key_Up);
    EXPECT_EQ(line.Take(), "\x1b[A");
    Feed("\x1b[?1h");  // application cursor keys
    QTest::keyClick(t.get(), Qt::Key_Up);
    QTest::keyClick(t.get(), Qt::Key_Left);
    EXPECT_EQ(line.Take(), "\x1bOA\x1bOD");
    QTest::keyClick(t.get(), Qt::Key_Backspace);
    EXPECT_EQ(line.Take(), "\x08");
    QTest::keyClick(t.get(), Qt::Key_Delete);
    EXPECT_EQ(line.Take(), "\x1b[3~");
    QTest::keyClick(t.get(), Qt::Key_Tab);
    EXPECT_EQ(line.Take(), "\t");
    // An undefined arrow sends nothing in either mode.
    host.keys.Set(kKeyDown, "\\e[B", false);
    QTest::keyClick(t.get(), Qt::Key_Down);
    EXPECT_EQ(line.Take(), "");
}

TEST_F(TermTest, KoreanInputMethodTextIsSentAsCp949)
{
    QInputMethodEvent e(QString(), {});
    e.setCommitString(QStringLiteral("한글"));
    QApplication::sendEvent(t.get(), &e);
    EXPECT_EQ(line.Take(), "\xC7\xD1\xB1\xDB");
}

TEST_F(TermTest, ComposingTextIsShownButNotSent)
{
    Feed("\x1b[37;40m");
    QImage before = t->Snapshot();
    QInputMethodEvent compose(QStringLiteral("ㅎ"), {});
    QApplication::sendEvent(t.get(), &compose);
    EXPECT_EQ(line.Take(), "");
    EXPECT_EQ(t->Preedit(), "ㅎ");
    EXPECT_NE(t->Snapshot().copy(Cell(0, 0, 2)), before.copy(Cell(0, 0, 2)));
    QInputMethodEvent done(QString(), {});
    done.setCommitString(QStringLiteral("한"));
    QApplication::sendEvent(t.get(), &done);
    EXPECT_EQ(line.Take(), "\xC7\xD1");
    EXPECT_TRUE(t->Preedit().isEmpty());
}

TEST_F(TermTest, LocalEchoOfAnAutoResponseIsShownButNotAnsweredAgain)
{
    // The response holds its own word: with local echo on, answering the
    // echo would answer that answer's echo too, without end.
    AutoResponseTable table;
    table.rows[AutoResponseTable::kCommonGroup][0] = {"ok?", "ok?\\r", true};
    t->Term().SetAutoResponses(&table);
    conn.SetEchoTarget(t.get());
    flags.ConnState.LocalEcho = true;
    Feed("ok?");
    EXPECT_EQ(line.Take(), "ok?\r");
    // The echo reached the screen after the host's word.
    const Terminal& m = t->Term();
    std::string_view top(reinterpret_cast<const char*>(m.HistoryLine(m.LinesUsed() - m.Rows()).text), 8);
    EXPECT_EQ(top, "ok?ok?  ");
    Feed("\r\n--ok?");
    EXPECT_EQ(line.Take(), "ok?\r");
    // Typed bytes that spell a word are not watched either.
    QTest::keyClicks(t.get(), "ok?");
    EXPECT_EQ(line.Take(), "ok?");
    conn.SetEchoTarget(nullptr);
    t->Term().SetAutoResponses(nullptr);
}

TEST_F(TermTest, NothingIsSentDuringATransferOrWhileTheViewIsOpen)
{
    flags.ConnState.Receiving = true;
    QTest::keyClick(t.get(), Qt::Key_A);
    QTest::keyClick(t.get(), Qt::Key_Up);
    QTest::keyClick(t.get(), Qt::Key_Backspace);
    EXPECT_EQ(line.Take(), "");
    flags.ConnState.Receiving = false;
    for (int i = 0; i < 60; ++i)
        Feed("x\r\n");
    QTest::keyClick(t.get(), Qt::Key_PageUp);  // no key-map entry: opens the view
    EXPECT_TRUE(flags.TermShared.Frozen);
    QTest::keyClick(t.get(), Qt::Key_B);
    EXPECT_EQ(line.Take(), "");
}

TEST_F(TermTest, PageUpWithItsKeyOnSendsTheSequence)
{
    host.keys.Set(kKeyPageUp, "\\e[5~", true);
    for (int i = 0; i < 60; ++i)
        Feed("x\r\n");
    QTest::keyClick(t.get(), Qt::Key_PageUp);
    EXPECT_FALSE(flags.TermShared.Frozen);
    EXPECT_EQ(line.Take(), "\x1b[5~");
}

TEST_F(TermTest, ClickToSendSendsTheItemUnderTheMouse)
{
    flags.ConnState.Connected = true;
    flags.AppFlags.ClickMouse = true;
    Feed(" [012] menu\r\n choose (A/B/C)\r\n go. help.");
    auto at = [&](int row, int col) {
        return QPoint(col * t->CellWidth() + t->CellWidth() / 2, row * t->CellHeight() + t->CellHeight() / 2);
    };
    QTest::mouseMove(t.get(), at(0, 3));
    EXPECT_EQ(t->Hot().text, "012");
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, at(0, 3));
    EXPECT_EQ(line.Take(), "12\r");
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, at(1, 11));
    EXPECT_EQ(line.Take(), "B\r");
    QTest::mouseClick(t.get(), Qt::LeftButton, Qt::ShiftModifier, at(1, 9));
    EXPECT_EQ(line.Take(), "A ");
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, at(2, 2));
    EXPECT_EQ(line.Take(), "go\r");
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, at(2, 6));  // four letters: nothing
    EXPECT_EQ(line.Take(), "");
    flags.AppFlags.ClickMouse = false;
    QTest::mouseClick(t.get(), Qt::LeftButton, {}, at(0, 3));
    EXPECT_EQ(line.Take(), "");
    flags.AppFlags.ClickMouse = true;
}

TEST_F(TermTest, ReceiveFileSendsItsFollowUpOnlyOnceTheTransferIsOverAndNotAfterADrop)
{
    ConnStateFlags& state = flags.ConnState;
    flags.TermShared.ServiceKind = 2;  // "dn N", then "1" to go back
    Feed("7  velo-demo.txt\r\n");
    auto pump = [](int ms) {
        QDeadlineTimer until(ms);
        while (!until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    QPoint number(t->CellWidth() / 2, t->CellHeight() / 2);
    struct Case {
        const char* name;
        bool transfer;  // the host runs a transfer
        bool drop;      // the connection drops while it runs
        const char* after;
    };
    const Case cases[] = {
        {"transfer, then the follow-up", true, false, "1\r"},
        {"dropped: no follow-up", true, true, ""},
        {"no transfer: the follow-up after 3000 ms", false, false, "1\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.Connected = true;
        t->HoverAt(number);
        ASSERT_TRUE(t->CanReceiveFile());
        t->ReceiveFile();  // returns at once
        EXPECT_EQ(line.Take(), "dn 7\r");
        EXPECT_FALSE(t->CanReceiveFile());  // one request at a time
        if (c.transfer) {
            state.Receiving = true;
            pump(100);
            EXPECT_EQ(line.Take(), "");  // never inside the transfer
            if (c.drop)
                state.Connected = false;
            state.Receiving = false;
            pump(200);
        } else {
            pump(1000);
            EXPECT_EQ(line.Take(), "");
            pump(2500);
        }
        EXPECT_EQ(line.Take(), c.after);
    }
}

TEST_F(TermTest, WheelScrollsTheViewBySettingsLines)
{
    // Read when the window is made: 4 lines a notch.
    store.WriteInt("Wheel", "ScrollLines", 4);
    t = std::make_unique<CAnsiTerm>(outlets.out, conn, host);
    for (int i = 0; i < 60; ++i)
        Feed("x\r\n");
    int bottom = t->ScrollPosition();
    QWheelEvent up(QPointF(10, 10), t->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120), Qt::NoButton, {},
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(t.get(), &up);
    EXPECT_EQ(t->ScrollPosition(), bottom - 4);
    EXPECT_TRUE(flags.TermShared.Frozen);
    // Handed over by the frame: reversed, 3 a notch.
    t->SetWheel(3, true);
    QApplication::sendEvent(t.get(), &up);
    EXPECT_EQ(t->ScrollPosition(), bottom - 1);
    // A page a notch (and more than the rows is a page).
    for (int lines : {-1, 500}) {
        t->SetWheel(lines, false);
        t->ScrollTo(bottom);
        QApplication::sendEvent(t.get(), &up);
        EXPECT_EQ(t->ScrollPosition(), bottom - t->Term().Rows()) << lines;
    }
    t->SetWheel(3, true);
    t->ScrollTo(bottom - 3);
    QApplication::sendEvent(t.get(), &up);
    EXPECT_EQ(t->ScrollPosition(), bottom);
    EXPECT_FALSE(flags.TermShared.Frozen);
}

// ---- fonts, the scrollback's colours, modified function keys -----------------

TEST_F(TermTest, HangulFillsItsTwoCellsInEveryFaceAndSize)
{
    struct Case {
        const char* face;
        int height;
    };
    // A face with Hangul of its own, and two Latin faces whose Hangul comes
    // from a Korean face beside them, at three sizes.
    const Case cases[] = {{"NanumGothicCoding", 16}, {"DejaVu Sans Mono", 13}, {"Liberation Mono", 22}};
    const QRgb bg = qRgb(0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        ASSERT_TRUE(termfonts::LatinFixedWidth(QString::fromLatin1(c.face))) << "font not installed";
        LogFontFields f;
        f.faceName = c.face;
        f.height = -c.height;
        t->SetTermFont(f);
        t->resize(t->sizeHint());
        // Row 1: "한" alone in columns 2 and 3; row 3: "한글한글" from column 0.
        Feed("\x1b[37;40m\x1b[2J\x1b[H\r\n  \xC7\xD1\r\n\r\n\xC7\xD1\xB1\xDB\xC7\xD1\xB1\xDB" "A");
        QImage img = t->Snapshot();
        const QRect box = Cell(1, 2, 2);
        auto ink = [&](const QRect& r) { return r.width() * r.height() - Count(img, r, bg); };
        // Nothing outside its two cells: not into its neighbours, not above
        // or below.
        EXPECT_EQ(ink(Cell(1, 0, 2)), 0);
        EXPECT_EQ(ink(Cell(1, 4, 2)), 0);
        EXPECT_EQ(ink(Cell(0, 0, 6)), 0);
        EXPECT_EQ(ink(Cell(2, 0, 6)), 0);
        // Across them: the ink spans most of the two cells and sits in their
        // middle, so neighbours meet without a gap.
        int left = box.width(), right = -1;
        for (int x = 0; x < box.width(); ++x)
            if (ink(QRect(box.left() + x, box.top(), 1, box.height())) > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        int width = right - left + 1, gapLeft = left, gapRight = box.width() - 1 - right;
        EXPECT_GE(width * 100, box.width() * 80);
        EXPECT_LE(std::abs(gapLeft - gapRight), 2);
        // In a run, every syllable is drawn just as it is alone.
        for (int i : {0, 2})
            EXPECT_EQ(img.copy(Cell(3, 2 * i, 2)), img.copy(box)) << "pair " << i;
        EXPECT_GT(ink(Cell(3, 8)), 0);  // the letter after the run, in its cell

        // A frame of box-drawing characters ("┌─┐" over "└─┘", a heavy "┏━┓"
        // beside it) is one unbroken line: along the middle of the rows from
        // corner to corner, and down from the top corner to the bottom one.
        Feed("\x1b[6;1H\xA6\xA3\xA6\xA1\xA6\xA4 \xA6\xAE\xA6\xAC\xA6\xAF\r\n"
             "\xA6\xA6\xA6\xA1\xA6\xA5");
        img = t->Snapshot();
        const int cw = Cell(0, 1).left(), chh = Cell(1, 0).top();
        const int midTop = Cell(5, 0).top() + chh / 2, midBottom = Cell(6, 0).top() + chh / 2;
        for (int first : {0, 7}) {
            SCOPED_TRACE(first);
            const int from = (first + 1) * cw, to = (first + 5) * cw;
            EXPECT_EQ(ink(QRect(from, midTop, to - from + 1, 1)), to - from + 1);
        }
        EXPECT_EQ(ink(QRect(cw, midTop, 1, midBottom - midTop + 1)), midBottom - midTop + 1);
        EXPECT_EQ(ink(QRect(cw, midBottom, 4 * cw + 1, 1)), 4 * cw + 1);
        EXPECT_EQ(ink(QRect(0, midBottom, cw / 2, 1)), 0);  // a corner has no arm outward
    }
}

TEST_F(TermTest, ScrollbackViewShowsKeptLinesAsTheyWereShown)
{
    Feed("\x1b[1;33;41mYellow on red\x1b[0m \x1b[7mrev\x1b[0m \x1b[32;40m\xC7\xD1\xB1\xDB\x1b[0m "
         "\x1b[4munder\x1b[0m \x0elqk\x0f\r\n\x1b#6wide\r\n");
    t->SetBlinkPhase(true);
    QImage live = t->Snapshot().copy(Cell(0, 0, t->Term().Columns()).united(Cell(1, 0, t->Term().Columns())));
    for (int i = 0; i < 40; ++i)
        Feed("filler " + std::to_string(i) + "\r\n");
    int h = -1;
    for (int i = 0; i < t->Term().LinesUsed() && h < 0; ++i)
        if (std::string(reinterpret_cast<const char*>(t->Term().HistoryLine(i).text), 6) == "Yellow")
            h = i;
    ASSERT_GE(h, 0);
    t->ScrollTo(h);
    ASSERT_TRUE(flags.TermShared.Frozen);
    QImage view = t->Snapshot();
    EXPECT_EQ(view.copy(Cell(0, 0, t->Term().Columns()).united(Cell(1, 0, t->Term().Columns()))), live);
    // Selected in the view: both colours inverted, bright yellow on red
    // becoming blue on cyan.
    t->SetSelection(h, 0, h, 6);
    view = t->Snapshot();
    EXPECT_GT(Count(view, Cell(0, 0), qRgb(64, 255, 255)), 10);
    EXPECT_GT(Count(view, Cell(0, 0, 6), qRgb(0, 0, 255)), 3);
    EXPECT_EQ(view.copy(Cell(0, 7, 6)), live.copy(Cell(0, 7, 6)));  // unselected cells unchanged
}

TEST_F(TermTest, ModifiedFunctionKeysFollowTheKeyMapsOwnEntries)
{
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* sends;
        int frameCommand;  // 0: none
    };
    const Case cases[] = {
        {Qt::Key_F3, Qt::NoModifier, "", ID_FKEY_FIRST + 2},    // the plain key is the frame's
        {Qt::Key_F1, Qt::ShiftModifier, "\x1b[23~", 0},          // F11
        {Qt::Key_F3, Qt::ShiftModifier, "\x1b[25~", 0},          // F13
        {Qt::Key_F8, Qt::ShiftModifier, "\x1b[32~", 0},          // F18, never the font dialog
        {Qt::Key_F9, Qt::ShiftModifier, "\x1b[33~", 0},          // F19
        {Qt::Key_F15, Qt::NoModifier, "\x1b[28~", 0},            // a keyboard's own F15
        {Qt::Key_F11, Qt::ShiftModifier, "", 0},                 // no entry: nothing
        {Qt::Key_F8, Qt::ControlModifier, "", 0},
        {Qt::Key_F5, Qt::AltModifier, "", 0},
        {Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.mods).toString().toStdString());
        outlets.sink.Clear();
        QTest::keyClick(t.get(), c.key, c.mods);
        EXPECT_EQ(line.Take(), c.sends);
        std::vector<int> commands;
        if (c.frameCommand)
            commands.push_back(c.frameCommand);
        EXPECT_EQ(outlets.sink.Commands(), commands);
    }
    // An entry switched off keeps the key silent.
    host.keys.Set(kKeyF1 + 17, "\\e[32~", false);
    QTest::keyClick(t.get(), Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(line.Take(), "");
}

TEST_F(TermTest, InputForTheHostWhileTheViewIsOpenIsRefusedWithABeep)
{
    for (int i = 0; i < 60; ++i)
        Feed("x\r\n");
    t->OpenView();
    ASSERT_TRUE(flags.TermShared.Frozen);
    QSignalSpy refused(t.get(), &CAnsiTerm::inputRefused);
    QTest::keyClick(t.get(), Qt::Key_B);
    QTest::keyClick(t.get(), Qt::Key_Return);
    QTest::keyClick(t.get(), Qt::Key_F3, Qt::ShiftModifier);
    QInputMethodEvent e(QString(), {});
    e.setCommitString(QStringLiteral("한"));
    QApplication::sendEvent(t.get(), &e);
    EXPECT_EQ(refused.count(), 4);
    // The view's own keys and a lone modifier are no refusal.
    QTest::keyClick(t.get(), Qt::Key_Up);
    QTest::keyClick(t.get(), Qt::Key_PageUp);
    QTest::keyClick(t.get(), Qt::Key_Shift);
    EXPECT_EQ(refused.count(), 4);
    EXPECT_EQ(line.Take(), "");
    t->LeaveView();
    QTest::keyClick(t.get(), Qt::Key_B);
    EXPECT_EQ(line.Take(), "b");
    EXPECT_EQ(refused.count(), 4);
}

TEST(TermFontDialogTest, OffersFixedWidthFacesThatFillTheGridAndStartsFromTheCurrentFont)
{
    test::App();
    const QString coding = termfonts::ListName(QStringLiteral("NanumGothicCoding"));
    LogFontFields current;  // "굴림체" is not installed: its stand-in is shown
    current.height = -18;
    TermFontDialog d(current);
    QStringList listed;
    for (int i = 0; i < d.Families()->count(); ++i)
        listed << d.Families()->item(i)->text();
    for (const QString& f : {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"), coding})
        EXPECT_TRUE(listed.contains(f)) << f.toStdString();
    // Proportional Latin, Korean or not, and aliases are no grid faces.
    for (const char* f : {"DejaVu Sans", "Liberation Serif", "Monospace"})
        EXPECT_FALSE(listed.contains(QString::fromLatin1(f))) << f;
    if (termfonts::HasHangul(QStringLiteral("NanumGothic")))
        EXPECT_FALSE(listed.contains(termfonts::ListName(QStringLiteral("NanumGothic"))));
    EXPECT_EQ(d.Families()->currentItem()->text(), coding);
    EXPECT_EQ(d.Size()->value(), 18);
    EXPECT_FALSE(d.Bold()->isChecked());
    EXPECT_EQ(d.HangulFaces()->currentText(), "(글꼴에 든 한글)");

    // A Latin-only face gets a Korean face beside it; the one the window
    // would take anyway is stored as no choice at all.
    d.Families()->setCurrentItem(
        d.Families()->findItems(QStringLiteral("DejaVu Sans Mono"), Qt::MatchExactly).value(0));
    EXPECT_EQ(d.HangulFaces()->findData(QString()), -1);
    EXPECT_EQ(d.HangulFaces()->currentData().toString(), coding);
    d.Size()->setValue(22);
    d.Bold()->setChecked(true);
    LogFontFields chosen = d.Chosen();
    EXPECT_EQ(chosen.faceName, "DejaVu Sans Mono");
    EXPECT_EQ(chosen.hangulFace, "");
    EXPECT_EQ(chosen.height, -22);
    EXPECT_EQ(chosen.weight, 700);
    EXPECT_EQ(d.Sample()->Fonts().LatinFamily(), "DejaVu Sans Mono");
    EXPECT_EQ(d.Sample()->Fonts().WideFamily(), coding);
    // Another Korean face, when there is one, is kept by name.
    for (int i = 0; i < d.HangulFaces()->count(); ++i)
        if (d.HangulFaces()->itemData(i).toString() != coding) {
            d.HangulFaces()->setCurrentIndex(i);
            EXPECT_EQ(QString::fromStdString(d.Chosen().hangulFace), d.HangulFaces()->itemData(i).toString());
            EXPECT_EQ(d.Sample()->Fonts().WideFamily(), d.HangulFaces()->itemData(i).toString());
            break;
        }
}
