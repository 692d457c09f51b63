// The Hall's verification of committed recordings, and recordings that stay playable however
// often the game reads its frame's input.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/verify.h"
#include "core/core.h"
#include "platform/backend.h"
#include "tests/test_support.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

const std::string RECORDINGS = std::string(QUELLFORT_SOURCE_DIR) + "/tests/recordings/";

class VerifyTest : public GameTest {};

TEST_F(VerifyTest, AWholeGameIsValidWithItsOwnScoreAndOthersAreRefusedWithTheirReason) {
    const std::string shipped = Slurp(std::string(QUELLFORT_SOURCE_DIR) + "/data/qfel.dat");
    const std::string game = Slurp(RECORDINGS + "game.qfr");
    RunVerdict verdict = VerifyRun(game, shipped);
    EXPECT_TRUE(verdict.valid) << verdict.reason;
    EXPECT_EQ(verdict.score, 26000);
    EXPECT_EQ(verdict.level, 9);
    EXPECT_EQ(verdict.kills, 266);
    EXPECT_EQ(verdict.name.substr(0, 4), "Grac");

    EXPECT_EQ(VerifyRun(Slurp(RECORDINGS + "menus.qfr"), shipped).reason.rfind("not a finished game", 0), 0u);
    std::string edited = shipped;
    edited[edited.find_first_of("123")] = '0';  // an easier formation
    EXPECT_EQ(VerifyRun(game, edited).reason.rfind("doctored data file", 0), 0u);
    EXPECT_EQ(VerifyRun(game.substr(0, game.size() / 2), shipped).reason.rfind("cut short", 0), 0u);
    EXPECT_EQ(VerifyRun("garbage", shipped).reason, "not a recording");
}

// Extra reads of the frame's input, as a change to the game might add anywhere in a step:
// the recordings made before it still play.
int extraReads = 0;
void ReadAgain() {
    for (int i = 0; i < 3; ++i) {
        extraReads += int(CurrentTicks() & 1) + int(IsKeyDown(VK_SPACE)) + int(CurrentTime() & 1);
        (void)DeadlineAfter(10);
    }
}

TEST_F(VerifyTest, ReadingTheInputMoreOftenLeavesOldRecordingsPlayable) {
    HeadlessReset();
    HeadlessOptions options;
    options.onFrame = ReadAgain;
    HeadlessSetOutputs(options);
    ASSERT_TRUE(SessionStartReplay(RECORDINGS + "game-75hz.qfr"));
    ResetProgramState();
    QuellfortMain();
    EXPECT_EQ(SessionFinish(true), 0);
    EXPECT_GT(extraReads, 0);
}

}  // namespace
