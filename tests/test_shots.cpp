// Shots: virus fire, flight and leaving the screen, shields, viruses hit and the ship hit.
#include <vector>

#include "flow/flow.h"
#include "game/game.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/test_support.h"

namespace {

class ShotsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        // A full formation at its level-start place; shields removed unless a test wants them.
        for (int i = 0; i < FORMATION_COLUMNS; ++i)
            for (int j = 0; j < FORMATION_ROWS; ++j)
                world.viruses[i][j] = Virus{74 * i, 64 * j + 32, 0, 0, ACTOR_NORMAL, 0, 0};
        world.bottomRow = 4;
        world.leftColumn = 0;
        world.rightColumn = 5;
        for (Shield& shield : world.shields) shield = Shield{-1, -1, -1, -1};
        world.virusShotSpeed = 5;
        world.ship = PlayerShip{368, 536, 384, 0, ACTOR_NORMAL, 1, 0};
        SetTestTicks(ticks);
    }

    uint32_t ticks = 50000;
};

Projectile& PlaceShot(int slot, ShotOwner owner, int32_t x, int32_t y) {
    Projectile& shot = world.projectiles[slot];
    shot.owner = owner;
    shot.x = x;
    shot.y = y;
    return shot;
}

// A player shot in the middle of the virus at column i, row j: it touches no neighbour.
Projectile& ShootVirus(int i, int j) {
    const Virus& virus = world.viruses[i][j];
    return PlaceShot(0, SHOT_PLAYER, virus.x + 24, virus.y + 24);
}

void ClearColumn(int i) {
    for (Virus& virus : world.viruses[i]) virus.state = ACTOR_GONE;
}

void ClearRow(int j) {
    for (auto& column : world.viruses) column[j].state = ACTOR_GONE;
}

// A seed whose next two draws make the formation fire, from the given column.
uint32_t SeedFiringFrom(int column) {
    for (uint32_t seed = 1;; ++seed) {
        SeedRandom(seed);
        int32_t chance = NextRandom();
        if (chance % 50 == 1 && NextRandom() % 6 == column) return seed;
    }
}

int ShotsOf(ShotOwner owner) {
    int count = 0;
    for (const Projectile& shot : world.projectiles) count += shot.owner == owner;
    return count;
}

}  // namespace

TEST_F(ShotsTest, TheLowestVirusOfTheColumnFiresEvenWhileExploding) {
    world.viruses[3][4].state = ACTOR_GONE;
    world.viruses[3][3].state = ACTOR_EXPLODING;
    world.projectiles[0].owner = SHOT_PLAYER;
    world.projectiles[1].frameTimer = 1234;
    SeedRandom(SeedFiringFrom(3));
    FireVirusShot();
    const Projectile& shot = world.projectiles[1];
    ASSERT_EQ(shot.owner, SHOT_VIRUS);
    EXPECT_EQ(shot.x, 222 + 8);
    EXPECT_EQ(shot.y, 224 + 48);
    EXPECT_EQ(shot.frameX, 0);
    EXPECT_EQ(shot.frameTimer, 1234u);  // the slot keeps its animation timer
}

TEST_F(ShotsTest, AnEmptyColumnFiresNothingAndNoOtherColumnIsTried) {
    ClearColumn(2);
    SeedRandom(SeedFiringFrom(2));
    FireVirusShot();
    EXPECT_EQ(ShotsOf(SHOT_VIRUS), 0);

    // Without the 1-in-50 chance nothing fires, but the draw is made all the same.
    SeedRandom(7);
    int32_t first = NextRandom();
    ASSERT_NE(first % 50, 1);
    uint32_t afterOneDraw = randState;
    SeedRandom(7);
    FireVirusShot();
    EXPECT_EQ(ShotsOf(SHOT_VIRUS), 0);
    EXPECT_EQ(randState, afterOneDraw);
}

TEST_F(ShotsTest, FifteenShotsInFlightBlockAllFiring) {
    for (int slot = 0; slot < PROJECTILE_SLOTS; ++slot) PlaceShot(slot, SHOT_VIRUS, 10, 10);
    uint32_t seed = SeedFiringFrom(0);
    SeedRandom(seed);
    NextRandom();
    uint32_t afterOneDraw = randState;
    SeedRandom(seed);
    FireVirusShot();
    EXPECT_EQ(randState, afterOneDraw);  // no column is drawn when no slot is free
    SetTestKey(VK_SPACE, true);
    UpdatePlayerControl();
    EXPECT_EQ(ShotsOf(SHOT_VIRUS), 15);
    EXPECT_EQ(ShotsOf(SHOT_PLAYER), 0);
}

TEST_F(ShotsTest, ShotsAreFreedInTheFirstStepThatBeginsBeyondTheScreen) {
    PlaceShot(0, SHOT_PLAYER, 100, -15);
    PlaceShot(1, SHOT_PLAYER, 100, -16);
    PlaceShot(2, SHOT_VIRUS, 100, 615);
    PlaceShot(3, SHOT_VIRUS, 100, 616);
    MoveShots();
    EXPECT_EQ(world.projectiles[0].y, -25);
    EXPECT_EQ(world.projectiles[1].owner, SHOT_NONE);
    EXPECT_EQ(world.projectiles[2].y, 620);
    EXPECT_EQ(world.projectiles[3].owner, SHOT_NONE);
    MoveShots();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_NONE);
    EXPECT_EQ(world.projectiles[2].owner, SHOT_NONE);

    world.virusShotSpeed = 6;  // level 10 onwards
    PlaceShot(4, SHOT_VIRUS, 100, 300);
    MoveShots();
    EXPECT_EQ(world.projectiles[4].y, 306);
}

TEST_F(ShotsTest, ShotCellsTurnEvery50Ms) {
    Projectile& shot = PlaceShot(0, SHOT_PLAYER, 700, 450);
    std::vector<int32_t> seen;
    for (uint32_t ms = 0; ms <= 160; ms += 10) {
        SetTestTicks(ticks + ms);
        ResolveShotHits();
        seen.push_back(shot.frameX);
    }
    // Armed at 0, turns at 50; re-armed at 60, turns at 110; re-armed at 120, turns at 170.
    EXPECT_EQ(seen[4], 0);
    EXPECT_EQ(seen[5], 16);
    EXPECT_EQ(seen[10], 16);
    EXPECT_EQ(seen[11], 32);
    world.projectiles[0].frameX = 32;
    SetTestTicks(ticks + 1000);
    ResolveShotHits();
    EXPECT_EQ(shot.frameX, 0);
}

TEST_F(ShotsTest, ShieldsStopShotsFromBothSidesAndWearAway) {
    world.shields[1] = Shield{336, 472, 464, 504};
    for (int hit = 1; hit <= 4; ++hit) {
        Projectile& shot = PlaceShot(hit % 2, hit % 2 ? SHOT_VIRUS : SHOT_PLAYER, 392, 470);
        ResolveShotHits();
        EXPECT_EQ(shot.owner, SHOT_NONE);
    }
    const Shield& worn = world.shields[1];
    EXPECT_EQ(worn.left, 400);
    EXPECT_EQ(worn.right, 400);
    EXPECT_EQ(worn.top, 488);
    EXPECT_EQ(worn.bottom, 488);
    Projectile& through = PlaceShot(0, SHOT_VIRUS, 392, 480);
    ResolveShotHits();
    EXPECT_EQ(through.owner, SHOT_VIRUS);
    EXPECT_EQ(world.shields[1].left, 400);
}

TEST_F(ShotsTest, AShotStoppedByAShieldHitsNothingElse) {
    world.shields[0] = Shield{104, 472, 232, 504};
    for (auto& column : world.viruses)
        for (Virus& virus : column) virus.y += 388;  // row 0 now reaches into the shields
    PlaceShot(0, SHOT_PLAYER, 120, 476);
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_NONE);
    EXPECT_EQ(world.shields[0].left, 120);
    EXPECT_EQ(world.viruses[1][0].state, ACTOR_NORMAL);  // both overlap the shot
    EXPECT_EQ(world.viruses[1][1].state, ACTOR_NORMAL);
}

TEST_F(ShotsTest, OneShotDestroysBothVerticallyAdjacentViruses) {
    world.viruses[1][3].frameTimer = 99;
    world.viruses[1][2].state = ACTOR_EXPLODING;  // exploding viruses are not hit
    world.viruses[1][2].frameX = 256;
    PlaceShot(0, SHOT_PLAYER, 100, 280);  // straddles rows 3 and 4 of column 1
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_NONE);
    for (int row : {3, 4}) {
        EXPECT_EQ(world.viruses[1][row].state, ACTOR_EXPLODING);
        EXPECT_EQ(world.viruses[1][row].frameX, 128);
        EXPECT_EQ(world.viruses[1][row].frameTimer, 0u);
    }
    EXPECT_EQ(world.viruses[1][2].frameX, 256);

    PlaceShot(0, SHOT_PLAYER, 100, 180);  // over the exploding virus only
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_PLAYER);
}

TEST_F(ShotsTest, BottomRowClimbsOverEmptyRowsButNeverBelowZero) {
    ClearRow(3);
    ClearRow(2);
    ClearRow(4);
    world.viruses[2][4].state = ACTOR_NORMAL;
    ShootVirus(2, 4);
    ResolveShotHits();
    EXPECT_EQ(world.bottomRow, 1);

    // A kill in a row above bottomRow changes nothing, even when it empties that row.
    ClearRow(0);
    world.viruses[4][0].state = ACTOR_NORMAL;
    ShootVirus(4, 0);
    ResolveShotHits();
    EXPECT_EQ(world.bottomRow, 1);

    ClearRow(1);
    world.viruses[0][1].state = ACTOR_NORMAL;
    world.viruses[0][0].state = ACTOR_NORMAL;
    ShootVirus(0, 1);
    ResolveShotHits();
    EXPECT_EQ(world.bottomRow, 0);
    ShootVirus(0, 0);
    ResolveShotHits();
    EXPECT_EQ(world.bottomRow, 0);
}

TEST_F(ShotsTest, OuterColumnsMoveInwardsPastEmptyColumns) {
    ClearColumn(0);
    ClearColumn(1);
    world.viruses[0][2].state = ACTOR_NORMAL;
    ClearColumn(4);
    ClearColumn(5);
    world.viruses[5][0].state = ACTOR_NORMAL;

    ShootVirus(3, 4);  // an inner column: no change
    ResolveShotHits();
    EXPECT_EQ(world.leftColumn, 0);
    EXPECT_EQ(world.rightColumn, 5);

    ShootVirus(0, 2);
    ResolveShotHits();
    EXPECT_EQ(world.leftColumn, 2);
    ShootVirus(5, 0);
    ResolveShotHits();
    EXPECT_EQ(world.rightColumn, 3);
}

TEST_F(ShotsTest, TheLastColumnKeepsBothEndsWhenItsLastVirusIsHit) {
    for (int i = 0; i < FORMATION_COLUMNS; ++i)
        if (i != 4) ClearColumn(i);
    for (int j = 0; j < 4; ++j) world.viruses[4][j].state = ACTOR_GONE;
    world.leftColumn = world.rightColumn = 4;
    ShootVirus(4, 4);
    ResolveShotHits();
    EXPECT_EQ(world.leftColumn, 4);
    EXPECT_EQ(world.rightColumn, 4);
    EXPECT_EQ(world.bottomRow, 0);
    EXPECT_EQ(world.viruses[4][4].state, ACTOR_EXPLODING);
}

TEST_F(ShotsTest, TwoVirusShotsReachingTheAlphaShipInOneStep) {
    world.shipKind = SHIP_ALPHA;  // its armour never counts
    PlaceShot(2, SHOT_VIRUS, 380, 530);
    PlaceShot(5, SHOT_VIRUS, 400, 540);
    PlaceShot(6, SHOT_PLAYER, 390, 540);  // player shots never hit the ship
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[2].owner, SHOT_NONE);
    EXPECT_EQ(world.projectiles[5].owner, SHOT_VIRUS);  // passes through the exploding ship
    EXPECT_EQ(world.projectiles[6].owner, SHOT_PLAYER);
    EXPECT_EQ(world.ship.state, ACTOR_EXPLODING);
    EXPECT_EQ(world.ship.frameX, 640);
    EXPECT_EQ(world.ship.armour, 1);
}

TEST_F(ShotsTest, TheOmegaArmourTakesOneHitPerShip) {
    world.shipKind = SHIP_OMEGA;
    PlaceShot(2, SHOT_VIRUS, 380, 530);
    PlaceShot(5, SHOT_VIRUS, 400, 540);
    ResolveShotHits();
    EXPECT_EQ(ShotsOf(SHOT_VIRUS), 0);
    EXPECT_EQ(world.ship.state, ACTOR_EXPLODING);
    EXPECT_EQ(world.ship.armour, 1);  // ready for the next ship

    world.ship.state = ACTOR_APPEARING;  // the next ship, its invulnerability over
    world.ship.frameX = 64;
    PlaceShot(0, SHOT_VIRUS, 380, 530);
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_NONE);
    EXPECT_EQ(world.ship.state, ACTOR_APPEARING);
    EXPECT_EQ(world.ship.armour, 0);
}

TEST_F(ShotsTest, VirusShotsFlyThroughAnInvulnerableShip) {
    world.ship.invulnerableUntil = ticks + 500;
    PlaceShot(0, SHOT_VIRUS, 380, 530);
    ResolveShotHits();
    EXPECT_EQ(world.projectiles[0].owner, SHOT_VIRUS);
    EXPECT_EQ(world.ship.state, ACTOR_NORMAL);
    MoveShots();
    EXPECT_EQ(world.projectiles[0].y, 535);
}

TEST_F(ShotsTest, EveryHitSoundsItsEffectAndSilencesTheShot) {
    OpenSoundDevice();
    LoadSoundBank();
    auto playing = [](int sound) { return PlatformSoundPlaying(sound); };
    world.shields[0] = Shield{104, 472, 232, 504};
    for (int slot : {0, 1, 2}) StartSound(soundBank.shotSounds[slot]);
    PlaceShot(0, SHOT_VIRUS, 120, 470);  // into the left shield
    PlaceShot(1, SHOT_PLAYER, world.viruses[2][4].x + 24, world.viruses[2][4].y + 24);
    PlaceShot(2, SHOT_VIRUS, 380, 530);
    world.shipKind = SHIP_OMEGA;  // the armour takes this one, with the shield's sound
    ResolveShotHits();
    for (int slot : {0, 1, 2}) EXPECT_FALSE(playing(soundBank.shotSounds[slot])) << slot;
    EXPECT_TRUE(playing(soundBank.shieldSound));
    EXPECT_TRUE(playing(soundBank.enemyExplosionSound));
    EXPECT_FALSE(playing(soundBank.playerExplosionSound));

    PlaceShot(3, SHOT_VIRUS, 380, 530);
    ResolveShotHits();
    EXPECT_TRUE(playing(soundBank.playerExplosionSound));

    // A virus shot starts its slot's own copy; leaving the screen silences it.
    SeedRandom(SeedFiringFrom(1));
    FireVirusShot();
    ASSERT_EQ(world.projectiles[0].owner, SHOT_VIRUS);
    EXPECT_TRUE(playing(soundBank.shotSounds[0]));
    world.projectiles[0].y = 616;
    MoveShots();
    EXPECT_FALSE(playing(soundBank.shotSounds[0]));
}
