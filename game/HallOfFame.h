// The five best scores with their players' names, "고수들", kept in the
// profile section of that name: "사람수" (entries held, 0..5), then "이름%d"
// and "점수%d" for each, best first.
#pragma once

#include <array>
#include <string>

#include "game/Profile.h"

namespace car {

class HallOfFame {
public:
    static constexpr int kPlaces = 5;
    // The score the menu command opens the table with; it is never entered.
    static constexpr int kViewOnly = -1000000;

    struct Entry {
        std::string name;  // UTF-8
        int score = 0;
    };

    void Load(Profile& profile);
    // Enters a new score and returns its place 0..4, or kPlaces when it falls
    // below a full table. A tie goes above the older entry.
    int Insert(int score);
    void SetName(int place, std::string name);
    // Writes the count and every held entry and flushes the profile. False
    // when the profile refused.
    bool Save(Profile& profile) const;

    int Count() const { return count_; }
    const Entry& At(int place) const { return entries_[place]; }

private:
    // One slot more than the places, so the entry pushed past the fifth has
    // somewhere to go before the count is capped.
    std::array<Entry, kPlaces + 1> entries_;
    int count_ = 0;
};

}  // namespace car
