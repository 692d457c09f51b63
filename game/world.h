// The state of the game in progress: ship, formation, shields, shots, bonus items and counters.
#pragma once

#include <cstdint>

#include "core/rect.h"
#include "records/records.h"

enum ActorState : int32_t {
    ACTOR_GONE = 0,
    ACTOR_NORMAL = 1,
    ACTOR_APPEARING = 2,
    ACTOR_MOVING_LEFT = 3,
    ACTOR_MOVING_RIGHT = 4,
    ACTOR_EXPLODING = 5,
};

enum ShotOwner : int32_t {
    SHOT_NONE = 0,
    SHOT_PLAYER = 1,
    SHOT_VIRUS = 2,
};

enum ShipKind : uint8_t {
    SHIP_ALPHA = 0,
    SHIP_OMEGA = 1,
};

enum WarningLevel : int32_t {
    WARNING_NONE = 0,
    WARNING_SHIELDS_DOWN = 1,
    WARNING_INVASION_IMMINENT = 2,
    WARNING_MISSION_FAILED = 3,
};

constexpr int SHIELD_COUNT = 3;
constexpr int PROJECTILE_SLOTS = 15;

struct PlayerShip {
    int32_t x, y;
    int32_t frameX, frameY;
    ActorState state;
    int32_t armour;
    uint32_t invulnerableUntil;
};

struct Virus {
    int32_t x, y;
    int32_t frameX, frameY;
    ActorState state;
    int32_t kind;
    uint32_t frameTimer;
};

// Every sprite (ship, virus, bonus item) is a 64 x 64 cell of its picture strip, and its box on
// the playfield is the same size.
constexpr int32_t SPRITE_SIZE = 64;

// A shield is its own rectangle; it shrinks with every hit.
using Shield = Rect;

struct Projectile {
    int32_t x, y;
    int32_t frameX, frameY;
    ShotOwner owner;
    uint32_t frameTimer;
};

struct PowerUp {
    int32_t x, y;
    int32_t frameX, frameY;
    bool active;
};

struct World {
    int32_t score;
    int32_t lives;
    int32_t level;
    int32_t killCount;
    bool paused;
    ShipKind shipKind;
    bool doubleGun;
    WarningLevel warningLevel;
    int32_t formationDx;
    int32_t virusShotSpeed;
    int32_t levelIntroPhase;
    int32_t bottomRow;
    int32_t leftColumn;
    int32_t rightColumn;
    uint32_t deathHoldUntil;
    uint32_t shipExplosionTimer;
    uint32_t powerUpFrameTimer;
    int32_t background;  // the level's background picture, 1..3; 0 before the first level
    PlayerShip ship;
    Virus viruses[FORMATION_COLUMNS][FORMATION_ROWS];
    Shield shields[SHIELD_COUNT];
    Projectile projectiles[PROJECTILE_SLOTS];
    PowerUp extraLifeItem;
    PowerUp extraGunItem;
};

// The one World, all zero when the program starts.
extern World world;
