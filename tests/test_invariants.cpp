// Long random play through the whole program, checking the world's invariants on every frame.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

#include "flow/flow.h"
#include "game/game.h"
#include "tests/test_support.h"
#include "tests/world_invariants.h"

namespace {

// Keys go down and up at random moments for minutes of play; Enter is tapped now and then so
// that lost games lead back through the menus into new ones, P pauses and resumes at times.
std::string RandomPlayScript(uint32_t seed, int segments) {
    std::mt19937 random(seed);
    std::ostringstream script;
    script << "ticks " << (random() % 2 ? 1000u : 4294900000u) << "\n";  // also across the wrap
    for (int k = 0; k < 4; ++k) script << "wait 300\ntap RETURN\n";
    const char* heldKeys[] = {"LEFT", "RIGHT", "SPACE"};
    bool down[3] = {false, false, false};
    for (int s = 0; s < segments; ++s) {
        script << "wait " << 20 + random() % 1500 << "\n";
        int key = int(random() % 3);
        down[key] = !down[key];
        script << (down[key] ? "down " : "up ") << heldKeys[key] << "\n";
        if (random() % 6 == 0) script << "tap RETURN\n";
        if (random() % 40 == 0) script << "tap P\nwait " << random() % 2000 << "\ntap P\n";
    }
    return script.str();
}

// What the run went through, so that the test can tell it exercised the interesting paths.
struct RunRecord {
    int framesPlaying = 0;
    int gamesEnded = 0;
    int killsMade = 0;
    int32_t lastKillCount = 0;
    int shipsLost = 0;
    int doubleVolleys = 0;
    int gamesStarted = 0;
    int itemsDropped = 0;
    int itemsCollected = 0;
    bool itemWasActive[2] = {false, false};
    int32_t lastGameState = -1;
    int32_t lastLives = 0;
};

// Counts the frames in which a double volley is in flight.
void CountDoubleVolleys(RunRecord& record) {
    int playerShots = 0;
    for (const Projectile& shot : world.projectiles) playerShots += shot.owner == SHOT_PLAYER;
    if (playerShots == 2) ++record.doubleVolleys;
}

void CheckGame(RunRecord& record) {
    if (gameState == STATE_PLAYING) ++record.framesPlaying;
    if (gameState == STATE_GAME_OVER && record.lastGameState != STATE_GAME_OVER) ++record.gamesEnded;
    if (world.lives < record.lastLives) ++record.shipsLost;
    record.lastLives = world.lives;
    record.lastGameState = gameState;
    if (world.killCount > record.lastKillCount) record.killsMade += world.killCount - record.lastKillCount;
    record.lastKillCount = world.killCount;
}

// Random play seldom reaches the 165th kill; each new game starts its kill count just short of
// an item, alternately the extra life and the extra gun, so that items fall and get collected.
void BringBonusItemsNear(RunRecord& record) {
    if (gameState == STATE_PLAYING && world.level == 1 && world.killCount == 0) {
        world.killCount = record.gamesStarted % 2 ? 160 : 220;
        record.lastKillCount = world.killCount;
        ++record.gamesStarted;
    }
    const PowerUp* items[2] = {&world.extraLifeItem, &world.extraGunItem};
    for (int k = 0; k < 2; ++k) {
        if (items[k]->active && !record.itemWasActive[k]) ++record.itemsDropped;
        if (!items[k]->active && record.itemWasActive[k] && items[k]->frameX == 512) ++record.itemsCollected;
        record.itemWasActive[k] = items[k]->active;
    }
}

void CheckEveryFrame(RunRecord& record) {
    BringBonusItemsNear(record);
    const std::string broken = FirstBrokenWorldRule();
    ASSERT_EQ(broken, "") << "in game state " << gameState << ", level " << world.level;
    CountDoubleVolleys(record);
    CheckGame(record);
}

}  // namespace

using InvariantTest = GameTest;

TEST_F(InvariantTest, RandomPlayKeepsTheWorldConsistent) {
    for (uint32_t seed : {11u, 2024u}) {
        SCOPED_TRACE("script seed " + std::to_string(seed));
        ResetProgramState();
        HeadlessReset();
        RunRecord record;
        HeadlessOptions options;
        std::string error;
        options.error = &error;
        options.onFrame = [&record] {
            if (!::testing::Test::HasFatalFailure()) CheckEveryFrame(record);
        };
        ASSERT_EQ(RunHeadlessScript(RandomPlayScript(seed, 800), options), 0) << error;
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_GT(record.framesPlaying, 10000);
        EXPECT_GT(record.killsMade, 100);
        EXPECT_GT(record.shipsLost, 0);
        EXPECT_GT(record.gamesEnded, 0);
        EXPECT_GT(record.itemsDropped, 0);
        std::printf("seed %u: %d playing frames, %d games ended, %d ships lost, %d kills, "
                    "%d items dropped, %d collected, %d double-volley frames\n",
                    seed, record.framesPlaying, record.gamesEnded, record.shipsLost,
                    record.killsMade, record.itemsDropped, record.itemsCollected,
                    record.doubleVolleys);
    }
}
