// The rules a World keeps on every frame: the formation's outer columns and lowest row on live
// viruses, a grid that moves as one, one volley in flight, the ship on the screen.
#include "tests/world_invariants.h"

#include <cstdlib>

#include "game/world.h"

namespace {

bool AliveInColumn(int column) {
    for (const Virus& virus : world.viruses[column])
        if (virus.state == ACTOR_NORMAL) return true;
    return false;
}

bool AliveInRow(int row) {
    for (const auto& column : world.viruses)
        if (column[row].state == ACTOR_NORMAL) return true;
    return false;
}

std::string FormationRule() {
    if (world.leftColumn < 0 || world.leftColumn > world.rightColumn || world.rightColumn > 5)
        return "columns " + std::to_string(world.leftColumn) + ".." + std::to_string(world.rightColumn);
    if (world.leftColumn != world.rightColumn &&
        (!AliveInColumn(world.leftColumn) || !AliveInColumn(world.rightColumn)))
        return "an outer column holds no live virus";
    if (world.bottomRow < 0 || world.bottomRow > 4) return "bottomRow " + std::to_string(world.bottomRow);
    if (world.bottomRow != 0 && !AliveInRow(world.bottomRow)) return "bottomRow holds no live virus";
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 5; ++j) {
            const Virus& virus = world.viruses[i][j];
            if (virus.x != world.viruses[i][0].x || virus.y != world.viruses[0][j].y)
                return "the grid no longer moves as one";
            if (virus.state != ACTOR_GONE && virus.state != ACTOR_NORMAL && virus.state != ACTOR_EXPLODING)
                return "virus state " + std::to_string(virus.state);
            if (virus.kind < 0 || virus.kind > 3) return "virus kind " + std::to_string(virus.kind);
            // The formation turns before an alive column would leave the screen (on the levels
            // whose step is far smaller than the room on either side).
            if (virus.state == ACTOR_NORMAL && world.level < 10 && (virus.x < 0 || virus.x + 64 > 800))
                return "an alive virus off the screen at x " + std::to_string(virus.x);
        }
    return "";
}

std::string ShotRule() {
    const Projectile* first = nullptr;
    int playerShots = 0;
    for (const Projectile& shot : world.projectiles) {
        if (shot.owner != SHOT_NONE && shot.owner != SHOT_PLAYER && shot.owner != SHOT_VIRUS)
            return "shot owner " + std::to_string(shot.owner);
        if (shot.owner != SHOT_NONE && shot.frameX != 0 && shot.frameX != 16 && shot.frameX != 32)
            return "shot cell " + std::to_string(shot.frameX);
        if (shot.owner != SHOT_PLAYER) continue;
        // Two player shots in flight are one volley, fired together from the wing tips.
        if (first != nullptr && (shot.y != first->y || std::abs(shot.x - first->x) != 48))
            return "two player shots that are not one volley";
        first = &shot;
        ++playerShots;
    }
    return playerShots <= 2 ? "" : std::to_string(playerShots) + " player shots";
}

std::string ShipAndItemRule() {
    const PlayerShip& ship = world.ship;
    if (ship.x < 0 || ship.x > 736) return "ship x " + std::to_string(ship.x);
    if (world.level > 0 && ship.y != 536) return "ship y " + std::to_string(ship.y);
    if (ship.frameX < 0 || ship.frameX > 832 || ship.frameX % 64 != 0)
        return "ship cell " + std::to_string(ship.frameX);
    if (ship.armour != 0 && ship.armour != 1) return "armour " + std::to_string(ship.armour);
    for (const PowerUp* item : {&world.extraLifeItem, &world.extraGunItem})
        if (item->active && (item->y >= 600 || item->frameX < 0 || item->frameX > 512 || item->frameX % 64 != 0))
            return "bonus item at y " + std::to_string(item->y) + " cell " + std::to_string(item->frameX);
    if (world.lives < -1 || world.score % 100 != 0) return "lives or score";
    if (world.warningLevel < WARNING_NONE || world.warningLevel > WARNING_MISSION_FAILED)
        return "warning level " + std::to_string(world.warningLevel);
    return "";
}

}  // namespace

std::string FirstBrokenWorldRule() {
    std::string broken = FormationRule();
    if (broken.empty()) broken = ShotRule();
    if (broken.empty()) broken = ShipAndItemRule();
    return broken;
}
