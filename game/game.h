// Play: game and level set-up, the world step and its sub-steps, the game's random generator.
#pragma once

#include <cstdint>

#include "game/world.h"

// The game's own generator: state = state * 214013 + 2531011, results are bits 16..30.
extern uint32_t randState;
void SeedRandom(uint32_t seed);
int32_t NextRandom();

// What the simulation and the set-up report to the screen machine, which alone changes the screen.
struct WorldReport {
    bool levelCleared = false;  // the last column's last virus is gone and scored
    bool gameLost = false;      // the last ship is gone, or any ship after an invasion
};
extern WorldReport worldReport;

void StartNewGame();
void StartLevel();
void ChooseLevelBackground();

void UpdateWorld();
bool IsLevelCleared();
void ResolveShotHits();
void UpdateFormation();
void FireVirusShot();
void MoveShots();
void UpdatePlayerControl();
void UpdateShipAnimation();
void UpdatePowerUps();
bool UpdatePowerUp(PowerUp& item);

// The lowest-numbered free shot slot, or -1 when all fifteen are in flight; the player and
// the viruses both take this one.
int FindFreeShotSlot();
// The sound bank's copy of the shot sound that belongs to this slot.
int ShotSound(const Projectile& shot);
