// The screen state machine: one pass of the current screen per call, menu keys that act on
// release, timed screens on tick-count deadlines.
#include "flow/flow.h"

#include "game/game.h"
#include "gfx/images.h"
#include "gfx/playfield.h"
#include "gfx/screens.h"
#include "platform/platform.h"
#include "records/records.h"
#include "sound/sound.h"

uint32_t introDeadline;
uint32_t screenDeadline;

// A menu key acts when it is let go: the whole program waits for the release.
static bool KeyPressed(int virtualKey) {
    if (!IsKeyDown(virtualKey)) return false;
    WaitForKeyRelease(virtualKey);
    return true;
}

static void RunIntroFrame() {
    BlitOpaque(0, 0, images.introImage);
    PresentFrame();
    if (introDeadline == 0) introDeadline = DeadlineAfter(3000);
    if (TickReached(CurrentTicks(), introDeadline)) {
        gameState = STATE_TITLE;
        StartSound(soundBank.menuBeepSound);
    }
    if (KeyPressed(VK_RETURN)) {
        StartSound(soundBank.menuBeepSound);
        gameState = STATE_TITLE;
    }
}

static void RunTitleFrame() {
    BlitOpaque(0, 0, images.titleImage);
    DrawHighScoreTable();
    DrawHallLine(490);  // between "Press Enter" and the ship
    PresentFrame();
    if (KeyPressed(VK_RETURN)) {
        StartSound(soundBank.enemyExplosionSound);
        gameState = STATE_STORY;
    } else if (KeyPressed(VK_F1) || KeyPressed(VK_O)) {
        OpenOptions();  // keys the game has no other use for; the screen itself shows nothing of it
    }
}

static void RunStoryFrame() {
    BlitOpaque(0, 0, images.storyImage);
    PresentFrame();
    if (KeyPressed(VK_RETURN)) {
        ResetShipSelection();
        gameState = STATE_SHIP_SELECT;
    }
}

static void RunLevelIntroFrame() {
    StepWarningBlink();
    DrawPlayfield();
    DrawHud();
    if (world.levelIntroPhase == 1) {
        if (TimedStep(screenDeadline, 500)) world.levelIntroPhase = 2;
        BlitKeyed(200, 200, images.levelIntro1Image);
    } else if (world.levelIntroPhase == 2) {
        if (TimedStep(screenDeadline, 250)) world.levelIntroPhase = 3;
        BlitKeyed(200, 200, images.levelIntro2Image);
    } else if (world.levelIntroPhase == 3) {
        gameState = STATE_PLAYING;
    }
    PresentFrame();
}

static void RunPlayingFrame() {
    StepWarningBlink();
    DrawPlayfield();
    DrawHud();
    if (world.paused) BlitKeyed(200, 200, images.pauseImage);
    if (IsKeyDown(VK_P)) {
        // The pause picture shows while P is held; the toggle happens at the release.
        BlitKeyed(200, 200, images.pauseImage);
        PresentFrame();
        WaitForKeyRelease(VK_P);
        world.paused = !world.paused;
    } else {
        PresentFrame();
    }
    if (world.paused) return;
    worldReport = WorldReport{};
    UpdateWorld();
    // A lost game ends play even in the step that cleared the level.
    if (worldReport.gameLost) gameState = STATE_RANK_SCORE;
    else if (worldReport.levelCleared) gameState = STATE_LEVEL_CLEAR;
}

static void RunLevelClearFrame() {
    StepWarningBlink();
    DrawPlayfield();
    DrawHud();
    BlitKeyed(200, 200, images.levelClearImage);
    if (TimedStep(screenDeadline, 1000)) gameState = STATE_LEVEL_START;
    PresentFrame();
}

static void RunGameOverFrame() {
    BlitOpaque(0, 0, images.gameOverImage);
    if (newEntryRow >= 0) DrawNamePrompt();
    DrawHallLine(452);  // under the name prompt
    PresentFrame();
    if (KeyPressed(VK_RETURN)) gameState = STATE_TITLE;
}

// What the screen waits for, told to the platform with every read of the input, so a controller
// acts as the screen expects: name entry, play, or the menus.
static void TellInputWanted() {
    PlatformInputWanted& wanted = frameInput.wanted;
    wanted = PlatformInputWanted{};
    if (gameState == STATE_GAME_OVER && newEntryRow >= 0 && newEntryRow < HIGH_SCORE_ROWS) {
        const std::string& name = highScores.rows[newEntryRow].name;
        wanted.mode = INPUT_NAME;
        wanted.name = reinterpret_cast<const uint8_t*>(name.data());
        wanted.nameLength = int(name.size());
        wanted.nameLimit = MAX_NAME_LENGTH;
    } else if (gameState == STATE_OPTIONS) {
        wanted.mode = optionsScreen.binding ? INPUT_BIND : INPUT_OPTIONS;
    } else if (gameState >= STATE_NEW_GAME && gameState <= STATE_RANK_SCORE) {
        wanted.mode = INPUT_PLAY;
        wanted.paused = world.paused;
    }
}

void RunFrame() {
    TellInputWanted();
    switch (gameState) {
    case STATE_INTRO: return RunIntroFrame();
    case STATE_TITLE: return RunTitleFrame();
    case STATE_STORY: return RunStoryFrame();
    case STATE_SHIP_SELECT: return RunShipSelectFrame();
    case STATE_NEW_GAME:
        StartNewGame();
        gameState = STATE_LEVEL_START;
        return;
    case STATE_LEVEL_START:
        StartLevel();
        LoadLevelBackground();
        gameState = STATE_LEVEL_INTRO;
        return;
    case STATE_LEVEL_INTRO: return RunLevelIntroFrame();
    case STATE_PLAYING: return RunPlayingFrame();
    case STATE_LEVEL_CLEAR: return RunLevelClearFrame();
    case STATE_RANK_SCORE:
        RankFinalScore(world.score);  // the game-over screen is shown in this same pass
        gameState = STATE_GAME_OVER;
        return RunGameOverFrame();
    case STATE_GAME_OVER: return RunGameOverFrame();
    case STATE_OPTIONS: return RunOptionsFrame();
    default: return;  // an unknown screen does nothing; Escape still quits
    }
}
