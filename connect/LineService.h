// Modem dialling on Linux: the operations of a telephony line service, done
// with Hayes AT commands on the modem's serial device.
//
//   list data-modem lines   the modems kept in settings (LoadModems)
//   open a line             exclusive open of the modem's device, raw 8N1 at
//                           its rate, DTR up, "ATE0V1" and its "UserInit"
//   place a data call       "ATDT<number>"; the result codes become call
//                           states and disconnect modes (OnCallState)
//   byte stream of the call a duplicate of the line's descriptor, handed to
//                           CommLine, which from then on reads and writes it
//   drop the call           DTR dropped, then "+++" and "ATH0"
//   close the line          the device closed
//
// Result codes: CONNECT → connected; BUSY → busy; NO DIALTONE → no dial
// tone; NO ANSWER, and NO CARRIER before CONNECT, → no answer; ERROR after
// the dial command → bad address; DELAYED, BLACKLISTED → unavailable;
// VOICE → normal. A dial with no result for the dial time-out is unknown. Busy
// and no answer re-dial through CMD_CONN_REDIAL, without limit. Once
// connected, a hang-up on the device or a carrier drop is a normal disconnect.
//
// Settings: "모뎀설정"/"현재사용모뎀" (the current modem's index, default 0)
// and one section per modem, "Modem0000".."Modem0049", with "Name",
// "Device", "UserInit" and "BaudRate" (default 115200). The list ends at the
// first section without a "Device".
//
// UI thread only. Waits for the modem's replies let UI events run
// (UiLoop::ProcessEvents).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "connect/CommLine.h"
#include "connect/PhoneBookEntry.h"

namespace velo {

class UiLoop;

enum class CallState { Idle, Offering, Accepted, DialTone, Dialing, Ringback, Proceeding, Busy, SpecialInfo, Connected, Disconnected };
enum class DisconnectMode { Normal, Unknown, Reject, Pickup, Forwarded, Busy, NoAnswer, BadAddress, Unreachable, Congestion, Incompatible, Unavail, NoDialtone };
// A change of the program's privilege on the call, reported with a call state.
enum class CallPrivilege { Unchanged, Monitor, Owner, Other };
enum class LineDevState { Disconnected, OutOfService, Maintenance, Removed, Other };

enum class ModemResult { None, Ok, Error, Connect, Ring, NoCarrier, NoDialtone, Busy, NoAnswer, Delayed, Blacklisted, Voice };
// One response line of the modem (verbal, or numeric after ATV0).
ModemResult ClassifyModemResult(std::string_view line);
// The dial string of a phone number: the dial characters kept, blanks, dashes
// and brackets dropped; empty when the number holds anything else (so that no
// number can carry a command of its own to the modem).
std::string ModemDialString(std::string_view number);
// The message for a disconnect mode; empty for the modes that re-dial.
std::string_view DisconnectMessage(DisconnectMode mode);

struct ModemInfo {
    std::string name;
    std::string device;
    std::string userInit;
    int baudRate = 115200;
};

class LineService : public CallOwner {
public:
    static constexpr int kMaxModems = 50;
    static constexpr int kReplyTimeoutMs = 10000;
    static constexpr int kDialTimeoutMs = 90000;
    static constexpr int kCarrierCheckMs = 1000;

    // loop null: the facade's UI loop.
    LineService(ConnFacade& conn, CommLine& comm, UiLoop* loop = nullptr);
    ~LineService() override;
    LineService(const LineService&) = delete;
    LineService& operator=(const LineService&) = delete;

    static std::vector<ModemInfo> LoadModems(SettingsStore& s);
    // Writes the whole list, ending it after the last one.
    static void SaveModems(SettingsStore& s, const std::vector<ModemInfo>& modems);
    static int CurrentModem(SettingsStore& s);
    static void SetCurrentModem(SettingsStore& s, int index);

    // Reads "현재사용모뎀" and the list. Without a usable modem: asks
    // "모뎀이 없거나 설치가 제대로 되지 않았습니다.\n지금 모뎀 설치를
    // 하시겠습니까?", on Yes opens the modem settings (or says
    // "모뎀 설정을 실행할 수 없습니다."), and fails.
    bool Initialise();
    const std::vector<ModemInfo>& Modems() const { return modems_; }

    // ConnDial for a modem entry: opens the line, initialises the modem and
    // sends the dial command. True when the call is under way.
    bool Dial(const PhoneBookEntry& entry);
    // Exit: drops any call and closes the line.
    void Shutdown();

    // CallOwner
    bool CallActive() const override { return lineFd_ >= 0; }
    void CloseCall() override;

    // The callback, UI thread. Reports for another call than the current one
    // are ignored.
    void OnCallState(unsigned call, CallState state, DisconnectMode mode = DisconnectMode::Normal,
                     CallPrivilege privilege = CallPrivilege::Unchanged);
    void OnLineDevState(LineDevState state);
    unsigned CurrentCall() const { return call_; }
    // CMD_CONN_REDIAL is honoured only while the re-dial it announces is
    // still wanted: a hang-up in between cancels it, so that a busy line
    // stops re-dialling the moment the user hangs up.
    bool TakeRedial() { return std::exchange(redialWanted_, false); }
    void CancelRedial() { redialWanted_ = false; }
    bool CallConnected() const { return connected_; }

    void SetReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }
    void SetDialTimeoutMs(int ms) { dialTimeoutMs_ = ms; }
    // DTR low time and the "+++" guard time of the hang-up.
    void SetHangUpTimings(int dtrMs, int guardMs) { dtrDropMs_ = dtrMs, guardMs_ = guardMs; }

private:
    void NoModem();
    UiLoop* Loop() const;
    // Closes the connection (CommLine::Close, which comes back to CloseCall).
    void CloseConnection();
    // Sends an AT command and waits for its final result.
    ModemResult Command(std::string_view cmd, int timeoutMs);
    bool WriteAll(std::string_view text);
    // Reads what the modem sent; complete lines are classified. Returns the
    // first final result seen (None if none). *hangup set on end of device.
    ModemResult ReadResults(bool* hangup);
    // Waits up to ms for input on the line while UI events run.
    void WaitLine(int ms);
    void OnLineReadable();
    void OnDialTimeout();
    void CheckCarrier();
    void StopWatching();
    void HangUp(bool wasConnected);

    ConnFacade& conn_;
    CommLine& comm_;
    UiLoop* loopArg_;
    std::vector<ModemInfo> modems_;
    int current_ = 0;
    PhoneBookEntry entry_;
    std::string lineDevice_;
    int lineFd_ = -1;
    unsigned call_ = 0;
    unsigned nextCall_ = 0;
    bool connected_ = false;
    bool closing_ = false;
    bool redialWanted_ = false;
    int carrierAtConnect_ = -1;
    int watch_ = 0;
    int dialTimer_ = 0;
    int carrierTimer_ = 0;
    std::string rx_;
    int replyTimeoutMs_ = kReplyTimeoutMs;
    int dialTimeoutMs_ = kDialTimeoutMs;
    int dtrDropMs_ = 500;
    int guardMs_ = 1000;
};

}  // namespace velo
