#include "videotex/VtxReceiver.h"

namespace velo {

VtxReceiver::Result VtxReceiver::Scan(const uint8_t* bytes, size_t length)
{
    Result r;
    for (size_t i = 0; i < length; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
        case 0:
            if (b == 0x1B)
                state_ = 1;
            break;
        case 1:  // after ESC
            state_ = b == '%' ? 3 : b == '&' ? 2 : 0;
            break;
        case 2:  // after ESC &
            if (b == '2')
                ++r.identRequests;
            state_ = b == '6' ? 3 : 0;
            break;
        default:  // after ESC % or ESC & 6
            state_ = 0;
            if (b == 0x40) {
                r.consumed = i + 1;
                r.ended = true;
                return r;
            }
            break;
        }
    }
    r.consumed = length;
    return r;
}

}  // namespace velo
