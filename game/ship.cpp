// The player's ship. (Being written.)
#include "game/game.h"
void UpdatePlayerControl() {}
void UpdateShipAnimation() {}
