// The screen state, the key helpers and the timed step shared by every layer of the game.
#include "core/core.h"

#include "platform/platform.h"

int32_t gameState;

bool IsKeyDown(int virtualKey) { return PlatformKeyDown(virtualKey); }

void WaitForKeyRelease(int virtualKey) { PlatformWaitKeyUp(virtualKey); }

uint32_t DeadlineAfter(uint32_t period) {
    const uint32_t deadline = PlatformTicks() + period;
    return deadline != 0 ? deadline : 1;
}

bool TimedStep(uint32_t& deadline, uint32_t period) {
    if (deadline == 0) deadline = DeadlineAfter(period);
    if (TickReached(PlatformTicks(), deadline)) {
        deadline = 0;
        return true;
    }
    return false;
}
