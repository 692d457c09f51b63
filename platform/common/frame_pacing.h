// Whether the display's own wait can pace the game at 60 frames a second, judged from the
// measured time between presents rather than from what the driver claims.
#pragma once

// Presents judged at a time: half a second at 60 Hz.
constexpr int PACING_SAMPLES = 30;
// A present that waits for a 60 Hz display comes back one frame (16.7 ms) after the one before;
// the margin takes in timer jitter and displays of 56 to 61 Hz. It stops short of 16 ms: SDL's
// software renderer, where it claims vsync, waits whole milliseconds, 16 of them, for 62.5 Hz.
constexpr double ONE_FRAME_LOW_MS = 16.3;
constexpr double ONE_FRAME_HIGH_MS = 17.8;

enum VsyncVerdict { VSYNC_UNKNOWN, VSYNC_WAITS, VSYNC_DOES_NOT_WAIT };

// The latest present intervals, a ring of PACING_SAMPLES.
struct PresentIntervals {
    double ms[PACING_SAMPLES] = {};
    int count = 0;  // samples held, at most PACING_SAMPLES
    int next = 0;   // where the next sample goes
};

void AddPresentInterval(PresentIntervals& intervals, double ms);
// Unknown until the ring is full; then whether the median interval is one 60 Hz frame.
VsyncVerdict JudgeVsync(const PresentIntervals& intervals);
