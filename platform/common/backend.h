// What every backend implements beneath the session layer (session.cpp), which answers the
// game's calls of the same names in platform.h: passing them through, recording them, or
// answering them from a recording. Called only by the session layer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

uint32_t BackendTicks();
int64_t BackendTime();
bool BackendKeyDown(int virtualKey);
void BackendWaitKeyUp(int virtualKey);
bool BackendNextMessage(PlatformMessage* message);
void BackendPostMessage(PlatformMessageKind kind);
void BackendPresent(const uint16_t* pixels);

// The session layer's side, for the backends.
// --record FILE: records this session; false (with a line on stderr) when the file cannot be made.
bool SessionStartRecording(const std::string& path);
// --replay FILE: plays a recording back; false (with a line on stderr) for a file that is not
// a whole recording of this game; the process then ends with status 2.
bool SessionStartReplay(const std::string& path);
bool SessionReplaying();
// The tick count and calendar time the game saw last (the headless trace of a replay shows them).
uint32_t SessionTicks();
int64_t SessionTime();
const PlatformStateHooks& SessionHooks();
// Called by every backend's PlatformFinish: ends a recording with its summary, or compares a
// replay with its recording, printing the summary on stdout. Returns the exit status it asks
// for: 0, 1 for a replay that diverged, 2 for a replay of a recording cut short.
int SessionFinish();
// The identity of this build of the game, kept in recordings (generated at build time).
extern const char* const quellfortBuildId;
