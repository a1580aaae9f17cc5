#include "connect/Conn.h"

#include <chrono>
#include <cstdio>

#include "connect/CommLine.h"
#include "connect/ConnUi.h"
#include "connect/LineService.h"
#include "connect/TelnetSocket.h"

namespace velo {

ConnLine* ConnFacade::OpenSerial() const
{
    ConnLine* l = serial_.load(std::memory_order_acquire);
    return (l && l->IsOpen()) ? l : nullptr;
}

ConnLine* ConnFacade::OpenTelnet() const
{
    ConnLine* l = telnet_.load(std::memory_order_acquire);
    return (l && l->IsOpen()) ? l : nullptr;
}

void ConnFacade::SetTerminal(ConnTerminal* term)
{
    term_.store(term, std::memory_order_release);
    SetEchoTarget(term);
}

void ConnFacade::SetCommLine(CommLine* comm)
{
    comm_.store(comm, std::memory_order_release);
    SetSerialLine(comm);
}

void ConnFacade::SetTelnetSocket(TelnetSocket* telnet)
{
    telnetSocket_.store(telnet, std::memory_order_release);
    SetTelnetLine(telnet);
}

int ConnFacade::ConnWrite(const uint8_t* data, int len)
{
    if (len < 0 || (len > 0 && !data))
        return -1;
    ConnStateFlags& st = State();
    if (st.LocalEcho && !st.Receiving && !st.Sending) {
        ConnEchoTarget* t = echo_.load(std::memory_order_acquire);
        if (t && !t->Frozen())
            t->FeedEcho(data, len);
    }
    if (ConnLine* s = OpenSerial())
        return s->Write(data, len);
    if (ConnLine* t = OpenTelnet())
        return t->Write(data, len);
    return -1;
}

int ConnFacade::ConnRead(uint8_t* buf, int wanted)
{
    if (!buf || wanted < 0)
        return -1;
    if (ConnLine* s = OpenSerial())
        return s->Read(buf, wanted, kConnReadBuffer);
    if (ConnLine* t = OpenTelnet())
        return t->Read(buf, wanted, kConnReadBuffer);
    return -1;
}

int ConnFacade::ConnAvailable()
{
    if (ConnLine* s = OpenSerial())
        return s->Available();
    if (ConnLine* t = OpenTelnet())
        return t->Available();
    return 0;
}

ConnLineKind ConnFacade::ConnKind()
{
    if (OpenSerial())
        return ConnLineKind::Serial;
    if (OpenTelnet())
        return ConnLineKind::Telnet;
    return ConnLineKind::None;
}

bool ConnFacade::ConnOpenPort(const PhoneBookEntry& entry)
{
    State().Connected = false;
    State().Connecting = true;
    CommLine* comm = Comm();
    return comm && comm->Open(entry.port);
}

bool ConnFacade::ConnDial(const PhoneBookEntry& entry)
{
    State().Connected = false;
    State().Connecting = true;
    ConnFrame* frame = Frame();
    bool ok = false;
    if (EntryIsTelnet(entry)) {
        if (ConnTerminal* term = Terminal()) {
            char text[128];
            std::snprintf(text, sizeof text, "\r\n%s 에 연결중...\r\n", entry.number);
            term->WriteText(text);
        }
        TelnetSocket* telnet = Telnet();
        ok = telnet && telnet->Connect(entry);
    } else if (EntryIsComPort(entry)) {
        // Re-dialling a direct-port entry opens its port again.
        ok = ConnOpenPort(entry);
    } else {
        if (frame && !frame->DialWindowOpen())
            frame->OpenDialWindow(entry);
        LineService* modem = Modem();
        ok = modem && modem->Dial(entry);
    }
    if (!ok) {
        // Nothing is under way: the dialling window closes itself on this.
        State().Connecting = false;
        if (frame)
            frame->Message("연결을 할 수 없습니다.", kProgramName, MsgIcon::Exclamation);
    }
    return ok;
}

void ConnFacade::ConnHangUp()
{
    // The lines close first: while the dialling window is still going away,
    // a busy report must not start another dial.
    if (LineService* modem = Modem())
        modem->CancelRedial();
    if (CommLine* comm = Comm())
        comm->Close();
    if (TelnetSocket* telnet = Telnet())
        telnet->Close();
    ConnFrame* frame = Frame();
    if (frame && frame->DialWindowOpen()) {
        // The window closes itself within 500 ms once Connecting is clear;
        // let it, but never wait on it for long.
        UiLoop* loop = Loop();
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (loop && frame->DialWindowOpen() && std::chrono::steady_clock::now() < until)
            loop->ProcessEvents(50);
        if (frame->DialWindowOpen())
            frame->CloseDialWindow();
    }
}

}  // namespace velo
