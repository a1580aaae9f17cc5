#include "terminal/AutoResponse.h"

#include <string>

#include "base/SettingsStore.h"
#include "terminal/HangulCodec.h"

namespace velo {

namespace {
std::string Entry(int group, const char* what, int row)
{
    return std::string(AutoResponseTable::Prefix(group)) + what + std::to_string(row);
}
}  // namespace

const char* AutoResponseTable::Prefix(int group)
{
    static const char* const kPrefixes[kGroups] = {"천리안", "하이텔", "나우콤", "유니텔", "Kestrix", ""};
    return group >= 0 && group < kGroups ? kPrefixes[group] : "";
}

void AutoResponseTable::Load(SettingsStore& store)
{
    for (int g = 0; g < kGroups; ++g) {
        for (int r = 0; r < kRows; ++r) {
            AutoResponseRow& row = rows[g][r];
            row.word = hangul::EncodeCp949(store.ReadString(kSection, Entry(g, "찾을단어", r), ""));
            row.response = hangul::EncodeCp949(store.ReadString(kSection, Entry(g, "반응", r), ""));
            row.enabled = store.ReadInt(kSection, Entry(g, "반응유무", r), 0) == 1;
        }
    }
}

void AutoResponseTable::SaveRow(SettingsStore& store, int group, int r) const
{
    if (group < 0 || group >= kGroups || r < 0 || r >= kRows)
        return;
    const AutoResponseRow& row = rows[group][r];
    using hangul::DisplayCode;
    store.WriteString(kSection, Entry(group, "찾을단어", r), hangul::DecodeToUtf8(row.word, DisplayCode::Ks));
    store.WriteString(kSection, Entry(group, "반응", r), hangul::DecodeToUtf8(row.response, DisplayCode::Ks));
    store.WriteInt(kSection, Entry(group, "반응유무", r), row.enabled ? 1 : 0);
}

}  // namespace velo
