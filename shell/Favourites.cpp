#include "shell/Favourites.h"

#include <algorithm>
#include <array>

#include "base/CommandIds.h"
#include "base/Flags.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace favourites {

namespace {
std::string ItemEntry(size_t i) { return settings::kFavouriteItem + std::to_string(i); }
// More than a drop-down list can usefully hold: a damaged count stops here.
constexpr int kMaxStored = 1000;
}  // namespace

std::vector<std::string> Load(SettingsStore& store)
{
    std::vector<std::string> items;
    const int count = std::clamp(settings::ReadIntDefault(store, settings::kFavourites, settings::kFavouriteCount),
                                 0, kMaxStored);
    for (int i = 0; i < count; ++i)
        Append(items, store.ReadString(settings::kFavourites, ItemEntry(size_t(i)), ""));
    return items;
}

void Save(SettingsStore& store, const std::vector<std::string>& items)
{
    store.WriteInt(settings::kFavourites, settings::kFavouriteCount, int(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        store.WriteString(settings::kFavourites, ItemEntry(i), items[i]);
}

bool Append(std::vector<std::string>& items, std::string_view item)
{
    if (item.empty() || std::find(items.begin(), items.end(), item) != items.end())
        return false;
    items.emplace_back(item);
    return true;
}

std::string GoCommand(std::string_view hostItem) { return "go " + std::string(hostItem) + "\r"; }

}  // namespace favourites

FavouritesEditor::FavouritesEditor(const std::vector<std::string>& barItems)
{
    for (const std::string& s : barItems)
        favourites::Append(items_, s);
    std::sort(items_.begin(), items_.end(), Before);
    selected_ = items_.empty() ? -1 : 0;
}

bool FavouritesEditor::Before(const std::string& a, const std::string& b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const uint8_t x = uint8_t(lower(a[i])), y = uint8_t(lower(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;  // same but for case: upper case first, as a tie-break
}

void FavouritesEditor::Select(int index)
{
    selected_ = (index >= 0 && index < int(items_.size())) ? index : -1;
}

FavouritesEditor::AddResult FavouritesEditor::Add()
{
    if (text_.empty())
        return AddResult::Nothing;
    if (std::find(items_.begin(), items_.end(), text_) != items_.end())
        return AddResult::Exists;
    auto at = std::upper_bound(items_.begin(), items_.end(), text_, Before);
    selected_ = int(at - items_.begin());
    items_.insert(at, text_);
    text_.clear();
    return AddResult::Added;
}

void FavouritesEditor::Delete()
{
    if (selected_ < 0 || selected_ >= int(items_.size()))
        return;
    items_.erase(items_.begin() + selected_);
    if (items_.empty())
        selected_ = -1;
    else
        selected_ = std::min(selected_, int(items_.size()) - 1);
}

bool FavouritesEditor::Ok(AddResult* added)
{
    if (!text_.empty()) {
        AddResult r = Add();
        if (added)
            *added = r;
        return false;
    }
    if (added)
        *added = AddResult::Nothing;
    return true;
}

namespace {

struct KeyRow {
    int id;
    std::array<const char*, 5> bySvc;  // 천리안, 하이텔, 나우콤, 유니텔, Kestrix
};

constexpr KeyRow kServiceKeys[] = {
    {ID_SVC_TOP, {"go top\r", "go top\r", "go top\r", "go top\r", "go top\r"}},
    {ID_SVC_UP, {"m\r", "p\r", "p\r", "p\r", "\r"}},
    {ID_SVC_PREV_ITEM, {"pl\r", "a\r", "a\r", "a\r", "\r"}},
    {ID_SVC_NEXT_ITEM, {"nl\r", "n\r", "n\r", "n\r", "\r"}},
    {ID_SVC_PREV_PAGE, {"b\r", "b\r", "b\r", "b\r", "\r"}},
    {ID_SVC_NEXT_PAGE, {"\r", "f\r", "f\r", "f\r", "\r"}},
};

}  // namespace

const char* ServiceKey(int commandId, int service)
{
    if (commandId == ID_SVC_ENTER)
        return "\r";
    if (service < 0 || service > 4)
        return nullptr;
    for (const KeyRow& r : kServiceKeys)
        if (r.id == commandId)
            return r.bySvc[size_t(service)];
    return nullptr;
}

bool ServiceKeyEnabled(int commandId, const SharedFlags& flags)
{
    const bool hostFree = !flags.ConnState.Sending && !flags.ConnState.Receiving && !flags.TermShared.Frozen;
    if (commandId == ID_SVC_ENTER)
        return hostFree;
    return flags.ConnState.Connected && hostFree &&
           ServiceKey(commandId, flags.TermShared.ServiceKind.load()) != nullptr;
}

}  // namespace velo
