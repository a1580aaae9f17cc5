// The entries of the user's key map: function keys F0..F20, the editing keys
// and the keypad. The terminal window picks the entry of a pressed key; the
// key map (the shell's) holds what each entry sends.
#pragma once

namespace velo {

enum KeyIndex : int {
    kKeyF0 = 0,
    kKeyF1 = 1,   // F1..F20 are 1..20
    kKeyUp = 21,
    kKeyDown = 22,
    kKeyRight = 23,
    kKeyLeft = 24,
    kKeyHome = 25,
    kKeyInsert = 26,
    kKeyDelete = 27,
    kKeyEnd = 28,
    kKeyPageUp = 29,
    kKeyPageDown = 30,
    kKeyBackspace = 31,
    kKeyPad0 = 32,  // KEYPAD 0..9 are 32..41, then + - * / = . , ENTER
    kKeyCount = 50,
    kKeysInDialog = 32,
};

}  // namespace velo
