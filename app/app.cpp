// The application shell: the entry point's main loop, the window procedure, start-up and
// shutdown in their fixed order.
#include "app/app.h"

#include <sstream>

#include "app/trace.h"
#include "flow/flow.h"
#include "game/game.h"
#include "gfx/images.h"
#include "gfx/playfield.h"
#include "records/records.h"
#include "sound/sound.h"

// The window's life: open from start-up until the first close request destroys it.
struct Application {
    bool windowOpen = false;
};
static Application application;

// Posting a close request to a window that is gone fails silently, as it always has.
static void PostCloseRequest() {
    if (application.windowOpen) PostMessage(MESSAGE_CLOSE);
}

void MainWindowProc(const PlatformMessage& message) {
    if (message.kind == MESSAGE_CHAR) {
        if (gameState == STATE_GAME_OVER && newEntryRow >= 0) EnterNameCharacter(message.character);
    } else if (message.kind == MESSAGE_KEY || message.kind == MESSAGE_BUTTON) {
        if (gameState == STATE_OPTIONS) TakeOptionsMessage(message);
    } else if (message.kind == MESSAGE_CLOSE && application.windowOpen) {
        // Closing destroys the window, and its destruction asks the main loop to quit.
        application.windowOpen = false;
        PostMessage(MESSAGE_QUIT);
    }
}

// The page was hidden or is closing (browser): the table is kept. (The backend pauses a game in
// play by a press of P, through the input, so that a recording holds the pause.)
static void SuspendApplication() { SaveHighScores(); }

static bool IsWholeTable(const std::string& bytes) {
    std::istringstream in(bytes);
    HighScoreTable table;
    return ReadHighScoreFile(in, table);
}

void InitApplication() {
    // The backend opened the window and the screen before the game started.
    application.windowOpen = true;
    display.hidden = !PlatformShowsFrames();
    OpenSoundDevice();
    CreateFlipChain();
    CreateTextFont();
    LoadImageTable();
    LoadSoundBank();
    LoadFormations();
    LoadHighScores();
    PlatformSetStateHooks({WriteTraceState, HashState, WriteSummary, SuspendApplication, IsWholeTable});
}

void ShutdownApplication() {
    SaveHighScores();
    ReleaseGraphics();
    ReleaseSoundBank();
}

int QuellfortMain() {
    PlatformShowCursor(false);
    InitApplication();
    gameState = STATE_INTRO;
    PlatformMessage message;
    for (;;) {
        BeginPass();
        if (NextMessage(&message)) {
            if (message.kind == MESSAGE_QUIT) break;
            MainWindowProc(message);
        }
        // On the options screen Escape goes back to the title; everywhere else it quits.
        if (IsKeyDown(VK_ESCAPE) && gameState != STATE_OPTIONS) PostCloseRequest();
        RunFrame();
    }
    PlatformShowCursor(true);
    ShutdownApplication();
    return 0;
}

void ResetProgramState() {
    ReleaseGraphics();
    ReleaseSoundBank();
    application = Application{};
    display = Display{};
    images = ImageTable{};
    soundBank = SoundBank{};
    world = World{};
    worldReport = WorldReport{};
    gameState = 0;
    frameInput = FrameInput{};
    introDeadline = 0;
    screenDeadline = 0;
    shipSelect = ShipSelection{};
    optionsScreen = OptionsScreen{};
    warningBlinkOn = false;
    warningBlinkTimer = 0;
    randState = 0;
    ResetRecords();
}
