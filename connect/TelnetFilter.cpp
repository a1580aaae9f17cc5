#include "connect/TelnetFilter.h"

#include <algorithm>
#include <cstring>

namespace velo {

using namespace telnet;

void TelnetFilter::SetTerminal(int termType, int width, int height)
{
    termType_ = termType;
    width_ = std::clamp(width, 0, 255);
    height_ = std::clamp(height, 0, 255);
}

void TelnetFilter::Reset()
{
    state_ = Data;
    sbLen_ = 0;
}

int TelnetFilter::TerminalTypeReply(uint8_t* out) const
{
    const char* name = termType_ == 0 ? "vt100" : termType_ == 2 ? "ansi" : "vt220";
    int n = static_cast<int>(std::strlen(name));
    out[0] = IAC;
    out[1] = SB;
    out[2] = OPT_TTYPE;
    out[3] = TTYPE_IS;
    std::memcpy(out + 4, name, n);
    out[4 + n] = IAC;
    out[5 + n] = SE;
    return 6 + n;
}

int TelnetFilter::WindowSizeReply(uint8_t* out) const
{
    int n = 0;
    out[n++] = IAC;
    out[n++] = SB;
    out[n++] = OPT_NAWS;
    for (int v : {width_, height_}) {
        out[n++] = 0;
        out[n++] = static_cast<uint8_t>(v);
        if (v == IAC)  // a 255 inside a subnegotiation is doubled
            out[n++] = IAC;
    }
    out[n++] = IAC;
    out[n++] = SE;
    return n;
}

void TelnetFilter::Answer(TelnetReplySink& replies, uint8_t verb, uint8_t option)
{
    const uint8_t r[3] = {IAC, verb, option};
    replies.Reply(r, 3);
}

void TelnetFilter::EndSubneg(TelnetReplySink& replies)
{
    if (sbLen_ > 0 && sb_[0] == OPT_TTYPE) {
        uint8_t r[16];
        replies.Reply(r, TerminalTypeReply(r));
    }
    sbLen_ = 0;
}

int TelnetFilter::Run(uint8_t* buf, int len, TelnetReplySink& replies)
{
    int out = 0;
    int i = 0;
    while (i < len) {
        if (state_ == Data) {
            // Plain runs are moved down in one piece.
            const void* hit = std::memchr(buf + i, IAC, static_cast<size_t>(len - i));
            int end = hit ? static_cast<int>(static_cast<const uint8_t*>(hit) - buf) : len;
            if (out != i)
                std::memmove(buf + out, buf + i, static_cast<size_t>(end - i));
            out += end - i;
            i = end;
            if (i < len) {
                state_ = Command;
                ++i;
            }
            continue;
        }
        uint8_t b = buf[i++];
        switch (state_) {
        case Command:
            if (b == 236 || b == 237 || b == 238 || (b >= 241 && b <= 249) || b == SE) {
                // SE outside a subnegotiation ends nothing.
                state_ = Data;
            } else if (b == SB) {
                sbLen_ = 0;
                state_ = Subneg;
            } else if (b == WILL) {
                state_ = Will;
            } else if (b == WONT) {
                state_ = Wont;
            } else if (b == DO) {
                state_ = Do;
            } else if (b == DONT) {
                state_ = Dont;
            } else {
                buf[out++] = b;  // IAC IAC, IAC 239 and the unknown keep the byte
                state_ = Data;
            }
            break;
        case Do:
            if (b == OPT_BINARY || b == OPT_SGA || b == OPT_TTYPE) {
                Answer(replies, WILL, b);
            } else if (b == OPT_NAWS) {
                Answer(replies, WILL, b);
                uint8_t r[16];
                replies.Reply(r, WindowSizeReply(r));
            } else {
                Answer(replies, WONT, b);
            }
            state_ = Data;
            break;
        case Dont:
            Answer(replies, WONT, b);
            state_ = Data;
            break;
        case Will:
            Answer(replies, (b == OPT_BINARY || b == OPT_ECHO || b == OPT_SGA || b == OPT_TTYPE) ? DO : DONT, b);
            state_ = Data;
            break;
        case Wont:
            Answer(replies, DONT, b);
            state_ = Data;
            break;
        case Subneg:
            if (b == IAC)
                state_ = SubnegIac;
            else if (sbLen_ < kSubnegMax)
                sb_[sbLen_++] = b;
            break;
        case SubnegIac:
            if (b == SE) {
                EndSubneg(replies);
                state_ = Data;
            } else if (b == IAC) {
                if (sbLen_ < kSubnegMax)
                    sb_[sbLen_++] = IAC;
                state_ = Subneg;
            } else {
                // A command inside an unfinished subnegotiation: the host
                // gave it up. Drop it and take the byte as a command.
                sbLen_ = 0;
                state_ = Command;
                --i;
            }
            break;
        case Data:
            break;
        }
    }
    return out;
}

}  // namespace velo
