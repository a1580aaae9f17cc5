// What the terminal window asks of the frame that holds it: the frame's
// commands as actions, the user's key map and macro sender (both the
// shell's), and the sound scheme. The frame implements it; tests hand a
// recorder (tests/shell/Fakes.h). All calls come on the UI thread.
#pragma once

#include <cstdint>
#include <string_view>

class QAction;

namespace velo {

// The terminal's context menu has mnemonics and key hints of its own: an
// action whose label there differs from its text carries that label as this
// property (a QString); the others show their text.
inline constexpr char kPopupTextProperty[] = "popupText";

class TermHost {
public:
    virtual ~TermHost() = default;

    // The frame's action for a command id (base/CommandIds.h), or null when
    // the frame has none. Its text, shortcut and enabled rule are the
    // command's; triggering it runs the command.
    virtual QAction* Action(int id) const = 0;
    // Brings the actions' enabled and checked states up to date (before a
    // popup shows them).
    virtual void UpdateCommandUi() = 0;

    // True when the key map has an entry switched on for the key.
    virtual bool KeyMapped(int index) const = 0;
    // Sends the key map's entry (alternate: the application-mode form).
    virtual void SendKey(int index, bool alternate) = 0;
    // Prepared text through the macro sender (escapes expanded).
    virtual void SendMacro(const uint8_t* text, int len) = 0;
    virtual void PlaySound(std::string_view event) = 0;
};

// A window without a frame (tools, benchmarks): no commands, no key map, no
// macros, silence.
class NullTermHost : public TermHost {
public:
    QAction* Action(int) const override { return nullptr; }
    void UpdateCommandUi() override {}
    bool KeyMapped(int) const override { return false; }
    void SendKey(int, bool) override {}
    void SendMacro(const uint8_t*, int) override {}
    void PlaySound(std::string_view) override {}
};

}  // namespace velo
