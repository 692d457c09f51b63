// The browser backend's shared state: what its window, frame, files, pads and sound files need
// of each other.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/common/held_keys.h"
#include "platform/common/key_latch.h"
#include "platform/common/pad.h"
#include "platform/platform.h"

constexpr double FRAME_MS = 1000.0 / 60.0;

struct WebBackend {
    // Milliseconds added to the browser's clock: the test hook's fast frames each move the game's
    // clock on by a frame without waiting for one.
    double clockSkew = 0;
    bool inKeyWait = false;       // inside BackendWaitKeyUp, where the game must not be suspended
    bool suspendPending = false;  // the page was hidden during a key wait: suspend at the next pass
    bool modeTold = false;        // the page has been told `mode`
    PlatformInputMode mode = INPUT_MENU;  // what the game waited for at its last read
    std::deque<PlatformMessage> queue;    // typed characters, keys and buttons to bind
    HeldKeys held;
    KeyLatches latches;  // presses of keys, touch controls and pads since the last read
    PadInput pad;
    std::string lastSaid;  // the last line said about the table, for the page's note
};
extern WebBackend web;

// Copies settings.ini, as the game last wrote it, into the page's storage.
void WebStoreSettings();
// The page's sound at the settings' volume. Called at start and when the settings change.
void ApplyWebVolume();
// Reads the browser's pads and hands their controls to the shared mapping. Called by every read
// of the input, after the game said what it waits for.
void ReadWebPads(uint32_t now);
