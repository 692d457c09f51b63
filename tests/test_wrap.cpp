// Deadlines across the 32-bit wrap of the tick count (about every 49.7 days of uptime): a
// session played across it goes frame for frame as the same session played far from it.
#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/core.h"
#include "flow/flow.h"
#include "game/world.h"
#include "gfx/playfield.h"
#include "tests/test_support.h"

namespace {

using WrapTest = GameTest;

// 61 Hz, so that the frame length divides none of the periods. The intro runs out by itself;
// the disk turns to the omega ship; in play the ship fires and steers all the while.
const std::string kSession = "wait 3300\ntap RETURN\nwait 150\ntap RETURN\nwait 150\ntap RIGHT\n"
                             "wait 400\ntap RETURN\nwait 1000\ndown SPACE\ndown LEFT\nwait 2500\n"
                             "up LEFT\ndown RIGHT\nwait 4000\nup RIGHT\ndown LEFT\nwait 5500\n";
constexpr int kShipExplodes = 8 * 61;  // frames: about 8 s in, 3 s into play
constexpr int kFormationExplodes = 12 * 61;

// What the player sees of one frame, and whether the ship is invulnerable; no tick values.
std::string Observed() {
    std::ostringstream out;
    const PlayerShip& ship = world.ship;
    out << gameState << ' ' << world.levelIntroPhase << ' ' << shipSelect.stripSource.left << ' '
        << world.score << ' ' << world.lives << ' ' << world.level << ' ' << warningBlinkOn << " ship "
        << ship.x << ' ' << ship.state << ' ' << ship.frameX << ' ' << (ship.invulnerableUntil != 0);
    for (const auto& column : world.viruses)
        for (const Virus& virus : column) out << ' ' << virus.state << ':' << virus.frameX;
    for (const Projectile& shot : world.projectiles) out << ' ' << shot.owner << ':' << shot.y << ':' << shot.frameX;
    for (const PowerUp* item : {&world.extraLifeItem, &world.extraGunItem})
        out << ' ' << item->active << ':' << item->y << ':' << item->frameX;
    return out.str();
}

// The ship is shot down (and a warning stands, so the line blinks), later the whole formation
// blows up with the 165th kill among it: the death hold, a new ship, a falling item, level clear.
void Provoke(int frame) {
    if (frame == kShipExplodes) {
        world.ship.state = ACTOR_EXPLODING;
        world.ship.frameX = 640;
        world.warningLevel = WARNING_SHIELDS_DOWN;
    }
    if (frame == kFormationExplodes) {
        for (auto& column : world.viruses)
            for (Virus& virus : column) virus = Virus{virus.x, virus.y, 128, 0, ACTOR_EXPLODING, 0, 0};
        world.leftColumn = world.rightColumn = 0;
        world.killCount = 150;
    }
}

struct Session {
    std::vector<std::string> frames;
    int ended = 0;         // invulnerabilities ended, each on the first pass past its deadline
    int longestCell = 0;   // most frames in a row a shot in flight showed the same cell
};

Session Play(uint32_t ticks) {
    Session run;
    HeadlessOptions options;
    uint32_t until = 0, seen = 0;
    int sameCell[PROJECTILE_SLOTS] = {};
    Projectile last[PROJECTILE_SLOTS] = {};
    options.onFrame = [&] {
        // A frame shows what the steps up to the last pass did, which saw the last frame's tick.
        constexpr int32_t FRAME = 17;  // at most, at 61 Hz
        const uint32_t next = world.ship.invulnerableUntil;
        if (until != 0 && next == 0) {  // by the first step past the deadline
            EXPECT_GT(int32_t(seen - until), 0);
            EXPECT_LE(int32_t(seen - until), FRAME);
            ++run.ended;
        }
        until = next;
        seen = CurrentTicks();
        for (int i = 0; i < PROJECTILE_SLOTS; ++i) {
            // The same shot as in the last frame, further along its way: a new one starts on cell 0.
            const Projectile& shot = world.projectiles[i];
            const int32_t moved = (shot.y - last[i].y) * (shot.owner == SHOT_PLAYER ? -1 : 1);
            const bool same = gameState == STATE_PLAYING && shot.owner != SHOT_NONE &&
                              shot.owner == last[i].owner && moved > 0;
            sameCell[i] = same && shot.frameX == last[i].frameX ? sameCell[i] + 1 : 0;
            last[i] = shot;
            run.longestCell = std::max(run.longestCell, sameCell[i] + 1);
        }
        run.frames.push_back(Observed());
        Provoke(int(run.frames.size()));
    };
    std::string error;
    options.error = &error;
    EXPECT_EQ(RunHeadlessScript("refresh 61\nticks " + std::to_string(ticks) + "\n" + kSession, options), 0)
        << error;
    return run;
}

}  // namespace

TEST_F(WrapTest, ASessionAcrossTheWrapPlaysAsOneFarFromIt) {
    const Session far = Play(1000);
    ASSERT_GT(far.frames.size(), 1000u);
    EXPECT_EQ(world.level, 2);      // the level was cleared and the next one is in play
    EXPECT_EQ(far.ended, 3);        // the first ship's, the new ship's and the second level's
    EXPECT_EQ(far.longestCell, 5);  // a 50 ms cell spans four or five frames at 61 Hz
    // The tick count wraps while each deadline of the session is pending: milliseconds into it,
    // moved to halfway between two frames, so that no pass sees the tick count 0 itself.
    const std::pair<uint32_t, const char*> wraps[] = {
        {1500, "intro"}, {3820, "disk, first step"}, {3950, "disk, second step"},
        {4450, "level intro, first phase"}, {4860, "second phase"}, {5900, "invulnerability"},
        {8330, "ship explosion"}, {9000, "death hold, blink"}, {11000, "new ship's invulnerability"},
        {12450, "virus explosions"}, {13300, "level clear"}, {14100, "level 2 intro"},
        {14500, "its second phase"}, {15500, "level 2 invulnerability, falling item"}};
    for (const auto& [ms, during] : wraps) {
        const uint32_t before = ms * 61 / 1000 * 1000 / 61 + 8;
        SCOPED_TRACE(std::string("wrap during the ") + during);
        const Session run = Play(uint32_t(0) - before);
        ASSERT_EQ(run.frames.size(), far.frames.size());
        for (size_t i = 0; i < far.frames.size(); ++i)
            ASSERT_EQ(run.frames[i], far.frames[i]) << "frame " << i + 1;
        EXPECT_EQ(run.ended, 3);
        EXPECT_EQ(run.longestCell, 5);
    }
}

// A deadline that wraps past zero waits its whole period. One that would fall on tick 0 falls on
// tick 1 instead, a millisecond late, since 0 means "not armed".
TEST_F(WrapTest, TheTimedStepWaitsItsPeriodAcrossTheWrap) {
    for (uint32_t armedAt : {uint32_t(0) - 30, uint32_t(0) - 100}) {
        SCOPED_TRACE(armedAt);
        const uint32_t due = armedAt + 100 == 0 ? 1 : armedAt + 100;
        uint32_t deadline = 0;
        SetTestTicks(armedAt);
        EXPECT_FALSE(TimedStep(deadline, 100));
        EXPECT_EQ(deadline, due);
        SetTestTicks(due - 1);
        EXPECT_FALSE(TimedStep(deadline, 100));
        SetTestTicks(due);
        EXPECT_TRUE(TimedStep(deadline, 100));
        EXPECT_EQ(deadline, 0u);
    }
}
