// The native Windows backend's shared record: the window, DirectDraw and the frame pacer.
#pragma once

// The seam first: windows.h defines the same virtual-key names as macros of the same values.
#include "platform/platform.h"
#include "platform/common/frame_pacing.h"
#include "platform/common/held_keys.h"
#include "platform/common/key_latch.h"
#include "platform/common/settings.h"
#include "platform/common/pad.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>

#include <deque>
#include <string>

// How a composed frame is written into the screen's own pixel format.
enum SurfaceLayout { LAYOUT_NONE, LAYOUT_RGB565, LAYOUT_RGB555, LAYOUT_XRGB8888 };

// Where the 800 x 600 picture lands in an output area, in that area's pixels.
struct PictureRect {
    int x, y, width, height;
};

struct Win32Backend {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    bool windowed = false;              // --window, or Alt+Enter from full screen
    std::deque<PlatformMessage> queue;  // what the window procedure made of dispatched messages
    KeyLatches latches;                 // keys pressed since the game last looked at them
    HeldKeys held;                      // keys held into name entry: their characters wait
    PadInput pad;                       // the XInput pads, as keys and typed characters

    IDirectDraw7* directDraw = nullptr;
    IDirectDrawSurface7* primarySurface = nullptr;  // the desktop, clipped to the window
    IDirectDrawClipper* clipper = nullptr;
    IDirectDrawSurface7* frameSurface = nullptr;    // the picture at its size on the screen
    int frameWidth = 0, frameHeight = 0;
    SurfaceLayout layout = LAYOUT_NONE;

    // Pacing: presents are timed until the verdict says whether the display's wait holds them
    // to 60 Hz; otherwise a 60 Hz timer does.
    bool measuring = false;
    PresentIntervals intervals;
    LONGLONG counterHz = 0;     // QueryPerformanceFrequency
    LONGLONG lastPresent = 0;   // counter value after the previous timed present, 0 none
    LONGLONG nextFrame = 0;     // counter value the limiter waits for
    HMONITOR monitor = nullptr; // the display the window was last timed on
    bool displayChanged = true; // a mode change or a move to another display: time it again
};
extern Win32Backend win32;

// win32_video.cpp: DirectDraw from start-up to shutdown.
bool OpenDirectDraw();
void CloseDirectDraw();
// The picture's place in an area: the largest whole factor that fits, else the largest 4:3
// that does, centred.
PictureRect PlacePicture(int areaWidth, int areaHeight);

// win32_pacing.cpp: holds each presented frame to 60 a second.
void StartPacer();
void WaitForDisplay();
void PaceFrame(bool shown);

// win32_screen.cpp: the window's size and place, full screen or windowed, and DPI.
void ApplyWindowMode();
void ToggleFullscreen();
// WM_DPICHANGED: a window moved to a display of another scale keeps its picture whole.
void FollowDpiChange(UINT dpi, const RECT& suggested);

// win32_start.cpp: the command line (--submit is done there and then), the console, where the
// table lives.
struct StartOptions {
    std::string record, replay;
    std::string hall;             // --hall URL: each finished game goes there
    SettingsOverrides overrides;  // --volume, --mute, --reduced-flashing, --scale for this run
    int exitStatus = -1;  // -1: start the game; otherwise end the process with it now
};
StartOptions ReadCommandLine(int argc, char** argv);
// One line on stderr; a message box too when the game has nowhere to print it (Explorer).
void SayStartFailure(const std::string& line);
// The table's folder: beside the program with portable.txt there, else %APPDATA%\Quellfort.
void ChooseTableFolder();
// An installed game takes over the table an older copy kept beside the program.
void MoveOlderTable();

// win32_pad.cpp: the XInput pads. Read by every key poll; the ship's explosion rumbles them.
void OpenControllers();
void CloseControllers();
void PollControllers();
void RumbleControllers();

// win32_audio.cpp: every sound at the settings' volume. Called when the settings change.
void ApplySoundVolume();
