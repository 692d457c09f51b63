// Game and level set-up: starting values, the level layout, speeds and the seeded choices.
#include <cstring>

#include "flow/flow.h"
#include "game/game.h"
#include "gfx/images.h"
#include "records/records.h"
#include "tests/test_support.h"

namespace {

// Gives every formation f a signature in its first two places, so the chosen one can be read back.
void MarkFormations() {
    for (int f = 0; f < FORMATION_COUNT; ++f) {
        for (int i = 0; i < 6; ++i)
            for (int j = 0; j < 5; ++j) formations[f][i][j] = 0;
        formations[f][0][0] = f % 4;
        formations[f][1][0] = f / 4;
    }
}

int ChosenFormation() { return world.viruses[0][0].kind + 4 * world.viruses[1][0].kind; }

// Starts the given level, as if the previous one had just been cleared.
void StartLevelNumber(int32_t level) {
    world.level = level - 1;
    StartLevel();
    LoadLevelBackground();  // the level start screen loads the picture the set-up chose
}

}  // namespace

using SetupTest = GameTest;

TEST_F(SetupTest, GeneratorFollowsTheClassicRule) {
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    EXPECT_EQ(randState, 0x18BE873Au);
    // The state wraps at 32 bits and results never use its top bit.
    SeedRandom(0xFFFFFFFFu);
    EXPECT_EQ(NextRandom(), 35);
    EXPECT_EQ(NextRandom(), 29739);
    for (int k = 0; k < 1000; ++k) {
        int32_t value = NextRandom();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST_F(SetupTest, NewGameResetsTheGameButKeepsWhatItDoesNotOwn) {
    world.level = 7;
    world.lives = 0;
    world.score = -400;
    world.killCount = 300;
    world.doubleGun = true;
    world.formationDx = -7;
    world.shipKind = SHIP_OMEGA;
    world.ship = PlayerShip{12, 99, 832, 0, ACTOR_EXPLODING, 0, 4321};
    world.extraLifeItem = PowerUp{100, 300, 128, 0, true};
    world.deathHoldUntil = 777;
    newEntryRow = 2;
    nameLength = 5;
    gameState = STATE_NEW_GAME;

    RunFrame();  // the screen machine starts the game and moves on to the level's start

    EXPECT_EQ(world.level, 0);
    EXPECT_EQ(world.lives, 3);
    EXPECT_EQ(world.score, 0);
    EXPECT_EQ(world.killCount, 0);
    EXPECT_FALSE(world.doubleGun);
    EXPECT_EQ(world.formationDx, 0);
    EXPECT_EQ(newEntryRow, -1);
    EXPECT_EQ(nameLength, 0);
    EXPECT_EQ(world.ship.x, 368);
    EXPECT_EQ(world.ship.y, 536);
    EXPECT_EQ(world.ship.frameX, 0);
    EXPECT_EQ(world.ship.state, ACTOR_NORMAL);
    EXPECT_EQ(gameState, STATE_LEVEL_START);
    // The ship choice, a falling item, armour, invulnerability and timers carry over.
    EXPECT_EQ(world.shipKind, SHIP_OMEGA);
    EXPECT_TRUE(world.extraLifeItem.active);
    EXPECT_EQ(world.extraLifeItem.y, 300);
    EXPECT_EQ(world.ship.armour, 0);
    EXPECT_EQ(world.ship.invulnerableUntil, 4321u);
    EXPECT_EQ(world.deathHoldUntil, 777u);
}

TEST_F(SetupTest, FirstLevelLaysOutFormationShieldsAndShip) {
    SetTestTicks(50000);
    StartNewGame();
    world.ship.x = 200;
    world.projectiles[3] = Projectile{40, 300, 16, 0, SHOT_VIRUS, 1234};
    world.warningLevel = WARNING_INVASION_IMMINENT;

    gameState = STATE_LEVEL_START;
    RunFrame();

    EXPECT_EQ(world.level, 1);
    EXPECT_EQ(world.formationDx, 1);
    EXPECT_EQ(world.virusShotSpeed, 5);
    EXPECT_EQ(world.levelIntroPhase, 1);
    EXPECT_EQ(gameState, STATE_LEVEL_INTRO);
    // The grid spans x 0..434 and y 32..352; the right column starts at 370.
    EXPECT_EQ(world.viruses[0][0].x, 0);
    EXPECT_EQ(world.viruses[0][0].y, 32);
    EXPECT_EQ(world.viruses[5][4].x, 370);
    EXPECT_EQ(world.viruses[5][4].y + 64, 352);
    EXPECT_EQ(world.viruses[3][2].x, 222);
    EXPECT_EQ(world.viruses[3][2].y, 160);
    for (const auto& column : world.viruses)
        for (const Virus& virus : column) EXPECT_EQ(virus.state, ACTOR_NORMAL);
    EXPECT_EQ(world.bottomRow, 4);
    EXPECT_EQ(world.leftColumn, 0);
    EXPECT_EQ(world.rightColumn, 5);
    EXPECT_EQ(world.warningLevel, WARNING_NONE);
    const int32_t shieldLefts[3] = {104, 336, 568};
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(world.shields[s].left, shieldLefts[s]);
        EXPECT_EQ(world.shields[s].right, shieldLefts[s] + 128);
        EXPECT_EQ(world.shields[s].top, 472);
        EXPECT_EQ(world.shields[s].bottom, 504);
    }
    // Shots in flight vanish but their slots keep everything else.
    EXPECT_EQ(world.projectiles[3].owner, SHOT_NONE);
    EXPECT_EQ(world.projectiles[3].y, 300);
    EXPECT_EQ(world.projectiles[3].frameTimer, 1234u);
    // The ship materialises where it was, armoured and invulnerable for two seconds.
    EXPECT_EQ(world.ship.x, 200);
    EXPECT_EQ(world.ship.state, ACTOR_APPEARING);
    EXPECT_EQ(world.ship.armour, 1);
    EXPECT_EQ(world.ship.invulnerableUntil, 52000u);
    EXPECT_NE(images.backgroundImage, nullptr);
}

TEST_F(SetupTest, ArmedInvulnerabilityIsKeptAtTheNextLevel) {
    SetTestTicks(10000);
    StartNewGame();
    world.ship.invulnerableUntil = 9500;
    StartLevel();
    EXPECT_EQ(world.ship.invulnerableUntil, 9500u);
}

TEST_F(SetupTest, SpeedsGrowWithTheLevel) {
    StartNewGame();
    StartLevelNumber(9);
    EXPECT_EQ(world.formationDx, 9);
    EXPECT_EQ(world.virusShotSpeed, 5);
    StartLevelNumber(10);
    EXPECT_EQ(world.formationDx, 10);
    EXPECT_EQ(world.virusShotSpeed, 6);
    StartLevelNumber(25);
    EXPECT_EQ(world.formationDx, 25);
    EXPECT_EQ(world.virusShotSpeed, 7);
    // Level 10 sweeps the grid 10 px in one step.
    StartLevelNumber(10);
    UpdateFormation();
    EXPECT_EQ(world.viruses[5][0].x, 380);
    EXPECT_EQ(world.viruses[0][4].x, 10);
}

TEST_F(SetupTest, FormationAndBackgroundFollowTheSecondAndTheLevel) {
    MarkFormations();
    // time x level wraps at 32 bits: 1700000000 x 3 = 5100000000 = 805032704 + 2^32.
    SetTestTime(1700000000);
    StartNewGame();
    StartLevelNumber(3);
    // The play that follows is seeded with the second alone.
    EXPECT_EQ(randState, 1700000000u);
    SeedRandom(805032704u);
    int32_t draw = NextRandom();
    EXPECT_EQ(ChosenFormation(), draw % 10);

    // A background of the same number as a fresh load of the expected file.
    Image* expected = nullptr;
    const char* names[3] = {"images/background01.bmp", "images/background02.bmp",
                            "images/background03.bmp"};
    LoadBitmapSurface(expected, names[draw % 3], 800, 600);
    ASSERT_NE(images.backgroundImage, nullptr);
    EXPECT_EQ(images.backgroundImage->pixels, expected->pixels);
    ReleaseSurface(expected);
}

TEST_F(SetupTest, TwoStartsWithinOneSecondPickTheSameLevel) {
    MarkFormations();
    SetTestTime(1700000123);
    StartNewGame();
    StartLevelNumber(4);
    int firstFormation = ChosenFormation();
    std::vector<uint16_t> firstBackground = images.backgroundImage->pixels;

    // Same second, same level, with play (and its draws) in between.
    for (int k = 0; k < 37; ++k) NextRandom();
    StartLevelNumber(4);
    EXPECT_EQ(ChosenFormation(), firstFormation);
    EXPECT_EQ(images.backgroundImage->pixels, firstBackground);

    // The seconds that follow bring other formations.
    bool seen[FORMATION_COUNT] = {};
    int distinct = 0;
    for (int64_t t = 1; t <= 20; ++t) {
        SetTestTime(1700000123 + t);
        StartLevelNumber(4);
        if (!seen[ChosenFormation()]) ++distinct;
        seen[ChosenFormation()] = true;
    }
    EXPECT_GE(distinct, 5);
}
