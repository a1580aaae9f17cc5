#include <gtest/gtest.h>

#include "shell/FrameLogic.h"

using velo::PasteWrites;

TEST(Paste, TrailingBlanksBeforeABreakAreDroppedAndLfBecomesCr)
{
    auto w = PasteWrites("pq   \nr", false);
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0], "pq");
    EXPECT_EQ(w[1], "\r");
    EXPECT_EQ(w[2], "r");
}

TEST(Paste, CrSendsNothingAndEveryLfOneLineEnd)
{
    auto w = PasteWrites("a\r\n\r\nb  ", false);
    std::vector<std::string> want = {"a", "\r", "\r", "b  "};
    EXPECT_EQ(w, want);
    auto crOnly = PasteWrites("x\ry", false);
    std::vector<std::string> want2 = {"x", "y"};
    EXPECT_EQ(crOnly, want2);
}

TEST(Paste, PrinterControllerModeSendsLf)
{
    auto w = PasteWrites("a\nb\n", true);
    std::vector<std::string> want = {"a", "\n", "b", "\n"};
    EXPECT_EQ(w, want);
    EXPECT_TRUE(PasteWrites("", false).empty());
}

TEST(FontSteps, LargerAndSmaller)
{
    EXPECT_EQ(velo::FontLargerHeight(-16), -17);
    EXPECT_EQ(velo::FontLargerHeight(12), 13);
    EXPECT_EQ(velo::FontLargerHeight(0), 0);
    EXPECT_EQ(velo::FontSmallerHeight(-6), -5);
    EXPECT_FALSE(velo::FontSmallerEnabled("NanumGothicCoding", -5));
    EXPECT_TRUE(velo::FontSmallerEnabled("NanumGothicCoding", -6));
    EXPECT_EQ(velo::FontSmallerHeight(6), 5);
    EXPECT_EQ(velo::FontSmallerHeight(3), 3);
    EXPECT_FALSE(velo::FontSmallerEnabled("Fixedsys", -20));
    EXPECT_FALSE(velo::FontLargerEnabled("Fixedsys"));
}
