// The player's ship: steering, firing, its sprite cells, the explosion and the loss of a ship.
#include "core/core.h"
#include "game/game.h"
#include "platform/platform.h"
#include "sound/sound.h"

namespace {

constexpr int32_t ALPHA_SPEED = 5;
constexpr int32_t OMEGA_SPEED = 2;
// The ship moves only while a whole step would leave it on the 800 px screen (it is 64 wide).
constexpr int32_t LEFT_LIMIT = 5;
constexpr int32_t RIGHT_LIMIT = 731;
constexpr int32_t SHOT_Y = 520;
constexpr int32_t SINGLE_GUN_OFFSET = 32;
constexpr int32_t DOUBLE_GUN_SPACING = 48;

// Sprite cells, 64 px each.
constexpr int32_t APPEARING_LAST_CELL = 128;
constexpr int32_t BANK_LEFT_FIRST = 192;
constexpr int32_t BANK_LEFT_FULL = 320;
constexpr int32_t LEVEL_CELL = 384;
constexpr int32_t BANK_RIGHT_FIRST = 448;
constexpr int32_t BANK_RIGHT_FULL = 576;
constexpr int32_t EXPLOSION_LAST_CELL = 832;

constexpr uint32_t EXPLOSION_FRAME_MS = 100;
constexpr uint32_t DEATH_HOLD_MS = 1000;
constexpr uint32_t INVULNERABLE_MS = 2000;
constexpr int32_t LOST_SHIP_PENALTY = 200;

bool PlayerShotInFlight() {
    for (const Projectile& shot : world.projectiles)
        if (shot.owner == SHOT_PLAYER) return true;
    return false;
}

// Left wins when both arrows are down; at the edge the ship banks without moving.
void SteerShip() {
    PlayerShip& ship = world.ship;
    int32_t speed = world.shipKind == SHIP_OMEGA ? OMEGA_SPEED : ALPHA_SPEED;
    if (IsKeyDown(VK_LEFT)) {
        ship.state = ACTOR_MOVING_LEFT;
        if (ship.x >= LEFT_LIMIT) ship.x -= speed;
    } else if (IsKeyDown(VK_RIGHT)) {
        ship.state = ACTOR_MOVING_RIGHT;
        if (ship.x <= RIGHT_LIMIT) ship.x += speed;
    }
}

// One shot from the nose, or with the extra gun two from the wing tips; with a single free
// slot the double gun fires only its left shot.
void FireVolley() {
    int shots = world.doubleGun ? 2 : 1;
    for (int k = 0; k < shots; ++k) {
        int slot = FindFreeShotSlot();
        if (slot < 0) return;
        Projectile& shot = world.projectiles[slot];
        StartSound(ShotSound(shot));
        shot.owner = SHOT_PLAYER;
        shot.x = world.doubleGun ? world.ship.x + DOUBLE_GUN_SPACING * k
                                 : world.ship.x + SINGLE_GUN_OFFSET;
        shot.y = SHOT_Y;
        shot.frameX = 0;
        shot.frameY = 0;
    }
}

bool IsLeftBank(int32_t cell) { return cell >= BANK_LEFT_FIRST && cell <= BANK_LEFT_FULL; }
bool IsRightBank(int32_t cell) { return cell >= BANK_RIGHT_FIRST && cell <= BANK_RIGHT_FULL; }

// One cell back towards level flight from either bank.
void LevelOut(PlayerShip& ship) {
    if (ship.frameX == BANK_LEFT_FIRST || ship.frameX == BANK_RIGHT_FIRST) ship.frameX = LEVEL_CELL;
    else if (IsLeftBank(ship.frameX) || IsRightBank(ship.frameX)) ship.frameX -= SPRITE_SIZE;
}

void BankLeft(PlayerShip& ship) {
    if (IsRightBank(ship.frameX)) LevelOut(ship);
    else if (ship.frameX == LEVEL_CELL) ship.frameX = BANK_LEFT_FIRST;
    else if (IsLeftBank(ship.frameX) && ship.frameX < BANK_LEFT_FULL) ship.frameX += SPRITE_SIZE;
}

void BankRight(PlayerShip& ship) {
    if (IsLeftBank(ship.frameX)) LevelOut(ship);
    else if (ship.frameX == LEVEL_CELL) ship.frameX = BANK_RIGHT_FIRST;
    else if (IsRightBank(ship.frameX) && ship.frameX < BANK_RIGHT_FULL) ship.frameX += SPRITE_SIZE;
}

void Materialise(PlayerShip& ship) {
    if (ship.frameX < APPEARING_LAST_CELL) {
        ship.frameX += SPRITE_SIZE;
    } else {
        ship.state = ACTOR_NORMAL;
        ship.frameX = LEVEL_CELL;
    }
}

// The ship is lost. The last one, or any after an invasion, ends the game with no penalty;
// otherwise a new ship materialises where the old one was, without the extra gun.
void LoseShip() {
    PlayerShip& ship = world.ship;
    world.lives -= 1;
    if (world.lives < 0 || world.warningLevel == WARNING_MISSION_FAILED) {
        worldReport.gameLost = true;
        return;
    }
    ship.state = ACTOR_APPEARING;
    ship.frameX = 0;
    if (ship.invulnerableUntil == 0) ship.invulnerableUntil = DeadlineAfter(INVULNERABLE_MS);
    world.score -= LOST_SHIP_PENALTY;
    world.doubleGun = false;
}

// The explosion runs to its last cell, which is then held for a second before the ship is lost.
void Explode(PlayerShip& ship) {
    if (ship.frameX < EXPLOSION_LAST_CELL) {
        if (TimedStep(world.shipExplosionTimer, EXPLOSION_FRAME_MS)) ship.frameX += SPRITE_SIZE;
        return;
    }
    if (TimedStep(world.deathHoldUntil, DEATH_HOLD_MS)) LoseShip();
}

}  // namespace

// Keys are ignored while the ship materialises or explodes; invulnerability ends on time
// whatever the ship is doing.
void UpdatePlayerControl() {
    PlayerShip& ship = world.ship;
    if (ship.state != ACTOR_APPEARING && ship.state != ACTOR_EXPLODING) {
        ship.state = ACTOR_NORMAL;
        SteerShip();
        // A new volley only once the previous one is entirely gone.
        if (IsKeyDown(VK_SPACE) && !PlayerShotInFlight()) FireVolley();
    }
    if (ship.invulnerableUntil != 0 && TickAfter(CurrentTicks(), ship.invulnerableUntil))
        ship.invulnerableUntil = 0;
}

void UpdateShipAnimation() {
    PlayerShip& ship = world.ship;
    switch (ship.state) {
    case ACTOR_APPEARING: Materialise(ship); break;
    case ACTOR_NORMAL: LevelOut(ship); break;
    case ACTOR_MOVING_LEFT: BankLeft(ship); break;
    case ACTOR_MOVING_RIGHT: BankRight(ship); break;
    case ACTOR_EXPLODING: Explode(ship); break;
    case ACTOR_GONE: break;
    }
}
