// The frame's prepared-text commands: the ten macros (Ctrl+1 .. Ctrl+0, the
// macro bar, "매크로 정의") and the key map dialog "기능키".
#include "base/CommandIds.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/MacroDialogs.h"
#include "shell/MacroSet.h"

namespace velo {

void CMainFrame::createMacroCommands()
{
    rt_.MacroTexts().Load(rt_.Settings());
    // Always offered; refused when run while the host is busy, as the
    // function keys are.
    for (int slot = 0; slot < MacroSet::kSlots; ++slot)
        Handle(MacroSlotCommand(slot), [this, slot] { RunMacro(slot); });
    Handle(ID_MACRO_DEFINE, [this] {
        MacroDefineDialog d(rt_.MacroTexts(), rt_.Settings(), this);
        d.exec();
    });
    Handle(ID_KEYBOARD, [this] { OpenKeyMapDialog(); });
}

bool CMainFrame::RunMacro(int slot) { return rt_.MacroTexts().Run(slot, flags_, rt_.Macros()); }

KeyMapDialog* CMainFrame::KeyMapWindow() const { return qobject_cast<KeyMapDialog*>(keyMapDialog_.data()); }

void CMainFrame::OpenKeyMapDialog()
{
    if (keyMapDialog_) {
        keyMapDialog_->show();
        keyMapDialog_->raise();
        keyMapDialog_->activateWindow();
        return;
    }
    auto* d = new KeyMapDialog(
        rt_.Keys(), rt_.Settings(), [this] { return HostFree(); },
        [this](int index) { rt_.Keys().SendKey(index, false, rt_.Macros()); }, this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    keyMapDialog_ = d;
    d->show();
}

}  // namespace velo
