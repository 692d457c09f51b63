// Shots: the formation's fire, the flight of every shot, and what a shot hits.
#include "core/core.h"
#include "game/game.h"
#include "sound/sound.h"

namespace {

constexpr int SHOT_SIZE = 16;
constexpr int FIRE_CHANCE = 50;           // the formation fires on about one step in 50
constexpr int PLAYER_SHOT_SPEED = 10;
constexpr int32_t PLAYER_SHOT_GONE = -16; // wholly above the screen
constexpr int32_t VIRUS_SHOT_GONE = 616;  // wholly below the screen, and 16 px more
constexpr uint32_t SHOT_FRAME_MS = 50;
constexpr int SHOT_CELL = 16;
constexpr int SHOT_CELLS = 3;
constexpr int SHIELD_SHRINK_X = 16;       // four hits take a 128 x 32 shield down to nothing
constexpr int SHIELD_SHRINK_Y = 4;
constexpr int32_t VIRUS_EXPLOSION_FIRST_CELL = 128;
constexpr int32_t SHIP_EXPLOSION_FIRST_CELL = 640;

Rect BoxAt(int32_t x, int32_t y, int32_t size) { return Rect{x, y, x + size, y + size}; }

// A shot ends: the slot is free again and its sound falls silent, rewound for the next shot.
void FreeSlot(Projectile& shot) {
    shot.owner = SHOT_NONE;
    SilenceSound(ShotSound(shot));
}

bool ColumnHasAlive(int column) {
    for (int row = 0; row < FORMATION_ROWS; ++row)
        if (world.viruses[column][row].state == ACTOR_NORMAL) return true;
    return false;
}

bool RowHasAlive(int row) {
    for (int column = 0; column < FORMATION_COLUMNS; ++column)
        if (world.viruses[column][row].state == ACTOR_NORMAL) return true;
    return false;
}

// Keeps bottomRow, leftColumn and rightColumn on alive viruses after the virus at (column,
// row) stopped being alive. With one column left both ends stay put: the level is ending.
void UpdateFormationBounds(int column, int row) {
    if (row == world.bottomRow)
        while (world.bottomRow > 0 && !RowHasAlive(world.bottomRow)) --world.bottomRow;
    if (world.leftColumn == world.rightColumn) return;
    // The other end still holds an alive virus, so each search stops there at the latest.
    if (column == world.leftColumn) {
        while (world.leftColumn < world.rightColumn && !ColumnHasAlive(world.leftColumn))
            ++world.leftColumn;
    } else if (column == world.rightColumn) {
        while (world.rightColumn > world.leftColumn && !ColumnHasAlive(world.rightColumn))
            --world.rightColumn;
    }
}

void AnimateShot(Projectile& shot) {
    if (!TimedStep(shot.frameTimer, SHOT_FRAME_MS)) return;
    shot.frameX += SHOT_CELL;
    if (shot.frameX == SHOT_CELL * SHOT_CELLS) shot.frameX = 0;
}

// Shields stop shots from either side and lose a ring with every hit; an empty shield
// (worn away, or removed when the formation came down) overlaps nothing.
void HitShields(Projectile& shot, const Rect& r) {
    for (Shield& shield : world.shields) {
        if (!RectsOverlap(r, shield)) continue;
        FreeSlot(shot);
        RestartSound(soundBank.shieldSound);
        shield.left += SHIELD_SHRINK_X;
        shield.right -= SHIELD_SHRINK_X;
        shield.top += SHIELD_SHRINK_Y;
        shield.bottom -= SHIELD_SHRINK_Y;
    }
}

// A player shot destroys every alive virus it overlaps in this step, not just the first.
void HitViruses(Projectile& shot, const Rect& r) {
    for (int column = 0; column < FORMATION_COLUMNS; ++column) {
        for (int row = 0; row < FORMATION_ROWS; ++row) {
            Virus& virus = world.viruses[column][row];
            if (virus.state != ACTOR_NORMAL || !RectsOverlap(r, BoxAt(virus.x, virus.y, SPRITE_SIZE)))
                continue;
            FreeSlot(shot);
            RestartSound(soundBank.enemyExplosionSound);
            virus.state = ACTOR_EXPLODING;
            virus.frameX = VIRUS_EXPLOSION_FIRST_CELL;
            virus.frameTimer = 0;
            UpdateFormationBounds(column, row);
        }
    }
}

// An exploding or invulnerable ship lets virus shots pass; the omega ship's armour takes one hit.
void HitShip(Projectile& shot, const Rect& r) {
    PlayerShip& ship = world.ship;
    if (ship.state == ACTOR_EXPLODING || ship.invulnerableUntil != 0) return;
    if (!RectsOverlap(r, BoxAt(ship.x, ship.y, SPRITE_SIZE))) return;
    FreeSlot(shot);
    if (world.shipKind == SHIP_OMEGA && ship.armour == 1) {
        ship.armour = 0;
        RestartSound(soundBank.shieldSound);
        return;
    }
    ship.armour = 1;  // ready for the next ship
    ship.state = ACTOR_EXPLODING;
    ship.frameX = SHIP_EXPLOSION_FIRST_CELL;
    RestartSound(soundBank.playerExplosionSound);
}

}  // namespace

static_assert(PROJECTILE_SLOTS == SHOT_SOUND_COPIES, "every shot slot has its own sound");

int ShotSound(const Projectile& shot) { return soundBank.shotSounds[&shot - world.projectiles]; }

int FindFreeShotSlot() {
    for (int i = 0; i < PROJECTILE_SLOTS; ++i)
        if (world.projectiles[i].owner == SHOT_NONE) return i;
    return -1;
}

// The lowest virus of a random column drops a shot. The chance is the same on every level
// and whatever is left of the formation; an empty column simply fires nothing this step.
void FireVirusShot() {
    if (NextRandom() % FIRE_CHANCE != 1) return;
    int slot = FindFreeShotSlot();
    if (slot < 0) return;
    int column = NextRandom() % FORMATION_COLUMNS;
    for (int row = FORMATION_ROWS - 1; row >= 0; --row) {
        const Virus& virus = world.viruses[column][row];
        if (virus.state == ACTOR_GONE) continue;  // an exploding virus still fires
        Projectile& shot = world.projectiles[slot];
        StartSound(ShotSound(shot));
        shot.owner = SHOT_VIRUS;
        shot.x = virus.x + 8;   // starts inside the bottom of the virus
        shot.y = virus.y + 48;
        shot.frameX = 0;
        shot.frameY = 0;
        return;
    }
}

// A shot is freed in the first step that begins with it beyond its limit.
void MoveShots() {
    for (Projectile& shot : world.projectiles) {
        if (shot.owner == SHOT_PLAYER) {
            if (shot.y <= PLAYER_SHOT_GONE) FreeSlot(shot);
            else shot.y -= PLAYER_SHOT_SPEED;
        } else if (shot.owner == SHOT_VIRUS) {
            if (shot.y >= VIRUS_SHOT_GONE) FreeSlot(shot);
            else shot.y += world.virusShotSpeed;
        }
    }
}

// Hits are tested on the positions the previous step's movement left, slot by slot.
void ResolveShotHits() {
    for (Projectile& shot : world.projectiles) {
        if (shot.owner == SHOT_NONE) continue;
        AnimateShot(shot);
        Rect r = BoxAt(shot.x, shot.y, SHOT_SIZE);
        HitShields(shot, r);
        if (shot.owner == SHOT_PLAYER) HitViruses(shot, r);
        else if (shot.owner == SHOT_VIRUS) HitShip(shot, r);
    }
}
