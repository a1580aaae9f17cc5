// The connection facade: everything else writes to and reads from the one
// open connection through these calls, without knowing its kind. Callable from
// any thread.
//
// Behind the facade sit two slots: the serial/modem line and the telnet
// socket. The application installs its CommLine and TelnetSocket there at
// start-up (ConnSetCommLine, ConnSetTelnetSocket); tools and tests may install
// any ConnLine instead (a pair of descriptors, a socketpair). A slot counts
// only while its line reports IsOpen().
#pragma once

#include <cstdint>

namespace velo {

struct PhoneBookEntry;
class CommLine;
class TelnetSocket;
class LineService;
class UiLoop;

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

// Slots. Passing nullptr empties the slot.
void ConnSetSerialLine(ConnLine* line);
void ConnSetTelnetLine(ConnLine* line);
void ConnSetEchoTarget(ConnEchoTarget* term);

// The size every reader with wanted 0 must offer.
inline constexpr int kConnReadBuffer = 8192;

int ConnWrite(const uint8_t* data, int len);
int ConnRead(uint8_t* buf, int wanted);
int ConnAvailable();
int ConnKind();  // 2 serial/modem, 1 telnet, 0 none
bool ConnIsOpen();

// The connection objects, installed once by the application (UI thread).
// ConnSetCommLine and ConnSetTelnetSocket also fill the serial and telnet
// slots. Passing nullptr removes them.
void ConnSetCommLine(CommLine* comm);
void ConnSetTelnetSocket(TelnetSocket* telnet);
void ConnSetLineService(LineService* modem);
void ConnSetUiLoop(UiLoop* loop);
CommLine* AppCommLine();
TelnetSocket* AppTelnetSocket();
LineService* AppLineService();
UiLoop* AppUiLoop();

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

}  // namespace velo
