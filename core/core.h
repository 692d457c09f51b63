// What every layer of the game shares: the screen states and the current one, the key test and
// the wait for a release, and the timed step of the game's deadlines.
#pragma once

#include <cstdint>

enum GameState : int32_t {
    STATE_INTRO = 0,
    STATE_TITLE = 1,
    STATE_STORY = 2,
    STATE_SHIP_SELECT = 3,
    STATE_NEW_GAME = 4,
    STATE_LEVEL_START = 5,
    STATE_LEVEL_INTRO = 6,
    STATE_PLAYING = 7,
    STATE_LEVEL_CLEAR = 8,
    STATE_RANK_SCORE = 9,
    STATE_GAME_OVER = 10,
};

extern int32_t gameState;  // a GameState; may hold any value, others do nothing

bool IsKeyDown(int virtualKey);
void WaitForKeyRelease(int virtualKey);

// Deadlines are tick counts, and the tick count wraps to 0 every 49.7 days: they are compared
// by the signed difference, so one stays ahead of the tick count for 2^31 ms after it is armed.
// Reached: the tick count is at or past the deadline. After: strictly past it.
inline bool TickReached(uint32_t now, uint32_t deadline) { return int32_t(now - deadline) >= 0; }
inline bool TickAfter(uint32_t now, uint32_t deadline) { return int32_t(now - deadline) > 0; }

// The deadline period ms from now. 0 means "not armed", so one that would fall on tick 0 falls
// on tick 1, a millisecond late, rather than be taken for no deadline at all.
uint32_t DeadlineAfter(uint32_t period);

// The standard deadline step: arms the deadline at now + period when it is 0, and returns true
// (clearing it) once the tick count has reached it. Never true in the pass that arms it.
bool TimedStep(uint32_t& deadline, uint32_t period);
