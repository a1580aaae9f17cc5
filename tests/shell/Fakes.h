// Shared fakes of the shell's window tests.
//
// RecordingTermHost stands in for the frame behind a terminal window: the
// shell's own key map (built-in entries unless a test sets some) and macro
// sender over the test's connection facade, so a test sees on the line the
// bytes a key or a click sends; the sounds asked for are recorded, and the
// actions a test registers are handed out as the frame's.
#pragma once

#include <QAction>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "connect/Conn.h"
#include "shell/KeyMap.h"
#include "shell/MacroSender.h"
#include "terminal/ui/TermHost.h"

namespace velo::test {

class RecordingTermHost : public TermHost {
public:
    explicit RecordingTermHost(ConnFacade& conn)
        : macros([&conn](const uint8_t* p, int n) { conn.ConnWrite(p, n); })
    {
    }
    QAction* Action(int id) const override
    {
        auto it = actions.find(id);
        return it == actions.end() ? nullptr : it->second;
    }
    void UpdateCommandUi() override { ++updates; }
    bool KeyMapped(int index) const override { return keys.IsSet(index); }
    void SendKey(int index, bool alternate) override { keys.SendKey(index, alternate, macros); }
    void SendMacro(const uint8_t* text, int len) override { macros.Send(text, len); }
    void PlaySound(std::string_view event) override { sounds.emplace_back(event); }

    KeyMap keys;
    MacroSender macros;
    std::map<int, QAction*> actions;
    int updates = 0;
    std::vector<std::string> sounds;
};

}  // namespace velo::test
