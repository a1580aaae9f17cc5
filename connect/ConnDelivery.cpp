#include "connect/ConnDelivery.h"

#include <algorithm>

#include "base/Flags.h"
#include "connect/ConnUi.h"

namespace velo {

ConnDelivery::ConnDelivery(ConnFacade& conn, ConnTerminal* term) : conn_(conn), term_(term) {}

ConnTerminal* ConnDelivery::Terminal() const { return term_ ? term_ : conn_.Terminal(); }

void ConnDelivery::DropRemainder()
{
    pending_.clear();
    pendingPos_ = 0;
}

void ConnDelivery::Keep(const uint8_t* data, int len)
{
    if (len <= 0)
        return;
    if (pendingPos_ == pending_.size())
        DropRemainder();
    pending_.insert(pending_.end(), data, data + len);
}

bool ConnDelivery::FeedRemainder(ConnTerminal& term)
{
    int count = RemainderCount();
    if (count == 0)
        return true;
    if (term.SelectionShown())
        term.ClearSelection();
    int taken = std::clamp(term.Feed(pending_.data() + pendingPos_, count), 0, count);
    pendingPos_ += taken;
    if (pendingPos_ < pending_.size())
        return false;
    DropRemainder();
    return true;
}

void ConnDelivery::Deliver()
{
    if (running_)
        return;
    ConnTerminal* term = Terminal();
    if (!term)
        return;
    running_ = true;
    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{running_};

    if (conn_.State().WorkerOwnsStream() || term->Frozen()) {
        conn_.Flags().DataEvent.Set();
        return;
    }
    if (term->Hold())
        return;
    if (!FeedRemainder(*term))
        return;
    if (term->Hold())
        return;
    int n = conn_.ConnRead(buf_, 0);
    if (n <= 0)
        return;
    n = std::min(n, kConnReadBuffer);
    if (term->SelectionShown())
        term->ClearSelection();
    int taken = std::clamp(term->Feed(buf_, n), 0, n);
    Keep(buf_ + taken, n - taken);
}

void ConnDelivery::Show(const uint8_t* data, int len)
{
    ConnTerminal* term = Terminal();
    if (!term || !data || len <= 0)
        return;
    Keep(data, len);
    if (!running_ && !term->Hold())
        FeedRemainder(*term);
}

void ConnDelivery::FeedLeftover(const uint8_t* data, int len)
{
    if (data && len > 0)
        Keep(data, len);
    Deliver();
}

}  // namespace velo
