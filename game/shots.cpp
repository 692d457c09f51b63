// Virus fire, shot flight and shot hits. (Being written.)
#include "game/game.h"
void ResolveShotHits() {}
void FireVirusShot() {}
void MoveShots() {}
