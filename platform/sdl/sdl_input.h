// What the SDL backend's files share: the game controllers (sdl_pad.cpp) for the event loop of
// sdl_video.cpp and the explosion rumble of sdl_audio.cpp, the keyboard's key codes, and the
// settings put to work.
#pragma once

#include <SDL.h>

#include "platform/common/key_latch.h"
#include "platform/common/pad.h"

// Called by PlatformStart and PlatformFinish. Pads already plugged in arrive as added events.
void OpenControllers();
void CloseControllers();
// Takes a controller event from the event loop (plugged, unplugged, button, axis); false for
// any other event.
bool HandleControllerEvent(const SDL_Event& event, PadInput& pad, KeyLatches& latches);
// A short rumble on every pad that has one. Called when the player's ship explodes.
void RumbleControllers();

// Tests only: called on the game's thread whenever the backend looks at its input, so a test
// can move virtual controllers between the game's polls.
void SetInputHook(void (*hook)());

// sdl_keys.cpp: the settings' key code of a key of the keyboard (KEY_NONE for one it does not
// name), and the one or two keys that hold a key code on the player's layout.
int KeyCodeOf(SDL_Scancode code);
void ScancodesOf(int keyCode, SDL_Scancode (&codes)[2]);

// The settings in force put to work: the window, scaling and vsync (sdl_video.cpp), the volume
// of every sound (sdl_audio.cpp). Called at start and whenever the settings change.
void ApplyPictureSettings();
void ApplyMixerVolume();
