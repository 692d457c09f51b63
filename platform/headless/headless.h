// The headless backend's own interface: the runner, and the controls unit tests drive it with.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

struct HeadlessOptions {
    std::string* trace = nullptr;    // receives one JSON line per presented frame
    std::string* sounds = nullptr;   // receives one line per sound operation
    std::FILE* traceFile = nullptr;  // or the same lines written straight to a file
    std::FILE* soundsFile = nullptr;
    std::string* error = nullptr;    // receives the refusal of a malformed script
    std::function<void()> onFrame;   // called after every presented frame
    std::string settingsFile;        // settings.ini for this run; empty: the defaults, never saved
};

// Prepares the next run of the program on a script given as text, with its outputs: the clock,
// keys and queue start afresh. False (and the refusal in options.error) for a malformed script.
// Called by PlatformStart of quellfort-headless, and by tests before they run the program.
bool HeadlessLoadScript(const std::string& script, const HeadlessOptions& options);
// Where the trace, the sound log and the per-frame call go, for a run without a script (a replay).
void HeadlessSetOutputs(const HeadlessOptions& options);
// The settings of the run: read from `file` (and saved there by the options screen), or the
// defaults, kept for this run only, when file is empty.
void HeadlessUseSettings(const std::string& file);

// A replay that only verifies: frames are not drawn (the game loads no pictures) and no sound
// device opens. Called by the runner for --verify.
void HeadlessVerifyOnly();
// False when a screenshot of this run could not be written.
bool HeadlessShotsWritten();

// Direct control for unit tests of single steps, outside a scripted run.
void HeadlessReset();                        // clock 0, ticks 1000, time 1700000000, keys up
void HeadlessSetTicks(uint32_t ticks);       // PlatformTicks() returns this from now on
void HeadlessSetTime(int64_t seconds);       // PlatformTime() returns this from now on
void HeadlessSetKey(int keyCode, bool down);  // a key of the keyboard, by its key code
const uint16_t* HeadlessLastFrame();         // the last presented frame, or null
int HeadlessFramesPresented();
