// The game's own random generator, the same on every machine so that a seed replays a game.
#include "game/game.h"

uint32_t randState;

void SeedRandom(uint32_t seed) { randState = seed; }

// state = state * 214013 + 2531011 (mod 2^32); the draw is bits 16..30, a value 0..32767.
int32_t NextRandom() {
    randState = randState * 214013u + 2531011u;
    return int32_t((randState >> 16) & 0x7FFF);
}
