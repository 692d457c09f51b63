// Key latches: one flag per virtual key, set by a press, taken by the next poll, forgotten
// after a frame.
#include "platform/common/key_latch.h"

void LatchKey(KeyLatches& latches, int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return;
    latches.set[virtualKey] = true;
    latches.setInFrame[virtualKey] = latches.frame;
}

bool TakeLatchedKey(KeyLatches& latches, int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255 || !latches.set[virtualKey]) return false;
    latches.set[virtualKey] = false;
    return latches.frame - latches.setInFrame[virtualKey] <= 1;
}

void LatchNextFrame(KeyLatches& latches) { ++latches.frame; }
