// Soak: long random runs of the whole program, closed at random moments, with the world checked
// on every frame and the high-score file checked after every close. QUELLFORT_SOAK_MINUTES sets
// the virtual minutes in all (10 by default).
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "flow/flow.h"
#include "game/world.h"
#include "records/records.h"
#include "tests/test_support.h"
#include "tests/world_invariants.h"

namespace {

int SoakMinutes() {
    const char* minutes = std::getenv("QUELLFORT_SOAK_MINUTES");
    return minutes != nullptr && std::atoi(minutes) > 0 ? std::atoi(minutes) : 10;
}

// One run of random play of about `ms` virtual milliseconds: keys held and released at random,
// Enter tapped to walk the menus, characters typed (control bytes too), pauses, and a close by
// the window, by Escape or by the end of the script at a random point.
std::string RandomRun(std::mt19937& random, uint32_t ms) {
    std::ostringstream script;
    if (random() % 4 == 0) script << "ticks " << 4294967295u - random() % 200000 << "\n";
    const char* keys[] = {"LEFT", "RIGHT", "SPACE"};
    bool down[3] = {};
    // Half the runs never fire: the formation comes down and games end sooner, so that
    // ranking and name entry come round often.
    const uint32_t heldKeys = random() % 2 == 0 ? 2 : 3;
    for (uint32_t at = 0; at < ms;) {
        // One draw per statement: the order of draws within an expression is not fixed, and
        // the same seed must give the same script from every compiler.
        const uint32_t longWait = random() % 8 == 0;
        const uint32_t wait = 10 + random() % (longWait ? 4000 : 600);
        script << "wait " << wait << "\n";
        at += wait;
        const uint32_t roll = random() % 100;
        if (roll < 45) {
            const int key = int(random() % heldKeys);
            down[key] = !down[key];
            script << (down[key] ? "down " : "up ") << keys[key] << "\n";
        } else if (roll < 65) {
            script << "tap RETURN " << random() % 120 << "\n";
        } else if (roll < 75) {
            const uint32_t from = random() % 8;
            script << "type " << std::string("AZaz09 ~!\xE9\xFF").substr(from, 1 + random() % 5) << "\n";
        } else if (roll < 80) {
            script << "char " << (random() % 2 ? random() % 33 : 127 + random() % 2) << "\n";
        } else if (roll < 82) {
            script << "tap P " << random() % 300 << "\nwait " << random() % 3000 << "\ntap P\n";
        }
    }
    const uint32_t ending = random() % 3;
    if (ending == 0) script << "close\nwait " << random() % 500 << "\n";
    if (ending == 1) script << "tap ESCAPE\n";
    return script.str();
}

bool IsControl(char c) { return uint8_t(c) < 32 || uint8_t(c) == 127; }

// What a frame must show whatever the player did; the first broken rule is kept.
struct SoakCheck {
    std::string failure;
    int32_t previousState = -1;
    Shield previousShields[SHIELD_COUNT] = {};
    int frames = 0, framesPlaying = 0, kills = 0, gamesOver = 0;
    int32_t highestKind = 0;

    void Fail(const std::string& what) {
        if (failure.empty()) failure = "frame " + std::to_string(frames) + ": " + what;
    }
    void Expect(bool ok, const std::string& what) {
        if (!ok) Fail(what);
    }
};

// The World's own rules, and which kinds of virus have taken part so far.
void CheckWorld(SoakCheck& c) {
    const std::string broken = FirstBrokenWorldRule();
    c.Expect(broken.empty(), broken);
    for (const auto& column : world.viruses)
        for (const Virus& virus : column)
            if (virus.state == ACTOR_NORMAL && virus.kind > c.highestKind) c.highestKind = virus.kind;
}

// A shield only ever shrinks or vanishes, except when a level lays the shields out anew.
void CheckShields(SoakCheck& c) {
    const bool newLevel = gameState == STATE_LEVEL_INTRO && c.previousState != STATE_LEVEL_INTRO;
    for (int s = 0; s < SHIELD_COUNT && !newLevel; ++s) {
        const Shield& now = world.shields[s];
        const Shield& was = c.previousShields[s];
        c.Expect(RectIsEmpty(now) || (now.left >= was.left && now.right <= was.right &&
                                      now.top >= was.top && now.bottom <= was.bottom),
                 "shield " + std::to_string(s) + " grew");
    }
    for (int s = 0; s < SHIELD_COUNT; ++s) c.previousShields[s] = world.shields[s];
}

void CheckTable(SoakCheck& c) {
    c.Expect(newEntryRow >= -1 && newEntryRow < HIGH_SCORE_ROWS, "newEntryRow");
    c.Expect(nameLength >= 0 && nameLength <= MAX_NAME_LENGTH, "nameLength");
    for (int i = 0; i < HIGH_SCORE_ROWS; ++i) {
        const std::string& name = highScores.rows[i].name;
        c.Expect(name.size() <= size_t(MAX_NAME_LENGTH), "name too long");
        for (char ch : name) c.Expect(!IsControl(ch), "control byte in a name");
        // Every run starts from an ordered table, and ranking keeps it so.
        if (i > 0)
            c.Expect(highScores.rows[i].score <= highScores.rows[i - 1].score, "table out of order");
    }
}

void CheckFrame(SoakCheck& c) {
    ++c.frames;
    if (!c.failure.empty()) return;
    c.Expect(gameState >= STATE_INTRO && gameState <= STATE_GAME_OVER, "gameState " + std::to_string(gameState));
    CheckWorld(c);
    CheckShields(c);
    CheckTable(c);
    if (gameState == STATE_PLAYING) ++c.framesPlaying;
    if (gameState == STATE_GAME_OVER && c.previousState != STATE_GAME_OVER) ++c.gamesOver;
    c.previousState = gameState;
}

// The saved table: ten lines ending in CR LF, names of at most ten bytes with no control
// bytes, scores that read back, in order when the run began from an ordered table.
std::string CheckSavedTable(const std::string& file, bool ordered) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < file.size();) {
        const size_t end = file.find("\r\n", at);
        if (end == std::string::npos) return "the file does not end in CR LF";
        lines.push_back(file.substr(at, end - at));
        at = end + 2;
    }
    if (lines.size() != 10) return std::to_string(lines.size()) + " lines";
    int64_t previous = INT64_MAX;
    for (int row = 0; row < HIGH_SCORE_ROWS; ++row) {
        const std::string& name = lines[2 * row];
        const std::string& score = lines[2 * row + 1];
        if (name.size() > size_t(MAX_NAME_LENGTH)) return "name too long: " + name;
        for (char ch : name)
            if (IsControl(ch)) return "control byte in the name of row " + std::to_string(row);
        char* end = nullptr;
        const long long value = std::strtoll(score.c_str(), &end, 10);
        if (score.empty() || *end != '\0' || value < INT32_MIN || value > INT32_MAX ||
            std::to_string(value) != score)
            return "score line \"" + score + "\"";
        if (ordered && value > previous) return "rows out of order at row " + std::to_string(row);
        previous = value;
    }
    return "";
}

std::string FormatTable() {
    std::string text;
    for (const HighScoreEntry& row : highScores.rows) text += row.name + "\r\n" + std::to_string(row.score) + "\r\n";
    return text;
}

}  // namespace

using SoakTest = GameTest;

// Runs follow one another in the same folder, as a player's sessions do, so each one starts
// from the table the last one saved. Each seed is printed, so a failure can be replayed.
TEST_F(SoakTest, RandomRunsKeepTheWorldAndTheSavedTableSound) {
    const uint64_t totalMs = uint64_t(SoakMinutes()) * 60000;
    // The game's own formations, so that every kind of virus takes part.
    std::ifstream formationFile(std::string(QUELLFORT_BUILD_DIR) + "/qfel.dat", std::ios::binary);
    WriteFile("qfel.dat", std::string(std::istreambuf_iterator<char>(formationFile), {}));
    ASSERT_FALSE(ReadFile("qfel.dat").empty());
    // A low table lets most finished games enter a name.
    WriteFile("qfhs.dat", "Low\r\n-100000\r\nLower\r\n-200000\r\nLess\r\n-300000\r\nLeast\r\n-400000\r\n"
                          "Last\r\n-500000\r\n");
    SoakCheck total;
    int runs = 0;
    for (uint64_t played = 0; played < totalMs; ++runs) {
        const uint32_t seed = 7919u * uint32_t(runs + 1);
        std::mt19937 random(seed);
        const uint32_t length = 30000 + random() % 270000;
        const std::string script = RandomRun(random, length);
        SCOPED_TRACE("soak run " + std::to_string(runs) + ", seed " + std::to_string(seed));
        HeadlessReset();
        ResetProgramState();
        SoakCheck check;
        HeadlessOptions options;
        std::string error;
        options.error = &error;
        options.onFrame = [&check] { CheckFrame(check); };
        ASSERT_EQ(RunHeadlessScript(script, options), 0) << error;
        ASSERT_EQ(check.failure, "");
        const std::string saved = ReadFile("qfhs.dat");
        ASSERT_EQ(CheckSavedTable(saved, true), "");
        ASSERT_EQ(saved, FormatTable());  // what was saved is the table the game ended with
        for (const auto& file : std::filesystem::directory_iterator(ScratchPath(".")))
            ASSERT_EQ(file.path().filename().string().find(".tmp"), std::string::npos);
        total.frames += check.frames;
        total.framesPlaying += check.framesPlaying;
        total.gamesOver += check.gamesOver;
        total.kills += world.killCount;
        total.highestKind = std::max(total.highestKind, check.highestKind);
        played += length;
    }
    std::printf("soak: %d runs, %d frames (%d in play), %d games over, %d kills\n", runs,
                total.frames, total.framesPlaying, total.gamesOver, total.kills);
    // The runs must have reached play and finished games, or they checked little.
    EXPECT_GT(total.framesPlaying, total.frames / 4);
    EXPECT_GT(total.gamesOver, 0);
    EXPECT_EQ(total.highestKind, 3);
}

// The file checker itself, on tables a damaged save could leave.
TEST(SoakTableCheck, FindsDamagedTables) {
    const std::string good = "A\r\n5\r\nB\r\n4\r\nC\r\n3\r\nD\r\n2\r\nE\r\n-1\r\n";
    EXPECT_EQ(CheckSavedTable(good, true), "");
    EXPECT_NE(CheckSavedTable(good.substr(0, good.size() - 1), true), "");
    EXPECT_NE(CheckSavedTable(good.substr(0, good.size() - 6), true), "");
    EXPECT_NE(CheckSavedTable("A\x1B\r\n5\r\nB\r\n4\r\nC\r\n3\r\nD\r\n2\r\nE\r\n1\r\n", true), "");
    EXPECT_NE(CheckSavedTable("ABCDEFGHIJK\r\n5\r\nB\r\n4\r\nC\r\n3\r\nD\r\n2\r\nE\r\n1\r\n", true), "");
    EXPECT_NE(CheckSavedTable("A\r\n5x\r\nB\r\n4\r\nC\r\n3\r\nD\r\n2\r\nE\r\n1\r\n", true), "");
    EXPECT_NE(CheckSavedTable("A\r\n5\r\nB\r\n6\r\nC\r\n3\r\nD\r\n2\r\nE\r\n1\r\n", true), "");
    EXPECT_EQ(CheckSavedTable("A\r\n5\r\nB\r\n6\r\nC\r\n3\r\nD\r\n2\r\nE\r\n1\r\n", false), "");
}
