// Playfield drawing. (Being written.)
#include "gfx/playfield.h"
void DrawPlayfield() {}
