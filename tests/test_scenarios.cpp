// Whole games through the headless runner: the sounds of play, and a game played to its end
// whose new high score is named and saved.
#include <sstream>

#include "gfx/display.h"
#include "records/records.h"
#include "tests/scenario.h"
#include "tests/test_support.h"

namespace {

using ScenarioTest = GameTest;

// From the intro to the first frame of play (the level intro takes 750 ms).
const std::string kToPlay = "wait 200\ntap RETURN\nwait 100\ntap RETURN\nwait 100\n"
                            "tap RETURN\nwait 100\ntap RETURN\nwait 1000\n";

std::vector<std::string> Lines(const std::string& text, const std::string& containing) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(containing) != std::string::npos) lines.push_back(line);
    return lines;
}

std::string TickOf(const std::string& line) { return line.substr(0, line.find(' ')); }

TEST_F(ScenarioTest, ADoubleVolleyStartsTwoCopiesOfTheShotSoundAtOnce) {
    HeadlessOptions options;
    std::string sounds;
    options.sounds = &sounds;
    options.onFrame = [] {
        if (gameState == STATE_PLAYING) world.doubleGun = true;
    };
    RunHeadlessScript(kToPlay + "down SPACE\nwait 100\nup SPACE\nwait 100\n", options);
    // The player's two shots take the two lowest free slots in the same step.
    const auto starts = Lines(sounds, "start PROJECTILE_SOUND#");
    bool pair = false;
    for (size_t i = 1; i < starts.size(); ++i) pair |= TickOf(starts[i]) == TickOf(starts[i - 1]);
    EXPECT_TRUE(pair);
    EXPECT_GE(starts.size(), 2u);
}

TEST_F(ScenarioTest, AShotThatEndsSilencesItsSoundAndHitsRestartTheExplosion) {
    HeadlessOptions options;
    std::string sounds;
    options.sounds = &sounds;
    // Fire straight up through the gap between shields into a full formation for a while.
    RunHeadlessScript(kToPlay + "down SPACE\nwait 8000\nup SPACE\nwait 100\n", options);
    const auto fired = Lines(sounds, "start PROJECTILE_SOUND#");
    const auto silenced = Lines(sounds, "silence PROJECTILE_SOUND#");
    const auto explosions = Lines(sounds, "restart ENEMY_EXPLOSION_SOUND");
    EXPECT_GE(fired.size(), 2u);
    EXPECT_GE(silenced.size(), 1u);
    EXPECT_GE(explosions.size(), 2u);  // each hit restarts it, cutting off the one before
    // Every hit of a virus ends the shot that made it, in the same step.
    for (const std::string& boom : explosions) {
        bool silencedThen = false;
        for (const std::string& s : silenced) silencedThen |= TickOf(s) == TickOf(boom);
        EXPECT_TRUE(silencedThen) << boom;
    }
    EXPECT_GE(world.killCount, 2);
}

TEST_F(ScenarioTest, AGamePlayedToItsEndIsRankedNamedAndSaved) {
    // A table every score beats, so the game's result takes the top row.
    WriteFile("qfhs.dat", "a\r\n-90000\r\nb\r\n-90000\r\nc\r\n-90000\r\nd\r\n-90000\r\ne\r\n-90000\r\n");
    ScenarioRun run = RunScenario(kToPlay + "down SPACE\nwait 600000\nup SPACE\ntype Ada Lovelace!\n"
                                  "wait 300\ntap RETURN\nwait 200\n");
    const int gameOver = run.FirstFrameIn(STATE_GAME_OVER);
    ASSERT_GE(gameOver, 0);
    EXPECT_EQ(run.frames.back().gameState, STATE_TITLE);
    // The ranking, the game-over screen and the way back to the title are silent.
    for (const std::string& line : Lines(run.sounds, " "))
        EXPECT_LE(std::stoul(TickOf(line)), run.frames[gameOver - 1].tick) << line;
    EXPECT_EQ(newEntryRow, 0);
    // Ten characters at most: the eleventh and later are ignored.
    const std::string expected = "Ada Lovela\r\n" + std::to_string(world.score) +
                                 "\r\na\r\n-90000\r\nb\r\n-90000\r\nc\r\n-90000\r\nd\r\n-90000\r\n";
    EXPECT_EQ(ReadFile("qfhs.dat"), expected);
    EXPECT_LT(world.lives, 0);
}

// Frames that copy back only the drawn areas of the backdrop show the very pixels that
// copying the whole backdrop every frame shows.
TEST_F(ScenarioTest, ReusingTheBackdropChangesNoPixel) {
    const std::string script = kToPlay + "down SPACE\ndown LEFT\nwait 3000\nup LEFT\ntap P\n"
                               "wait 300\ntap P\ndown RIGHT\nwait 3000\nup SPACE\nup RIGHT\nwait 500\n";
    auto hashes = [&script](bool forgetBackdrop) {
        std::vector<uint64_t> frames;
        HeadlessOptions options;
        options.onFrame = [&frames, forgetBackdrop] {
            uint64_t hash = 1469598103934665603ull;
            const uint16_t* p = HeadlessLastFrame();
            for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
            frames.push_back(hash);
            if (forgetBackdrop) display.backdrop.whole = false;  // next frame copies all of it
        };
        RunHeadlessScript(script, options);
        return frames;
    };
    const std::vector<uint64_t> reused = hashes(false);
    ResetProgramState();
    const std::vector<uint64_t> whole = hashes(true);
    ASSERT_GT(reused.size(), 400u);
    EXPECT_EQ(reused, whole);
}

}  // namespace
