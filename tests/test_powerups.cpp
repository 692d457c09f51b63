// Bonus items: falling, the shared cell timer, collection and what each item gives.
#include <vector>

#include "flow/flow.h"
#include "game/game.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tests/test_support.h"

namespace {

class PowerUpTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        world.lives = 3;
        world.ship = PlayerShip{368, 536, 384, 0, ACTOR_NORMAL, 1, 0};
        SetTestTicks(ticks);
    }

    // Moves the clock on by ms and runs the bonus-item step once.
    void StepAfter(uint32_t ms) {
        ticks += ms;
        SetTestTicks(ticks);
        UpdatePowerUps();
    }

    uint32_t ticks = 50000;
};

constexpr PowerUp FAR_FROM_THE_SHIP{700, 100, 0, 0, true};
constexpr PowerUp ON_THE_SHIP{368, 480, 0, 0, true};

}  // namespace

TEST_F(PowerUpTest, AnItemFromY32FallsOffAfter284Steps) {
    world.extraLifeItem = PowerUp{700, 32, 0, 0, true};
    for (int step = 0; step < 283; ++step) StepAfter(10);
    EXPECT_TRUE(world.extraLifeItem.active);
    EXPECT_EQ(world.extraLifeItem.y, 598);
    StepAfter(10);
    EXPECT_FALSE(world.extraLifeItem.active);
    EXPECT_EQ(world.extraLifeItem.y, 600);
    EXPECT_EQ(world.lives, 3);

    // An inactive item is left alone, and so is the shared timer.
    world.powerUpFrameTimer = 0;
    StepAfter(10);
    EXPECT_EQ(world.extraLifeItem.y, 600);
    EXPECT_EQ(world.powerUpFrameTimer, 0u);
}

TEST_F(PowerUpTest, FallingCellsLoopEvery50Ms) {
    world.extraGunItem = FAR_FROM_THE_SHIP;
    std::vector<int32_t> seen;
    for (int step = 0; step < 14; ++step) {
        StepAfter(step == 0 ? 0 : 25);  // arm, wait, turn: one cell per two steps
        seen.push_back(world.extraGunItem.frameX);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 0, 64, 64, 64, 128, 128, 128, 192, 192, 192, 256, 256, 256}));
    world.extraGunItem.frameX = 320;
    StepAfter(1000);
    EXPECT_EQ(world.extraGunItem.frameX, 0);
}

TEST_F(PowerUpTest, CollectedItemsGiveTheExtraGunAndAnExtraLife) {
    for (PowerUp* item : {&world.extraGunItem, &world.extraLifeItem}) {
        *item = ON_THE_SHIP;
        StepAfter(0);
        EXPECT_EQ(item->frameX, 384);  // touched: the collection starts
        for (int step = 0; step < 7; ++step) StepAfter(25);
        EXPECT_TRUE(item->active);
        EXPECT_EQ(item->frameX, 512);
        StepAfter(25);
        EXPECT_FALSE(item->active);
    }
    EXPECT_TRUE(world.doubleGun);
    EXPECT_EQ(world.lives, 4);
}

TEST_F(PowerUpTest, AnExplodingShipCannotStartACollectionButOneStartedCompletes) {
    world.ship.state = ACTOR_EXPLODING;
    world.extraLifeItem = ON_THE_SHIP;
    StepAfter(0);
    EXPECT_EQ(world.extraLifeItem.frameX, 0);

    world.ship.state = ACTOR_APPEARING;  // a materialising (and invulnerable) ship collects
    world.ship.invulnerableUntil = ticks + 2000;
    StepAfter(0);
    EXPECT_EQ(world.extraLifeItem.frameX, 384);
    world.ship.state = ACTOR_EXPLODING;
    for (int step = 0; step < 20 && world.extraLifeItem.active; ++step) StepAfter(25);
    EXPECT_FALSE(world.extraLifeItem.active);
    EXPECT_EQ(world.lives, 4);
}

TEST_F(PowerUpTest, AnItemTouchedJustAboveTheBottomIsLostBeforeItsCollectionEnds) {
    world.extraLifeItem = PowerUp{368, 590, 0, 0, true};
    StepAfter(0);
    EXPECT_EQ(world.extraLifeItem.frameX, 384);
    for (int step = 0; step < 4; ++step) StepAfter(25);
    EXPECT_FALSE(world.extraLifeItem.active);
    EXPECT_EQ(world.lives, 3);
}

TEST_F(PowerUpTest, TheExtraLifeStandsStillWhileTheExtraGunFalls) {
    world.extraGunItem = FAR_FROM_THE_SHIP;
    world.extraLifeItem = PowerUp{368, 400, 128, 0, true};
    for (int step = 0; step < 40; ++step) StepAfter(25);
    EXPECT_EQ(world.extraLifeItem.frameX, 384);  // touched from y 474 on, but stuck on that cell
    EXPECT_EQ(world.lives, 3);
    EXPECT_NE(world.extraGunItem.frameX, 0);

    world.extraGunItem.active = false;
    for (int step = 0; step < 9; ++step) StepAfter(25);
    EXPECT_FALSE(world.extraLifeItem.active);
    EXPECT_EQ(world.lives, 4);
}

TEST_F(PowerUpTest, ACompletedCollectionSoundsItsItem) {
    OpenSoundDevice();
    LoadSoundBank();
    world.extraGunItem = ON_THE_SHIP;
    for (int step = 0; step < 20 && world.extraGunItem.active; ++step) {
        EXPECT_FALSE(PlatformSoundPlaying(soundBank.extraWeaponSound));
        StepAfter(25);
    }
    EXPECT_TRUE(PlatformSoundPlaying(soundBank.extraWeaponSound));
    EXPECT_FALSE(PlatformSoundPlaying(soundBank.extraLifeSound));
    world.extraLifeItem = ON_THE_SHIP;
    for (int step = 0; step < 20 && world.extraLifeItem.active; ++step) StepAfter(25);
    EXPECT_TRUE(PlatformSoundPlaying(soundBank.extraLifeSound));
}
