// What the terminal runs over its bytes while its data mode is Videotex:
// every byte goes to the decoder, and this watcher finds the end of videotex
// (ESC "%" 0x40, or ESC "&" "6" 0x40) and the host's identification request
// (ESC "&" "2"). It removes nothing: the decoder sees the escape sequences
// too. The state carries over between runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velo {

class VtxReceiver {
public:
    // The reply to an identification request: ESC "&3", "00000", DEL,
    // "00000", DEL, CR.
    static constexpr uint8_t kIdentReply[16] = {0x1B, '&', '3', '0', '0', '0', '0', '0',
                                                0x7F, '0', '0', '0', '0', '0', 0x7F, '\r'};

    struct Result {
        size_t consumed = 0;   // bytes that belong to the picture stream
        bool ended = false;    // the end sequence is the last consumed byte
        int identRequests = 0; // replies owed to the host, in order
    };

    // Scans a run: stops right after an end sequence (the rest of the run
    // belongs to the text interpreter) or at the end of the run.
    Result Scan(const uint8_t* bytes, size_t length);
    void Reset() { state_ = 0; }

private:
    int state_ = 0;
};

}  // namespace velo
