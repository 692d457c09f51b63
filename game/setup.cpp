// Game and level set-up. (Being written.)
#include "game/game.h"
World world;
uint32_t randState;
void SeedRandom(uint32_t seed) { randState = seed; }
int32_t NextRandom() { randState = randState * 214013u + 2531011u; return int32_t((randState >> 16) & 0x7FFF); }
void StartNewGame() {}
void StartLevel() {}
void ChooseLevelBackground() {}
