// The frame's serial and modem commands: "COM&1".."COM&9" (a direct port
// connection), "COM1설정".."COM9설정", "COM 포트 반응조절", "모뎀 설정", and
// the dialling window the modem path opens.
#include <QMessageBox>

#include "base/CommandIds.h"
#include "connect/ConnLifecycle.h"
#include "connect/LineService.h"
#include "connect/ui/DialWindow.h"
#include "connect/ui/ModemDialogs.h"
#include "connect/ui/SerialDialogs.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"

namespace velo {

void CMainFrame::createSerialCommands()
{
    for (int n = 1; n <= 9; ++n) {
        Handle(ID_COM_FIRST + n - 1, [this, n] {
            if (life_)
                life_->ConnectComPort(n);
            RefreshStatusBar();
        });
        Handle(ID_COM_SETTINGS[n - 1], [this, n] {
            PortSettingsDialog d(rt_.Settings(), n, this);
            d.exec();
        });
    }
    Handle(ID_COM_RESPONSE, [this] {
        ComResponseDialog d(rt_.Settings(), this);
        d.exec();
    });
    // Without a usable modem the service asks whether to set one up, and
    // comes back to OpenModemSettings.
    Handle(ID_MODEM_SETTINGS, [this] {
        if (rt_.Modem().Initialise())
            OpenModemSettings();
    });
}

bool CMainFrame::OpenModemSettings()
{
    ModemSettingsDialog d(rt_.Settings(), this);
    d.exec();
    return true;
}

void CMainFrame::OpenDialWindow(const PhoneBookEntry& entry)
{
    if (dialWindow_)
        return;
    auto* d = new DialWindow(entry, flags_.ConnState, [this] { rt_.Out().frame.PostCommand(ID_CONN_HANGUP); }, this);
    dialWindow_ = d;
    d->show();
}

bool CMainFrame::DialWindowOpen() { return !dialWindow_.isNull(); }

void CMainFrame::CloseDialWindow()
{
    if (dialWindow_)
        dialWindow_->close();
}

}  // namespace velo
