#include "base/SettingsStore.h"

#include <charconv>

namespace velo {

int MemorySettingsStore::ReadInt(std::string_view section, std::string_view entry, int def)
{
    std::lock_guard lock(mutex_);
    auto it = values_.find(std::pair<std::string, std::string>(section, entry));
    if (it == values_.end())
        return def;
    if (it->second.isInt)
        return it->second.i;
    // A string where an integer is wanted reads as its leading number, as a
    // registry DWORD read of a text value would fail: fall back to the default.
    int v = 0;
    const std::string& s = it->second.s;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return (ec == std::errc() && p == s.data() + s.size()) ? v : def;
}

std::string MemorySettingsStore::ReadString(std::string_view section, std::string_view entry,
                                            std::string_view def)
{
    std::lock_guard lock(mutex_);
    auto it = values_.find(std::pair<std::string, std::string>(section, entry));
    if (it == values_.end())
        return std::string(def);
    if (it->second.isInt)
        return std::string(def);
    return it->second.s;
}

bool MemorySettingsStore::WriteInt(std::string_view section, std::string_view entry, int value)
{
    std::lock_guard lock(mutex_);
    Value& v = values_[std::pair<std::string, std::string>(section, entry)];
    v.isInt = true;
    v.i = value;
    v.s.clear();
    return true;
}

bool MemorySettingsStore::WriteString(std::string_view section, std::string_view entry,
                                      std::string_view value)
{
    std::lock_guard lock(mutex_);
    Value& v = values_[std::pair<std::string, std::string>(section, entry)];
    v.isInt = false;
    v.i = 0;
    v.s = value;
    return true;
}

bool MemorySettingsStore::DeleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    auto it = values_.lower_bound(std::pair<std::string, std::string>(section, ""));
    while (it != values_.end() && it->first.first == section)
        it = values_.erase(it);
    return true;
}

void MemorySettingsStore::Clear()
{
    std::lock_guard lock(mutex_);
    values_.clear();
}

}  // namespace velo
