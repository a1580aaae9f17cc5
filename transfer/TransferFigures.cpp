#include "transfer/TransferFigures.h"

#include <algorithm>
#include <cstdio>

#include "transfer/ZmProgress.h"

namespace velo::zm {

ProgressView ViewOf(const ZmProgress& p)
{
    ProgressView v;
    v.direction = p.direction;
    v.started = p.started;
    v.startMs = p.startMs;
    v.fileNumber = p.fileNumber;
    v.fileCount = p.fileCount;
    v.totalBytes = p.totalBytes;
    v.overallBytes = p.overallBytes;
    v.movedBytes = p.movedBytes;
    v.fileSize = p.fileSize;
    v.offset = p.offset;
    return v;
}

int Percent(int64_t done, int64_t total)
{
    if (total <= 0 || done <= 0)
        return 0;
    if (done >= total)
        return 100;
    // Counts near 2^63 would overflow done * 100 in 64 bits.
    return int(static_cast<__int128>(done) * 100 / total);
}

TickFigures Tick(const ProgressView& v, int64_t nowMs, int64_t lastMoved)
{
    TickFigures f;
    if (!v.started || v.movedBytes == lastMoved)
        return f;
    f.changed = true;
    f.fileNumber = v.direction == 0 ? v.fileNumber : v.fileNumber + 1;
    const int64_t elapsedMs = std::max<int64_t>(0, nowMs - v.startMs);
    f.elapsedS = elapsedMs / 1000;
    const double rate = elapsedMs > 0 ? double(v.movedBytes) / (double(elapsedMs) * 0.001) : 0.0;
    f.rate = int64_t(rate);
    const int64_t left = v.totalBytes - v.overallBytes;
    f.remainingS = rate > 0.01 && left > 0 ? int64_t(double(left) / rate) : 0;
    f.percent = Percent(v.overallBytes, v.totalBytes);
    return f;
}

std::string FormatClock(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  int(seconds / 60 % 60), int(seconds % 60));
    return buf;
}

std::vector<int> PercentPictures(int percent)
{
    percent = std::clamp(percent, 0, 100);
    std::vector<int> pics;
    if (percent >= 100)
        pics.push_back(1);
    if (percent >= 10)
        pics.push_back(percent / 10 % 10);
    pics.push_back(percent % 10);
    pics.push_back(kPercentPicture);
    return pics;
}

}  // namespace velo::zm
