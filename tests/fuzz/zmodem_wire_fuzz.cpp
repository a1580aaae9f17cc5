// ZModem header and subpacket parsing over any bytes. The first byte picks
// escape-controls, the subpacket buffer size and whether the bytes arrive in
// small pieces; the rest is the input stream. Headers are read until the
// input runs out; after a header that carries data a subpacket is read.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "transfer/ZmWire.h"

using namespace velo::zm;

namespace {

class FuzzIo final : public ZmIo {
public:
    FuzzIo(const uint8_t* p, size_t n, size_t chunk) : p_(p), n_(n), chunk_(chunk) {}
    bool Connected() override { return true; }
    int Write(const uint8_t*, int n) override { return n; }
    int Read(uint8_t* buf, int cap) override
    {
        size_t k = n_ - pos_;
        if (k > chunk_)
            k = chunk_;
        if (k > size_t(cap))
            k = size_t(cap);
        std::memcpy(buf, p_ + pos_, k);
        pos_ += k;
        return int(k);
    }
    int Available() override { return int(n_ - pos_); }
    bool Wait() override { return false; }  // the end of the input: connection lost
    bool CancelRequested() override { return false; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    size_t chunk_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    FuzzIo io(data + 1, size - 1, (mode & 4) ? 3 : 1 << 20);
    ZmWire w(io);
    w.pauseMs = 0;
    w.escapeControls = mode & 1;
    const int size_ = (mode & 2) ? kAttnSize : kFileBlock;
    uint8_t hdr[kHeaderMax];
    // One spare byte past the buffer: nothing may be stored there.
    uint8_t buf[kFileBlock + 1];
    for (int i = 0; i < 256; ++i) {
        const int t = w.GetHeader(hdr);
        if (t == RCDO)
            break;
        if (t < -4 || t > kMaxFrameType) {
            std::abort();  // a code GetHeader never gives
        }
        if (t == ZDATA || t == ZFILE || t == ZSINIT || t == ZCOMMAND) {
            buf[size_] = 0xA5;
            int n = -1;
            const int r = w.ReadData(buf, size_, &n);
            if (n < 0 || n > size_ || buf[size_] != 0xA5)
                std::abort();
            if (r == RCDO)
                break;
        }
        if (mode & 8) {
            // The cancel exchange over what is left.
            w.CancelExchange();
            break;
        }
    }
    return 0;
}
