// What every backend implements beneath the session layer (session/), which answers the game's
// calls of platform.h: passing them through, recording them, or answering them from a
// recording. The Backend functions are called only by the session layer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// The frame's input as the machine has it now: the clock, the game keys down or pressed since
// the last read, and the messages that arrived since then (the rest wait for the next read).
void BackendReadInput(const PlatformInputWanted& wanted, PlatformInput* input);
void BackendWaitKeyUp(int key);
void BackendPresent(const uint16_t* pixels);
// Called after the input read that follows each present, with what the game will see; the
// headless backend writes its trace line there.
void BackendFrameShown(const PlatformInput& input);
bool BackendShowsFrames();
// The game's files on disk (platform/common/files.cpp; the browser's storage is a disk too).
bool BackendReadDataFile(const char* name, std::string* bytes);
PlatformTableRead BackendReadTable(std::string* bytes);
bool BackendKeepTableCopy();
bool BackendSaveTable(const std::string& bytes);
PlatformTableRead BackendLockTable(std::string* bytes);
void BackendUnlockTable();
void BackendTableNotSaved();

// The session layer's side, for the backends.
// --record FILE: records this session; false (with a line on stderr) when the file cannot be made.
// platformName names the backend in the recording's header ("linux-sdl", "headless" ...).
bool SessionStartRecording(const std::string& path, const char* platformName);
// --replay FILE: plays a recording back; false (with a line on stderr) for a file that is not
// a whole recording of these rules; the process then ends with status 2.
bool SessionStartReplay(const std::string& path);
// The same from a recording's bytes; false with the reason in *error.
bool SessionStartReplayBytes(std::string bytes, std::string* error);
bool SessionReplaying();
const PlatformStateHooks& SessionHooks();
// Called by every backend's PlatformFinish: ends a recording with its summary, or compares a
// replay with its recording, printing the summary on stdout. Returns the exit status it asks
// for: 0, 1 for a replay that diverged, 2 for a replay of a recording cut short. Quietly: prints
// nothing (a verification in a server).
int SessionFinish(bool quietly = false);
