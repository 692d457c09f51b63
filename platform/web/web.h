// The browser backend's shared state: what its window, frame and sound files need of each other.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr double FRAME_MS = 1000.0 / 60.0;

struct WebBackend {
    // Milliseconds added to the browser's clock: the test hook's fast frames each move the game's
    // clock on by a frame without waiting for one.
    double clockSkew = 0;
    bool inKeyWait = false;       // inside BackendWaitKeyUp, where the game must not be suspended
    bool suspendPending = false;  // the page was hidden during a key wait: suspend at the next pass
    bool tableStored = false;     // the table of start-up has reached the page's storage
    PlatformInputMode mode = INPUT_MENU;  // what the game waited for at its last read
};
extern WebBackend web;

// Copies qfhs.dat, as the game last wrote it, into the page's storage.
void WebStoreTable();
// Copies settings.ini, as the game last wrote it, into the page's storage.
void WebStoreSettings();
// The page's sound at the settings' volume. Called at start and when the settings change.
void ApplyWebVolume();
