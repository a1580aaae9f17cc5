// The key map: what the function keys and editing keys send. 50 entries, each
// with a name, a built-in sequence in the macro language, a built-in switch,
// and the user's current sequence and switch. Stored in section "Keyboard":
// the key's name holds the sequence, "bActByKeyboard<name>" the switch.
#pragma once

#include <array>
#include <string>

#include "base/KeyIndex.h"

namespace velo {

class MacroSender;
class SettingsStore;


class KeyMap {
public:
    struct Builtin {
        const char* name;
        const char* sequence;
        int on;
    };
    static const Builtin& Default(int index);  // index must be 0..49

    KeyMap();
    // All 50 entries from the store.
    void Load(SettingsStore& store);
    // Entries 0 to 31, sequence then switch (the dialog's OK).
    void Save(SettingsStore& store) const;

    bool IsSet(int index) const;  // false outside 0..49
    const std::string& Sequence(int index) const;
    void Set(int index, std::string sequence, bool on);
    void ResetToDefault(int index);

    // Sends a key: with alternate, the arrows write ESC O A..D directly and the
    // keypad keys send their built-in sequence; otherwise the current sequence
    // goes through the macro sender. Nothing outside 0..49.
    void SendKey(int index, bool alternate, const MacroSender& sender) const;

private:
    struct Entry {
        std::string sequence;
        bool on = false;
    };
    std::array<Entry, kKeyCount> e_;
};

}  // namespace velo
