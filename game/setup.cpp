// Game and level set-up: a new game's starting values, and each level's formation and shields.
#include "game/game.h"

#include "core/core.h"
#include "platform/platform.h"
#include "records/records.h"

World world;

namespace {

// A level's seed: the calendar second times the level number, wrapping at 32 bits, so that two
// starts of the same level within one second pick the same formation and background.
uint32_t LevelSeed() { return uint32_t(CurrentTime()) * uint32_t(world.level); }

void PlaceShipForLevel() {
    world.ship.state = ACTOR_APPEARING;
    world.ship.frameX = 0;
    world.ship.armour = 1;
    // A deadline still armed from the last level is kept; the ship reappears where it was.
    if (world.ship.invulnerableUntil == 0) world.ship.invulnerableUntil = DeadlineAfter(2000);
}

void LayOutFormation() {
    for (int i = 0; i < FORMATION_COLUMNS; ++i) {
        for (int j = 0; j < FORMATION_ROWS; ++j) {
            Virus& virus = world.viruses[i][j];
            virus.x = 74 * i;
            virus.y = 64 * j + 32;
            virus.frameX = 0;
            virus.frameY = 0;
            virus.state = ACTOR_NORMAL;
            virus.frameTimer = 0;
        }
    }
}

void ChooseFormationKinds() {
    SeedRandom(LevelSeed());
    int f = NextRandom() % FORMATION_COUNT;
    for (int i = 0; i < FORMATION_COLUMNS; ++i)
        for (int j = 0; j < FORMATION_ROWS; ++j) world.viruses[i][j].kind = formations[f][i][j];
}

void LayOutShields() {
    for (int s = 0; s < SHIELD_COUNT; ++s) {
        Shield& shield = world.shields[s];
        shield.left = 232 * s + 104;
        shield.right = shield.left + 128;
        shield.top = 472;
        shield.bottom = 504;
    }
}

}  // namespace

void StartNewGame() {
    world.level = 0;
    world.lives = 3;
    world.score = 0;
    world.killCount = 0;
    world.doubleGun = false;
    newEntryRow = -1;
    nameLength = 0;
    world.ship.x = 368;
    world.ship.y = 536;
    world.ship.frameX = 0;
    world.ship.frameY = 0;
    world.ship.state = ACTOR_NORMAL;
    world.formationDx = 0;
}

void StartLevel() {
    world.level += 1;
    world.formationDx = world.level;
    world.virusShotSpeed = world.level / 10 + 5;
    ChooseLevelBackground();
    world.levelIntroPhase = 1;
    PlaceShipForLevel();
    LayOutFormation();
    ChooseFormationKinds();
    world.bottomRow = 4;
    world.leftColumn = 0;
    world.rightColumn = FORMATION_COLUMNS - 1;
    world.warningLevel = WARNING_NONE;
    LayOutShields();
    // Shots in flight vanish; their slots keep positions, frames, timers and sounds.
    for (Projectile& shot : world.projectiles) shot.owner = SHOT_NONE;
    // Reseed with the second alone, so the play that follows does not repeat level after level.
    SeedRandom(uint32_t(CurrentTime()));
}

// The level's background picture is chosen here; the drawing side loads it (LoadLevelBackground).
void ChooseLevelBackground() {
    SeedRandom(LevelSeed());
    world.background = NextRandom() % 3 + 1;
}
