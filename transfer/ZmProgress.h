// What a running transfer shares with the transfer window and the frame.
//
// ZmProgress is written by the transfer thread and read by the window's
// 1000 ms timer on the UI thread. Every counter is a relaxed atomic: a reader
// sees each value whole but may see two values from different moments, which
// only affects one tick's display. The file path is a string and sits behind
// a small mutex; read it with Path().
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace velo::zm {

struct ZmProgress {
    // 0 receive, 1 send.
    std::atomic<int> direction{0};
    // Set once the transfer has set the window up: at the first file header
    // of a receive, at the start of a send. The fields below are meaningful
    // from then on.
    std::atomic<bool> setUp{false};
    // The window's clock: the steady-clock time in milliseconds of the first
    // data (receive) or of the first ZRPOS answered (send).
    std::atomic<bool> started{false};
    std::atomic<int64_t> startMs{0};

    // Receive: number of the current file (announced at the first header
    // minus announced now, plus 1). Send: index of the current file in the
    // list (-1 before the first).
    std::atomic<int> fileNumber{0};
    std::atomic<int> fileCount{0};       // files announced at the first header / in the list
    std::atomic<int64_t> totalBytes{0};  // bytes announced at the first header / of all files
    std::atomic<int64_t> fileSize{0};    // size of the current file
    std::atomic<int64_t> offset{0};      // current offset in the current file
    std::atomic<int64_t> fileBytes{0};   // bytes of the current file moved in this transfer
    // Overall bytes done: receive, the total received including the starting
    // offsets of resumed files; send, the finished files plus the current offset.
    std::atomic<int64_t> overallBytes{0};
    std::atomic<int64_t> finishedBytes{0};  // send: sizes of the files already finished
    std::atomic<int64_t> subpackets{0};     // receive: subpackets of the current file
    // Bytes moved over the wire in this transfer, all files: the basis of the rate.
    std::atomic<int64_t> movedBytes{0};

    std::string Path() const
    {
        std::lock_guard lock(pathMutex_);
        return path_;
    }
    void SetPath(std::string p)
    {
        std::lock_guard lock(pathMutex_);
        path_ = std::move(p);
    }

    void Clear()
    {
        direction = 0;
        setUp = started = false;
        startMs = 0;
        fileNumber = fileCount = 0;
        totalBytes = fileSize = offset = fileBytes = overallBytes = finishedBytes = subpackets = 0;
        movedBytes = 0;
        SetPath({});
    }
    void StartClock()
    {
        if (!started.exchange(true))
            startMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    }

private:
    mutable std::mutex pathMutex_;
    std::string path_;
};

// Options that the transfer window sets on the frame's transfer slot.
// OpenAfterReceive is cleared again when a receive ends; HangUpAfterTransfer
// is read by the frame when CMD_TRANSFER_DONE arrives.
struct TransferOptionFlags {
    std::atomic<bool> OpenAfterReceive{false};
    std::atomic<bool> HangUpAfterTransfer{false};
};

// Opens a received file as the desktop would ("open" verb). Called on the
// transfer thread: an implementation that needs the UI thread queues there.
class ZmFileOpener {
public:
    virtual ~ZmFileOpener() = default;
    virtual void OpenFile(const std::string& path) = 0;
};

}  // namespace velo::zm
