// HUD text. (Being written.)
#include "gfx/playfield.h"
bool warningBlinkOn;
uint32_t warningBlinkTimer;
void DrawHud() {}
