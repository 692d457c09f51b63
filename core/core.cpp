// The screen state, the key helpers and the timed step shared by every layer of the game.
#include "core/core.h"

#include "platform/platform.h"

int32_t gameState;
FrameInput frameInput;

void ReadFrameInput() {
    PlatformReadInput(frameInput.wanted, &frameInput.now);
    const PlatformInput& input = frameInput.now;
    for (int i = 0; i < input.messageCount && i < PLATFORM_MAX_MESSAGES; ++i)
        frameInput.queue.push_back(input.messages[i]);
    frameInput.readThisPass = true;
}

void BeginPass() {
    if (!frameInput.readThisPass) ReadFrameInput();
    frameInput.readThisPass = false;
}

uint32_t CurrentTicks() { return frameInput.now.ticks; }
int64_t CurrentTime() { return frameInput.now.time; }

bool NextMessage(PlatformMessage* message) {
    if (frameInput.queue.empty()) return false;
    *message = frameInput.queue.front();
    frameInput.queue.pop_front();
    return true;
}

void PostMessage(PlatformMessageKind kind) { frameInput.queue.push_back({kind, 0}); }

bool IsKeyDown(int virtualKey) { return (frameInput.now.keys & PlatformKeyBit(virtualKey)) != 0; }

// The whole program stands still until the key is let go; the clock has moved on meanwhile.
void WaitForKeyRelease(int virtualKey) {
    PlatformWaitKeyUp(virtualKey);
    ReadFrameInput();
}

uint32_t DeadlineAfter(uint32_t period) {
    const uint32_t deadline = CurrentTicks() + period;
    return deadline != 0 ? deadline : 1;
}

bool TimedStep(uint32_t& deadline, uint32_t period) {
    if (deadline == 0) deadline = DeadlineAfter(period);
    if (TickReached(CurrentTicks(), deadline)) {
        deadline = 0;
        return true;
    }
    return false;
}
