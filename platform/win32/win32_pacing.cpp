// The native Windows game's pace: 60 frames a second on any display. Whether the display's own
// wait can hold the game to that is measured, never taken from what the driver says: the shared
// verdict on the latest presents decides, and a display that does not pass leaves it to a timer.
#include "platform/win32/win32.h"

#include <algorithm>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60.0;
// While presents are timed the limiter holds a guard pace a little quicker than 60 Hz, so a
// present that waits for a 60 Hz display (or the second frame of a 120 Hz one) comes back a
// whole frame after the one before, and one that does not comes back at the guard pace.
constexpr double GUARD_SECONDS = 1.0 / 68.0;
static_assert(GUARD_SECONDS * 1000.0 < ONE_FRAME_LOW_MS, "the guard pace must not pass for one frame");

LONGLONG Counter() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

// Sleeps in whole milliseconds up to about one before the time, then spins the rest for a steady
// picture; a frame nobody sees needs no such care.
void WaitUntil(LONGLONG at, bool spin) {
    const LONGLONG millisecond = win32.counterHz / 1000;
    for (LONGLONG now; (now = Counter()) + millisecond < at;) Sleep(DWORD(std::max<LONGLONG>(1, (at - now) / millisecond - 1)));
    while (spin && Counter() < at) {}
}

// Holds the game to 60 frames a second where the display's wait does not; sleeps rather than
// spins. A late frame is made up over the next ones, each at least half a frame after the one
// before: never two frames at once, which a Hall takes for sped-up play. After a long stall (a
// menu key held down) the pace starts again from now.
void LimitFrameRate(bool shown) {
    const LONGLONG now = Counter(), period = LONGLONG(win32.counterHz * FRAME_SECONDS);
    if (win32.nextFrame == 0 || now > win32.nextFrame + 4 * period) win32.nextFrame = now;
    win32.nextFrame = std::max(win32.nextFrame + period, now + period / 2);
    WaitUntil(win32.nextFrame, shown);
}

// Another display, or the same one in another mode (WM_DISPLAYCHANGE, WM_DPICHANGED), paces
// differently: a 144 Hz monitor is not a 60 Hz one.
bool DisplayChanged() {
    const HMONITOR monitor = MonitorFromWindow(win32.mainWindow, MONITOR_DEFAULTTONEAREST);
    if (monitor == win32.monitor && !win32.displayChanged) return false;
    win32.monitor = monitor;
    win32.displayChanged = false;
    return true;
}

}  // namespace

void StartPacer() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    win32.counterHz = value.QuadPart;
    win32.displayChanged = true;
}

// While presents are timed each one waits for the display's vertical blank first.
void WaitForDisplay() {
    if (win32.measuring && FAILED(win32.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr)))
        win32.measuring = false;
}

// Called after every present; `shown` is false when nothing reached the screen (a minimised
// window), whose frames the timer alone paces and which are not timed.
void PaceFrame(bool shown) {
    const LONGLONG now = Counter();
    if (DisplayChanged()) {
        win32.measuring = true;
        win32.intervals = PresentIntervals{};
        win32.lastPresent = 0;
    }
    if (!shown) {
        win32.lastPresent = 0;
        return LimitFrameRate(false);
    }
    if (win32.measuring) {
        if (win32.lastPresent != 0) AddPresentInterval(win32.intervals, double(now - win32.lastPresent) * 1000.0 / win32.counterHz);
        win32.lastPresent = now;
        win32.measuring = JudgeVsync(win32.intervals) != VSYNC_DOES_NOT_WAIT;
    }
    if (!win32.measuring) return LimitFrameRate(true);
    // The guard carries no lag over, so presents that wait for the display are never held back.
    win32.nextFrame = std::max(win32.nextFrame + LONGLONG(win32.counterHz * GUARD_SECONDS), now);
    WaitUntil(win32.nextFrame, true);
}
