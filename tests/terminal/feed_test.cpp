// The byte feed: parser states, control characters, printing and wrapping,
// Hangul pairs, the data modes, the watchers and the replies.
#include "term_fixture.h"

#include "base/CommandIds.h"
#include "music_fakes.h"

using namespace velo;
using namespace velo::test;

namespace {

struct FeedTest : TermTest {};

struct PictureRecorder : PictureSink {
    bool canOpen = true;
    int opened = 0, closed = 0, imageStarts = 0, imageResets = 0;
    std::string vtx, image;
    // Ends its mode at the first '@' (videotex) or 'Z' (image index).
    Result Take(std::string& into, const uint8_t* d, int n, char end)
    {
        for (int i = 0; i < n; ++i) {
            into += static_cast<char>(d[i]);
            if (d[i] == end)
                return {i + 1, true};
        }
        return {n, false};
    }
    bool OpenVideotex() override { return ++opened, canOpen; }
    Result VideotexBytes(const uint8_t* d, int n) override { return Take(vtx, d, n, '@'); }
    void CloseVideotex() override { ++closed; }
    void StartImageIndex() override { ++imageStarts; }
    Result ImageIndexBytes(const uint8_t* d, int n) override { return Take(image, d, n, 'Z'); }
    void ResetImageIndex() override { ++imageResets; }
};

struct PrinterRecorder : PrinterSink {
    int starts = 0, ends = 0;
    std::string data;
    void Start() override { ++starts; }
    bool Write(const uint8_t* d, int n) override
    {
        data.append(reinterpret_cast<const char*>(d), n);
        return true;
    }
    void End() override { ++ends; }
};

}  // namespace

// ------------------------------------------------------------- printing

TEST_F(FeedTest, AFullLineWrapsAtOnceAndTheNextCrLfLeavesAnEmptyLine)
{
    Feed(std::string(80, 'a'));
    EXPECT_EQ(CursorPos(), std::make_pair(0, 1));
    Feed("\r\nb");
    EXPECT_EQ(Row(0), std::string(80, 'a'));
    EXPECT_EQ(Row(1), "");
    EXPECT_EQ(Row(2), "b");
}

TEST_F(FeedTest, WithoutAutowrapTheLastCellTakesEveryFurtherCharacter)
{
    Feed("\x1b[7l\x1b[1;75H0123456789");
    EXPECT_EQ(Row(0), std::string(74, ' ') + "012349");
    EXPECT_EQ(CursorPos(), std::make_pair(79, 0));
    Feed("xy");
    EXPECT_EQ(Row(0), std::string(74, ' ') + "01234y");
}

TEST_F(FeedTest, DoubleByteCharacterOnTheLastColumnMovesWholeToTheNextLine)
{
    Feed("\x1b[1;80H\xb0\xa1");
    EXPECT_EQ(Row(0), "");
    EXPECT_EQ(Row(1), "\xb0\xa1");
    EXPECT_EQ(CursorPos(), std::make_pair(2, 1));
}

TEST_F(FeedTest, DoubleByteCharacterOnTheLastColumnWithoutAutowrapKeepsItsFirstByte)
{
    Feed("\x1b[7l\x1b[1;80H\xb0\xa1");
    EXPECT_EQ(Row(0), std::string(79, ' ') + "\xb0");
    EXPECT_EQ(Row(1), "");
    EXPECT_EQ(CursorPos(), std::make_pair(79, 0));
}

TEST_F(FeedTest, CharactersTakeTheCurrentAttributes)
{
    Feed("\x1b[1;4;33;41mA\x1b[0m\xb0\xa1");
    EXPECT_EQ(Attr(0, 0), (CellAttr{3, 1, kBold | kUnderline}));
    EXPECT_EQ(Attr(0, 1), (CellAttr{3, 1, 0}));
    EXPECT_EQ(Attr(0, 2), (CellAttr{3, 1, 0}));
}

TEST_F(FeedTest, ControlBetweenTheTwoBytesDropsTheLeadAndNulDoesNot)
{
    Feed("\xb0\x07\xa1");
    EXPECT_TRUE(term->LeadPending());
    Feed(std::string("\0", 1) + "\xb0");
    EXPECT_FALSE(term->LeadPending());
    // 0xB0 was dropped by the BEL; 0xA1 0xB0 is one pair, the NUL skipped.
    EXPECT_EQ(Row(0), "\xa1\xb0");
    EXPECT_EQ(CursorPos(), std::make_pair(2, 0));
}

TEST_F(FeedTest, InsertModeShiftsTheRestOfTheLine)
{
    Feed("abcdef\x1b[1;3H\x1b[4hXY\x1b[4l");
    EXPECT_EQ(Row(0), "abXYcdef");
    Feed("\x1b[1;78H\x1b[4h\xb0\xa1");
    EXPECT_EQ(term->Line(0).text[77], 0xB0);
    EXPECT_EQ(term->Line(0).text[78], 0xA1);
}

TEST_F(FeedTest, FullWidthModeStoresRowA3AndSpacesAsTwoCells)
{
    Feed("\x1b[30hA B\x1b[30lC");
    const uint8_t* t = term->Line(0).text;
    EXPECT_EQ(t[0], 0xA3);
    EXPECT_EQ(t[1], 0xC1);
    EXPECT_EQ(t[2], ' ');
    EXPECT_EQ(t[3], ' ');
    EXPECT_EQ(t[4], 0xA3);
    EXPECT_EQ(t[5], 0xC2);
    EXPECT_EQ(t[6], 'C');
}

TEST_F(FeedTest, PrivateExtensionSymbolsAreStoredAsTheirKsCode)
{
    Feed("\xad\xa1\xad\xd1");
    const uint8_t* t = term->Line(0).text;
    EXPECT_EQ(t[0], 0xA8);
    EXPECT_EQ(t[1], 0xB5);
    // A block glyph keeps its bytes.
    EXPECT_EQ(t[2], 0xAD);
    EXPECT_EQ(t[3], 0xD1);
    term->SetDisplayCode(hangul::DisplayCode::Johab);
    Feed("\xad\xa1");
    EXPECT_EQ(term->Line(0).text[4], 0xAD);
}

TEST_F(FeedTest, LineDrawingLettersAreMarkedInTheCell)
{
    Feed("\x1b(0qa\x1b(Bq\x0eq\x0fq");
    EXPECT_EQ(Row(0), "qaqqq");
    EXPECT_TRUE(Attr(0, 0).flags & kLineDrawing);
    EXPECT_FALSE(Attr(0, 1).flags & kLineDrawing);
    EXPECT_FALSE(Attr(0, 2).flags & kLineDrawing);
    EXPECT_TRUE(Attr(0, 3).flags & kLineDrawing);
    EXPECT_FALSE(Attr(0, 4).flags & kLineDrawing);
}

TEST_F(FeedTest, DoubleWidthLineWrapsAtHalfTheWidth)
{
    Feed("\x1b#6" + std::string(40, 'w'));
    EXPECT_EQ(term->Line(0).size, LineSize::DoubleWidth);
    EXPECT_EQ(CursorPos(), std::make_pair(0, 1));
    Feed("\x1b#3x\x1b#4y\x1b#5z");
    EXPECT_EQ(term->Line(1).size, LineSize::Single);
    Feed("\x1b[2;40H\x1b#6\xb0\xa1");
    // Column 39 + 2 cells is past the middle: the pair goes to the next line.
    EXPECT_EQ(Row(2), "\xb0\xa1");
}

TEST_F(FeedTest, CaretOnADoubleWidthLineStaysInTheVisibleHalf)
{
    Feed("\x1b#6\x1b[7l\x1b[1;70H");
    EXPECT_EQ(term->PlaceCaretColumn(), 39);
    EXPECT_EQ(term->CursorColumn(), 39);
}

// ---------------------------------------------------------------- controls

TEST_F(FeedTest, TabStopsEveryEightColumnsUpToColumn72)
{
    Feed("\t");
    EXPECT_EQ(term->CursorColumn(), 8);
    Feed("\t");
    EXPECT_EQ(term->CursorColumn(), 16);
    Feed("\x1b[1;4H\t");
    EXPECT_EQ(term->CursorColumn(), 8);
    Feed("\x1b[1;72H\t");
    EXPECT_EQ(term->CursorColumn(), 72);
    Feed("\t");
    EXPECT_EQ(term->CursorColumn(), 72);
    term->Resize(20, 28);
    Feed("\x1b[1;17H\t");
    EXPECT_EQ(term->CursorColumn(), 19);
}

TEST_F(FeedTest, LineFeedBelowTheRegionMovesDownAndStopsOnTheLastRow)
{
    Feed("\x1b[3;10r\x1b[20;1H\n\n\n\n\n\n\n\n\n\n");
    EXPECT_EQ(term->CursorRow(), 27);
    EXPECT_EQ(term->LinesUsed(), 28);
}

TEST_F(FeedTest, BackspaceStopsAtColumnZero)
{
    Feed("ab\x08\x08\x08" "c");
    EXPECT_EQ(Row(0), "cb");
}

TEST_F(FeedTest, NewlineModeMakesCrFeedALine)
{
    Feed("\x1b[20ha\rb");
    EXPECT_TRUE(flags.TermShared.NewlineMode);
    EXPECT_EQ(Row(0), "a");
    EXPECT_EQ(Row(1), "b");
    Feed("\x1b[20l\rc");
    EXPECT_EQ(Row(1), "c");
}

TEST_F(FeedTest, BellBeeps)
{
    Feed("\x07");
    EXPECT_EQ(surface.beeps, 1);
}

TEST_F(FeedTest, HoldFlagFollowsDc3AndDc1)
{
    Feed("\x13");
    EXPECT_TRUE(term->Hold());
    EXPECT_TRUE(frame.Commands().empty());
    Feed("\x11");
    EXPECT_FALSE(term->Hold());
    EXPECT_EQ(frame.Commands(), (std::vector<int>{CMD_CONN_DATA}));
}

TEST_F(FeedTest, EightBitControlsActInKsModeOnly)
{
    Feed("ab\x85" "c\x8d" "d\x84" "e");
    EXPECT_EQ(Row(0), "ad");
    EXPECT_EQ(Row(1), "c e");
    auto t = Make();
    t->SetDisplayCode(hangul::DisplayCode::Johab);
    Feed(*t, "\x88\x85\x8d\x84\x9b\x41");
    EXPECT_EQ(RowOf(*t, 0), "\x88\x85\x8d\x84\x9b\x41");
    EXPECT_EQ(t->CursorRow(), 0);
}

TEST_F(FeedTest, EightBitCsiIsACsiInKsModeAndTextInJohabMode)
{
    Feed("\x9b" "5Cx");
    EXPECT_EQ(Row(0), "     x");
    auto t = Make();
    t->SetDisplayCode(hangul::DisplayCode::Johab);
    Feed(*t, "\x9b" "5Cx");
    EXPECT_EQ(RowOf(*t, 0), "\x9b" "5Cx");
}

// ------------------------------------------------------------ escape forms

TEST_F(FeedTest, SaveAndRestoreCursorKeepPositionAndColours)
{
    Feed("\x1b[5;10H\x1b[31;1m\x1b" "7\x1b[H\x1b[0;32m\x1b" "8x");
    EXPECT_EQ(Row(4), std::string(9, ' ') + "x");
    EXPECT_EQ(Attr(4, 9), (CellAttr{1, 4, kBold}));
    Feed("\x1b[s\x1b[1;1H\x1b[u" "y");
    EXPECT_EQ(Row(4), std::string(9, ' ') + "xy");
}

TEST_F(FeedTest, RestoreAfterShrinkStaysOnTheScreen)
{
    Feed("\x1b[25;70H\x1b" "7");
    term->Resize(40, 10);
    Feed("\x1b" "8");
    EXPECT_EQ(CursorPos(), std::make_pair(39, 9));
}

TEST_F(FeedTest, IndexNextLineAndReverseIndex)
{
    Feed("\x1b[28;5Ha\x1b" "Db");
    EXPECT_EQ(Row(26), "    a");
    EXPECT_EQ(Row(27), "     b");
    Feed("\x1b" "Ec");
    EXPECT_EQ(Row(27), "c");
    Feed("\x1b[1;1H\x1bMtop");
    EXPECT_EQ(Row(0), "top");
    EXPECT_EQ(Row(1), "");
    Feed("\x1b" "G!");
    EXPECT_EQ(term->Line(0).text[79], '!');
}

TEST_F(FeedTest, KeypadModesFollowEscEqualsAndGreater)
{
    Feed("\x1b=");
    EXPECT_TRUE(term->KeypadApplication());
    Feed("\x1b>");
    EXPECT_FALSE(term->KeypadApplication());
}

TEST_F(FeedTest, EscInsideASequenceStartsANewOne)
{
    Feed("\x1b[12\x1b[3Cx");
    EXPECT_EQ(Row(0), "   x");
}

TEST_F(FeedTest, HighByteInsideASequenceAbandonsItAndIsText)
{
    Feed("\x1b[3\xb0\xa1" "C");
    EXPECT_EQ(Row(0), "\xb0\xa1" "C");
    Feed("\x1b\xb0\xa1");
    EXPECT_EQ(Row(0), "\xb0\xa1" "C\xb0\xa1");
    Feed("\x1b#\xb0\xa1");
    EXPECT_EQ(Row(0), "\xb0\xa1" "C\xb0\xa1\xb0\xa1");
}

TEST_F(FeedTest, SixteenParametersFoldIntoTheFifteenth)
{
    // Fifteen 1s then 3, ';' and 4: the extra parameter's digit adds to the
    // fifteenth, which becomes 34 (blue foreground) instead of 3 and 4.
    Feed("\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;3;4mx");
    EXPECT_EQ(Attr(0, 0), (CellAttr{4, 4, kBold}));
}

TEST_F(FeedTest, HugeParametersAreClampedWhereUsed)
{
    Feed("\x1b[99999999999999999999;99999999999999999999Hx");
    EXPECT_EQ(CursorPos(), std::make_pair(0, 27));
    EXPECT_EQ(term->Line(26).text[79], 'x');
    Feed("\x1b[99999999999999A\x1b[99999999999999@\x1b[99999999999999X\x1b[9999999999L");
    EXPECT_EQ(CursorPos(), std::make_pair(0, 0));
}

TEST_F(FeedTest, EraseDisplaySplitAfterTheBracketClearsOnce)
{
    Feed("x\x1b[");
    Feed("2J");
    EXPECT_EQ(term->LinesUsed(), 56);
    EXPECT_EQ(Row(0), "");
}

// -------------------------------------------------------------- host queries

TEST_F(FeedTest, HostQueriesAreAnsweredAfterTheFeed)
{
    Feed("\x1b&2\x1b&4\x1b%C\x1b&Q");
    ASSERT_EQ(replies.replies.size(), 4u);
    EXPECT_EQ(replies.replies[0].first, std::string("\x1b&300000\x7f" "00000\x7f\r"));
    EXPECT_EQ(replies.replies[1].first, "\x1b&3");
    EXPECT_EQ(replies.replies[2].first, "\x1b&3");
    EXPECT_EQ(replies.replies[3].first, "\x1b&3\r");
    EXPECT_EQ(replies.replies[3].second, ReplyMode::Raw);
    EXPECT_TRUE(flags.TermShared.QuerySeen);
}

TEST_F(FeedTest, IdentificationIsWithheldWhenVideotexIsOff)
{
    settings.WriteInt("초기 환경", "UseVTX", 0);
    auto t = Make();
    Feed(*t, "\x1b&2");
    EXPECT_TRUE(replies.replies.empty());
    t->SetVideotexEnabled(true);
    EXPECT_EQ(settings.ReadInt("초기 환경", "UseVTX", 0), 1);
}

TEST_F(FeedTest, RepliesWaitForTheEndOfTheFeedAndComeInOrder)
{
    struct Probe : ReplySink {
        Terminal* t;
        std::vector<std::string> got;
        void Reply(const uint8_t* d, int n, ReplyMode) override
        {
            got.emplace_back(reinterpret_cast<const char*>(d), n);
            // Delivered after the feed: the whole input has been drawn.
            got.back() += "|" + std::to_string(t->CursorColumn());
        }
    } probe;
    probe.t = term.get();
    term->SetReplySink(&probe);
    Feed("\x1b[6nabc\x1b[6n");
    EXPECT_EQ(probe.got, (std::vector<std::string>{"\x1b[1;1R|3", "\x1b[1;4R|3"}));
    const uint8_t direct[] = {'!'};
    EXPECT_TRUE(term->SendToHost(direct, 1, ReplyMode::Macro));
    EXPECT_EQ(probe.got.back(), "!|3");
}

TEST_F(FeedTest, AFloodOfQueriesIsBounded)
{
    std::string s;
    for (int i = 0; i < 20000; ++i)
        s += "\x1b[6n";
    Feed(s);
    size_t total = 0;
    for (auto& r : replies.replies)
        total += r.first.size();
    EXPECT_LE(total, Terminal::kMaxQueuedReplies);
    EXPECT_GT(total, Terminal::kMaxQueuedReplies - 16);
}

// ----------------------------------------------------------- picture modes

TEST_F(FeedTest, VideotexTakesTheRestOfTheFeedUntilItsEnd)
{
    PictureRecorder pic;
    term->SetPictureSink(&pic);
    EXPECT_EQ(Feed("ab\x1b%Apicture@cd"), 15);
    EXPECT_EQ(pic.opened, 1);
    EXPECT_EQ(pic.vtx, "picture@");
    EXPECT_EQ(Row(0), "abcd");
    EXPECT_EQ(term->GetDataMode(), DataMode::Text);
    Feed("\x1b&6A");
    EXPECT_EQ(term->GetDataMode(), DataMode::Videotex);
    Feed("more");
    EXPECT_EQ(pic.vtx, "picture@more");
    EXPECT_EQ(Row(0), "abcd");
}

TEST_F(FeedTest, VideotexDisabledOrUnavailableLeavesTheBytesAsText)
{
    PictureRecorder pic;
    term->SetPictureSink(&pic);
    term->SetVideotexEnabled(false);
    Feed("\x1b%Ax@");
    EXPECT_EQ(pic.opened, 0);
    EXPECT_EQ(Row(0), "x@");
    term->SetVideotexEnabled(true);
    pic.canOpen = false;
    Feed("\x1b%Ay");
    EXPECT_EQ(pic.opened, 1);
    EXPECT_EQ(Row(0), "x@y");
}

TEST_F(FeedTest, ImageIndexReceivesUntilItEnds)
{
    PictureRecorder pic;
    term->SetPictureSink(&pic);
    Feed("\x1b%B4data");
    EXPECT_EQ(term->GetDataMode(), DataMode::ImageIndex);
    Feed("moreZtext");
    EXPECT_EQ(pic.imageStarts, 1);
    EXPECT_EQ(pic.image, "4datamoreZ");
    EXPECT_EQ(Row(0), "text");
    Feed("\x1b%B");
    term->ResetOnDisconnect();
    EXPECT_EQ(pic.imageResets, 1);
    EXPECT_EQ(term->GetDataMode(), DataMode::Text);
}

// ------------------------------------------------------------------ printer

TEST_F(FeedTest, PrinterControllerModeSendsTextToThePrintFile)
{
    PrinterRecorder pr;
    term->SetPrinterSink(&pr);
    Feed("on screen\x1b[5ia\nb\r\nc\x1b[1mX\x1b[4iback");
    EXPECT_EQ(pr.starts, 1);
    EXPECT_EQ(pr.ends, 1);
    EXPECT_EQ(pr.data, "a\r\nb\r\ncX");
    EXPECT_EQ(Row(0), "on screenback");
    EXPECT_FALSE(flags.TermShared.PrinterControl);
    Feed("\x1b[5i");
    term->TerminalReset();
    EXPECT_EQ(pr.ends, 2);
}

// ------------------------------------------------------------------ watchers

TEST_F(FeedTest, ZModemStartNeedsAutomaticDownloadAndIsReadyAgainAfter)
{
    Feed("**\x18" "B00");
    EXPECT_EQ(frame.Commands(), (std::vector<int>{ID_ZMODEM_RECEIVE}));
    settings.WriteInt("ZModem", "AutoDown", 0);
    Feed("**\x18" "B00");
    EXPECT_EQ(frame.Commands().size(), 1u);
    settings.WriteInt("ZModem", "AutoDown", 1);
    Feed("**\x18" "B0");
    Feed("0");
    EXPECT_EQ(frame.Commands(), (std::vector<int>{ID_ZMODEM_RECEIVE, ID_ZMODEM_RECEIVE}));
}

TEST_F(FeedTest, ZModemStartInsideAPictureAsksForADownload)
{
    // The bytes a picture receiver takes pass the detector after it has had
    // them, split anywhere; NULs between the pattern bytes are invisible.
    PictureRecorder pic;
    term->SetPictureSink(&pic);
    Feed("\x1b%Afill **\x18" "B");
    Feed("00 rect");
    EXPECT_EQ(term->GetDataMode(), DataMode::Videotex);
    EXPECT_EQ(frame.Commands(), (std::vector<int>{ID_ZMODEM_RECEIVE}));
    EXPECT_EQ(pic.vtx, "fill **\x18" "B00 rect");
    settings.WriteInt("ZModem", "AutoDown", 0);
    Feed(std::string("**\x18\0B00", 7));
    EXPECT_EQ(frame.Commands().size(), 1u);
    settings.WriteInt("ZModem", "AutoDown", 1);
    Feed(std::string("**\x18\0B00", 7));
    EXPECT_EQ(frame.Commands().size(), 2u);
}

TEST_F(FeedTest, LogInPromptIsAnsweredOncePerConnection)
{
    term->SetAutoLogin("ID:", "guest", "PW:", "secret");
    Feed("ID: ID:");
    EXPECT_TRUE(replies.replies.empty());  // not armed before a connection
    term->ResetOnConnect();
    Feed("welcome\r\nI");
    Feed("D:");
    Feed("bad, ID:\r\nPW:");
    EXPECT_EQ(replies.replies,
              (ReplyRecorder::List{{"guest\r", ReplyMode::Raw}, {"secret\r", ReplyMode::Raw}}));
    term->ResetOnConnect();
    Feed("IID:");
    EXPECT_EQ(replies.replies.size(), 2u);  // "IID:": the I after I is no re-test
    Feed("ID:");
    EXPECT_EQ(replies.replies.size(), 3u);
}

TEST_F(FeedTest, AnEmptyPromptIsNeverArmedAndAnEmptyAnswerSendsNothing)
{
    term->SetAutoLogin("", "guest", "PW:", "");
    term->ResetOnConnect();
    Feed("PW:PW:");
    EXPECT_TRUE(replies.replies.empty());
}

TEST_F(FeedTest, AutoResponsesFireServiceGroupFirstThenCommon)
{
    auto& t = responses;
    t.rows[1][3] = {"login", "svc\\r", true};
    t.rows[1][4] = {"gin", "off", false};
    t.rows[5][0] = {"gin", "common", true};
    t.rows[5][1] = {"", "never", true};
    flags.TermShared.ServiceKind = 1;
    Feed("lo");
    Feed("gin:");
    EXPECT_EQ(replies.replies,
              (ReplyRecorder::List{{"svc\\r", ReplyMode::Macro}, {"common", ReplyMode::Macro}}));
    flags.TermShared.ServiceKind = 5;
    replies.replies.clear();
    Feed("login");
    EXPECT_EQ(replies.replies, (ReplyRecorder::List{{"common", ReplyMode::Macro}}));
}

TEST_F(FeedTest, AutoResponseMismatchDoesNotReTestTheFirstByte)
{
    responses.rows[5][0] = {"aab", "x", true};
    Feed("aaab");
    EXPECT_TRUE(replies.replies.empty());
    Feed("aab aab");
    EXPECT_EQ(replies.replies.size(), 2u);
}

TEST_F(FeedTest, AutoResponseIsSilentDuringATransfer)
{
    responses.rows[5][0] = {"go", "x", true};
    flags.ConnState.Receiving = true;
    Feed("go");
    EXPECT_TRUE(replies.replies.empty());
    flags.ConnState.Receiving = false;
    flags.ConnState.Sending = true;
    Feed("go");
    flags.ConnState.Sending = false;
    Feed("o");  // the counter went back to 0 when the word completed
    EXPECT_TRUE(replies.replies.empty());
    Feed("go");
    EXPECT_EQ(replies.replies.size(), 1u);
}

TEST_F(FeedTest, ConnectResetsAutoResponseCounters)
{
    responses.rows[5][0] = {"abc", "x", true};
    Feed("ab");
    term->ResetOnConnect();
    Feed("c");
    EXPECT_TRUE(replies.replies.empty());
}

TEST_F(FeedTest, HighlightWordsAreRecolouredWhenTheLineIsLeft)
{
    term->SetHighlightWord(0, "new");
    term->SetHighlightWord(4, std::string(81, 'x'));
    Feed("\x1b[32mnews and new\r");
    EXPECT_EQ(Attr(0, 0).fg, 2);
    Feed("\n");
    for (int c : {0, 1, 2, 9, 10, 11})
        EXPECT_EQ(Attr(0, c), (CellAttr{15, 9, 0})) << c;
    EXPECT_EQ(Attr(0, 3).fg, 2);
    EXPECT_EQ(std::count(surface.events.begin(), surface.events.end(), "sound 단어찾기"), 1);
    Feed("nothing\r\n");
    EXPECT_EQ(std::count(surface.events.begin(), surface.events.end(), "sound 단어찾기"), 1);
    Feed(std::string(77, '.') + "new");  // the automatic wrap also looks
    EXPECT_EQ(Attr(2, 77), (CellAttr{15, 9, 0}));
}

// --------------------------------------------------------------- resets

TEST_F(FeedTest, TerminalResetRestoresModesAndColours)
{
    Feed("\x1b[4h\x1b[7l\x1b[30h\x1b[20h\x1b[1h\x1b=\x0e\x1b[31;42;5m\x1b[3;5r\x13\x1b[");
    term->TerminalReset();
    EXPECT_FALSE(term->InsertMode());
    EXPECT_TRUE(term->Autowrap());
    EXPECT_FALSE(term->FullWidth());
    EXPECT_FALSE(flags.TermShared.NewlineMode);
    EXPECT_FALSE(term->CursorKeyApplication());
    EXPECT_FALSE(term->KeypadApplication());
    EXPECT_FALSE(term->LineDrawing());
    EXPECT_EQ(term->CurrentAttr(), (CellAttr{7, 4, 0}));
    EXPECT_EQ(term->RegionTop(), 0);
    EXPECT_EQ(term->RegionBottom(), 27);
    EXPECT_FALSE(term->Hold());
    EXPECT_EQ(term->State(), ParserState::Ground);
}

TEST_F(FeedTest, ConnectResetClearsParserLeadRegionAndHold)
{
    Feed("\x1b[3;5r\x1b[30h\x13\xb0");
    Feed("**");
    term->ResetOnConnect();
    EXPECT_EQ(term->RegionBottom(), 27);
    EXPECT_FALSE(term->FullWidth());
    EXPECT_FALSE(term->LeadPending());
    EXPECT_FALSE(term->Hold());
    EXPECT_EQ(term->ZModemDetector().Position(), 0);
    EXPECT_EQ(frame.Commands(), (std::vector<int>{CMD_CONN_DATA}));
}

// ------------------------------------------------------------- at-sign escape

TEST_F(FeedTest, AtSignIntroducesEscapesInPictureMode)
{
    Feed("a@b\x1b[114d@[31mc@[0dd@e");
    EXPECT_EQ(Row(0), "a@bcd@e");
    EXPECT_EQ(Attr(0, 3).fg, 1);
    EXPECT_FALSE(flags.TermShared.PictureMode);
}

// ------------------------------------------------------------------- music


TEST_F(FeedTest, MusicStringHoldsTheRestOfTheFeedUntilTheTuneEnds)
{
    FakeTimer timer;
    FakeMidi midi(timer);
    AnsiMusic music(&midi, &timer);
    term->SetMusic(&music);
    const std::string s = "ab\x1b[^T255L4C^rest";
    const int took = Feed(s);
    EXPECT_EQ(took, static_cast<int>(s.size()) - 4);
    EXPECT_TRUE(term->Hold());
    EXPECT_EQ(music.QueueSize(), 1);
    EXPECT_EQ(music.QueueEntry(0).ms, 720);
    EXPECT_TRUE(frame.Commands().empty());
    timer.RunAll();
    EXPECT_FALSE(term->Hold());
    EXPECT_EQ(frame.Commands(), (std::vector<int>{CMD_CONN_DATA}));
    EXPECT_EQ(Feed(s.substr(took)), 4);
    EXPECT_EQ(Row(0), "abrest");
    term->SetMusic(nullptr);
}

TEST_F(FeedTest, MusicEndedByAnotherByteLeavesItForAfterTheTune)
{
    FakeTimer timer;
    FakeMidi midi(timer);
    AnsiMusic music(&midi, &timer);
    term->SetMusic(&music);
    const std::string s = "\x9b^CD\x1b[1mX";
    const int took = Feed(s);
    EXPECT_EQ(took, 4);
    EXPECT_EQ(music.QueueSize(), 2);
    timer.RunAll();
    Feed(s.substr(took));
    EXPECT_EQ(Row(0), "X");
    EXPECT_EQ(Attr(0, 0).flags, kBold);
    term->SetMusic(nullptr);
}

TEST_F(FeedTest, ConnectStopsTheTuneAndReleasesTheHold)
{
    FakeTimer timer;
    FakeMidi midi(timer);
    AnsiMusic music(&midi, &timer);
    term->SetMusic(&music);
    Feed("\x1b[^CDEFGAB^");
    EXPECT_TRUE(term->Hold());
    term->ResetOnConnect();
    EXPECT_FALSE(term->Hold());
    EXPECT_EQ(timer.pending, nullptr);
    term->SetMusic(nullptr);
}

TEST_F(FeedTest, WithoutAPlayerTheTuneEndsAtOnce)
{
    const std::string s = "\x1b[^O4CDE^x";
    const int took = Feed(s);
    EXPECT_EQ(took, static_cast<int>(s.size()) - 1);
    EXPECT_FALSE(term->Hold());
    Feed("x");
    EXPECT_EQ(Row(0), "x");
}

TEST_F(FeedTest, AReplySinkThatFeedsAgainIsSafe)
{
    // Local echo writes the reply into the terminal while replies are handed over.
    struct Echo : ReplySink {
        Terminal* t;
        std::vector<std::string> got;
        void Reply(const uint8_t* d, int n, ReplyMode) override
        {
            got.emplace_back(reinterpret_cast<const char*>(d), n);
            if (got.size() < 4)
                t->Feed(reinterpret_cast<const uint8_t*>("\x1b[6n"), 4);
        }
    } echo;
    echo.t = term.get();
    term->SetReplySink(&echo);
    Feed("\x1b[6n\x1b[5;5H\x1b[6n");
    EXPECT_EQ(echo.got, (std::vector<std::string>{"\x1b[1;1R", "\x1b[5;5R", "\x1b[5;5R", "\x1b[5;5R",
                                                  "\x1b[5;5R"}));
}
