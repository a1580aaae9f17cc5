#include "transfer/ZmIo.h"

#include "connect/Conn.h"

namespace velo::zm {

bool FacadeIo::Connected() { return conn_.State().Connected; }
int FacadeIo::Write(const uint8_t* p, int n) { return conn_.ConnWrite(p, n); }
int FacadeIo::Read(uint8_t* buf, int cap)
{
    // The facade reads at most kConnReadBuffer with a wanted count of 0.
    return cap >= kConnReadBuffer ? conn_.ConnRead(buf, 0) : -1;
}
int FacadeIo::Available() { return conn_.ConnAvailable(); }
bool FacadeIo::Wait() { return conn_.Flags().DataEvent.Wait(-1); }
bool FacadeIo::CancelRequested() { return conn_.State().TransferCancel; }

}  // namespace velo::zm
