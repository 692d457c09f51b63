// Formation movement. (Being written.)
#include "game/game.h"
void UpdateFormation() {}
