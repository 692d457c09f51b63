// The screen state, the key helpers and the timed step shared by every layer of the game.
#include "core/core.h"

#include "platform/platform.h"

int32_t gameState;

bool IsKeyDown(int virtualKey) { return PlatformKeyDown(virtualKey); }

void WaitForKeyRelease(int virtualKey) { PlatformWaitKeyUp(virtualKey); }

bool TimedStep(uint32_t& deadline, uint32_t period) {
    if (deadline == 0) deadline = PlatformTicks() + period;
    // Unsigned difference: "at or past" holds across the 32-bit wrap of the tick count.
    if (PlatformTicks() >= deadline) {
        deadline = 0;
        return true;
    }
    return false;
}
