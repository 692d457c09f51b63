// Bonus items: the falling extra gun and extra life, their collection and their effect.
#include "core/core.h"
#include "game/game.h"
#include "sound/sound.h"

namespace {

constexpr int32_t FALL_SPEED = 2;
constexpr int32_t LOST_AT_Y = 600;  // the screen's bottom edge
constexpr uint32_t ITEM_FRAME_MS = 50;
// Cells of 64 px: 0..320 falling in a loop, 384..512 being collected.
constexpr int32_t FALLING_LAST_CELL = 320;
constexpr int32_t COLLECTING_FIRST_CELL = 384;
constexpr int32_t COLLECTING_LAST_CELL = 512;

// One cell on; returns true when the last collection cell has been shown.
bool AdvanceItemCell(PowerUp& item) {
    if (item.frameX == COLLECTING_LAST_CELL) {
        item.active = false;
        return true;
    }
    if (item.frameX >= COLLECTING_FIRST_CELL || item.frameX < FALLING_LAST_CELL) item.frameX += SPRITE_SIZE;
    else item.frameX = 0;
    return false;
}

bool TouchesShip(const PowerUp& item) {
    const PlayerShip& ship = world.ship;
    Rect itemBox{item.x, item.y, item.x + SPRITE_SIZE, item.y + SPRITE_SIZE};
    Rect shipBox{ship.x, ship.y, ship.x + SPRITE_SIZE, ship.y + SPRITE_SIZE};
    return RectsOverlap(itemBox, shipBox);
}

}  // namespace

// The extra gun goes first. Both items share one frame timer, so while the extra gun falls it
// takes every expiry and the extra life, which only re-arms the timer, stands on its cell.
void UpdatePowerUps() {
    if (UpdatePowerUp(world.extraGunItem)) {
        RestartSound(soundBank.extraWeaponSound);
        world.doubleGun = true;
    }
    if (UpdatePowerUp(world.extraLifeItem)) {
        RestartSound(soundBank.extraLifeSound);
        world.lives += 1;
    }
}

// Returns true in the step in which the item's collection completes. A collection once
// started completes even if the ship explodes meanwhile, unless the item falls off first.
bool UpdatePowerUp(PowerUp& item) {
    if (!item.active) return false;
    bool collected = TimedStep(world.powerUpFrameTimer, ITEM_FRAME_MS) && AdvanceItemCell(item);
    item.y += FALL_SPEED;
    if (item.y >= LOST_AT_Y) item.active = false;
    // Invulnerability does not matter, and a materialising ship collects too.
    if (TouchesShip(item) && item.frameX < COLLECTING_FIRST_CELL && world.ship.state != ACTOR_EXPLODING)
        item.frameX = COLLECTING_FIRST_CELL;
    return collected;
}
