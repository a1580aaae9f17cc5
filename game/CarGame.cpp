#include "game/CarGame.h"

#include <chrono>
#include <cstring>

namespace car {

namespace {

struct LevelRule {
    int tickMs;
    int pointsPerRow;
};
constexpr LevelRule kLevelRules[kLevels] = {{120, 50}, {80, 100}, {65, 150}, {50, 200}};

int ClampLevel(int level)
{
    return (level >= 0 && level < kLevels) ? level : kDefaultLevel;
}

// Clears the flag on every way out of Pump, a GameOver that throws included.
class PumpGuard {
public:
    explicit PumpGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~PumpGuard() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace

int TickMs(int level) { return kLevelRules[ClampLevel(level)].tickMs; }
int PointsPerRow(int level) { return kLevelRules[ClampLevel(level)].pointsPerRow; }

bool IsZingleCell(char c)
{
    return c != '\0' && std::strchr(kZingleLabel, c) != nullptr;
}

void GenerateRow(Lcg& rng, int rowsMade, Row& row)
{
    if (rowsMade == kFinishRow) {
        row.fill(kFinish);
        return;
    }
    if (rowsMade > kFinishRow) {
        row.fill(kBlank);
        return;
    }
    for (char& c : row) {
        int r = rng.Next();
        if (r % 400 == 13)
            c = kBonus;
        else if (r % 15 == 0)
            c = kObstacle;
        else
            c = kBlank;
    }
    if (rng.Next() % 51 == 0) {
        // Start column 0..15: the label always ends by column 20.
        int col = rng.Next() % (kCols - kZingleLen + 1);
        std::memcpy(row.data() + col, kZingleLabel, kZingleLen);
    }
}

uint64_t SteadyClock::NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void CarGame::SetLevel(int level)
{
    level_ = ClampLevel(level);
}

void CarGame::Start()
{
    if (playing_)
        return;
    playing_ = true;
    for (Row& r : board_)
        r.fill(kBlank);
    carCol_ = kCarStartCol;
    carRow_ = kCarStartRow;
    top_ = 0;
    rowsMade_ = 0;
    score_ = 0;
    tickMs_ = TickMs(level_);
    view_.ClearBoard();
    view_.DrawCar(carCol_, carRow_, false);
    rng_.Seed(static_cast<uint32_t>(clock_.NowMs()));
    phase_ = Phase::TurnStart;
}

void CarGame::MoveLeft()
{
    if (!playing_ || carCol_ == 0)
        return;
    view_.BlankCell(carCol_, carRow_);
    --carCol_;
    view_.DrawCar(carCol_, carRow_, false);
}

void CarGame::MoveRight()
{
    if (!playing_ || carCol_ == kCols - 1)
        return;
    view_.BlankCell(carCol_, carRow_);
    ++carCol_;
    view_.DrawCar(carCol_, carRow_, false);
}

int CarGame::Remaining(uint64_t since, uint64_t now, int length)
{
    uint64_t elapsed = now - since;
    return elapsed >= static_cast<uint64_t>(length) ? 0 : static_cast<int>(length - elapsed);
}

int CarGame::Pump()
{
    if (inPump_)
        return 0;
    PumpGuard guard(inPump_);
    while (playing_) {
        uint64_t now = clock_.NowMs();
        int wait = 0;
        switch (phase_) {
        case Phase::Idle:
            return -1;
        case Phase::TurnStart:
            if (CellUnderCar() == kFinish) {
                Win();
                break;
            }
            since_ = now;
            phase_ = Phase::Waiting;
            break;
        case Phase::Waiting:
            wait = Remaining(since_, now, tickMs_);
            if (wait == 0)
                Turn();
            break;
        case Phase::PauseBeforePush:
            wait = Remaining(since_, now, kPushPauseMs);
            if (wait == 0)
                PushDown();
            break;
        case Phase::PauseAfterPush:
            wait = Remaining(since_, now, kPushPauseMs);
            if (wait == 0)
                phase_ = Phase::TurnStart;
            break;
        }
        if (wait > 0)
            return wait;
    }
    return -1;
}

// Steps 3 to 8 of a turn, after its tick has passed.
void CarGame::Turn()
{
    top_ = (top_ + kRows - 1) % kRows;
    GenerateRow(rng_, rowsMade_, board_[top_]);
    ++rowsMade_;

    char& cell = CellUnderCar();
    bool crashed = false;
    if (cell == kObstacle) {
        crashed = true;
    } else if (cell == kBonus) {
        score_ += kBonusPoints;
    } else if (IsZingleCell(cell)) {
        score_ -= kZinglePenalty;
        view_.PlayPenalty();
    } else {
        score_ += PointsPerRow(level_);
    }
    view_.ShowScore(score_);
    // The obstacle hit is used up too, so a car pushed onto this row later
    // does not meet it again.
    if (cell != kFinish)
        cell = kBlank;

    view_.BlankCell(carCol_, carRow_);
    view_.ScrollDown(board_[top_]);
    view_.DrawCar(carCol_, carRow_, false);

    if (!crashed) {
        phase_ = Phase::TurnStart;
        return;
    }
    view_.DrawCar(carCol_, carRow_, true);
    if (carRow_ == kBottomRow) {
        view_.Notify(GameMessage::Zingled);
        End();
        return;
    }
    since_ = clock_.NowMs();
    phase_ = Phase::PauseBeforePush;
}

void CarGame::PushDown()
{
    view_.BlankCell(carCol_, carRow_);
    ++carRow_;
    view_.DrawCar(carCol_, carRow_, false);
    if (carRow_ == kBottomRow)
        view_.Notify(GameMessage::Cornered);
    // The second pause counts from the moment the warning is closed.
    since_ = clock_.NowMs();
    phase_ = Phase::PauseAfterPush;
}

void CarGame::Win()
{
    bool neverPushed = carRow_ < kCarStartRow + 1;
    score_ += neverPushed ? kGoldMedalPoints : kHardWinPoints;
    view_.ShowScore(score_);
    view_.Notify(neverPushed ? GameMessage::GoldMedal : GameMessage::HardWin);
    End();
}

void CarGame::End()
{
    view_.ShowScore(score_);
    view_.GameOver(score_);
    playing_ = false;
    phase_ = Phase::Idle;
    view_.ShowIdle();
}

}  // namespace car
