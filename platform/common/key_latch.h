// Keys pressed since the last poll: a tap shorter than a frame, down and up again between two
// polls, still reads as down once. Shared by the backends that poll a live keyboard.
#pragma once

#include <cstdint>

struct KeyLatches {
    uint32_t frame = 0;          // frames presented so far
    bool set[256] = {};          // the key went down and no poll has seen it since
    uint32_t setInFrame[256] = {};
};

// Called by a backend when a key (a virtual-key code) goes down, key repeats excluded.
void LatchKey(KeyLatches& latches, int virtualKey);
// Called by the backend's key poll: was the key pressed since the last poll of it? Clears it.
bool TakeLatchedKey(KeyLatches& latches, int virtualKey);
// Called by the backend once per presented frame. A tap is kept for the rest of its frame and
// the next one, so it cannot surface screens later on a key the game was not asking about then.
void LatchNextFrame(KeyLatches& latches);
