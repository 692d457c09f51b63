// Drawing of the playfield and of its text lines from the World.
#pragma once

#include <cstdint>

extern bool warningBlinkOn;
extern uint32_t warningBlinkTimer;

void DrawPlayfield();
void DrawHud();
