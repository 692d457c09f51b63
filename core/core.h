// What every layer of the game shares: the screen states and the current one, the frame's input
// (the key test, the tick count, the wait for a release, messages), and the timed step of the
// game's deadlines.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/platform.h"

// The game's keys by their virtual-key codes.
enum : int {
    VK_RETURN = PLATFORM_KEY_RETURN,
    VK_ESCAPE = PLATFORM_KEY_ESCAPE,
    VK_SPACE = PLATFORM_KEY_SPACE,
    VK_LEFT = PLATFORM_KEY_LEFT,
    VK_RIGHT = PLATFORM_KEY_RIGHT,
    VK_P = PLATFORM_KEY_P,
    VK_UP = PLATFORM_KEY_UP,  // Up, Down, F1 and O: the options screen and the way to it
    VK_DOWN = PLATFORM_KEY_DOWN,
    VK_F1 = PLATFORM_KEY_F1,
    VK_O = PLATFORM_KEY_O,
};

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
    STATE_OPTIONS = 11,  // the player's settings, reached from the title screen
};

extern int32_t gameState;  // a GameState; may hold any value, others do nothing

// The input of the frame: read once a frame (after the frame is presented, after a wait for a
// key's release, or at the top of a pass that presented nothing), and what every screen reads.
struct FrameInput {
    PlatformInput now;
    PlatformInputWanted wanted;          // what the screens wait for; set by the screen machine
    bool readThisPass = false;           // the pass's input came with its present
    std::deque<PlatformMessage> queue;   // messages waiting for the main loop, one per pass
};
extern FrameInput frameInput;

// Reads the frame's input and queues its messages.
void ReadFrameInput();
// Called at the top of every main-loop pass: reads the input unless the last pass's present did.
void BeginPass();
// The tick count and calendar time of this frame.
uint32_t CurrentTicks();
int64_t CurrentTime();
// The main loop's messages: the oldest waiting, and one the game posts to itself.
bool NextMessage(PlatformMessage* message);
void PostMessage(PlatformMessageKind kind);

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
