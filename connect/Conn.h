// The connection facade: everything else writes to and reads from the one
// open connection through these calls, without knowing its kind. Callable from
// any thread.
//
// Behind the facade sit two slots: the serial/modem line and the telnet
// socket. The connection objects install themselves in their slot while they
// exist; tools and tests may install any ConnLine (a pair of descriptors, a
// socketpair).
#pragma once

#include <cstdint>

namespace velo {

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

}  // namespace velo
