// The telnet receive filter: strips commands from received bytes in place,
// answers option requests with the program's fixed policy, and reports the
// terminal type and the window size. The parse state and an unfinished
// subnegotiation carry over from one block to the next, so a command split
// anywhere across reads is handled as if it had come whole.
//
// Policy (every request is answered, repeats included):
//   DO 0, 3, 24        → WILL x        DO 31 → WILL 31, then the window size
//   DO other           → WONT x        DONT x → WONT x
//   WILL 0, 1, 3, 24   → DO x          WILL other → DONT x     WONT x → DONT x
//   SB 24 ... SE       → IAC SB 24 0 <"vt100"|"ansi"|"vt220"> IAC SE
//   IAC IAC            → one 255 data byte; IAC 239 likewise keeps 239
//   IAC 236..238, 241..249 → dropped without reply
#pragma once

#include <cstdint>

namespace velo {

namespace telnet {
inline constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250,
                         SE = 240;
inline constexpr uint8_t OPT_BINARY = 0, OPT_ECHO = 1, OPT_SGA = 3, OPT_TTYPE = 24, OPT_NAWS = 31;
inline constexpr uint8_t TTYPE_IS = 0;  // option names carry OPT_: <termios.h> defines ECHO
}  // namespace telnet

class TelnetReplySink {
public:
    virtual ~TelnetReplySink() = default;
    // One whole reply; it must go out as a unit.
    virtual void Reply(const uint8_t* data, int len) = 0;
};

class TelnetFilter {
public:
    enum State : uint8_t { Data, Command, Do, Dont, Will, Wont, Subneg, SubnegIac };
    // Longer subnegotiations keep their first 128 bytes; the rest is dropped.
    static constexpr int kSubnegMax = 128;

    // termType 0 vt100, 2 ansi, else vt220. Width and height go on the wire
    // as one byte each (0..255).
    void SetTerminal(int termType, int width, int height);
    // Back to Data with no subnegotiation pending (each connect).
    void Reset();
    // Filters buf[0..len) in place; returns the count of data bytes kept at
    // the front of buf.
    int Run(uint8_t* buf, int len, TelnetReplySink& replies);

    State GetState() const { return state_; }

    // The replies, exposed for tests.
    int TerminalTypeReply(uint8_t* out) const;  // 10 or 11 bytes
    int WindowSizeReply(uint8_t* out) const;    // 9 bytes, more when 255 is doubled

private:
    void EndSubneg(TelnetReplySink& replies);
    void Answer(TelnetReplySink& replies, uint8_t verb, uint8_t option);

    State state_ = Data;
    int termType_ = 2;
    int width_ = 80;
    int height_ = 28;
    uint8_t sb_[kSubnegMax] = {};
    int sbLen_ = 0;
};

}  // namespace velo
