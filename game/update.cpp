// The world step. (Being written.)
#include "game/game.h"
void UpdateWorld() {}
bool IsLevelCleared() { return false; }
