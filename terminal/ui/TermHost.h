// What the terminal window asks of the frame that holds it: the user's key map
// and macro sender (both the shell's), and the sound scheme. The frame
// implements it; tests hand a recorder.
#pragma once

#include <cstdint>
#include <string_view>

namespace velo {

class TermHost {
public:
    virtual ~TermHost() = default;
    // True when the key map has an entry switched on for the key.
    virtual bool KeyMapped(int index) const = 0;
    // Sends the key map's entry (alternate: the application-mode form).
    virtual void SendKey(int index, bool alternate) = 0;
    // Prepared text through the macro sender (escapes expanded).
    virtual void SendMacro(const uint8_t* text, int len) = 0;
    virtual void PlaySound(std::string_view event) = 0;
};

}  // namespace velo
