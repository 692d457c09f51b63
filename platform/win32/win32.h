// The native Windows backend's shared record: the window, DirectDraw and the frame pacer.
#pragma once

// The seam first: windows.h defines the same virtual-key names as macros of the same values.
#include "platform/platform.h"
#include "platform/common/held_keys.h"
#include "platform/common/key_latch.h"
#include "platform/common/pad.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>

#include <deque>

// How a composed frame is written into the back buffer's own pixel format.
enum SurfaceLayout { LAYOUT_NONE, LAYOUT_RGB565, LAYOUT_RGB555, LAYOUT_XRGB8888 };

struct Win32Backend {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    std::deque<PlatformMessage> queue;  // what the window procedure made of dispatched messages
    KeyLatches latches;                 // keys pressed since the game last looked at them
    HeldKeys held;                      // keys held into name entry: their characters wait
    PadInput pad;                       // the XInput pads, as keys and typed characters

    IDirectDraw7* directDraw = nullptr;
    IDirectDrawSurface7* primarySurface = nullptr;
    IDirectDrawSurface7* backBuffer = nullptr;
    SurfaceLayout layout = LAYOUT_NONE;

    bool flipPaces = false;     // Flip waits for a display refreshing at about 60 Hz
    int quickFlips = 0;         // presents in a row that came far faster than 60 a second
    LONGLONG counterHz = 0;     // QueryPerformanceFrequency
    LONGLONG lastPresent = 0;   // counter value after the previous present
    LONGLONG nextFrame = 0;     // counter value the limiter waits for
};
extern Win32Backend win32;

// win32_video.cpp: DirectDraw from start-up to shutdown.
bool OpenDirectDraw();
void CloseDirectDraw();

// win32_pad.cpp: the XInput pads. Read by every key poll; the ship's explosion rumbles them.
void OpenControllers();
void CloseControllers();
void PollControllers();
void RumbleControllers();

// win32_audio.cpp: every sound at the settings' volume. Called when the settings change.
void ApplySoundVolume();
