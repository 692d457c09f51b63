// Formation movement: the sweep and descent of the grid, virus animations, explosions and
// their scoring, and the warnings as the formation comes down.
#include "game/game.h"

#include "core/core.h"

namespace {

constexpr int32_t SCREEN_RIGHT = 800;
constexpr int32_t DESCENT = 5;
constexpr uint32_t ALIVE_FRAME_MS = 150;
constexpr uint32_t EXPLOSION_FRAME_MS = 100;
constexpr int32_t EXPLOSION_END_FRAME = 448;  // the marker just past the 448-pixel strip
constexpr int32_t POINTS_PER_VIRUS = 100;
constexpr int32_t EXTRA_LIFE_KILLS = 165;
constexpr int32_t EXTRA_GUN_KILLS = 225;
// The lowest alive row's bottom edge against the shields' top and bottom and the ship's top.
constexpr int32_t SHIELDS_TOP_LINE = 472;
constexpr int32_t SHIELDS_BOTTOM_LINE = 504;
constexpr int32_t SHIP_TOP_LINE = 536;

// Only the outer columns that still hold an alive virus count, and the test is made before the
// move: the formation turns in the step in which it would have crossed the edge.
bool FormationReachesWall() {
    int32_t dx = world.formationDx;
    if (dx < 0) return world.viruses[world.leftColumn][0].x + dx < 0;
    if (dx > 0) return world.viruses[world.rightColumn][0].x + dx + SPRITE_SIZE > SCREEN_RIGHT;
    return false;
}

void DropItem(PowerUp& item, const Virus& virus) {
    // An item still falling starts again from here.
    item.active = true;
    item.frameX = 0;
    item.frameY = 0;
    item.x = virus.x;
    item.y = virus.y;
}

// The explosion has shown its last cell: the virus is gone, scored and counted.
void FinishExplosion(Virus& virus) {
    virus.state = ACTOR_GONE;
    world.killCount += 1;
    world.score += POINTS_PER_VIRUS;
    if (world.killCount % EXTRA_LIFE_KILLS == 0) DropItem(world.extraLifeItem, virus);
    if (world.killCount % EXTRA_GUN_KILLS == 0) DropItem(world.extraGunItem, virus);
}

// Alive: cells 0 and 64 for 150 ms each, then 128 for a single step. Exploding: cells 128 to
// 384 for 100 ms each, then the end marker 448 for one step.
void AnimateVirus(Virus& virus) {
    if (virus.state == ACTOR_NORMAL) {
        if (virus.frameX == 128)
            virus.frameX = 0;
        else if (TimedStep(virus.frameTimer, ALIVE_FRAME_MS))
            virus.frameX += 64;
    } else if (virus.state == ACTOR_EXPLODING) {
        if (virus.frameX == EXPLOSION_END_FRAME)
            FinishExplosion(virus);
        else if (TimedStep(virus.frameTimer, EXPLOSION_FRAME_MS))
            virus.frameX += 64;
    }
}

void RemoveShields() {
    for (Shield& shield : world.shields) shield = Rect{-1, -1, -1, -1};
}

// At a reversal: how far down has the lowest alive row come?
void CheckInvasion() {
    const Virus* lowest = nullptr;
    for (int i = 0; i < FORMATION_COLUMNS && !lowest; ++i)
        if (world.viruses[i][world.bottomRow].state == ACTOR_NORMAL)
            lowest = &world.viruses[i][world.bottomRow];
    if (!lowest) return;
    int32_t bottom = lowest->y + SPRITE_SIZE;
    if (bottom >= SHIP_TOP_LINE) {
        // Reaching the ship's line destroys it whatever its armour or invulnerability.
        world.warningLevel = WARNING_MISSION_FAILED;
        world.ship.state = ACTOR_EXPLODING;
    } else if (bottom >= SHIELDS_BOTTOM_LINE) {
        world.warningLevel = WARNING_INVASION_IMMINENT;
    } else if (bottom >= SHIELDS_TOP_LINE) {
        world.warningLevel = WARNING_SHIELDS_DOWN;
        RemoveShields();
    } else {
        world.warningLevel = WARNING_NONE;
    }
}

}  // namespace

void UpdateFormation() {
    bool reversal = FormationReachesWall();
    if (reversal) world.formationDx = -world.formationDx;
    // The grid moves as one, gone viruses included.
    for (auto& column : world.viruses) {
        for (Virus& virus : column) {
            virus.x += world.formationDx;
            if (reversal) virus.y += DESCENT;
            AnimateVirus(virus);
        }
    }
    if (reversal) CheckInvasion();
}
