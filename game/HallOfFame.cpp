#include "game/HallOfFame.h"

#include <algorithm>
#include <string_view>

namespace car {

namespace {
constexpr std::string_view kSection = "고수들";
constexpr std::string_view kCountKey = "사람수";

std::string NameKey(int i) { return "이름" + std::to_string(i); }
std::string ScoreKey(int i) { return "점수" + std::to_string(i); }
}  // namespace

void HallOfFame::Load(Profile& profile)
{
    count_ = std::clamp(profile.ReadInt(kSection, kCountKey, 0), 0, kPlaces);
    for (int i = 0; i < kPlaces + 1; ++i) {
        entries_[i] = Entry{};
        if (i < count_) {
            entries_[i].name = profile.ReadString(kSection, NameKey(i), "");
            entries_[i].score = profile.ReadInt(kSection, ScoreKey(i), 0);
        }
    }
}

int HallOfFame::Insert(int score)
{
    int place = 0;
    while (place < count_ && entries_[place].score > score)
        ++place;
    if (place >= kPlaces)
        return kPlaces;
    for (int i = count_; i > place; --i)
        entries_[i] = std::move(entries_[i - 1]);
    entries_[place] = Entry{"", score};
    count_ = std::min(count_ + 1, kPlaces);
    return place;
}

void HallOfFame::SetName(int place, std::string name)
{
    if (place >= 0 && place < count_)
        entries_[place].name = std::move(name);
}

bool HallOfFame::Save(Profile& profile) const
{
    bool ok = profile.WriteInt(kSection, kCountKey, count_);
    for (int i = 0; i < count_; ++i) {
        ok = profile.WriteString(kSection, NameKey(i), entries_[i].name) && ok;
        ok = profile.WriteInt(kSection, ScoreKey(i), entries_[i].score) && ok;
    }
    return profile.Flush() && ok;
}

}  // namespace car
