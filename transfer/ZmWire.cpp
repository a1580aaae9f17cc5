#include "transfer/ZmWire.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>

#include "transfer/ZmCrc.h"

namespace velo::zm {

namespace {

constexpr bool IsFlowControl(int c) { return c == 0x11 || c == 0x13 || c == 0x91 || c == 0x93; }

// Escape tables: 0 sends the byte as it is, anything else is the byte that
// follows ZDLE. Without escape-controls only ZDLE and the four flow-control
// codes are escaped; with it every byte whose bits 0x60 are clear, and 0xFF
// as ZRUB1.
constexpr std::array<uint8_t, 256> MakeEscapes(bool controls)
{
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        if (b == ZDLE || IsFlowControl(b) || (controls && (b & 0x60) == 0))
            t[b] = uint8_t(b ^ 0x40);
    }
    if (controls)
        t[0xFF] = ZRUB1;
    return t;
}
constexpr auto kEscPlain = MakeEscapes(false);
constexpr auto kEscControls = MakeEscapes(true);

// Bytes that ZdlRead does not hand back as they are: ZDLE, flow control, and
// under escape-controls every control character. Everything else is data.
constexpr std::array<bool, 256> MakeSpecial(bool controls)
{
    std::array<bool, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = (b & 0x60) == 0 && (b == ZDLE || IsFlowControl(b) || controls);
    return t;
}
constexpr auto kSpecialPlain = MakeSpecial(false);
constexpr auto kSpecialControls = MakeSpecial(true);

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsFormatLetter(int c)
{
    return (c >= ZBIN && c <= ZBINR32) || (c >= ZVBIN && c <= ZVBINR32);
}

void Sleep(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void ZmWire::Reset()
{
    escapeControls = varHeaders = sendCrc32 = false;
    rxKind = 0;
    rxLen = 4;
    std::memset(attn, 0, sizeof attn);
    drain = false;
    outCount_ = 0;
    writeFailed_ = false;
    inPos_ = inCount_ = 0;
    received_ = 0;
    flowing_ = false;
    dataCrc32_ = false;
    lastType_ = -1;
    lastLen_ = 4;
    std::memset(lastHdr_, 0, sizeof lastHdr_);
}

// --- Output ---

void ZmWire::WriteOut()
{
    if (outCount_ > 0 && io_.Write(out_, outCount_) != outCount_)
        writeFailed_ = true;
    outCount_ = 0;
}

void ZmWire::Put(uint8_t b)
{
    if (!io_.Connected())
        return;
    if (outCount_ == kOutBuffer)
        WriteOut();
    out_[outCount_++] = b;
}

void ZmWire::PutRaw(const void* p, size_t n)
{
    if (!io_.Connected())
        return;
    auto* s = static_cast<const uint8_t*>(p);
    while (n > 0) {
        if (outCount_ == kOutBuffer)
            WriteOut();
        size_t k = std::min(n, size_t(kOutBuffer - outCount_));
        std::memcpy(out_ + outCount_, s, k);
        outCount_ += int(k);
        s += k;
        n -= k;
    }
}

bool ZmWire::Flush()
{
    if (!io_.Connected()) {
        outCount_ = 0;
        return false;
    }
    WriteOut();
    return !writeFailed_;
}

void ZmWire::SendLine(uint8_t b)
{
    const uint8_t e = (escapeControls ? kEscControls : kEscPlain)[b];
    if (e) {
        Put(ZDLE);
        Put(e);
    } else {
        Put(b);
    }
}

void ZmWire::SendEscaped(const uint8_t* p, size_t n)
{
    if (!io_.Connected())
        return;
    const uint8_t* esc = escapeControls ? kEscControls.data() : kEscPlain.data();
    const uint8_t* end = p + n;
    while (p < end) {
        // Copy the run of bytes that go out unchanged in one piece.
        const uint8_t* q = p;
        while (q < end && !esc[*q])
            ++q;
        while (p < q) {
            if (outCount_ == kOutBuffer)
                WriteOut();
            size_t k = std::min(size_t(q - p), size_t(kOutBuffer - outCount_));
            std::memcpy(out_ + outCount_, p, k);
            outCount_ += int(k);
            p += k;
        }
        if (p < end) {
            if (outCount_ > kOutBuffer - 2)
                WriteOut();
            out_[outCount_++] = ZDLE;
            out_[outCount_++] = esc[*p++];
        }
    }
}

void ZmWire::RememberHeader(int type, const uint8_t* hdr, int len)
{
    lastType_ = type;
    lastLen_ = len;
    std::memcpy(lastHdr_, hdr, size_t(len));
}

void ZmWire::SendHexHeader(int type, const uint8_t* hdr, int len)
{
    len = varHeaders ? std::clamp(len, 0, kHeaderMax) : 4;
    char text[4 + 2 * (2 + kHeaderMax + 2) + 3];
    int n = 0;
    auto hex = [&](uint8_t v) {
        text[n++] = kHexDigits[v >> 4];
        text[n++] = kHexDigits[v & 15];
    };
    text[n++] = ZPAD;
    text[n++] = ZPAD;
    text[n++] = char(ZDLE);
    if (varHeaders) {
        text[n++] = ZVHEX;
        hex(uint8_t(len));
    } else {
        text[n++] = ZHEX;
    }
    hex(uint8_t(type));
    uint16_t crc = Crc16Update(0, uint8_t(type));
    for (int i = 0; i < len; ++i) {
        hex(hdr[i]);
        crc = Crc16Update(crc, hdr[i]);
    }
    hex(uint8_t(crc >> 8));
    hex(uint8_t(crc));
    text[n++] = '\r';
    text[n++] = char(0x8A);
    // Hex headers are also read by hosts waiting for a terminal: XON undoes a
    // stray XOFF, except after the two headers that end a conversation.
    if (type != ZFIN && type != ZACK)
        text[n++] = XON;
    PutRaw(text, size_t(n));
    dataCrc32_ = false;
    RememberHeader(type, hdr, len);
}

void ZmWire::SendBinHeader(int type, const uint8_t* hdr, int len)
{
    len = varHeaders ? std::clamp(len, 0, kHeaderMax) : 4;
    Put(ZPAD);
    Put(ZDLE);
    // The frame letter names the CRC and, for the variable form, a length byte
    // follows it; then type, header bytes and CRC, all escaped.
    if (sendCrc32)
        Put(varHeaders ? ZVBIN32 : ZBIN32);
    else
        Put(varHeaders ? ZVBIN : ZBIN);
    if (varHeaders)
        SendLine(uint8_t(len));
    SendLine(uint8_t(type));
    SendEscaped(hdr, size_t(len));
    if (sendCrc32)
        SendCrc32(~Crc32Run(Crc32Update(0xFFFFFFFF, uint8_t(type)), hdr, size_t(len)));
    else
        SendCrc16(Crc16Run(Crc16Update(0, uint8_t(type)), hdr, size_t(len)));
    dataCrc32_ = sendCrc32;
    RememberHeader(type, hdr, len);
}

void ZmWire::SendHexHeader(int type, uint32_t pos)
{
    uint8_t h[4];
    SetPos(h, pos);
    SendHexHeader(type, h, 4);
}

void ZmWire::SendBinHeader(int type, uint32_t pos)
{
    uint8_t h[4];
    SetPos(h, pos);
    SendBinHeader(type, h, 4);
}

void ZmWire::SendCrc16(uint16_t crc)
{
    SendLine(uint8_t(crc >> 8));
    SendLine(uint8_t(crc));
}

void ZmWire::SendCrc32(uint32_t crc)
{
    for (int i = 0; i < 4; ++i) {
        SendLine(uint8_t(crc));
        crc >>= 8;
    }
}

void ZmWire::SendData(const uint8_t* p, size_t n, uint8_t end)
{
    if (dataCrc32_) {
        uint32_t crc = Crc32Run(0xFFFFFFFF, p, n);
        SendEscaped(p, n);
        Put(ZDLE);
        Put(end);
        SendCrc32(~Crc32Update(crc, end));
    } else {
        uint16_t crc = Crc16Run(0, p, n);
        SendEscaped(p, n);
        Put(ZDLE);
        Put(end);
        SendCrc16(Crc16Update(crc, end));
    }
    if (end == ZCRCW)
        Put(XON);
}

void ZmWire::ResendLastHeader()
{
    if (lastType_ >= 0) {
        uint8_t h[kHeaderMax];
        std::memcpy(h, lastHdr_, sizeof h);
        SendHexHeader(lastType_, h, lastLen_);
    }
}

void ZmWire::SendAttention()
{
    PutRaw(attn, std::strlen(reinterpret_cast<const char*>(attn)));
}

void ZmWire::SendAbort()
{
    static constexpr uint8_t kAbort[] = {CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN,
                                         BS,  BS,  BS,  BS,  BS,  BS,  BS,  BS, BS, BS};
    PutRaw(kAbort, sizeof kAbort);
}

// --- Input ---

int ZmWire::Refill()
{
    inPos_ = inCount_ = 0;
    for (;;) {
        if (!io_.Connected())
            return RCDO;
        const int n = io_.Read(in_, kInBuffer);
        if (n < 0)
            return RCDO;
        if (n > 0) {
            inCount_ = std::min(n, kInBuffer);
            received_ += uint64_t(inCount_);
            inPos_ = 1;
            flowing_ = inCount_ >= kFlowRead;
            return in_[0];
        }
        if (drain)
            return DRAINED;
        if (cancelAware && io_.CancelRequested())
            return USERCANCEL;
        // Nothing may sit in the output buffer while we wait for an answer.
        if (outCount_ > 0 && !Flush())
            return RCDO;
        // A stream in full flow is read in whole pieces: after a large read
        // that emptied the line, a nap of 100 us lets the next pieces gather
        // instead of this thread being woken (and the sender paying for the
        // wake-up) for each one as it lands; it halves the receiving side's
        // processor time at loopback speed. Once a nap finds nothing, or
        // between the small messages of a handshake, the wait is for the
        // line's event.
        if (flowing_) {
            flowing_ = false;
            std::this_thread::sleep_for(kFlowNap);
            continue;
        }
        if (!io_.Wait())
            return RCDO;
    }
}

int ZmWire::Noxrd7()
{
    for (;;) {
        int c = ReadLine();
        if (c < 0)
            return c;
        c &= 0x7F;
        switch (c) {
        case XON:
        case XOFF:
            continue;
        case '\r':
        case '\n':
        case ZDLE:
            return c;
        default:
            if (escapeControls && c < 0x20)
                continue;
            return c;
        }
    }
}

int ZmWire::ZdlRead()
{
    int c;
    for (;;) {
        c = ReadLine();
        if (c < 0 || (c & 0x60))
            return c;
        if (c == ZDLE)
            break;
        if (IsFlowControl(c) || escapeControls)
            continue;
        return c;
    }
    // After ZDLE. The ZDLE counts as the first CAN of a cancel.
    int cans = 1;
    for (;;) {
        c = ReadLine();
        if (c < 0)
            return c;
        if (c == CAN) {
            if (++cans >= kCanCount)
                return GOTCAN;
            continue;
        }
        if (IsFlowControl(c))
            continue;
        switch (c) {
        case ZCRCE:
        case ZCRCG:
        case ZCRCQ:
        case ZCRCW:
            return c | GOTOR;
        case ZRUB0:
            return 0x7F;
        case ZRUB1:
            return 0xFF;
        default:
            if ((c & 0x60) == 0x40)
                return c ^ 0x40;
            cans = 0;  // noise: skipped, the escape goes on
        }
    }
}

int ZmWire::ZGetHex()
{
    int c = Noxrd7();
    if (c < 0)
        return c;
    const int hi = HexValue(c);
    if (hi < 0)
        return c;
    c = Noxrd7();
    if (c < 0)
        return c;
    const int lo = HexValue(c);
    if (lo < 0)
        return c;
    return hi << 4 | lo;
}

int ZmWire::GetHeader(uint8_t* hdr)
{
    std::memset(hdr, 0, kHeaderMax);
    int garbage = 0;
    int cans = 0;
    // 1. Up to the '*'.
    for (;;) {
        const int c = ReadLine();
        if (c < 0)
            return c;
        if (c == ZPAD)
            break;
        if (c == CAN) {
            if (++cans >= kCanCount)
                return ZCAN;
            continue;
        }
        cans = 0;
        if (++garbage >= kGarbageLimit)
            return GCOUNT;
    }
    // 2. Up to ZDLE; more '*' are padding.
    garbage = 0;
    for (;;) {
        const int c = Noxrd7();
        if (c < 0)
            return c;
        if (c == ZDLE)
            break;
        if (c == ZPAD)
            continue;
        if (++garbage >= kGarbageLimit)
            return GCOUNT;
    }
    // 3. The format letter; the ZDLE was the first CAN of a possible cancel.
    cans = 1;
    int format;
    for (;;) {
        const int c = Noxrd7();
        if (c < 0)
            return c;
        if (IsFormatLetter(c)) {
            format = c;
            break;
        }
        if (c == CAN) {
            if (++cans >= kCanCount)
                return ZCAN;
            continue;
        }
        cans = 0;
        if (++garbage >= kGarbageLimit)
            return GCOUNT;
    }

    const bool hex = format == ZHEX || format == ZVHEX;
    const bool variable = format >= ZVBIN;
    const int kind = (format == ZBIN || format == ZVBIN || hex) ? 0
                     : (format == ZBIN32 || format == ZVBIN32) ? 1
                                                               : 2;
    // One header byte: a byte, or the code that ends the header.
    int failure = 0;
    auto next = [&]() -> int {
        const int c = hex ? ZGetHex() : ZdlRead();
        if (c < 0)
            failure = c;
        else if (c == GOTCAN)
            failure = ZCAN;
        else if (c > 0xFF)
            failure = ERROR;
        else
            return c;
        return -1;
    };

    int len = 4;
    if (variable) {
        len = next();
        if (failure)
            return failure;
        if (len > kHeaderMax)
            return ERROR;
    }
    const int type = next();
    if (failure)
        return failure;
    if (type > kMaxFrameType)
        return ERROR;

    if (kind == 0) {
        uint16_t crc = Crc16Update(0, uint8_t(type));
        for (int i = 0; i < len + 2; ++i) {
            const int c = next();
            if (failure)
                return failure;
            if (i < len)
                hdr[i] = uint8_t(c);
            crc = Crc16Update(crc, uint8_t(c));
        }
        if (crc != 0)
            return ERROR;
        if (hex) {
            // CR and LF (0x8A) end a hex header.
            for (int i = 0; i < 2; ++i) {
                const int c = ReadLine();
                if (c < 0)
                    break;
            }
        }
    } else {
        uint32_t crc = Crc32Update(0xFFFFFFFF, uint8_t(type));
        for (int i = 0; i < len + 4; ++i) {
            const int c = next();
            if (failure)
                return failure;
            if (i < len)
                hdr[i] = uint8_t(c);
            crc = Crc32Update(crc, uint8_t(c));
        }
        if (crc != kCrc32Residue)
            return ERROR;
    }
    // Only a header that checks tells us the peer speaks variable headers.
    if (variable)
        varHeaders = true;
    rxKind = kind;
    rxLen = len;
    return type;
}

int ZmWire::ReadData(uint8_t* buf, int size, int* count)
{
    *count = 0;
    return rxKind == 2 ? ReadDataRle(buf, size, count) : ReadDataPlain(buf, size, count);
}

// CRC-16 and CRC-32 subpackets. Plain bytes are moved straight out of the
// input buffer, one table look-up each, and the common escapes (ZDLE and a
// byte of the 0x40 column) are undone on the way; ZdlRead takes the rest. A
// run of plain bytes that does not fit the buffer is an overflow and none of
// it is stored. The CRC runs over the decoded bytes once the ending code is
// found.
int ZmWire::ReadDataPlain(uint8_t* buf, int size, int* count)
{
    const bool crc32 = rxKind == 1;
    const bool* special = escapeControls ? kSpecialControls.data() : kSpecialPlain.data();
    uint8_t* out = buf;
    uint8_t* const end = buf + size;
    int c;
    for (;;) {
        const uint8_t* p = in_ + inPos_;
        const uint8_t* const e = in_ + inCount_;
        uint8_t* runStart = out;
        bool overflow = false;
        while (p < e) {
            const uint8_t* const lim = p + std::min(e - p, end - out);
            while (p < lim && !special[*p])
                *out++ = *p++;
            if (p == e)
                break;
            if (!special[*p]) {
                // The buffer is full and the run goes on.
                out = runStart;
                overflow = true;
                break;
            }
            if (p + 1 < e && *p == ZDLE && (p[1] & 0x60) == 0x40) {
                if (out == end) {
                    overflow = true;
                    break;
                }
                *out++ = p[1] ^ 0x40;
                p += 2;
                runStart = out;
                continue;
            }
            break;
        }
        inPos_ = int(p - in_);
        *count = int(out - buf);
        if (overflow) {
            inPos_ = inCount_;
            return ERROR;
        }
        c = ZdlRead();
        *count = int(out - buf);
        if (c < 0)
            return c;
        if (c == GOTCAN)
            return ZCAN;
        if (c > 0xFF)
            break;
        if (out == end)
            return ERROR;
        *out++ = uint8_t(c);
    }
    // The ending code: the CRC covers the data, the code and the CRC bytes.
    const int ending = c;
    uint32_t c32 = 0;
    uint16_t c16 = 0;
    if (crc32)
        c32 = Crc32Update(Crc32Run(0xFFFFFFFF, buf, size_t(out - buf)), uint8_t(c));
    else
        c16 = Crc16Update(Crc16Run(0, buf, size_t(out - buf)), uint8_t(c));
    for (int i = 0; i < (crc32 ? 4 : 2); ++i) {
        c = ZdlRead();
        if (c < 0)
            return c;
        if (c == GOTCAN)
            return ZCAN;
        if (c > 0xFF)
            return ERROR;
        if (crc32)
            c32 = Crc32Update(c32, uint8_t(c));
        else
            c16 = Crc16Update(c16, uint8_t(c));
    }
    if (crc32 ? c32 != kCrc32Residue : c16 != 0)
        return ERROR;
    return ending;
}

// 'D'/'d' subpackets: CRC-32 over the bytes as received, then run-length
// decoding. ZRESC 0x20..0x3F is 3..34 spaces, ZRESC 0x40 one '~', ZRESC v x is
// (v - 64) copies of x.
int ZmWire::ReadDataRle(uint8_t* buf, int size, int* count)
{
    uint32_t crc = 0xFFFFFFFF;
    uint8_t* out = buf;
    uint8_t* const end = buf + size;
    enum { Plain, AfterEsc, Repeat } state = Plain;
    int repeat = 0;
    for (;;) {
        int c = ZdlRead();
        *count = int(out - buf);
        if (c < 0)
            return c;
        if (c == GOTCAN)
            return ZCAN;
        if (c > 0xFF) {
            const int ending = c;
            crc = Crc32Update(crc, uint8_t(c));
            for (int i = 0; i < 4; ++i) {
                c = ZdlRead();
                if (c < 0)
                    return c;
                if (c == GOTCAN)
                    return ZCAN;
                if (c > 0xFF)
                    return ERROR;
                crc = Crc32Update(crc, uint8_t(c));
            }
            if (crc != kCrc32Residue || state != Plain)
                return ERROR;
            return ending;
        }
        crc = Crc32Update(crc, uint8_t(c));
        switch (state) {
        case Plain:
            if (c == ZRESC) {
                state = AfterEsc;
                break;
            }
            if (out == end)
                return ERROR;
            *out++ = uint8_t(c);
            break;
        case AfterEsc:
            if (c >= 0x20 && c <= 0x3F) {
                const int n = c - 29;
                if (n > end - out)
                    return ERROR;
                std::memset(out, ' ', size_t(n));
                out += n;
                state = Plain;
            } else if (c == 0x40) {
                if (out == end)
                    return ERROR;
                *out++ = ZRESC;
                state = Plain;
            } else {
                repeat = c - 64;
                if (repeat < 1)
                    return ERROR;
                state = Repeat;
            }
            break;
        case Repeat:
            if (repeat > end - out)
                return ERROR;
            std::memset(out, c, size_t(repeat));
            out += repeat;
            state = Plain;
            break;
        }
    }
}

void ZmWire::PurgeInput()
{
    inPos_ = inCount_ = 0;
    int waiting = io_.Available();
    while (waiting > 0) {
        const int n = io_.Read(in_, kInBuffer);
        if (n <= 0)
            break;
        received_ += uint64_t(n);
        waiting -= n;
    }
    inPos_ = inCount_ = 0;
}

std::vector<uint8_t> ZmWire::TakeUnread()
{
    std::vector<uint8_t> v(in_ + inPos_, in_ + inCount_);
    inPos_ = inCount_ = 0;
    return v;
}

int ZmWire::CancelExchange()
{
    drain = true;
    DiscardOutput();
    SendAttention();
    SendAbort();
    Flush();
    Sleep(pauseMs);
    int c = 0;
    int cans = 0;
    int other = 0;
    for (int attempt = 0; attempt < 30;) {
        c = ReadLine();
        if (c == CAN) {
            if (++cans >= kCanCount)
                break;
            continue;
        }
        if (c == DRAINED) {
            DiscardOutput();
            SendAttention();
            SendAbort();
            Flush();
            Sleep(pauseMs);
            ++attempt;
            cans = 0;
            continue;
        }
        if (c < 0)
            break;
        cans = 0;
        // A peer that goes on talking also uses up the attempts, one per
        // input buffer of bytes, so the exchange always ends.
        if (++other % kInBuffer == 0)
            ++attempt;
    }
    return c;
}

}  // namespace velo::zm
