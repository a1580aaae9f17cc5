#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/CarGame.h"
#include "tests/game/GameTestKit.h"

using namespace car;
using cartest::FakeClock;

namespace {

// Records what the game asks of its window and keeps a picture of the board
// built only from those calls, as the real window does.
class RecordingView : public GameView {
public:
    void ClearBoard() override
    {
        for (auto& r : screen)
            r.fill(' ');
    }
    void DrawCar(int col, int row, bool crashed) override
    {
        screen[row][col] = crashed ? 'R' : 'A';
        carCol = col;
        carRow = row;
        if (crashed)
            ++crashes;
    }
    void BlankCell(int col, int row) override { screen[row][col] = ' '; }
    void ScrollDown(const Row& top) override
    {
        for (int r = kRows - 1; r > 0; --r)
            screen[r] = screen[r - 1];
        screen[0] = top;
        rows.push_back(top);
    }
    void ShowScore(int score) override { scores.push_back(score); }
    void ShowIdle() override { ++idles; }
    void PlayPenalty() override { ++penalties; }
    void Notify(GameMessage msg) override
    {
        messages.push_back(msg);
        if (onNotify)
            onNotify(msg);
    }
    void GameOver(int score) override { gameOvers.push_back(score); }

    std::array<Row, kRows> screen{};
    std::vector<Row> rows;
    std::vector<int> scores;
    std::vector<GameMessage> messages;
    std::vector<int> gameOvers;
    std::function<void(GameMessage)> onNotify;
    int carCol = -1, carRow = -1, crashes = 0, penalties = 0, idles = 0;
};

class Game : public ::testing::Test {
protected:
    void Pump() { game.Pump(); }
    void Left() { game.MoveLeft(); }
    void Right() { game.MoveRight(); }
    void SteerFor(const std::function<bool(char)>& wanted)
    {
        cartest::SteerTo(game, cartest::NearestColumn(game, wanted), [this] { Left(); },
                         [this] { Right(); });
    }
    void Dodge() { SteerFor(cartest::Safe); }
    // Plays until the game ends or `until` holds, avoiding obstacles and Zingles.
    void DodgeUntil(const std::function<bool()>& until)
    {
        cartest::Play(game, clock, [this] { Pump(); }, [this] { Dodge(); }, until);
    }
    // Runs turns without steering until the row count reaches `rows`.
    void AdvanceToRow(int rows)
    {
        cartest::Play(game, clock, [this] { Pump(); }, [] {},
                      [this, rows] { return game.RowsMade() >= rows; });
    }
    // Steers into the next obstacle and plays until it has been hit.
    void CrashOnce()
    {
        int before = view.crashes;
        cartest::Play(
            game, clock, [this] { Pump(); },
            [this] {
                int col = cartest::NearestColumn(game, [](char c) { return c == kObstacle; });
                if (game.Cell(game.CarRow() - 1, col) == kObstacle)
                    cartest::SteerTo(game, col, [this] { Left(); }, [this] { Right(); });
                else
                    Dodge();
            },
            [this, before] { return view.crashes > before; });
    }
    // Waits out the two pauses of a push-down, up to the wait for the next tick.
    void FinishPush()
    {
        clock.now += kPushPauseMs;
        Pump();
        clock.now += kPushPauseMs;
        Pump();
    }
    // The score before the finish's own bonus: the last row's, then the
    // bonus shown, then the final score shown again at the end.
    int ScoreBeforeFinish() const { return view.scores.at(view.scores.size() - 3); }

    FakeClock clock;
    RecordingView view;
    CarGame game{clock, view};
};

std::string Text(const Row& r) { return std::string(r.begin(), r.end()); }

}  // namespace

TEST(Lcg, GivesTheClassicSequence)
{
    Lcg rng;
    rng.Seed(1);
    std::vector<int> got;
    for (int i = 0; i < 5; ++i)
        got.push_back(rng.Next());
    EXPECT_EQ(got, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    rng.Seed(0xFFFFFFFFu);  // wraps modulo 2^32 and stays within 15 bits
    for (int i = 0; i < 1000; ++i) {
        int v = rng.Next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 0x7FFF);
    }
}

TEST(GenerateRow, ZinglesStartAtColumnsZeroToFifteenAndFitTheRow)
{
    bool sawZero = false, sawFifteen = false;
    int rowsWithZingle = 0;
    for (uint32_t seed = 0; seed < 4000; ++seed) {
        Lcg rng;
        rng.Seed(seed);
        Row row;
        GenerateRow(rng, 0, row);
        std::string text = Text(row);
        size_t at = text.find("Zingle");
        for (char c : text)
            ASSERT_TRUE(c == ' ' || c == '*' || c == 'b' || IsZingleCell(c)) << text;
        if (at == std::string::npos) {
            ASSERT_TRUE(std::none_of(row.begin(), row.end(), IsZingleCell)) << text;
            continue;
        }
        ++rowsWithZingle;
        ASSERT_LE(at, 15u) << text;
        sawZero |= at == 0;
        sawFifteen |= at == 15;
        if (at == 15) {
            EXPECT_EQ(text.substr(15), "Zingle");
        }
        if (at == 0) {
            EXPECT_EQ(text.substr(0, 6), "Zingle");
        }
    }
    EXPECT_TRUE(sawZero);
    EXPECT_TRUE(sawFifteen);
    // One row in 51 or so carries a Zingle.
    EXPECT_GT(rowsWithZingle, 4000 / 51 / 2);
    EXPECT_LT(rowsWithZingle, 4000 / 51 * 2);
}

TEST(GenerateRow, FinishLineIsTheThousandAndFirstRowAndBlankRowsFollow)
{
    Lcg rng;
    rng.Seed(7);
    Row row;
    GenerateRow(rng, kFinishRow - 1, row);
    EXPECT_NE(Text(row), std::string(kCols, '-'));
    Lcg before = rng;
    GenerateRow(rng, kFinishRow, row);
    EXPECT_EQ(Text(row), std::string(kCols, '-'));
    GenerateRow(rng, kFinishRow + 1, row);
    EXPECT_EQ(Text(row), std::string(kCols, ' '));
    GenerateRow(rng, 5000, row);
    EXPECT_EQ(Text(row), std::string(kCols, ' '));
    // Finish and blank rows draw no random numbers.
    EXPECT_EQ(before.Next(), rng.Next());
}

TEST_F(Game, StartsWithTheCarAtColumnTenRowFourteenOnABlankBoard)
{
    clock.now = 12345;
    game.Start();
    EXPECT_TRUE(game.Playing());
    EXPECT_EQ(game.CarCol(), 10);
    EXPECT_EQ(game.CarRow(), 14);
    EXPECT_EQ(game.Score(), 0);
    EXPECT_EQ(game.RowsMade(), 0);
    EXPECT_EQ(view.carCol, 10);
    EXPECT_EQ(view.carRow, 14);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            ASSERT_EQ(game.Cell(r, c), ' ');
}

TEST_F(Game, CarStopsAtTheWallsAndMovesScoreNothing)
{
    game.MoveLeft();  // no game yet: ignored
    EXPECT_EQ(game.CarCol(), 10);
    EXPECT_EQ(view.carCol, -1);

    game.Start();
    for (int i = 0; i < 15; ++i)
        game.MoveLeft();
    EXPECT_EQ(game.CarCol(), 0);
    EXPECT_EQ(view.carCol, 0);
    EXPECT_EQ(view.screen[14][0], 'A');
    EXPECT_EQ(view.screen[14][10], ' ');
    for (int i = 0; i < 30; ++i)
        game.MoveRight();
    EXPECT_EQ(game.CarCol(), 20);
    EXPECT_EQ(view.carCol, 20);
    EXPECT_EQ(std::count(view.screen[14].begin(), view.screen[14].end(), 'A'), 1);
    EXPECT_EQ(game.Score(), 0);
    EXPECT_TRUE(view.scores.empty());
}

TEST_F(Game, TurnComesAfterOneTickOfTheLevelChosenAtTheStart)
{
    game.SetLevel(3);
    game.Start();
    EXPECT_EQ(game.TickLength(), 50);
    EXPECT_EQ(game.Pump(), 50);
    clock.now += 49;
    EXPECT_EQ(game.Pump(), 1);
    EXPECT_EQ(game.RowsMade(), 0);
    clock.now += 1;
    game.Pump();
    EXPECT_EQ(game.RowsMade(), 1);
    EXPECT_EQ(game.Top(), 19);
    // Changing the opponent mid-game keeps this game's tick.
    game.SetLevel(0);
    EXPECT_EQ(game.TickLength(), 50);
    EXPECT_EQ(game.Pump(), 50);
}

TEST_F(Game, EachRowScoresByTheLevelInForceAtThatMoment)
{
    game.SetLevel(2);
    game.Start();
    AdvanceToRow(1);
    EXPECT_EQ(game.Score(), 150);
    game.SetLevel(0);
    AdvanceToRow(2);
    EXPECT_EQ(game.Score(), 200);
    game.SetLevel(1);
    AdvanceToRow(3);
    EXPECT_EQ(game.Score(), 300);
    game.SetLevel(3);
    AdvanceToRow(4);
    EXPECT_EQ(game.Score(), 500);
    EXPECT_EQ(view.scores, (std::vector<int>{150, 200, 300, 500}));
    game.SetLevel(9);  // out of range: the default opponent
    EXPECT_EQ(game.Level(), 2);
}

TEST_F(Game, WindowPictureFollowsTheBoard)
{
    clock.now = 99;
    game.Start();
    DodgeUntil([this] { return game.RowsMade() >= 300; });
    ASSERT_TRUE(game.Playing());
    for (int r = 0; r < game.CarRow(); ++r)
        EXPECT_EQ(Text(view.screen[r]), Text(game.ScreenRow(r))) << "row " << r;
    EXPECT_EQ(view.screen[game.CarRow()][game.CarCol()], 'A');
}

TEST_F(Game, SameSeedSameBoardOtherSeedOtherBoard)
{
    auto rowsOf = [](uint64_t seed) {
        FakeClock c;
        RecordingView v;
        CarGame g(c, v);
        c.now = seed;
        g.Start();
        cartest::Play(g, c, [&] { g.Pump(); }, [] {}, [&] { return g.RowsMade() >= 60; });
        return v.rows;
    };
    std::vector<Row> a = rowsOf(0x1234'5678'9ABCull);
    EXPECT_EQ(a.size(), 60u);
    EXPECT_EQ(a, rowsOf(0x1234'5678'9ABCull));
    // Only the low 32 bits of the tick count seed the game.
    EXPECT_EQ(a, rowsOf(0x9999'5678'9ABCull));
    EXPECT_NE(a, rowsOf(0x1234'5678'9ABDull));
}

TEST_F(Game, CleanRunEarnsTheGoldMedalAtTheFinish)
{
    clock.now = 2024;
    game.Start();
    DodgeUntil([] { return false; });
    EXPECT_FALSE(game.Playing());
    EXPECT_EQ(game.CarRow(), 14);
    // The finish, made as row 1001, reaches row 14 fourteen turns later and
    // the turn after that sees it under the car.
    EXPECT_EQ(game.RowsMade(), 1015);
    ASSERT_EQ(view.rows.size(), 1015u);
    EXPECT_EQ(Text(view.rows[1000]), std::string(kCols, '-'));
    for (size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(Text(view.rows[i]).find('-'), std::string::npos) << i;
    for (size_t i = 1001; i < view.rows.size(); ++i)
        EXPECT_EQ(Text(view.rows[i]), std::string(kCols, ' ')) << i;

    EXPECT_EQ(view.messages, (std::vector<GameMessage>{GameMessage::GoldMedal}));
    EXPECT_EQ(view.crashes, 0);
    EXPECT_EQ(view.penalties, 0);
    // Every row was worth 150 or a 10000 bonus; then the medal.
    ASSERT_EQ(view.scores.size(), 1015u + 2);
    int prev = 0;
    for (size_t i = 0; i < 1015; ++i) {
        int step = view.scores[i] - prev;
        ASSERT_TRUE(step == 150 || step == 10000) << i << ": " << step;
        prev = view.scores[i];
    }
    EXPECT_EQ(prev, ScoreBeforeFinish());
    EXPECT_EQ(game.Score(), prev + 100000);
    EXPECT_EQ(view.gameOvers, (std::vector<int>{game.Score()}));
    EXPECT_EQ(view.idles, 1);
}

TEST_F(Game, OneCollisionAndTheFinishIsWorthFiftyThousand)
{
    clock.now = 31337;
    game.Start();
    CrashOnce();
    EXPECT_EQ(view.crashes, 1);
    FinishPush();
    EXPECT_EQ(game.CarRow(), 15);
    DodgeUntil([] { return false; });
    EXPECT_EQ(view.messages, (std::vector<GameMessage>{GameMessage::HardWin}));
    EXPECT_EQ(game.Score(), ScoreBeforeFinish() + 50000);
    EXPECT_EQ(game.RowsMade(), 1016);
}

TEST_F(Game, CollisionPausesHalfASecondBeforeAndAfterThePush)
{
    clock.now = 555;
    game.Start();
    CrashOnce();
    int score = game.Score();
    int rows = game.RowsMade();
    EXPECT_EQ(view.screen[14][game.CarCol()], 'R');
    EXPECT_EQ(game.Pump(), 500);
    clock.now += 499;
    game.Pump();
    EXPECT_EQ(game.CarRow(), 14);
    clock.now += 1;
    EXPECT_EQ(game.Pump(), 500);
    EXPECT_EQ(game.CarRow(), 15);
    EXPECT_EQ(view.screen[14][game.CarCol()], ' ');
    EXPECT_EQ(view.screen[15][game.CarCol()], 'A');
    clock.now += 500;
    EXPECT_EQ(game.Pump(), game.TickLength());
    EXPECT_EQ(game.RowsMade(), rows);
    EXPECT_EQ(game.Score(), score);  // a collision scores nothing
}

TEST_F(Game, SixthCollisionEndsTheGameEvenWithTheFinishInSight)
{
    clock.now = 4242;
    game.Start();
    for (int i = 0; i < 5; ++i) {
        CrashOnce();
        FinishPush();
    }
    EXPECT_EQ(game.CarRow(), 19);
    EXPECT_EQ(view.messages, (std::vector<GameMessage>{GameMessage::Cornered}));
    // Dodge until the finish line is on the screen, then hit what is left.
    DodgeUntil([this] { return game.RowsMade() > kFinishRow; });
    ASSERT_TRUE(game.Playing());
    CrashOnce();
    EXPECT_FALSE(game.Playing());
    EXPECT_LT(game.RowsMade(), kFinishRow + kRows);
    bool finishOnScreen = false;
    for (int r = 0; r < kRows; ++r)
        finishOnScreen |= Text(game.ScreenRow(r)) == std::string(kCols, '-');
    EXPECT_TRUE(finishOnScreen);
    EXPECT_EQ(view.crashes, 6);
    EXPECT_EQ(view.messages,
              (std::vector<GameMessage>{GameMessage::Cornered, GameMessage::Zingled}));
    EXPECT_EQ(view.gameOvers.size(), 1u);
    EXPECT_EQ(view.gameOvers[0], game.Score());
    // Nothing more happens after the end.
    clock.now += 10000;
    EXPECT_EQ(game.Pump(), -1);
}

TEST_F(Game, ZingleCostsTenThousandOncePerRowWhateverTheCarDoesInIt)
{
    clock.now = 77;
    game.Start();
    // Play until a Zingle is about to come under the car, then drive into it.
    DodgeUntil([this] {
        for (int c = 0; c < kCols; ++c)
            if (IsZingleCell(game.Cell(game.CarRow() - 1, c)))
                return true;
        return false;
    });
    ASSERT_TRUE(game.Playing());
    SteerFor(IsZingleCell);
    int eatenCol = game.CarCol();
    int rows = game.RowsMade();
    int score = game.Score();
    AdvanceToRow(rows + 1);
    EXPECT_EQ(game.Score(), score - 10000);
    EXPECT_EQ(view.penalties, 1);
    // Sliding along the same row before the next turn costs nothing more.
    for (int i = 0; i < 5; ++i)
        game.MoveRight();
    for (int i = 0; i < 10; ++i)
        game.MoveLeft();
    EXPECT_EQ(game.Score(), score - 10000);
    EXPECT_EQ(view.penalties, 1);
    // The eaten cell is gone from the board; its neighbours stay.
    EXPECT_EQ(game.Cell(game.CarRow(), eatenCol), ' ');
    int left = 0;
    for (int c = 0; c < kCols; ++c)
        left += IsZingleCell(game.Cell(game.CarRow(), c));
    EXPECT_EQ(left, kZingleLen - 1);
}
