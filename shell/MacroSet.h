// The ten macros: lines of text in the macro language, slots 0 to 9, sent to
// the host by Ctrl+1 .. Ctrl+9 (slots 0 to 8) and Ctrl+0 (slot 9) and by the
// macro bar. Stored in section "매크로", entry "매크로<slot>", as the user
// typed them (UTF-8); they go out in the host's code (CP949).
#pragma once

#include <array>
#include <string>

namespace velo {

class MacroSender;
class SettingsStore;
struct SharedFlags;

class MacroSet {
public:
    static constexpr int kSlots = 10;
    // A stored macro longer than this is cut (at a character) when loaded,
    // so a damaged settings file cannot make one key send for minutes.
    static constexpr size_t kMaxBytes = 4096;

    void Load(SettingsStore& store);
    // All ten entries (the define dialog's OK).
    void Save(SettingsStore& store) const;

    const std::string& Text(int slot) const;  // "" outside 0..9
    void SetText(int slot, std::string text);

    // Sends slot's text through the sender. Refused (false) while a
    // transfer runs (Sending, Receiving), the scrollback view is open
    // (Frozen), or for a slot outside 0..9.
    bool Run(int slot, const SharedFlags& flags, const MacroSender& sender) const;

private:
    std::array<std::string, kSlots> text_;
};

}  // namespace velo
