// The vsync verdict on measured present intervals: the median ignores the odd stall or
// dropped frame, so a few slow frames neither win nor lose the display's trust.
#include "platform/common/frame_pacing.h"

#include <algorithm>

void AddPresentInterval(PresentIntervals& intervals, double ms) {
    intervals.ms[intervals.next] = ms;
    intervals.next = (intervals.next + 1) % PACING_SAMPLES;
    intervals.count = std::min(intervals.count + 1, PACING_SAMPLES);
}

VsyncVerdict JudgeVsync(const PresentIntervals& intervals) {
    if (intervals.count < PACING_SAMPLES) return VSYNC_UNKNOWN;
    double sorted[PACING_SAMPLES];
    std::copy(intervals.ms, intervals.ms + PACING_SAMPLES, sorted);
    std::nth_element(sorted, sorted + PACING_SAMPLES / 2, sorted + PACING_SAMPLES);
    const double median = sorted[PACING_SAMPLES / 2];
    return median >= ONE_FRAME_LOW_MS && median <= ONE_FRAME_HIGH_MS ? VSYNC_WAITS : VSYNC_DOES_NOT_WAIT;
}
