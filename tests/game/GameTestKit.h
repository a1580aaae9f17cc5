// Shared by the game's tests: a clock that only moves when told, and a driver
// that steers the car the way a player would, between turns.
#pragma once

#include <functional>

#include "game/CarGame.h"

namespace cartest {

class FakeClock : public car::Clock {
public:
    uint64_t NowMs() override { return now; }
    uint64_t now = 1;
};

// Column nearest the car in the row about to come under it that `wanted`
// accepts; the car's own column when none does.
inline int NearestColumn(const car::CarGame& g, const std::function<bool(char)>& wanted)
{
    int row = g.CarRow() - 1;
    for (int d = 0; d < car::kCols; ++d) {
        for (int col : {g.CarCol() - d, g.CarCol() + d}) {
            if (col >= 0 && col < car::kCols && wanted(g.Cell(row, col)))
                return col;
        }
    }
    return g.CarCol();
}

inline bool Safe(char c) { return c != car::kObstacle && !car::IsZingleCell(c); }

// Moves the car to `col` one step at a time through `left` and `right`, which
// stand for the player's key presses or clicks.
inline void SteerTo(const car::CarGame& g, int col, const std::function<void()>& left,
                    const std::function<void()>& right)
{
    for (int guard = 0; g.CarCol() > col && guard < car::kCols; ++guard)
        left();
    for (int guard = 0; g.CarCol() < col && guard < car::kCols; ++guard)
        right();
}

// Lets simulated time pass in steps of 1 ms, pumping the game after each and
// calling `steer` before each, until the game ends or `until` holds.
inline void Play(car::CarGame& g, FakeClock& clock, const std::function<void()>& pump,
                 const std::function<void()>& steer, const std::function<bool()>& until)
{
    while (g.Playing() && !until()) {
        steer();
        clock.now += 1;
        pump();
    }
}

}  // namespace cartest
