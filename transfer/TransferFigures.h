// What the transfer window shows, worked out from the progress record without
// any window: the percentage and its pictures, the rate, the elapsed and
// remaining times. The window calls Tick once a second and once more when it
// closes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velo::zm {

struct ZmProgress;

// The counters of one moment, copied out of the record the transfer thread
// writes (each value whole, the set not necessarily from one instant).
struct ProgressView {
    int direction = 0;      // 0 receive, 1 send
    bool started = false;   // the clock runs
    int64_t startMs = 0;    // steady-clock milliseconds of the first data
    int fileNumber = 0;     // receive: the current number; send: the list index
    int fileCount = 0;
    int64_t totalBytes = 0;    // announced (receive) / all files (send)
    int64_t overallBytes = 0;  // done, resumed starts included
    int64_t movedBytes = 0;    // moved in this transfer: the rate's basis
    int64_t fileSize = 0;
    int64_t offset = 0;
};
ProgressView ViewOf(const ZmProgress& p);

// One tick's figures. `changed` is false before the clock has started and
// when no byte moved since the tick that saw `lastMoved`: the window then
// leaves its fields as they are.
struct TickFigures {
    bool changed = false;
    int fileNumber = 0;  // shown: the receive's number, or the send's index + 1
    int percent = 0;     // 0..100
    int64_t rate = 0;    // bytes per second
    int64_t elapsedS = 0;
    int64_t remainingS = 0;
};
TickFigures Tick(const ProgressView& v, int64_t nowMs, int64_t lastMoved);

// done / total x 100, truncated, kept within 0..100; 0 when nothing was
// announced (total 0 or less) so that an empty announcement never divides.
int Percent(int64_t done, int64_t total);

// "%02d:%02d:%02d" of hours, minutes and seconds.
std::string FormatClock(int64_t seconds);

// The pictures that draw a percentage, left to right: its digits without
// leading zeros (0..9), then kPercentPicture. 100 is drawn whole ("100%").
inline constexpr int kPercentPicture = 10;
std::vector<int> PercentPictures(int percent);

}  // namespace velo::zm
