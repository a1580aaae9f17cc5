// The transfer threads of the main frame: one receive or one send at a time.
//
// The frame's receive command calls StartReceive(DownloadDir(settings, programDir));
// its send command StartSend(paths) after the file picker. The thread:
//   sets Receiving (Sending), clears TransferCancel,
//   posts WM_TRANSFER_WINDOW 1 to the frame (never a blocking send: the UI
//   thread may be waiting for this thread to end),
//   runs the receive (send) over the facade, telnet when ConnKind() is 1,
//   keeps the bytes it read past the end of the transfer (TakeLeftover),
//   posts WM_TRANSFER_WINDOW 0, clears Receiving (Sending), marks itself
//   ended, and as its last act posts CMD_TRANSFER_DONE.
// The frame's CMD_TRANSFER_DONE handler feeds TakeLeftover() to the terminal
// before it reads the connection again; CMD_CONN_CLOSED / CMD_PORT_CLOSED wait
// with WaitEnd(5000). The window reads Progress() on its timer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/ZmIo.h"
#include "transfer/ZmProgress.h"
#include "transfer/ZmResult.h"

namespace velo::zm {

// The frame's one transfer slot; the frame owns it.
class ZmTransfer {
public:
    explicit ZmTransfer(ConnFacade& conn);
    ~ZmTransfer();
    ZmTransfer(const ZmTransfer&) = delete;
    ZmTransfer& operator=(const ZmTransfer&) = delete;

    // False (and nothing started) unless Connected is set and no worker owns
    // the input stream.
    bool StartReceive(const std::string& dir);
    // paths: the picked files in order; the first 32 are sent. announcedName:
    // the name override of the automation ("" for the files' own names).
    bool StartSend(const std::vector<std::string>& paths, const std::string& announcedName = {});

    // The transfer window's cancel: TransferCancel set and DataEvent
    // signalled, so a waiting engine wakes and runs the cancel exchange. The
    // next transfer clears TransferCancel when it starts.
    void Cancel();

    bool Running() const;
    // The direction of the running (or last) transfer: 0 receive, 1 send.
    int Direction() const;
    // Waits up to timeoutMs (negative: without limit) for the thread to end.
    // True when none runs.
    bool WaitEnd(int timeoutMs);

    // Bytes the ended transfer read past its end; empties the store.
    std::vector<uint8_t> TakeLeftover();
    ZmProgress& Progress() { return progress_; }
    // The transfer window's switches.
    TransferOptionFlags& Options() { return options_; }
    // Opens a received file when open-after-receive is on; null: nothing is
    // opened. Set before a receive starts.
    void SetFileOpener(ZmFileOpener* opener) { opener_ = opener; }
    // How the last transfer ended (valid once it has ended).
    ZmResult LastResult() const;

private:
    bool Claim(bool receive);
    void Run(bool receive, std::string dir, std::vector<std::string> paths, std::string name);

    ConnFacade& conn_;
    FacadeIo io_;
    ZmProgress progress_;
    TransferOptionFlags options_;
    ZmFileOpener* opener_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = false;
    bool receive_ = true;
    std::thread thread_;
    std::vector<uint8_t> leftover_;
    ZmResult last_;
};

}  // namespace velo::zm
