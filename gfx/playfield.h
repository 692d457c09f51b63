// Drawing of the playfield and of its text lines from the World.
#pragma once

#include <cstdint>

extern bool warningBlinkOn;
extern uint32_t warningBlinkTimer;

void DrawPlayfield();
// The warning line's blink, stepped once a frame by the screens that show the HUD.
void StepWarningBlink();
void DrawHud();
