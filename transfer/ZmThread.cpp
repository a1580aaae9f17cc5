#include "transfer/ZmThread.h"

#include <atomic>
#include <chrono>
#include <utility>

#include "base/CommandIds.h"
#include "connect/Conn.h"
#include "base/Flags.h"
#include "base/FrameSink.h"
#include "transfer/ZmReceive.h"
#include "transfer/ZmSend.h"

namespace velo::zm {

ZmTransfer::ZmTransfer(ConnFacade& conn) : conn_(conn), io_(conn) {}

ZmTransfer::~ZmTransfer()
{
    if (thread_.joinable()) {
        conn_.State().TransferCancel = true;
        conn_.Flags().DataEvent.Set();
        thread_.join();
    }
}

bool ZmTransfer::Claim(bool receive)
{
    std::lock_guard lock(mutex_);
    if (running_ || !conn_.State().Connected || conn_.State().WorkerOwnsStream())
        return false;
    if (thread_.joinable())
        thread_.join();  // the previous thread has ended; collect it
    running_ = true;
    receive_ = receive;
    leftover_.clear();
    // A window that comes up before the engine has set the record up must
    // not show the last transfer's figures.
    progress_.Clear();
    progress_.direction = receive ? 0 : 1;
    // Take the stream at once, so the UI thread stops reading before the
    // thread runs.
    conn_.State().TransferCancel = false;
    (receive ? conn_.State().Receiving : conn_.State().Sending) = true;
    return true;
}

bool ZmTransfer::StartReceive(const std::string& dir)
{
    if (!Claim(true))
        return false;
    thread_ = std::thread(&ZmTransfer::Run, this, true, dir, std::vector<std::string>{}, std::string{});
    return true;
}

bool ZmTransfer::StartSend(const std::vector<std::string>& paths, const std::string& announcedName)
{
    if (!Claim(false))
        return false;
    std::vector<std::string> list(paths.begin(),
                                  paths.begin() + std::min<size_t>(paths.size(), kMaxSendFiles));
    thread_ = std::thread(&ZmTransfer::Run, this, false, std::string{}, std::move(list), announcedName);
    return true;
}

void ZmTransfer::Run(bool receive, std::string dir, std::vector<std::string> paths, std::string name)
{
    std::atomic<bool>& flag = receive ? conn_.State().Receiving : conn_.State().Sending;
    flag = true;
    FrameSink& sink = conn_.Out().frame;
    // Posted, never sent: a blocking send would wait for a UI thread that may
    // itself be waiting for this thread to end (a close of the connection
    // waits up to 5 s). The window reads Progress(), which lives as long as
    // this slot, so it may come up after the transfer has begun.
    sink.PostMessage(WM_TRANSFER_WINDOW, 1, 0);
    const bool overTelnet = conn_.ConnKind() == ConnLineKind::Telnet;
    ZmResult result;
    std::vector<uint8_t> leftover;
    if (receive) {
        ZmReceiver rx(io_, &progress_, {&conn_.Out().settings, &options_, opener_});
        result = rx.Receive(dir, overTelnet);
        leftover = rx.TakeLeftover();
    } else {
        ZmSender tx(io_, &progress_);
        tx.announcedName = name;
        result = tx.Send(paths, overTelnet);
        leftover = tx.TakeLeftover();
    }
    {
        std::lock_guard lock(mutex_);
        leftover_ = std::move(leftover);
        last_ = std::move(result);
    }
    sink.PostMessage(WM_TRANSFER_WINDOW, 0, 0);
    flag = false;
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    ended_.notify_all();
    sink.PostCommand(CMD_TRANSFER_DONE);
}

bool ZmTransfer::SendHere(const std::string& path, const std::string& announcedName,
                          std::vector<uint8_t>& leftover)
{
    {
        std::lock_guard lock(mutex_);
        // The caller owns the stream through Automating; only another
        // transfer stands in the way.
        if (running_ || !conn_.State().Connected || conn_.State().Receiving || conn_.State().Sending)
            return false;
        if (thread_.joinable())
            thread_.join();
        running_ = true;
        receive_ = false;
        leftover_.clear();
        progress_.Clear();
        progress_.direction = 1;
        conn_.State().TransferCancel = false;
    }
    FrameSink& sink = conn_.Out().frame;
    // Posted: the UI thread may be busy waiting for transfers to end.
    sink.PostMessage(WM_TRANSFER_WINDOW, 1, 0);
    ZmSender tx(io_, &progress_);
    tx.announcedName = announcedName;
    ZmResult result = tx.Send({path}, conn_.ConnKind() == ConnLineKind::Telnet);
    leftover = tx.TakeLeftover();
    {
        std::lock_guard lock(mutex_);
        last_ = std::move(result);
    }
    sink.PostMessage(WM_TRANSFER_WINDOW, 0, 0);
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    ended_.notify_all();
    return true;
}

void ZmTransfer::Cancel()
{
    conn_.State().TransferCancel = true;
    conn_.Flags().DataEvent.Set();
}

int ZmTransfer::Direction() const
{
    std::lock_guard lock(mutex_);
    return receive_ ? 0 : 1;
}

bool ZmTransfer::Running() const
{
    std::lock_guard lock(mutex_);
    return running_;
}

bool ZmTransfer::WaitEnd(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return WaitUntil(ended_, lock, timeoutMs, [this] { return !running_; });
}

std::vector<uint8_t> ZmTransfer::TakeLeftover()
{
    std::lock_guard lock(mutex_);
    return std::exchange(leftover_, {});
}

ZmResult ZmTransfer::LastResult() const
{
    std::lock_guard lock(mutex_);
    return last_;
}

}  // namespace velo::zm
