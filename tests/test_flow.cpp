// The screens in order, menu keys acting on release, timed screens, and the main loop.
#include <filesystem>

#include "flow/flow.h"
#include "records/records.h"
#include "tests/scenario.h"
#include "tests/test_support.h"

namespace {

using FlowTest = GameTest;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(FlowTest, IntroEndsThreeSecondsAfterItsFirstFrameWithTheBeep) {
    ScenarioRun run = RunScenario("wait 4000\n");
    const int title = run.FirstFrameIn(STATE_TITLE);
    ASSERT_GT(title, 0);
    EXPECT_EQ(introDeadline, run.frames[0].tick + 3000);
    // The pass that presented the last intro frame saw the deadline passed.
    EXPECT_GE(run.frames[title - 1].tick, introDeadline);
    EXPECT_LT(run.frames[title - 2].tick, introDeadline);
    EXPECT_EQ(Count(run.sounds, "start MENU_BEEP_SOUND"), 1);
}

TEST_F(FlowTest, EnterEndsTheIntroEarlyWithTheBeepAndEachScreenNeedsItsOwnPress) {
    ScenarioRun run = RunScenario("wait 500\ndown RETURN\nwait 1500\nup RETURN\nwait 500\n");
    const int title = run.FirstFrameIn(STATE_TITLE);
    ASSERT_GT(title, 0);
    // Nothing is presented while Enter is held: the next frame comes after the release.
    EXPECT_GE(run.frames[title].tick, 1000u + 2000u);
    EXPECT_LT(run.frames[title - 1].tick, 1000u + 600u);
    EXPECT_EQ(run.frames.back().gameState, STATE_TITLE);  // one press, one screen
    EXPECT_EQ(Count(run.sounds, "start MENU_BEEP_SOUND"), 1);
}

TEST_F(FlowTest, TitleToStoryExplodesStoryToSelectionIsSilent) {
    ScenarioRun run = RunScenario("wait 200\ntap RETURN\nwait 200\ntap RETURN\nwait 200\n"
                                  "tap RETURN\nwait 200\n");
    EXPECT_EQ(run.frames.back().gameState, STATE_SHIP_SELECT);
    EXPECT_EQ(Count(run.sounds, "ENEMY_EXPLOSION_SOUND"), 1);
    EXPECT_EQ(Count(run.sounds, "\n"), 2);  // the intro's beep and the title's explosion
}

const char* const kToSelection = "wait 200\ntap RETURN\nwait 100\ntap RETURN\nwait 100\n"
                                 "tap RETURN\nwait 100\n";

TEST_F(FlowTest, TheDiskTurnsOneCellAtThePressThenInStepsOfAtLeast100ms) {
    ScenarioRun run = RunScenario(std::string(kToSelection) + "tap RIGHT\nwait 600\n");
    const int select = run.FirstFrameIn(STATE_SHIP_SELECT);
    ASSERT_GE(select, 0);
    int pressed = -1, second = -1, rest = -1;
    for (size_t i = select; i < run.frames.size(); ++i) {
        if (pressed < 0 && run.frames[i].stripLeft == 384) pressed = int(i);
        if (second < 0 && run.frames[i].stripLeft == 768) second = int(i);
        if (rest < 0 && run.frames[i].stripLeft == 1152) rest = int(i);
    }
    ASSERT_GT(pressed, 0);
    ASSERT_GT(second, pressed);
    ASSERT_GT(rest, second);
    EXPECT_EQ(run.frames[pressed].infoLeft, 192);  // the panel switches at the press
    EXPECT_GE(run.frames[second].tick - run.frames[pressed].tick, 100u);
    EXPECT_GE(run.frames[rest].tick - run.frames[second].tick, 100u);
    // The choice is written only at rest, on the pass after the last step.
    for (int i = select; i < rest; ++i) EXPECT_EQ(run.frames[i].shipKind, SHIP_ALPHA);
    EXPECT_EQ(run.frames.back().shipKind, SHIP_OMEGA);
}

TEST_F(FlowTest, EnterDuringATurnPlaysTheShipOfTheLastRest) {
    ScenarioRun run = RunScenario(std::string(kToSelection) + "tap RIGHT 20\ntap RETURN 20\nwait 300\n");
    const int newGame = run.FirstFrameIn(STATE_LEVEL_INTRO);
    ASSERT_GT(newGame, 0);
    EXPECT_EQ(run.frames[newGame].shipKind, SHIP_ALPHA);
    EXPECT_EQ(shipSelect.infoSource.left, 192);  // although the panel had switched to omega
    EXPECT_EQ(Count(run.sounds, "start MENU_BEEP_SOUND"), 2);
}

TEST_F(FlowTest, EveryVisitOfTheSelectionStartsOnTheAlphaShip) {
    shipSelect.stripSource = Rect{1152, 0, 1536, 320};
    shipSelect.infoSource = Rect{192, 0, 384, 320};
    shipSelect.stripStep = -384;
    shipSelect.stripDeadline = 77;
    ResetShipSelection();
    EXPECT_EQ(shipSelect.stripSource.left, 0);
    EXPECT_EQ(shipSelect.stripSource.right, 384);
    EXPECT_EQ(shipSelect.infoSource.left, 0);
    EXPECT_EQ(shipSelect.stripStep, 384);
    EXPECT_EQ(shipSelect.stripDeadline, 77u);  // an interrupted turn's deadline stays armed
}

TEST_F(FlowTest, LevelIntroPhasesLastAtLeast500And250ms) {
    ScenarioRun run = RunScenario(std::string(kToSelection) + "tap RETURN\nwait 1500\n");
    const int intro = run.FirstFrameIn(STATE_LEVEL_INTRO);
    const int playing = run.FirstFrameIn(STATE_PLAYING);
    ASSERT_GT(intro, 0);
    ASSERT_GT(playing, intro);
    int phase2 = -1;
    for (int i = intro; i < playing; ++i)
        if (phase2 < 0 && run.frames[i].levelIntroPhase == 2) phase2 = i;
    ASSERT_GT(phase2, intro);
    EXPECT_GE(run.frames[phase2].tick - run.frames[intro].tick, 500u);
    EXPECT_GE(run.frames[playing].tick - run.frames[phase2].tick, 250u);
    EXPECT_EQ(world.level, 1);
    EXPECT_EQ(Count(run.sounds, "start MENU_BEEP_SOUND"), 2);
}

TEST_F(FlowTest, PauseShowsWhileHeldAndTogglesAtRelease) {
    ScenarioRun run = RunScenario(std::string(kToSelection) +
                                  "tap RETURN\nwait 1500\ntap P\nwait 300\ntap P\nwait 100\n");
    int pausedFrom = -1, resumed = -1;
    for (size_t i = 0; i < run.frames.size(); ++i) {
        if (pausedFrom < 0 && run.frames[i].paused) pausedFrom = int(i);
        if (pausedFrom >= 0 && resumed < 0 && !run.frames[i].paused) resumed = int(i);
    }
    ASSERT_GT(pausedFrom, 0);
    ASSERT_GT(resumed, pausedFrom);
    EXPECT_EQ(run.frames[pausedFrom].gameState, STATE_PLAYING);
    EXPECT_GE(run.frames[resumed].tick - run.frames[pausedFrom].tick, 250u);
}

TEST_F(FlowTest, AnUnknownScreenDoesNothingButEscapeStillQuits) {
    HeadlessOptions options;
    int frames = 0;
    options.onFrame = [&frames] {
        if (++frames == 3) gameState = 42;
    };
    RunHeadlessScript("wait 1000\ndown ESCAPE\nwait 60000\nup ESCAPE\n", options);
    EXPECT_EQ(frames, 3);
    EXPECT_LT(CurrentTicks(), 1000u + 60000u);  // Escape ended it, not the end of the script
    EXPECT_TRUE(std::filesystem::exists("qfhs.dat"));  // through the normal shutdown
}

TEST_F(FlowTest, EscapeHeldClosesOnceAndTheQuitPassDrawsNothing) {
    HeadlessOptions options;
    std::vector<uint32_t> ticks;
    options.onFrame = [&ticks] { ticks.push_back(CurrentTicks()); };
    RunHeadlessScript("wait 500\ndown ESCAPE\nwait 60000\nup ESCAPE\n", options);
    int after = 0;
    for (uint32_t t : ticks) after += t > 1000u + 500u;
    // The pass that sees Escape posts the close and draws; the next handles the close and
    // draws; the one after removes the quit message and ends the loop without drawing.
    EXPECT_EQ(after, 2);
    EXPECT_TRUE(std::filesystem::exists("qfhs.dat"));
}

TEST_F(FlowTest, TheMainLoopHandlesOneMessagePerPass) {
    HeadlessOptions options;
    std::vector<int32_t> lengths;
    options.onFrame = [&lengths] {
        if (lengths.empty()) {  // pretend a game just ended with a new high score
            gameState = STATE_GAME_OVER;
            newEntryRow = 0;
            nameLength = 0;
            highScores.rows[0].name.clear();
        }
        lengths.push_back(nameLength);
    };
    RunHeadlessScript("wait 100\ntype abcd\nwait 200\n", options);
    EXPECT_EQ(highScores.rows[0].name, "abcd");
    std::vector<int32_t> steps;
    for (size_t i = 1; i < lengths.size(); ++i)
        if (lengths[i] != lengths[i - 1]) steps.push_back(lengths[i] - lengths[i - 1]);
    EXPECT_EQ(steps, (std::vector<int32_t>{1, 1, 1, 1}));  // one character per frame
}

TEST_F(FlowTest, AMalformedScriptIsRefusedWithItsLineNumber) {
    ScenarioRun run = RunScenario("wait 100\ntap RETURN\nwiat 100\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.error.find("line 3"), std::string::npos);
    EXPECT_TRUE(run.frames.empty());
    EXPECT_EQ(RunScenario("wait 10\nrefresh 75\n").status, 2);  // settings come first
    EXPECT_EQ(RunScenario("tap BANANA\n").status, 2);  // no key of that name
    EXPECT_EQ(RunScenario("char 256\n").status, 2);
    EXPECT_EQ(RunScenario("# only a comment\n\ntype a # b\n").status, 0);
}

}  // namespace
