#include "shell/KeyMap.h"

#include "shell/MacroSender.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

constexpr KeyMap::Builtin kBuiltin[kKeyCount] = {
    {"F0", "\\e[10~", 1},
    {"F1", "\\eOP", 0},
    {"F2", "\\eOQ", 0},
    {"F3", "\\eOR", 0},
    {"F4", "\\eOS", 0},
    {"F5", "\\e[15~", 0},
    {"F6", "\\e[17~", 1},
    {"F7", "\\e[18~", 1},
    {"F8", "\\e[19~", 0},
    {"F9", "\\e[20~", 1},
    {"F10", "\\e[21~", 1},
    {"F11", "\\e[23~", 1},
    {"F12", "\\e[24~", 1},
    {"F13", "\\e[25~", 1},
    {"F14", "\\e[26~", 1},
    {"F15", "\\e[28~", 1},
    {"F16", "\\e[29~", 1},
    {"F17", "\\e[31~", 1},
    {"F18", "\\e[32~", 1},
    {"F19", "\\e[33~", 1},
    {"F20", "\\e[34~", 1},
    {"UP", "\\e[A", 1},
    {"DOWN", "\\e[B", 1},
    {"RIGHT", "\\e[C", 1},
    {"LEFT", "\\e[D", 1},
    {"HOME", "\\e[1~", 1},
    {"INSERT", "\\e[2~", 1},
    {"DELETE", "\\e[3~", 1},
    {"END", "\\e[4~", 1},
    {"PAGEUP", "\\e[5~", 0},
    {"PAGEDOWN", "\\e[6~", 0},
    {"BACKSPACE", "\\127", 0},
    {"KEYPAD 0", "\\eOp", 1},
    {"KEYPAD 1", "\\eOq", 1},
    {"KEYPAD 2", "\\eOr", 1},
    {"KEYPAD 3", "\\eOs", 1},
    {"KEYPAD 4", "\\eOt", 1},
    {"KEYPAD 5", "\\eOu", 1},
    {"KEYPAD 6", "\\eOv", 1},
    {"KEYPAD 7", "\\eOw", 1},
    {"KEYPAD 8", "\\eOx", 1},
    {"KEYPAD 9", "\\eOy", 1},
    {"KEYPAD +", "\\eOk", 1},
    {"KEYPAD -", "\\eOm", 1},
    {"KEYPAD *", "\\eOj", 1},
    {"KEYPAD /", "\\eOo", 1},
    {"KEYPAD =", "\\eOX", 1},
    {"KEYPAD .", "\\eOn", 1},
    {"KEYPAD ,", "\\eOl", 1},
    {"KEYPAD ENTER", "\\eOM", 1},
};

constexpr const char* kSection = "Keyboard";

std::string SwitchEntry(const char* name) { return std::string("bActByKeyboard") + name; }

}  // namespace

const KeyMap::Builtin& KeyMap::Default(int index) { return kBuiltin[index]; }

KeyMap::KeyMap()
{
    for (int i = 0; i < kKeyCount; ++i)
        ResetToDefault(i);
}

void KeyMap::Load(SettingsStore& store)
{
    for (int i = 0; i < kKeyCount; ++i) {
        const Builtin& b = kBuiltin[i];
        e_[i].sequence = store.ReadString(kSection, b.name, b.sequence);
        e_[i].on = store.ReadInt(kSection, SwitchEntry(b.name), b.on) != 0;
    }
}

void KeyMap::Save(SettingsStore& store) const
{
    for (int i = 0; i < kKeysInDialog; ++i) {
        store.WriteString(kSection, kBuiltin[i].name, e_[i].sequence);
        store.WriteInt(kSection, SwitchEntry(kBuiltin[i].name), e_[i].on ? 1 : 0);
    }
}

bool KeyMap::IsSet(int index) const { return index >= 0 && index < kKeyCount && e_[index].on; }

const std::string& KeyMap::Sequence(int index) const
{
    static const std::string none;
    return (index >= 0 && index < kKeyCount) ? e_[index].sequence : none;
}

void KeyMap::Set(int index, std::string sequence, bool on)
{
    if (index < 0 || index >= kKeyCount)
        return;
    e_[index].sequence = std::move(sequence);
    e_[index].on = on;
}

void KeyMap::ResetToDefault(int index)
{
    if (index < 0 || index >= kKeyCount)
        return;
    e_[index].sequence = kBuiltin[index].sequence;
    e_[index].on = kBuiltin[index].on != 0;
}

void KeyMap::SendKey(int index, bool alternate, const MacroSender& sender) const
{
    if (index < 0 || index >= kKeyCount)
        return;
    if (alternate && index >= kKeyUp && index <= kKeyLeft) {
        // SS3 cursor keys: ESC O A (up), B (down), C (right), D (left).
        const uint8_t seq[3] = {0x1B, 'O', uint8_t('A' + (index - kKeyUp))};
        sender.Write(seq, 3);
        return;
    }
    if (alternate && index >= kKeyPad0)
        sender.Send(kBuiltin[index].sequence);
    else
        sender.Send(e_[index].sequence);
}

}  // namespace velo
