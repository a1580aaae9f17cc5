// The frame's ways in to a connection besides the command line: the phone
// book, the manual dial and telnet dialogs, and "끊고 다시 걸기". Each builds
// an entry and runs the connect sequence with it.
#include <QDialog>

#include "base/CommandIds.h"
#include "connect/ConnLifecycle.h"
#include "connect/PhoneBook.h"
#include "connect/SerialDevice.h"
#include "connect/ui/DialDialog.h"
#include "connect/ui/PhoneBookDialog.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/Startup.h"

namespace velo {

void CMainFrame::createPhoneBookCommands()
{
    Handle(ID_PHONE_BOOK, [this] { OpenPhoneBook(); });
    Handle(ID_MANUAL_DIAL, [this] { ManualDial(); });
    Handle(ID_MANUAL_TELNET, [this] { ManualTelnet(); });
    Handle(ID_REDIAL, [this] { life_->Redial(); }, [this] { return life_ && life_->CanRedial(); });
}

void CMainFrame::OpenPhoneBook()
{
    // A direct-port entry chooses among the ports of the COM menu.
    ComPortList ports;
    for (int n = 1; n <= 9; ++n)
        ports.push_back({QStringLiteral("COM%1").arg(n), QString::fromStdString(ComDevicePath(rt_.Settings(), n))});
    PhoneBookDialog d(rt_.Settings(), std::move(ports), this);
    if (d.exec() == QDialog::Accepted && d.Chosen())
        ConnectEntry(*d.Chosen());
}

void CMainFrame::ManualDial()
{
    DialDialog d(rt_.Settings(), HistoryKind::PhoneNumber, this);
    if (d.exec() != QDialog::Accepted)
        return;
    // A fresh entry keeps its default name and screen.
    PhoneBookEntry e;
    e.kind = kEntryModem;
    SetEntryText(e.number, d.Text().toStdString());
    ConnectEntry(e);
}

void CMainFrame::ManualTelnet()
{
    DialDialog d(rt_.Settings(), HistoryKind::Host, this);
    if (d.exec() != QDialog::Accepted)
        return;
    ConnectTelnetText(d.Text().toStdString());
}

bool CMainFrame::ConnectTelnetText(const std::string& text)
{
    // "host 2323" reaches port 2323 rather than a host named so.
    auto dest = ParseTelnetCommandLine(text);
    if (!dest)
        return false;
    PhoneBookEntry e;
    e.kind = kEntryTelnet;
    SetEntryText(e.number, dest->host);
    e.port = dest->port;
    return ConnectEntry(e);
}

}  // namespace velo
