// Verifying a recording for the Hall: the game's own replay, watched frame by frame for the
// shape of one finished game and for a clock a player could have had.
#include "app/verify.h"

#include <cstring>
#include <sstream>

#include "app/app.h"
#include "core/core.h"
#include "game/world.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "records/records.h"
#include "session/rules.h"

namespace {

// During play a frame comes 4 to 100 ms after the one before, except across a pause.
constexpr int32_t FASTEST_FRAME_MS = 4;
constexpr int32_t SLOWEST_FRAME_MS = 100;

struct Watch {
    bool inGame = false;        // a game began on the ship-selection screen
    bool finished = false;      // and reached the game-over screen
    bool implausible = false;
    bool first = true;
    bool playingBefore = false; // the frame before was one of unpaused play
    uint32_t ticks = 0;
    int64_t time = 0;
    int32_t state = -1;
    RunVerdict best;
};
Watch watch;

void SeeFrame() {
    const PlatformInput& input = frameInput.now;
    if (!watch.first && (int32_t(input.ticks - watch.ticks) < 0 || input.time < watch.time)) watch.implausible = true;
    const bool playing = gameState == STATE_PLAYING && !world.paused;
    const int32_t interval = int32_t(input.ticks - watch.ticks);
    if (playing && watch.playingBefore && (interval < FASTEST_FRAME_MS || interval > SLOWEST_FRAME_MS))
        watch.implausible = true;
    if (watch.state == STATE_SHIP_SELECT && gameState != STATE_SHIP_SELECT && gameState != STATE_TITLE)
        watch.inGame = true;
    if (watch.inGame && gameState == STATE_GAME_OVER) {
        watch.inGame = false;
        if (!watch.finished || world.score > watch.best.score) {
            watch.best.score = world.score, watch.best.level = world.level, watch.best.kills = world.killCount;
            watch.best.name = newEntryRow >= 0 ? highScores.rows[newEntryRow].name : "";
        }
        watch.finished = true;
    } else if (gameState == STATE_GAME_OVER && newEntryRow >= 0 && watch.finished) {
        watch.best.name = highScores.rows[newEntryRow].name;  // typed after the game over
    }
    watch.first = false;
    watch.ticks = input.ticks, watch.time = input.time, watch.state = gameState;
    watch.playingBefore = playing;
    ++watch.best.frames;
}

std::string Refusal(const std::string& error) {
    if (error.rfind("not a Quellfort", 0) == 0 || error.rfind("too large", 0) == 0) return "not a recording";
    if (error.rfind("damaged", 0) == 0) return error;
    if (error.rfind("recorded under rules version", 0) == 0 || error.find("version of the game") != std::string::npos)
        return "another rules version: " + error;
    return error;
}

}  // namespace

RunVerdict VerifyRun(const std::string& recording, const std::string& shippedFormations) {
    // The shipped formations as the game reads them, to compare with what the recording read.
    ResetProgramState();
    std::istringstream shipped(shippedFormations);
    ReadFormations(shipped);
    FormationTable expected;
    std::memcpy(expected, formations, sizeof expected);

    watch = Watch{};
    watch.best.rulesVersion = RULES_VERSION;
    HeadlessReset();
    HeadlessVerifyOnly();
    HeadlessOptions options;
    options.onFrame = SeeFrame;
    HeadlessSetOutputs(options);
    std::string error;
    if (!SessionStartReplayBytes(recording, &error)) {
        SessionFinish(true);
        RunVerdict refused;
        refused.reason = Refusal(error);
        return refused;
    }
    ResetProgramState();
    QuellfortMain();
    const bool doctored = std::memcmp(expected, formations, sizeof expected) != 0;
    const int status = SessionFinish(true);
    RunVerdict verdict = watch.best;
    if (status == 1) verdict.reason = "diverged: the replay does not match the recording";
    else if (status == 2) verdict.reason = "cut short: the recording stops before its end";
    else if (doctored) verdict.reason = "doctored data file: the formations are not the shipped qfel.dat";
    else if (!watch.finished) verdict.reason = "not a finished game: no game runs from the ship selection to the game over";
    else if (watch.implausible) verdict.reason = "implausible timing: the clock runs backwards or play runs too fast or too slow";
    verdict.valid = verdict.reason.empty();
    ResetProgramState();
    return verdict;
}
