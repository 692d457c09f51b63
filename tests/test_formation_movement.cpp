// Formation movement and the level-clear test: sweep, turns, descent, explosions, kills, warnings.
#include "flow/flow.h"
#include "game/game.h"
#include "tests/test_support.h"

namespace {

class FormationMovementTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        SetTestTicks(100000);
        StartNewGame();
        StartLevel();
        gameState = STATE_PLAYING;
    }

    // Steps until the formation turns; returns the number of steps taken, the turning one included.
    int StepsToReversal(int limit = 2000) {
        int32_t dx = world.formationDx;
        for (int steps = 1; steps <= limit; ++steps) {
            UpdateFormation();
            if (world.formationDx != dx) return steps;
        }
        return -1;
    }

    void KeepOnlyColumn(int alive) {
        for (int i = 0; i < FORMATION_COLUMNS; ++i)
            if (i != alive)
                for (Virus& virus : world.viruses[i]) virus.state = ACTOR_GONE;
        world.leftColumn = world.rightColumn = alive;
    }

    // A virus at the end of its explosion, scored in the next formation step.
    Virus& ExplosionAboutToEnd(int column, int row) {
        Virus& virus = world.viruses[column][row];
        virus.state = ACTOR_EXPLODING;
        virus.frameX = 448;
        return virus;
    }
};

}  // namespace

TEST_F(FormationMovementTest, LevelOneTurnsAtTheRightEdgeAndStepsDown) {
    EXPECT_EQ(world.viruses[5][0].x, 370);
    // 366 steps of 1 px bring the right column's right edge to exactly 800.
    for (int k = 0; k < 366; ++k) UpdateFormation();
    EXPECT_EQ(world.viruses[5][0].x, 736);
    EXPECT_EQ(world.viruses[5][0].y, 32);
    EXPECT_EQ(world.formationDx, 1);
    // The next step would cross the edge: it turns, moves 1 px back and steps down 5 px.
    UpdateFormation();
    EXPECT_EQ(world.formationDx, -1);
    EXPECT_EQ(world.viruses[5][0].x, 735);
    EXPECT_EQ(world.viruses[0][0].x, 365);
    EXPECT_EQ(world.viruses[0][0].y, 37);
    EXPECT_EQ(world.viruses[2][4].y, 293);
    // Back to the left edge: column 0 reaches x 0 and turns in the step that would pass it.
    EXPECT_EQ(StepsToReversal(), 366);
    EXPECT_EQ(world.viruses[0][0].x, 1);
    EXPECT_EQ(world.viruses[0][0].y, 42);
}

TEST_F(FormationMovementTest, FormationWithOneColumnLeftTravelsToTheEdge) {
    KeepOnlyColumn(0);
    // Gone viruses keep moving with the grid.
    EXPECT_EQ(StepsToReversal(), 737);
    EXPECT_EQ(world.viruses[0][0].x, 735);
    EXPECT_EQ(world.viruses[5][0].x, 735 + 370);
    EXPECT_EQ(world.viruses[0][0].y, 37);

    StartLevel();
    KeepOnlyColumn(5);
    world.formationDx = -1;
    EXPECT_EQ(StepsToReversal(), 371);
    EXPECT_EQ(world.viruses[5][0].x, 1);
    EXPECT_EQ(world.viruses[0][0].x, 1 - 370);
}

TEST_F(FormationMovementTest, FullFormationWarningsComeAtFixedReversals) {
    for (int level : {1, 10}) {
        world.level = level - 1;
        StartLevel();
        world.ship.state = ACTOR_NORMAL;
        world.ship.armour = 1;
        world.ship.invulnerableUntil = 200000;
        for (int reversal = 1; reversal <= 37; ++reversal) {
            ASSERT_GT(StepsToReversal(), 0);
            int32_t bottom = world.viruses[0][4].y + 64;
            ASSERT_EQ(bottom, 352 + 5 * reversal);
            WarningLevel expected = reversal < 24   ? WARNING_NONE
                                    : reversal < 31 ? WARNING_SHIELDS_DOWN
                                    : reversal < 37 ? WARNING_INVASION_IMMINENT
                                                    : WARNING_MISSION_FAILED;
            ASSERT_EQ(world.warningLevel, expected) << "level " << level << " reversal " << reversal;
            bool shieldsRemoved = world.shields[1].left == -1 && world.shields[1].bottom == -1;
            ASSERT_EQ(shieldsRemoved, reversal >= 24) << "reversal " << reversal;
            ASSERT_EQ(world.ship.state == ACTOR_EXPLODING, reversal == 37) << "reversal " << reversal;
        }
        // The invasion destroys even an armoured, invulnerable ship, without touching its cell.
        EXPECT_EQ(world.ship.frameX, 0);
    }
}

TEST_F(FormationMovementTest, WarningFollowsTheLowestAliveRowAtTheNextReversal) {
    // Row 4's bottom edge at 527, 532 after the turn: the invasion warning stands.
    for (auto& column : world.viruses)
        for (Virus& virus : column) virus.y += 175;
    StepsToReversal();
    ASSERT_EQ(world.warningLevel, WARNING_INVASION_IMMINENT);
    // The whole bottom row destroyed: the warning stays until the formation turns again.
    for (auto& column : world.viruses) column[4].state = ACTOR_GONE;
    world.bottomRow = 3;
    UpdateFormation();
    EXPECT_EQ(world.warningLevel, WARNING_INVASION_IMMINENT);
    StepsToReversal();
    // Row 3 now ends at 288 + 175 + 10 = 473, past the shields' top line.
    EXPECT_EQ(world.viruses[0][3].y + 64, 473);
    EXPECT_EQ(world.warningLevel, WARNING_SHIELDS_DOWN);

    // With no alive virus left in the bottom row a reversal leaves the warning as it is.
    for (auto& column : world.viruses)
        for (Virus& virus : column) virus.state = ACTOR_GONE;
    world.bottomRow = 0;
    world.warningLevel = WARNING_INVASION_IMMINENT;
    StepsToReversal();
    EXPECT_EQ(world.warningLevel, WARNING_INVASION_IMMINENT);
}

TEST_F(FormationMovementTest, AliveAndExplosionCellsRunOnTheirTimers) {
    Virus& alive = world.viruses[1][1];
    Virus& exploding = world.viruses[2][2];
    exploding.state = ACTOR_EXPLODING;
    exploding.frameX = 128;
    exploding.frameTimer = 0;
    UpdateFormation();  // arms both timers; nothing changes in the arming step
    EXPECT_EQ(alive.frameX, 0);
    EXPECT_EQ(exploding.frameX, 128);
    SetTestTicks(100099);
    UpdateFormation();
    EXPECT_EQ(exploding.frameX, 128);
    SetTestTicks(100100);
    UpdateFormation();
    EXPECT_EQ(exploding.frameX, 192);
    EXPECT_EQ(alive.frameX, 0);
    SetTestTicks(100150);
    UpdateFormation();
    EXPECT_EQ(alive.frameX, 64);
    EXPECT_EQ(exploding.frameX, 192);  // re-armed at 100150, due at 100250

    // Every cell is held for its period, counted from the step that re-arms the timer.
    uint32_t now = 100150;
    for (int32_t cell : {256, 320, 384}) {
        now += 100;
        SetTestTicks(now);
        UpdateFormation();
        EXPECT_EQ(exploding.frameX, cell);
        UpdateFormation();  // re-arms at the same tick
    }
    SetTestTicks(now + 100);
    UpdateFormation();
    EXPECT_EQ(exploding.frameX, 448);
    EXPECT_EQ(exploding.state, ACTOR_EXPLODING);
    EXPECT_EQ(world.killCount, 0);
    UpdateFormation();  // the end marker has been shown for a step: the explosion is over
    EXPECT_EQ(exploding.state, ACTOR_GONE);
    EXPECT_EQ(world.killCount, 1);
    EXPECT_EQ(world.score, 100);

    // The third alive cell is shown for one step only.
    alive.frameX = 128;
    UpdateFormation();
    EXPECT_EQ(alive.frameX, 0);
}

TEST_F(FormationMovementTest, EndedExplosionsScoreAndDropBonusItems) {
    world.killCount = 164;
    world.score = -200;
    world.extraLifeItem = PowerUp{10, 500, 320, 0, true};  // still falling: starts again
    Virus& virus = ExplosionAboutToEnd(3, 2);
    UpdateFormation();
    EXPECT_EQ(world.killCount, 165);
    EXPECT_EQ(world.score, -100);
    EXPECT_TRUE(world.extraLifeItem.active);
    EXPECT_EQ(world.extraLifeItem.x, 223);  // where the virus was after this step's move
    EXPECT_EQ(world.extraLifeItem.y, 160);
    EXPECT_EQ(world.extraLifeItem.frameX, 0);
    EXPECT_FALSE(world.extraGunItem.active);
    EXPECT_EQ(virus.state, ACTOR_GONE);

    world.extraLifeItem.active = false;
    world.killCount = 224;
    ExplosionAboutToEnd(0, 0);
    UpdateFormation();
    EXPECT_TRUE(world.extraGunItem.active);
    EXPECT_EQ(world.extraGunItem.x, 2);
    EXPECT_EQ(world.extraGunItem.y, 32);
    EXPECT_FALSE(world.extraLifeItem.active);

    // 2475 is a multiple of both periods: both items fall from the same place.
    world.extraGunItem.active = false;
    world.killCount = 2474;
    ExplosionAboutToEnd(5, 4);
    UpdateFormation();
    EXPECT_EQ(world.killCount, 2475);
    EXPECT_TRUE(world.extraLifeItem.active);
    EXPECT_TRUE(world.extraGunItem.active);
    EXPECT_EQ(world.extraLifeItem.x, world.extraGunItem.x);
    EXPECT_EQ(world.extraLifeItem.y, world.extraGunItem.y);
    EXPECT_EQ(world.extraGunItem.x, 373);

    // Any other kill drops nothing.
    world.extraLifeItem.active = world.extraGunItem.active = false;
    ExplosionAboutToEnd(4, 4);
    UpdateFormation();
    EXPECT_FALSE(world.extraLifeItem.active || world.extraGunItem.active);
}

TEST_F(FormationMovementTest, LevelEndsInTheStepAfterTheLastExplosion) {
    EXPECT_FALSE(IsLevelCleared());
    KeepOnlyColumn(2);
    for (Virus& virus : world.viruses[2]) virus.state = ACTOR_GONE;
    ExplosionAboutToEnd(2, 3);
    EXPECT_FALSE(IsLevelCleared());
    // Every column gone but the outer columns still apart: not cleared.
    world.viruses[2][3].state = ACTOR_GONE;
    world.leftColumn = 1;
    EXPECT_FALSE(IsLevelCleared());
    world.leftColumn = 2;
    EXPECT_TRUE(IsLevelCleared());

    // Through the world step: the explosion is scored first, the level ends one step later.
    ExplosionAboutToEnd(2, 3);
    world.ship.state = ACTOR_NORMAL;
    UpdateWorld();
    EXPECT_FALSE(worldReport.levelCleared);
    EXPECT_EQ(world.killCount, 1);
    UpdateWorld();
    EXPECT_TRUE(worldReport.levelCleared);
}
