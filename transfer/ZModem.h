// ZModem protocol constants (the published values) and this engine's result
// codes. Result codes are negative or above 255 so that a read routine can
// return either a byte or a code.
#pragma once

#include <cstdint>

namespace velo::zm {

// Framing bytes.
inline constexpr uint8_t ZPAD = '*';
inline constexpr uint8_t ZDLE = 0x18;  // also CAN
inline constexpr uint8_t CAN = 0x18;
inline constexpr uint8_t BS = 0x08;
inline constexpr uint8_t XON = 0x11;
inline constexpr uint8_t XOFF = 0x13;
inline constexpr uint8_t ZRESC = 0x7E;  // run-length escape inside 'D'/'d' subpackets

// Header format letters; the lower-case forms carry a length byte.
inline constexpr uint8_t ZBIN = 'A', ZHEX = 'B', ZBIN32 = 'C', ZBINR32 = 'D';
inline constexpr uint8_t ZVBIN = 'a', ZVHEX = 'b', ZVBIN32 = 'c', ZVBINR32 = 'd';

// Subpacket ending codes and escaped rubouts.
inline constexpr uint8_t ZCRCE = 'h';  // end of frame, header follows
inline constexpr uint8_t ZCRCG = 'i';  // go on
inline constexpr uint8_t ZCRCQ = 'j';  // go on, acknowledge
inline constexpr uint8_t ZCRCW = 'k';  // wait for acknowledgement
inline constexpr uint8_t ZRUB0 = 'l';  // 0x7F
inline constexpr uint8_t ZRUB1 = 'm';  // 0xFF

// Frame types.
inline constexpr int ZRQINIT = 0, ZRINIT = 1, ZSINIT = 2, ZACK = 3, ZFILE = 4, ZSKIP = 5,
                     ZNAK = 6, ZABORT = 7, ZFIN = 8, ZRPOS = 9, ZDATA = 10, ZEOF = 11,
                     ZFERR = 12, ZCRC = 13, ZCHALLENGE = 14, ZCOMPL = 15, ZCAN = 16,
                     ZFREECNT = 17, ZCOMMAND = 18, ZSTDERR = 19;
inline constexpr int kMaxFrameType = 19;

// Header data: positions are little-endian in bytes 0..3; flags count down.
inline constexpr int ZP0 = 0, ZP1 = 1, ZP2 = 2, ZP3 = 3;
inline constexpr int ZF0 = 3, ZF1 = 2, ZF2 = 1, ZF3 = 0;
inline constexpr int kHeaderMax = 16;  // data bytes of a variable-length header

// ZRINIT F0 / F1 and ZSINIT F0 bits.
inline constexpr uint8_t CANFDX = 0x01, CANOVIO = 0x02, CANRLE = 0x08, CANFC32 = 0x20,
                         ESCCTL = 0x40;
inline constexpr uint8_t CANVHDR = 0x01;
inline constexpr uint8_t TESCCTL = 0x40;

// Result codes of the read side.
inline constexpr int ERROR = -1;
inline constexpr int USERCANCEL = -2;  // the user cancelled while the engine waited for input
inline constexpr int RCDO = -3;        // connection lost
inline constexpr int GCOUNT = -4;      // garbage limit reached
inline constexpr int DRAINED = -100;   // nothing waiting while draining
inline constexpr int GOTOR = 0x100;
inline constexpr int GOTCAN = GOTOR | CAN;  // 280
inline constexpr int GOTCRCE = GOTOR | ZCRCE;  // 360
inline constexpr int GOTCRCG = GOTOR | ZCRCG;  // 361
inline constexpr int GOTCRCQ = GOTOR | ZCRCQ;  // 362
inline constexpr int GOTCRCW = GOTOR | ZCRCW;  // 363

inline constexpr int kGarbageLimit = 8192;
inline constexpr int kCanCount = 5;        // CANs in a row that mean "cancel"
inline constexpr int kFileBlock = 1024;    // largest data subpacket received
inline constexpr int kAttnSize = 32;       // attention string, plus a terminating zero
inline constexpr int kOutBuffer = 2048;
inline constexpr int kInBuffer = 8192;
inline constexpr int kMaxSendFiles = 32;
inline constexpr int kMaxErrors = 15;

inline uint32_t GetPos(const uint8_t* h)
{
    return uint32_t(h[ZP0]) | uint32_t(h[ZP1]) << 8 | uint32_t(h[ZP2]) << 16 |
           uint32_t(h[ZP3]) << 24;
}

inline void SetPos(uint8_t* h, uint32_t pos)
{
    h[ZP0] = uint8_t(pos);
    h[ZP1] = uint8_t(pos >> 8);
    h[ZP2] = uint8_t(pos >> 16);
    h[ZP3] = uint8_t(pos >> 24);
}

}  // namespace velo::zm
