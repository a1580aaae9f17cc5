#include "shell/MacroSet.h"

#include "base/Flags.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/MacroSender.h"
#include "terminal/HangulCodec.h"

namespace velo {

namespace {

std::string Entry(int slot) { return std::string(settings::kMacros) + std::to_string(slot); }

// Cuts UTF-8 text to at most max bytes without splitting a character.
std::string Bounded(std::string s, size_t max)
{
    if (s.size() <= max)
        return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

}  // namespace

void MacroSet::Load(SettingsStore& store)
{
    for (int k = 0; k < kSlots; ++k)
        text_[size_t(k)] = Bounded(settings::ReadStringDefault(store, settings::kMacros, Entry(k).c_str()), kMaxBytes);
}

void MacroSet::Save(SettingsStore& store) const
{
    for (int k = 0; k < kSlots; ++k)
        store.WriteString(settings::kMacros, Entry(k), text_[size_t(k)]);
}

const std::string& MacroSet::Text(int slot) const
{
    static const std::string none;
    return slot >= 0 && slot < kSlots ? text_[size_t(slot)] : none;
}

void MacroSet::SetText(int slot, std::string text)
{
    if (slot >= 0 && slot < kSlots)
        text_[size_t(slot)] = Bounded(std::move(text), kMaxBytes);
}

bool MacroSet::Run(int slot, const SharedFlags& flags, const MacroSender& sender) const
{
    if (slot < 0 || slot >= kSlots)
        return false;
    if (flags.ConnState.Sending || flags.ConnState.Receiving || flags.TermShared.Frozen)
        return false;
    sender.Send(hangul::EncodeCp949(text_[size_t(slot)]));
    return true;
}

}  // namespace velo
