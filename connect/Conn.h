// The connection facade: everything else writes to and reads from the one
// open connection through it, without knowing its kind. The program has one,
// made by the shell; tests and tools make their own. Callable from any thread
// unless a call says otherwise.
//
// Behind the facade sit two slots: the serial/modem line and the telnet
// socket. The program installs its CommLine and TelnetSocket there
// (SetCommLine, SetTelnetSocket); tools and tests may install any ConnLine
// instead (a pair of descriptors, a socketpair). A slot counts only while its
// line reports IsOpen().
#pragma once

#include <atomic>
#include <cstdint>

#include "base/Outlets.h"

namespace velo {

struct PhoneBookEntry;
class CommLine;
class TelnetSocket;
class LineService;
class UiLoop;
class ConnFrame;
class ConnTerminal;

class ConnLine {
public:
    virtual ~ConnLine() = default;
    // Bytes written, or -1.
    virtual int Write(const uint8_t* data, int len) = 0;
    // Wanted 0: everything waiting, up to cap bytes. Wanted n > 0: 0 unless at
    // least n bytes wait, then exactly n (a telnet line may return fewer after
    // stripping commands). -1 on error or a closed line. Never blocks.
    virtual int Read(uint8_t* buf, int wanted, int cap) = 0;
    virtual int Available() = 0;
    virtual bool IsOpen() = 0;
};

// What the facade needs of the terminal for local echo.
class ConnEchoTarget {
public:
    virtual ~ConnEchoTarget() = default;
    virtual bool Frozen() const = 0;
    virtual void FeedEcho(const uint8_t* data, int len) = 0;
};

// Which slot serves the connection (the numbers are the ones the program has
// always reported).
enum class ConnLineKind : int { None = 0, Telnet = 1, Serial = 2 };

// The size every reader with wanted 0 must offer.
inline constexpr int kConnReadBuffer = 8192;

class ConnFacade {
public:
    explicit ConnFacade(const Outlets& out) : out_(out) {}
    ConnFacade(const ConnFacade&) = delete;
    ConnFacade& operator=(const ConnFacade&) = delete;

    // The outlets every connection object reaches the world through.
    const Outlets& Out() const { return out_; }
    SharedFlags& Flags() const { return out_.flags; }
    ConnStateFlags& State() const { return out_.flags.ConnState; }

    // Slots. Passing nullptr empties the slot.
    void SetSerialLine(ConnLine* line) { serial_.store(line, std::memory_order_release); }
    void SetTelnetLine(ConnLine* line) { telnet_.store(line, std::memory_order_release); }
    void SetEchoTarget(ConnEchoTarget* t) { echo_.store(t, std::memory_order_release); }

    // The connection objects and the user interface, installed by the shell
    // (UI thread). SetCommLine and SetTelnetSocket also fill the serial and
    // telnet slots; SetTerminal also makes the terminal the echo target.
    void SetCommLine(CommLine* comm);
    void SetTelnetSocket(TelnetSocket* telnet);
    void SetLineService(LineService* modem) { modem_.store(modem, std::memory_order_release); }
    void SetUiLoop(UiLoop* loop) { loop_.store(loop, std::memory_order_release); }
    void SetFrame(ConnFrame* frame) { frame_.store(frame, std::memory_order_release); }
    void SetTerminal(ConnTerminal* term);
    CommLine* Comm() const { return comm_.load(std::memory_order_acquire); }
    TelnetSocket* Telnet() const { return telnetSocket_.load(std::memory_order_acquire); }
    LineService* Modem() const { return modem_.load(std::memory_order_acquire); }
    UiLoop* Loop() const { return loop_.load(std::memory_order_acquire); }
    ConnFrame* Frame() const { return frame_.load(std::memory_order_acquire); }
    ConnTerminal* Terminal() const { return term_.load(std::memory_order_acquire); }

    // Writes to the open line, echoing to the terminal first when LocalEcho is
    // on and no transfer owns the stream. Bytes written, or -1.
    int ConnWrite(const uint8_t* data, int len);
    // The open line's Read with a cap of kConnReadBuffer; -1 without a line.
    int ConnRead(uint8_t* buf, int wanted);
    int ConnAvailable();
    ConnLineKind ConnKind();
    bool ConnIsOpen() { return ConnKind() != ConnLineKind::None; }

    // UI thread. Clears Connected, sets Connecting and opens the COM port whose
    // number the entry holds. True on success (CMD_PORT_OPENED has been sent).
    bool ConnOpenPort(const PhoneBookEntry& entry);
    // UI thread. Clears Connected, sets Connecting and starts the connection the
    // entry describes: telnet connect, modem call (with the dialling window), or
    // for a direct-port entry the port open. When it cannot be started, shows
    // "연결을 할 수 없습니다.", clears Connecting and returns false.
    bool ConnDial(const PhoneBookEntry& entry);
    // UI thread. Waits for the dialling window to go, then closes the serial or
    // modem line and the telnet socket; each reports its own close.
    void ConnHangUp();

private:
    ConnLine* OpenSerial() const;
    ConnLine* OpenTelnet() const;

    Outlets out_;
    std::atomic<ConnLine*> serial_{nullptr};
    std::atomic<ConnLine*> telnet_{nullptr};
    std::atomic<ConnEchoTarget*> echo_{nullptr};
    std::atomic<CommLine*> comm_{nullptr};
    std::atomic<TelnetSocket*> telnetSocket_{nullptr};
    std::atomic<LineService*> modem_{nullptr};
    std::atomic<UiLoop*> loop_{nullptr};
    std::atomic<ConnFrame*> frame_{nullptr};
    std::atomic<ConnTerminal*> term_{nullptr};
};

}  // namespace velo
