// Bonus items. (Being written.)
#include "game/game.h"
void UpdatePowerUps() {}
bool UpdatePowerUp(PowerUp&) { return false; }
