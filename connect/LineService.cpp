#include "connect/LineService.h"

#include <cerrno>
#include <fcntl.h>
#include <cstdio>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "base/CommandIds.h"
#include "connect/ConnUi.h"
#include "base/FrameSink.h"
#include "connect/SerialDevice.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"

namespace velo {

namespace {

constexpr size_t kLineMax = 256;

std::string ModemSection(int i)
{
    char sec[24];
    std::snprintf(sec, sizeof sec, "Modem%04d", i);
    return sec;
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

void ShowMessage(ConnFrame* f, std::string_view text, MsgIcon icon)
{
    if (f)
        f->Message(text, kProgramName, icon);
}

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point until)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

ModemResult ClassifyModemResult(std::string_view line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    if (line.empty())
        return ModemResult::None;
    if (std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }) && line.size() <= 3) {
        int code = std::stoi(std::string(line));
        switch (code) {
        case 0: return ModemResult::Ok;
        case 1: return ModemResult::Connect;
        case 2: return ModemResult::Ring;
        case 3: return ModemResult::NoCarrier;
        case 4: return ModemResult::Error;
        case 6: return ModemResult::NoDialtone;
        case 7: return ModemResult::Busy;
        case 8: return ModemResult::NoAnswer;
        default: return code >= 5 ? ModemResult::Connect : ModemResult::None;  // 5, 10+: CONNECT <rate>
        }
    }
    if (line == "OK")
        return ModemResult::Ok;
    if (line == "ERROR")
        return ModemResult::Error;
    if (line == "CONNECT" || StartsWith(line, "CONNECT ") || StartsWith(line, "CONNECT/"))
        return ModemResult::Connect;
    if (line == "RING")
        return ModemResult::Ring;
    if (line == "NO CARRIER")
        return ModemResult::NoCarrier;
    if (line == "NO DIALTONE" || line == "NO DIAL TONE")
        return ModemResult::NoDialtone;
    if (line == "BUSY")
        return ModemResult::Busy;
    if (line == "NO ANSWER")
        return ModemResult::NoAnswer;
    if (StartsWith(line, "DELAYED"))
        return ModemResult::Delayed;
    if (StartsWith(line, "BLACKLISTED"))
        return ModemResult::Blacklisted;
    if (line == "VOICE")
        return ModemResult::Voice;
    return ModemResult::None;
}

std::string ModemDialString(std::string_view number)
{
    static constexpr std::string_view kDial = "0123456789*#,;!@WwTtPp+ABCDabcd";
    static constexpr std::string_view kSkip = " -().";
    std::string out;
    for (char c : number) {
        if (kSkip.find(c) != std::string_view::npos)
            continue;
        if (kDial.find(c) == std::string_view::npos)
            return {};
        out += c;
    }
    return out;
}

std::string_view DisconnectMessage(DisconnectMode mode)
{
    switch (mode) {
    case DisconnectMode::Reject:
        return "원격 컴퓨터가 연결을 거부했습니다.";
    case DisconnectMode::Pickup:
        return "앗! 누가 수화기를 들었습니다!\n학생 이시면 컴퓨터를 끄시고 공부하는 척 하십시오.";
    case DisconnectMode::Busy:
    case DisconnectMode::NoAnswer:
    case DisconnectMode::Unreachable:
    case DisconnectMode::Congestion:
        return {};
    case DisconnectMode::BadAddress:
        return "전화 번호가 올바르지 않습니다.";
    case DisconnectMode::NoDialtone:
        return "발신음이 없습니다.\n전화선이 모뎀에 연결되어 있는지 확인하십시오.";
    default:
        return "연결이 해제 되었습니다.";
    }
}

LineService::LineService(ConnFacade& conn, CommLine& comm, UiLoop* loop)
    : conn_(conn), comm_(comm), loopArg_(loop)
{
    comm_.SetCallOwner(this);
}

LineService::~LineService()
{
    Shutdown();
    comm_.SetCallOwner(nullptr);
}

UiLoop* LineService::Loop() const { return loopArg_ ? loopArg_ : conn_.Loop(); }

std::vector<ModemInfo> LineService::LoadModems(SettingsStore& s)
{
    std::vector<ModemInfo> list;
    for (int i = 0; i < kMaxModems; ++i) {
        std::string sec = ModemSection(i);
        ModemInfo m;
        m.device = s.ReadString(sec, "Device", "");
        if (m.device.empty())
            break;
        m.name = s.ReadString(sec, "Name", m.device);
        m.userInit = s.ReadString(sec, "UserInit", "").substr(0, 1023);
        m.baudRate = s.ReadInt(sec, "BaudRate", 115200);
        list.push_back(std::move(m));
    }
    return list;
}

void LineService::SaveModems(SettingsStore& s, const std::vector<ModemInfo>& modems)
{
    int n = std::min<int>(static_cast<int>(modems.size()), kMaxModems);
    for (int i = 0; i < n; ++i) {
        std::string sec = ModemSection(i);
        s.WriteString(sec, "Name", modems[i].name);
        s.WriteString(sec, "Device", modems[i].device);
        s.WriteString(sec, "UserInit", modems[i].userInit.substr(0, 1023));
        s.WriteInt(sec, "BaudRate", modems[i].baudRate);
    }
    if (n < kMaxModems)
        s.WriteString(ModemSection(n), "Device", "");
}

int LineService::CurrentModem(SettingsStore& s)
{
    return settings::ReadIntDefault(s, settings::kModems, settings::kCurrentModem);
}
void LineService::SetCurrentModem(SettingsStore& s, int index)
{
    s.WriteInt(settings::kModems, settings::kCurrentModem, index);
}

void LineService::NoModem()
{
    ConnFrame* f = conn_.Frame();
    if (!f)
        return;
    if (f->Ask("모뎀이 없거나 설치가 제대로 되지 않았습니다.\n지금 모뎀 설치를 하시겠습니까?") &&
        !f->OpenModemSettings())
        f->Message("모뎀 설정을 실행할 수 없습니다.", kProgramName, MsgIcon::Stop);
}

bool LineService::Initialise()
{
    current_ = CurrentModem(conn_.Out().settings);
    modems_ = LoadModems(conn_.Out().settings);
    if (modems_.empty()) {
        NoModem();
        return false;
    }
    if (current_ < 0 || current_ >= static_cast<int>(modems_.size()))
        current_ = 0;
    return true;
}

bool LineService::WriteAll(std::string_view text)
{
    size_t done = 0;
    auto until = Clock::now() + std::chrono::milliseconds(replyTimeoutMs_);
    while (done < text.size()) {
        ssize_t n = ::write(lineFd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd p{lineFd_, POLLOUT, 0};
        if (::poll(&p, 1, std::min(MsLeft(until), 100)) < 0 && errno != EINTR)
            return false;
        if (MsLeft(until) == 0)
            return false;
    }
    return true;
}

// One byte at a time: whatever follows the final result (the host's first
// bytes after CONNECT) stays in the queue for the data path.
ModemResult LineService::ReadResults(bool* hangup)
{
    for (;;) {
        char c;
        ssize_t n = ::read(lineFd_, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            if (hangup)
                *hangup = true;
            return ModemResult::None;
        }
        if (n < 0)
            return ModemResult::None;
        if (c != '\r' && c != '\n') {
            if (rx_.size() < kLineMax)  // an endless line is cut, never grows
                rx_ += c;
            continue;
        }
        // Verbal results end with CR LF: the line is complete at the LF, so
        // no byte after it is taken. Numeric results (ATV0) end with CR alone.
        bool numeric = !rx_.empty() && std::all_of(rx_.begin(), rx_.end(), [](char d) { return d >= '0' && d <= '9'; });
        if (c == '\r' && !numeric)
            continue;
        ModemResult r = ClassifyModemResult(rx_);
        rx_.clear();
        if (r != ModemResult::None && r != ModemResult::Ring)
            return r;
    }
}

void LineService::WaitLine(int ms)
{
    pollfd p{lineFd_, POLLIN, 0};
    int slice = std::min(ms, 20);
    if (::poll(&p, 1, slice) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        std::this_thread::sleep_for(std::chrono::milliseconds(slice));  // no busy loop on a dead line
    if (UiLoop* l = Loop())
        l->ProcessEvents(0);
}

ModemResult LineService::Command(std::string_view cmd, int timeoutMs)
{
    std::string line(cmd);
    line += '\r';
    if (!WriteAll(line))
        return ModemResult::Error;
    unsigned call = call_;
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (lineFd_ >= 0 && call_ == call) {
        bool hangup = false;
        ModemResult r = ReadResults(&hangup);
        if (r == ModemResult::Ok || r == ModemResult::Error)
            return r;
        if (hangup || MsLeft(until) == 0)
            break;
        WaitLine(MsLeft(until));
    }
    return ModemResult::None;
}

bool LineService::Dial(const PhoneBookEntry& entry)
{
    if (closing_)
        return false;
    redialWanted_ = false;
    if (lineFd_ >= 0)
        CloseConnection();
    entry_ = entry;
    if (!Initialise())
        return false;
    const ModemInfo& modem = modems_[current_];
    SerialOpenError err = SerialOpenError::None;
    int fd = OpenSerialDevice(modem.device, &err);
    if (fd < 0) {
        if (err == SerialOpenError::Busy)
            ShowMessage(conn_.Frame(), "Non-TAPI 응용 프로그램이 모뎀을 사용하고 있거나,\n다른 이유로 전화를 걸 수 없습니다.",
                        MsgIcon::Stop);
        else
            NoModem();
        return false;
    }
    SerialParams params;
    params.baudRate = modem.baudRate;
    if (!ConfigureSerial(fd, params)) {
        ::close(fd);
        NoModem();
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    lineFd_ = fd;
    lineDevice_ = modem.device;
    SetSerialDtr(fd, true);
    call_ = ++nextCall_;
    connected_ = false;
    rx_.clear();

    // Echo off, verbal results; then the modem's own initialisation, one
    // command line with its control characters removed.
    std::string init;
    for (char c : modem.userInit) {
        if (static_cast<unsigned char>(c) >= 0x20)
            init += c;
    }
    if (!init.empty() && !(init.size() >= 2 && std::toupper(static_cast<unsigned char>(init[0])) == 'A' &&
                           std::toupper(static_cast<unsigned char>(init[1])) == 'T'))
        init = "AT" + init;
    std::string number = ModemDialString(entry_.number);
    if (Command("ATE0V1", replyTimeoutMs_) != ModemResult::Ok ||
        (!init.empty() && Command(init, replyTimeoutMs_) != ModemResult::Ok) || number.empty() ||
        lineFd_ < 0 || !WriteAll("ATDT" + number + "\r")) {
        if (lineFd_ >= 0)
            CloseConnection();
        return false;
    }

    // The call is placed: its result comes through the UI loop.
    if (UiLoop* l = Loop()) {
        unsigned call = call_;
        watch_ = l->AddWatch(lineFd_, [this, call](bool, bool) {
            if (call == call_)
                OnLineReadable();
        });
        l->SetWatch(watch_, true, false);
        dialTimer_ = l->StartTimer(dialTimeoutMs_, false, [this, call] {
            dialTimer_ = 0;
            if (call == call_)
                OnDialTimeout();
        });
    }
    return true;
}

void LineService::OnLineReadable()
{
    bool hangup = false;
    ModemResult r = ReadResults(&hangup);
    unsigned call = call_;
    switch (r) {
    case ModemResult::Connect:
        OnCallState(call, CallState::Connected);
        return;
    case ModemResult::Busy:
        OnCallState(call, CallState::Disconnected, DisconnectMode::Busy);
        return;
    case ModemResult::NoDialtone:
        OnCallState(call, CallState::Disconnected, DisconnectMode::NoDialtone);
        return;
    case ModemResult::NoCarrier:
    case ModemResult::NoAnswer:
        OnCallState(call, CallState::Disconnected, DisconnectMode::NoAnswer);
        return;
    case ModemResult::Error:
        OnCallState(call, CallState::Disconnected, DisconnectMode::BadAddress);
        return;
    case ModemResult::Delayed:
    case ModemResult::Blacklisted:
        OnCallState(call, CallState::Disconnected, DisconnectMode::Unavail);
        return;
    case ModemResult::Voice:
        OnCallState(call, CallState::Disconnected, DisconnectMode::Normal);
        return;
    default:
        break;
    }
    if (hangup)
        OnLineDevState(LineDevState::Removed);
}

void LineService::OnDialTimeout() { OnCallState(call_, CallState::Disconnected, DisconnectMode::Unknown); }

void LineService::CheckCarrier()
{
    if (lineFd_ < 0 || !connected_)
        return;
    pollfd p{lineFd_, 0, 0};
    bool hup = ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
    bool dropped = carrierAtConnect_ == 1 && SerialCarrier(lineFd_) == 0;
    if (hup || dropped)
        OnCallState(call_, CallState::Disconnected, DisconnectMode::Normal);
}

void LineService::StopWatching()
{
    UiLoop* l = Loop();
    if (!l)
        return;
    if (watch_)
        l->RemoveWatch(watch_);
    if (dialTimer_)
        l->StopTimer(dialTimer_);
    if (carrierTimer_)
        l->StopTimer(carrierTimer_);
    watch_ = dialTimer_ = carrierTimer_ = 0;
}

void LineService::CloseConnection() { comm_.Close(); }

void LineService::OnCallState(unsigned call, CallState state, DisconnectMode mode, CallPrivilege privilege)
{
    if (call == 0 || call != call_)
        return;
    if (privilege != CallPrivilege::Unchanged) {
        CloseConnection();
        if (privilege != CallPrivilege::Owner)
            return;
    }
    switch (state) {
    case CallState::Busy:
    case CallState::SpecialInfo:
        CloseConnection();
        return;
    case CallState::Connected: {
        if (comm_.IsOpen() || lineFd_ < 0 || connected_)
            return;
        UiLoop* l = Loop();
        if (l && watch_) {
            l->RemoveWatch(watch_);
            watch_ = 0;
        }
        if (l && dialTimer_) {
            l->StopTimer(dialTimer_);
            dialTimer_ = 0;
        }
        int port = ::fcntl(lineFd_, F_DUPFD_CLOEXEC, 0);
        if (port < 0 || !comm_.PrepareHandedOver(port)) {
            CloseConnection();
            return;
        }
        if (call != call_)  // hung up while the port settled
            return;
        connected_ = true;
        carrierAtConnect_ = SerialCarrier(lineFd_);
        conn_.Out().frame.SendCommand(CMD_CONN_CONNECTED);
        comm_.StartPollThread();
        if (l && connected_)
            carrierTimer_ = l->StartTimer(kCarrierCheckMs, true, [this, call] {
                if (call == call_)
                    CheckCarrier();
            });
        return;
    }
    case CallState::Disconnected: {
        CloseConnection();
        std::string_view text = DisconnectMessage(mode);
        if (text.empty()) {
            redialWanted_ = true;
            conn_.Out().frame.PostCommand(CMD_CONN_REDIAL);
        } else {
            ShowMessage(conn_.Frame(), text, MsgIcon::Exclamation);
        }
        return;
    }
    default:
        return;
    }
}

void LineService::OnLineDevState(LineDevState state)
{
    switch (state) {
    case LineDevState::Disconnected:
    case LineDevState::OutOfService:
    case LineDevState::Maintenance:
        CloseConnection();
        return;
    case LineDevState::Removed:
        CloseConnection();
        ShowMessage(conn_.Frame(), "모뎀이 삭제되었습니다.", MsgIcon::Exclamation);
        modems_ = LoadModems(conn_.Out().settings);
        return;
    default:
        return;
    }
}

void LineService::HangUp(bool wasConnected)
{
    auto pause = [this](int ms) {
        auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (MsLeft(until) > 0) {
            ReadResults(nullptr);
            WaitLine(MsLeft(until));
        }
    };
    if (wasConnected) {
        // Most modems hang up on the DTR drop (&D2); "+++" and ATH0 make
        // sure of it where DTR is not wired.
        SetSerialDtr(lineFd_, false);
        pause(dtrDropMs_);
        SetSerialDtr(lineFd_, true);
        pause(guardMs_);
        WriteAll("+++");
        pause(guardMs_);
    } else {
        // Any character aborts a dial in progress.
        WriteAll("\r");
        pause(std::min(guardMs_, 200));
    }
    rx_.clear();
    Command("ATH0", std::min(replyTimeoutMs_, 2000));
}

void LineService::CloseCall()
{
    if (closing_)
        return;
    closing_ = true;
    StopWatching();
    bool hadLine = lineFd_ >= 0;
    bool wasConnected = connected_;
    call_ = 0;  // reports for this call are stale from here on
    connected_ = false;
    if (hadLine) {
        conn_.Out().frame.SendCommand(CMD_CONN_CLOSED);
    }
    comm_.ReleasePort();
    if (hadLine) {
        HangUp(wasConnected);
        ::close(lineFd_);
        lineFd_ = -1;
    }
    closing_ = false;
}

void LineService::Shutdown()
{
    if (lineFd_ >= 0)
        CloseConnection();
}

}  // namespace velo
