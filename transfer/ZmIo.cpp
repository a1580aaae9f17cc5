#include "transfer/ZmIo.h"

#include "connect/Conn.h"
#include "base/ConnState.h"

namespace velo::zm {

namespace {

class Facade final : public ZmIo {
public:
    bool Connected() override { return ConnState.Connected; }
    int Write(const uint8_t* p, int n) override { return ConnWrite(p, n); }
    int Read(uint8_t* buf, int cap) override
    {
        // The facade reads at most kConnReadBuffer with a wanted count of 0.
        return cap >= kConnReadBuffer ? ConnRead(buf, 0) : -1;
    }
    int Available() override { return ConnAvailable(); }
    bool Wait() override { return DataEvent.Wait(-1); }
    bool CancelRequested() override { return ConnState.TransferCancel; }
};

}  // namespace

ZmIo& FacadeIo()
{
    static Facade io;
    return io;
}

}  // namespace velo::zm
