#include "connect/ConnLifecycle.h"

#include <cstdio>
#include <string>

#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "base/Flags.h"
#include "connect/ConnUi.h"
#include "base/FrameSink.h"
#include "connect/LineService.h"
#include "connect/TelnetSocket.h"

namespace velo {

ConnLifecycle::ConnLifecycle(ConnFacade& conn, ConnFrame* frame, ConnTerminal* term, UiLoop* loop)
    : conn_(conn), frame_(frame), term_(term), loop_(loop), delivery_(conn, term)
{
}

ConnLifecycle::~ConnLifecycle()
{
    if (UiLoop* l = Loop()) {
        if (safetyTimer_)
            l->StopTimer(safetyTimer_);
        if (preSendTimer_)
            l->StopTimer(preSendTimer_);
    }
}

ConnFrame* ConnLifecycle::Frame() const { return frame_ ? frame_ : conn_.Frame(); }
ConnTerminal* ConnLifecycle::Terminal() const { return term_ ? term_ : conn_.Terminal(); }
UiLoop* ConnLifecycle::Loop() const { return loop_ ? loop_ : conn_.Loop(); }

void ConnLifecycle::Start()
{
    UiLoop* l = Loop();
    if (!l || safetyTimer_)
        return;
    safetyTimer_ = l->StartTimer(kSafetyIntervalMs, true, [this] {
        if (conn_.State().Connected)
            delivery_.Deliver();
    });
}

bool ConnLifecycle::Handle(int id)
{
    switch (id) {
    case CMD_CONN_DATA:
        delivery_.Deliver();
        return true;
    case CMD_CONN_CONNECTED:
        OnConnected();
        return true;
    case CMD_CONN_CLOSED:
        OnClosed();
        return true;
    case CMD_CONN_REDIAL:
        OnRedial();
        return true;
    case CMD_TRANSFER_DONE:
        OnTransferDone(nullptr, 0, false);
        return true;
    case CMD_PORT_OPENED:
        OnPortOpened();
        return true;
    case CMD_PORT_CLOSED:
        OnPortClosed();
        return true;
    case ID_CONN_HANGUP:
        Disconnect();
        return true;
    default:
        return false;
    }
}

// Common to both "up" handlers: flags, title, tick count, terminal, favourites.
void ConnLifecycle::MarkUp()
{
    conn_.State().Connected = true;
    conn_.State().Connecting = false;
    ConnFrame* f = Frame();
    if (f)
        f->SetTitle(std::string(kProgramName) + " - " + current_.name);
    connectedAt_ = std::chrono::steady_clock::now();
}

void ConnLifecycle::OnConnected()
{
    ConnFrame* f = Frame();
    ConnTerminal* t = Terminal();
    if (t && EntryIsTelnet(current_)) {
        std::string host = current_.number;
        unsigned long port = static_cast<unsigned long>(current_.port);
        if (TelnetSocket* s = conn_.Telnet(); s && !s->PeerAddress().empty()) {
            host = s->PeerAddress();
            port = s->PeerPort();
        }
        char text[160];
        std::snprintf(text, sizeof text, "\r\n%s:%lu 에 연결됨.\r\n\r\n", host.c_str(), port);
        t->WriteText(text);
    }
    conn_.Flags().TermShared.ServiceKind = (current_.service >= 0 && current_.service < kServiceOther) ? current_.service
                                                                              : kServiceOther;
    if (f)
        f->PlaySound("연결됨");
    MarkUp();
    if (t) {
        t->SetLogin(current_);
        t->ConnectionChanged(true);
    }
    if (f)
        f->EnableFavourites(true);
    StopPreSendTimer();
    if (UiLoop* l = Loop()) {
        preSendTimer_ = l->StartTimer(kPreSendDelayMs, false, [this] {
            preSendTimer_ = 0;
            ConnFrame* fr = Frame();
            if (fr && conn_.State().Connected && current_.preSend[0])
                fr->SendPreSend(current_.preSend);
        });
    }
}

void ConnLifecycle::OnPortOpened()
{
    conn_.Flags().TermShared.ServiceKind = kServiceOther;
    MarkUp();
    if (ConnTerminal* t = Terminal())
        t->ConnectionChanged(true);
    if (ConnFrame* f = Frame())
        f->EnableFavourites(true);
}

void ConnLifecycle::StopPreSendTimer()
{
    if (preSendTimer_) {
        if (UiLoop* l = Loop())
            l->StopTimer(preSendTimer_);
        preSendTimer_ = 0;
    }
}

// Common to both "down" handlers once the message and the sound are done.
void ConnLifecycle::MarkDown()
{
    conn_.State().Connected = false;
    conn_.State().Connecting = false;
    conn_.Flags().TermShared.ServiceKind = kServiceOther;
    StopPreSendTimer();
    ConnFrame* f = Frame();
    if (f)
        f->SetTitle(kProgramName);
    conn_.Flags().DataEvent.Set();
    if (f) {
        f->WaitTransferThreads(kTransferWaitMs);
        f->EnableFavourites(false);
    }
    if (ConnTerminal* t = Terminal())
        t->ConnectionChanged(false);
}

void ConnLifecycle::OnClosed()
{
    if (conn_.State().Connecting && EntryIsTelnet(current_)) {
        if (ConnTerminal* t = Terminal())
            t->WriteText("연결 실패.\r\n");
    }
    if (conn_.State().Connected) {
        if (ConnFrame* f = Frame())
            f->PlaySound("연결끊김");
    }
    MarkDown();
}

void ConnLifecycle::OnPortClosed() { MarkDown(); }

void ConnLifecycle::OnRedial()
{
    // A re-dial that the user's hang-up overtook is dropped.
    if (LineService* modem = conn_.Modem(); modem && !modem->TakeRedial())
        return;
    conn_.ConnDial(current_);
}

void ConnLifecycle::OnTransferDone(const uint8_t* leftover, int len, bool hangUpAfter)
{
    if (ConnFrame* f = Frame())
        f->PlaySound("파일전송완료");
    delivery_.FeedLeftover(leftover, len);
    if (hangUpAfter) {
        conn_.Out().frame.PostCommand(ID_CONN_HANGUP);
    }
}

bool ConnLifecycle::Connect(const PhoneBookEntry& entry, bool askFirst)
{
    if (conn_.State().Connected || conn_.State().Connecting) {
        ConnFrame* f = Frame();
        if (askFirst && (!f || !f->Ask("연결되어 있습니다.\n끊으시겠습니까?")))
            return false;
        Disconnect();
    }
    current_ = entry;
    delivery_.DropRemainder();
    if (ConnFrame* f = Frame())
        f->PrepareTerminal(current_);
    conn_.ConnDial(current_);
    return true;
}

bool ConnLifecycle::Redial()
{
    if (!CanRedial())
        return false;
    const PhoneBookEntry again = current_;
    return Connect(again, false);
}

bool ConnLifecycle::ConnectComPort(int n)
{
    if (conn_.State().Connected || conn_.State().Connecting) {
        ConnFrame* f = Frame();
        if (!f || !f->Ask("연결되어 있습니다.\n끊으시겠습니까?"))
            return false;
        Disconnect();
    }
    current_ = PhoneBookEntry{};
    current_.kind = kEntryComPort;
    current_.port = n;
    std::string port = "COM" + std::to_string(n);
    SetEntryText(current_.name, port);
    SetEntryText(current_.number, port);
    delivery_.DropRemainder();
    if (conn_.ConnOpenPort(current_))
        return true;
    Disconnect();
    if (ConnFrame* f = Frame()) {
        char text[64];
        std::snprintf(text, sizeof text, "COM%d를 열 수 없습니다.", n);
        f->Message(text, kProgramName, MsgIcon::Exclamation);
    }
    return false;
}

void ConnLifecycle::Disconnect()
{
    // Between a busy call's close and its re-dial neither flag is set, but a
    // hang-up (the dialling window's cancel) must still stop the re-dial.
    if (LineService* modem = conn_.Modem())
        modem->CancelRedial();
    if (!conn_.State().Connected && !conn_.State().Connecting)
        return;
    conn_.State().Connected = false;
    conn_.State().Connecting = false;
    StopPreSendTimer();
    conn_.Flags().DataEvent.Set();
    ConnFrame* f = Frame();
    if (f) {
        f->WaitTransferThreads(kTransferWaitMs);
        f->EnableFavourites(false);
    }
    if (ConnTerminal* t = Terminal())
        t->ConnectionChanged(false);
    conn_.ConnHangUp();
    if (f)
        f->PlaySound("연결끊김");
}

}  // namespace velo
