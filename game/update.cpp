// The world step: one simulation step of a level in play, and the level-clear test.
#include "game/game.h"

#include "core/core.h"

WorldReport worldReport;

// The level is over once the last column's viruses are all gone; one still exploding keeps
// the level running until its explosion has run out and been scored.
bool IsLevelCleared() {
    if (world.leftColumn != world.rightColumn) return false;
    for (const Virus& virus : world.viruses[world.leftColumn])
        if (virus.state != ACTOR_GONE) return false;
    return true;
}

// Hits are tested on the positions the previous step left, before anything moves; a shot
// fired in this step is moved once before it can hit anything.
void UpdateWorld() {
    if (IsLevelCleared()) worldReport.levelCleared = true;
    ResolveShotHits();
    UpdateFormation();
    FireVirusShot();
    UpdatePlayerControl();
    UpdateShipAnimation();
    UpdatePowerUps();
    MoveShots();
}
