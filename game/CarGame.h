// The game of `car` without a window: the board ring, the car, the random
// rows, scoring, collisions and the turn loop. The window implements GameView
// and feeds the moves; time comes from a Clock so that tests run whole games
// in simulated time.
#pragma once

#include <array>
#include <cstdint>

namespace car {

constexpr int kRows = 20;           // screen rows of the board
constexpr int kCols = 21;           // cells per row
constexpr int kCarStartCol = 10;
constexpr int kCarStartRow = 14;
constexpr int kBottomRow = kRows - 1;
constexpr int kFinishRow = 1000;    // rowsMade when the finish line is generated
constexpr int kZingleLen = 6;       // "Zingle" covers this many cells
constexpr int kPushPauseMs = 500;   // each of the two pauses around a push-down
constexpr int kBonusPoints = 10000;
constexpr int kZinglePenalty = 10000;
constexpr int kGoldMedalPoints = 100000;
constexpr int kHardWinPoints = 50000;
constexpr int kLevels = 4;
constexpr int kDefaultLevel = 2;

// Tick length and points per row of each level (Dorran, Mirel, Tovik, Garsk).
int TickMs(int level);
int PointsPerRow(int level);

// Cell bytes. A Zingle keeps its label's letters in its six cells.
constexpr char kBlank = ' ';
constexpr char kObstacle = '*';
constexpr char kBonus = 'b';
constexpr char kFinish = '-';
constexpr char kZingleLabel[] = "Zingle";
bool IsZingleCell(char c);

// The classic linear congruential generator: state = state * 214013 +
// 2531011 (mod 2^32), result = bits 16..30 of the state, 0..32767.
class Lcg {
public:
    void Seed(uint32_t seed) { state_ = seed; }
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_ = 1;
};

using Row = std::array<char, kCols>;

// Fills the row generated when `rowsMade` rows exist already: the finish line
// at exactly kFinishRow, blank after it, random below it (which draws 22 or 23
// numbers from the generator).
void GenerateRow(Lcg& rng, int rowsMade, Row& row);

// Milliseconds from an arbitrary start; only differences and the low 32 bits
// (the seed of each game) are used.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t NowMs() = 0;
};

class SteadyClock : public Clock {
public:
    uint64_t NowMs() override;
};

enum class GameMessage {
    GoldMedal,  // finish reached never pushed back: +100000
    HardWin,    // finish reached after a push-down: +50000
    Zingled,    // a collision on the bottom row ends the game
    Cornered,   // the fifth push-down put the car on the bottom row
};

// What the game asks of its window. Coordinates are screen cells: col 0..20,
// row 0..19. Notify and GameOver may block (a modal box) and read the clock
// afresh when they return.
class GameView {
public:
    virtual ~GameView() = default;
    virtual void ClearBoard() = 0;                          // every cell blank
    virtual void DrawCar(int col, int row, bool crashed) = 0;  // yellow, or red
    virtual void BlankCell(int col, int row) = 0;
    virtual void ScrollDown(const Row& newTop) = 0;         // rows 0..18 move down one
    virtual void ShowScore(int score) = 0;
    virtual void ShowIdle() = 0;
    virtual void PlayPenalty() = 0;
    virtual void Notify(GameMessage msg) = 0;
    virtual void GameOver(int score) = 0;                   // the hall of fame
};

class CarGame {
public:
    CarGame(Clock& clock, GameView& view) : clock_(clock), view_(view) {}

    // The level counts for scoring at once; the tick is taken at Start.
    void SetLevel(int level);
    int Level() const { return level_; }

    // Starts a game seeded with the clock's low 32 bits. Ignored while playing.
    void Start();

    // Moves take effect and are drawn at once; nothing is scored until the
    // next turn. Ignored when no game runs.
    void MoveLeft();
    void MoveRight();

    // Runs every step that is due by the clock. Returns the milliseconds until
    // the next step is due, or -1 when no game runs (any more). A call made
    // from inside a view callback (a nested event loop) does nothing and
    // returns 0.
    int Pump();

    bool Playing() const { return playing_; }
    int Score() const { return score_; }
    int CarCol() const { return carCol_; }
    int CarRow() const { return carRow_; }
    int Top() const { return top_; }
    int RowsMade() const { return rowsMade_; }
    int TickLength() const { return tickMs_; }
    // The cell shown at screen row `row`, column `col`.
    char Cell(int row, int col) const { return board_[(row + top_) % kRows][col]; }
    const Row& ScreenRow(int row) const { return board_[(row + top_) % kRows]; }

private:
    enum class Phase { Idle, TurnStart, Waiting, PauseBeforePush, PauseAfterPush };

    void Turn();
    void PushDown();
    void Win();
    void End();
    char& CellUnderCar() { return board_[(carRow_ + top_) % kRows][carCol_]; }
    static int Remaining(uint64_t since, uint64_t now, int length);

    Clock& clock_;
    GameView& view_;
    Lcg rng_;
    std::array<Row, kRows> board_{};
    int top_ = 0;
    int carCol_ = kCarStartCol;
    int carRow_ = kCarStartRow;
    int rowsMade_ = 0;
    int score_ = 0;
    int level_ = kDefaultLevel;
    int tickMs_ = 65;
    bool playing_ = false;
    bool inPump_ = false;
    Phase phase_ = Phase::Idle;
    uint64_t since_ = 0;  // start of the current wait or pause
};

}  // namespace car
