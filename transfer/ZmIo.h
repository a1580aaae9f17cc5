// What the ZModem wire needs of the connection. The engine runs over the
// connection facade (FacadeIo); a test peer or the fuzz harness gives it any
// other byte source.
#pragma once

#include <cstdint>

namespace velo {
class ConnFacade;
}

namespace velo::zm {

class ZmIo {
public:
    virtual ~ZmIo() = default;
    // False once the connection is gone; the wire then neither writes nor reads.
    virtual bool Connected() = 0;
    // Writes all n bytes; the count, or -1.
    virtual int Write(const uint8_t* p, int n) = 0;
    // Everything waiting, up to cap bytes (cap is at least 8192); 0 when
    // nothing waits, -1 when the connection failed. Never blocks.
    virtual int Read(uint8_t* buf, int cap) = 0;
    virtual int Available() = 0;
    // Blocks until input may be waiting, the connection ends or the user
    // cancels. False when the wait itself failed.
    virtual bool Wait() = 0;
    // True when the user asked to cancel the transfer.
    virtual bool CancelRequested() = 0;
};

// The facade: Connected and TransferCancel from ConnState, ConnWrite,
// ConnRead with a wanted count of 0, ConnAvailable, and DataEvent without limit.
class FacadeIo final : public ZmIo {
public:
    explicit FacadeIo(ConnFacade& conn) : conn_(conn) {}
    bool Connected() override;
    int Write(const uint8_t* p, int n) override;
    int Read(uint8_t* buf, int cap) override;
    int Available() override;
    bool Wait() override;
    bool CancelRequested() override;

private:
    ConnFacade& conn_;
};

}  // namespace velo::zm
