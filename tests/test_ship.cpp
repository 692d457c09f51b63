// The player's ship: steering, volleys, banking, the explosion and what a lost ship costs.
#include <vector>

#include "flow/flow.h"
#include "game/game.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/test_support.h"

namespace {

class ShipTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        world.lives = 3;
        world.ship = PlayerShip{368, 536, 384, 0, ACTOR_NORMAL, 1, 0};
        gameState = STATE_PLAYING;
        SetTestTicks(ticks);
    }

    // Moves the clock on by ms and runs the ship's animation step once.
    void AnimateAfter(uint32_t ms) {
        ticks += ms;
        SetTestTicks(ticks);
        UpdateShipAnimation();
    }

    // Runs the explosion (10 ms per step) until the ship is lost or the game ends.
    void RunExplosionToTheEnd() {
        world.ship.state = ACTOR_EXPLODING;
        world.ship.frameX = 640;
        for (int step = 0; step < 1000 && world.ship.state == ACTOR_EXPLODING &&
                           !worldReport.gameLost; ++step)
            AnimateAfter(10);
    }

    int PlayerShots() const {
        int count = 0;
        for (const Projectile& shot : world.projectiles) count += shot.owner == SHOT_PLAYER;
        return count;
    }

    uint32_t ticks = 50000;
};

void HoldKeys(bool left, bool right, bool space) {
    SetTestKey(VK_LEFT, left);
    SetTestKey(VK_RIGHT, right);
    SetTestKey(VK_SPACE, space);
}

int32_t EdgeReached(ShipKind kind, bool left) {
    world.shipKind = kind;
    world.ship.x = 368;
    HoldKeys(left, !left, false);
    for (int step = 0; step < 400; ++step) UpdatePlayerControl();
    return world.ship.x;
}

}  // namespace

TEST_F(ShipTest, EachShipStopsAtItsOwnEdges) {
    EXPECT_EQ(EdgeReached(SHIP_ALPHA, true), 3);
    EXPECT_EQ(world.ship.state, ACTOR_MOVING_LEFT);  // still banking against the edge
    EXPECT_EQ(EdgeReached(SHIP_ALPHA, false), 733);
    EXPECT_EQ(world.ship.state, ACTOR_MOVING_RIGHT);
    EXPECT_EQ(EdgeReached(SHIP_OMEGA, true), 4);
    EXPECT_EQ(EdgeReached(SHIP_OMEGA, false), 732);
}

TEST_F(ShipTest, LeftArrowWinsAndNoKeyMeansLevelFlight) {
    HoldKeys(true, true, false);
    UpdatePlayerControl();
    EXPECT_EQ(world.ship.x, 363);
    EXPECT_EQ(world.ship.state, ACTOR_MOVING_LEFT);
    HoldKeys(false, false, false);
    UpdatePlayerControl();
    EXPECT_EQ(world.ship.x, 363);
    EXPECT_EQ(world.ship.state, ACTOR_NORMAL);
}

TEST_F(ShipTest, SingleGunFiresOneShotOnlyWhenTheLastIsGone) {
    world.projectiles[0].owner = SHOT_VIRUS;  // the player takes the lowest free slot
    HoldKeys(false, false, true);
    UpdatePlayerControl();
    ASSERT_EQ(world.projectiles[1].owner, SHOT_PLAYER);
    EXPECT_EQ(world.projectiles[1].x, 400);
    EXPECT_EQ(world.projectiles[1].y, 520);
    EXPECT_EQ(PlayerShots(), 1);
    UpdatePlayerControl();  // Space still held: the shot is in flight
    EXPECT_EQ(PlayerShots(), 1);
    world.projectiles[1].owner = SHOT_NONE;
    UpdatePlayerControl();
    EXPECT_EQ(world.projectiles[1].owner, SHOT_PLAYER);
    EXPECT_EQ(PlayerShots(), 1);
}

TEST_F(ShipTest, DoubleGunFiresPairsAndOnlyTheLeftShotIntoTheLastSlot) {
    world.doubleGun = true;
    HoldKeys(false, false, true);
    UpdatePlayerControl();
    ASSERT_EQ(PlayerShots(), 2);
    EXPECT_EQ(world.projectiles[0].x, 368);
    EXPECT_EQ(world.projectiles[1].x, 416);
    world.projectiles[0].owner = SHOT_NONE;  // half the pair gone: still no new volley
    UpdatePlayerControl();
    EXPECT_EQ(PlayerShots(), 1);

    for (Projectile& shot : world.projectiles) shot.owner = SHOT_VIRUS;
    world.projectiles[9].owner = SHOT_NONE;
    UpdatePlayerControl();
    EXPECT_EQ(PlayerShots(), 1);
    EXPECT_EQ(world.projectiles[9].owner, SHOT_PLAYER);
    EXPECT_EQ(world.projectiles[9].x, 368);
}

TEST_F(ShipTest, KeysAreIgnoredWhileMaterialisingOrExplodingButInvulnerabilityRunsOut) {
    HoldKeys(true, false, true);
    for (ActorState state : {ACTOR_APPEARING, ACTOR_EXPLODING}) {
        world.ship.state = state;
        world.ship.invulnerableUntil = ticks + 100;
        UpdatePlayerControl();
        EXPECT_EQ(world.ship.x, 368);
        EXPECT_EQ(world.ship.state, state);
        EXPECT_EQ(PlayerShots(), 0);
        SetTestTicks(ticks + 100);  // not yet past the deadline
        UpdatePlayerControl();
        EXPECT_EQ(world.ship.invulnerableUntil, ticks + 100);
        SetTestTicks(ticks + 101);
        UpdatePlayerControl();
        EXPECT_EQ(world.ship.invulnerableUntil, 0u);
        SetTestTicks(ticks);
    }
}

TEST_F(ShipTest, BankingFollowsTheKeysOneCellPerStep) {
    auto cells = [](ActorState state, int32_t from, int steps) {
        world.ship.state = state;
        world.ship.frameX = from;
        std::vector<int32_t> seen;
        for (int k = 0; k < steps; ++k) {
            UpdateShipAnimation();
            seen.push_back(world.ship.frameX);
        }
        return seen;
    };
    using V = std::vector<int32_t>;
    EXPECT_EQ(cells(ACTOR_MOVING_LEFT, 384, 4), (V{192, 256, 320, 320}));
    EXPECT_EQ(cells(ACTOR_MOVING_LEFT, 576, 5), (V{512, 448, 384, 192, 256}));
    EXPECT_EQ(cells(ACTOR_MOVING_RIGHT, 384, 4), (V{448, 512, 576, 576}));
    EXPECT_EQ(cells(ACTOR_MOVING_RIGHT, 320, 5), (V{256, 192, 384, 448, 512}));
    EXPECT_EQ(cells(ACTOR_NORMAL, 320, 4), (V{256, 192, 384, 384}));
    EXPECT_EQ(cells(ACTOR_NORMAL, 576, 4), (V{512, 448, 384, 384}));
    EXPECT_EQ(cells(ACTOR_APPEARING, 0, 3), (V{64, 128, 384}));
    EXPECT_EQ(world.ship.state, ACTOR_NORMAL);
}

TEST_F(ShipTest, ExplosionCellsComeEvery100MsThenTheShipIsHeldASecond) {
    world.ship.state = ACTOR_EXPLODING;
    world.ship.frameX = 640;
    AnimateAfter(0);   // arms the timer
    AnimateAfter(99);
    EXPECT_EQ(world.ship.frameX, 640);
    AnimateAfter(1);
    EXPECT_EQ(world.ship.frameX, 704);
    for (int k = 0; k < 2; ++k) {
        AnimateAfter(0);
        AnimateAfter(100);
    }
    EXPECT_EQ(world.ship.frameX, 832);
    AnimateAfter(0);   // arms the hold
    AnimateAfter(999);
    EXPECT_EQ(world.lives, 3);
    EXPECT_EQ(world.ship.state, ACTOR_EXPLODING);
    AnimateAfter(1);
    EXPECT_EQ(world.lives, 2);
    EXPECT_EQ(world.ship.state, ACTOR_APPEARING);
    EXPECT_EQ(world.deathHoldUntil, 0u);
}

TEST_F(ShipTest, ALostShipCostsTwoHundredPointsAndTheDoubleGunOnly) {
    world.score = 100;
    world.doubleGun = true;
    world.ship.x = 500;
    RunExplosionToTheEnd();
    EXPECT_EQ(world.ship.state, ACTOR_APPEARING);
    EXPECT_EQ(world.ship.frameX, 0);
    EXPECT_EQ(world.ship.x, 500);
    EXPECT_EQ(world.lives, 2);
    EXPECT_EQ(world.score, -100);
    EXPECT_FALSE(world.doubleGun);
    EXPECT_EQ(world.ship.invulnerableUntil, ticks + 2000);
    EXPECT_FALSE(worldReport.gameLost);

    // A deadline still armed from before is kept as it is.
    world.ship.invulnerableUntil = 7;
    RunExplosionToTheEnd();
    EXPECT_EQ(world.ship.invulnerableUntil, 7u);
}

TEST_F(ShipTest, TheFourthShipLostEndsTheGameWithoutPenalty) {
    for (int ship = 1; ship <= 3; ++ship) {
        RunExplosionToTheEnd();
        ASSERT_FALSE(worldReport.gameLost);
    }
    EXPECT_EQ(world.lives, 0);
    EXPECT_EQ(world.score, -600);
    RunExplosionToTheEnd();
    EXPECT_TRUE(worldReport.gameLost);
    EXPECT_EQ(world.lives, -1);
    EXPECT_EQ(world.score, -600);
    EXPECT_EQ(world.ship.state, ACTOR_EXPLODING);
}

TEST_F(ShipTest, AnInvasionEndsTheGameEvenWithSpareShips) {
    // The formation destroys the ship from whatever cell it showed.
    world.warningLevel = WARNING_MISSION_FAILED;
    world.ship.state = ACTOR_EXPLODING;
    world.ship.frameX = 448;
    for (int step = 0; step < 1000 && !worldReport.gameLost; ++step) AnimateAfter(10);
    EXPECT_TRUE(worldReport.gameLost);
    EXPECT_EQ(world.ship.frameX, 832);
    EXPECT_EQ(world.lives, 2);
    EXPECT_EQ(world.score, 0);
}

TEST_F(ShipTest, EachShotOfAVolleyStartsItsSlotsOwnSound) {
    OpenSoundDevice();
    LoadSoundBank();
    world.doubleGun = true;
    HoldKeys(false, false, true);
    UpdatePlayerControl();
    EXPECT_TRUE(PlatformSoundPlaying(soundBank.shotSounds[0]));
    EXPECT_TRUE(PlatformSoundPlaying(soundBank.shotSounds[1]));
    EXPECT_FALSE(PlatformSoundPlaying(soundBank.shotSounds[2]));
}
