// The backends' shared input and pacing rules, on recorded present intervals and pad sequences.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "platform/common/frame_pacing.h"
#include "platform/common/pad.h"
#include "platform/platform.h"

namespace {

VsyncVerdict Judge(std::initializer_list<double> pattern, int count = PACING_SAMPLES) {
    PresentIntervals intervals;
    for (int i = 0; i < count; ++i) AddPresentInterval(intervals, pattern.begin()[i % pattern.size()]);
    return JudgeVsync(intervals);
}

TEST(FramePacingTest, OnlyPresentsMeasuredToWaitOneSixtiethTakeOverFromTheLimiter) {
    // A renderer that claims vsync and does not wait: 120 presents in under a millisecond.
    EXPECT_EQ(Judge({0.004, 0.006, 0.011}), VSYNC_DOES_NOT_WAIT);
    // A 60 Hz display, timer jitter and all, and one that runs at 59.94 Hz.
    EXPECT_EQ(Judge({16.2, 17.1, 16.6, 16.9, 16.4}), VSYNC_WAITS);
    EXPECT_EQ(Judge({16.68}), VSYNC_WAITS);
    // Presents that do not wait, at the limiter's guard pace of 68 Hz (SDL's software renderer
    // under Xvfb spends half of it copying), and a 144 Hz display: one, two or three of its frames.
    EXPECT_EQ(Judge({14.6, 14.8, 14.7, 15.1, 14.3}), VSYNC_DOES_NOT_WAIT);
    // SDL's software renderer under Xvfb waits 16 ms a present: 62.5 frames a second.
    EXPECT_EQ(Judge({16.0, 16.0, 19.8, 12.3, 16.8, 15.5, 16.3, 15.7, 16.6, 15.6}), VSYNC_DOES_NOT_WAIT);
    EXPECT_EQ(Judge({6.9}), VSYNC_DOES_NOT_WAIT);
    EXPECT_EQ(Judge({13.9}), VSYNC_DOES_NOT_WAIT);
    EXPECT_EQ(Judge({20.8}), VSYNC_DOES_NOT_WAIT);
    // A 60 Hz display with a stall and a missed frame now and then still paces; mostly missed
    // frames (30 Hz) do not.
    EXPECT_EQ(Judge({16.7, 16.6, 16.7, 33.4, 16.7, 16.6, 250.0, 16.7, 0.3, 16.7}), VSYNC_WAITS);
    EXPECT_EQ(Judge({33.3, 33.4, 16.7}), VSYNC_DOES_NOT_WAIT);
    // Until thirty presents have been timed there is no verdict, and the ring keeps the latest.
    EXPECT_EQ(Judge({16.7}, PACING_SAMPLES - 1), VSYNC_UNKNOWN);
    PresentIntervals intervals;
    for (int i = 0; i < 100; ++i) AddPresentInterval(intervals, 0.01);
    for (int i = 0; i < 16; ++i) AddPresentInterval(intervals, 16.7);
    EXPECT_EQ(JudgeVsync(intervals), VSYNC_WAITS);
}

// A pad on a screen, as the game's polls make it known.
struct PadRig {
    PadInput pad;
    KeyLatches latches;
    uint32_t buttons = 0;
    uint32_t now = 1000;
    void Press(uint32_t b) { PadSetButtons(pad, latches, buttons |= b, now); }
    void Release(uint32_t b) { PadSetButtons(pad, latches, buttons &= ~b, now); }
    void Tap(uint32_t b) { Press(b), Release(b); }
    bool Poll(int key) {
        PadSawKeyPoll(pad, key);
        return TakeLatchedKey(latches, key) || PadKeyDown(pad, key, now);
    }
    void WaitUp(int key) {
        while (Poll(key)) Release(~0u);
        PadSawKeyWait(pad, key);
    }
};

TEST(PadTest, AStartAndBackMeanWhatTheScreenNeeds) {
    PadRig rig;
    rig.Press(PAD_A);
    EXPECT_TRUE(rig.Poll(VK_RETURN));  // menus: A is Enter
    EXPECT_FALSE(rig.Poll(VK_SPACE));
    rig.Release(PAD_A);
    EXPECT_FALSE(rig.Poll(VK_RETURN));
    EXPECT_FALSE(rig.Poll(VK_P));  // play begins
    rig.Press(PAD_A | PAD_LEFT);
    EXPECT_TRUE(rig.Poll(VK_SPACE));
    EXPECT_TRUE(rig.Poll(VK_LEFT));
    rig.Release(PAD_A | PAD_LEFT);
    rig.Tap(PAD_START);  // pause: P, read once although already let go
    EXPECT_TRUE(rig.Poll(VK_P));
    rig.WaitUp(VK_P);
    EXPECT_TRUE(rig.pad.paused);
    rig.Tap(PAD_START);
    EXPECT_TRUE(rig.Poll(VK_P));
    rig.WaitUp(VK_P);
    EXPECT_FALSE(rig.pad.paused);
    // Unplugged in play: pauses once; unplugged while paused: stays paused.
    PadUnplugged(rig.pad, rig.latches);
    EXPECT_TRUE(rig.Poll(VK_P));
    rig.WaitUp(VK_P);
    PadUnplugged(rig.pad, rig.latches);
    EXPECT_FALSE(rig.Poll(VK_P));
    // Back quits only when held a whole second.
    rig.Press(PAD_BACK);
    rig.now += PAD_QUIT_HOLD_MS - 1;
    EXPECT_FALSE(rig.Poll(VK_ESCAPE));
    rig.now += 1;
    EXPECT_TRUE(rig.Poll(VK_ESCAPE));
    EXPECT_EQ(PadStickButtons(-PAD_DEAD_ZONE, PAD_DEAD_ZONE), 0u);
    EXPECT_EQ(PadStickButtons(-PAD_DEAD_ZONE - 1, PAD_DEAD_ZONE + 1), PAD_LEFT | PAD_DOWN);
}

TEST(PadTest, NameEntryTypesWhatTheGameTakesAndKeepsCountAtTheLimit) {
    PadRig rig;
    rig.Poll(VK_P);
    rig.Press(PAD_A);  // firing as the last ship goes: A held onto the game-over screen
    EXPECT_FALSE(rig.Poll(VK_RETURN));
    rig.Release(PAD_A);
    rig.Tap(PAD_DOWN);                  // "A": the first letter starts at A
    rig.Tap(PAD_DOWN);                  // "!": down from A wraps round
    rig.Tap(PAD_RIGHT);                 // "!A"
    rig.Tap(PAD_UP), rig.Tap(PAD_UP);   // "!C"
    rig.Tap(PAD_B);                     // "!"
    rig.Tap(PAD_UP);                    // "A"
    EXPECT_EQ(rig.pad.typed, "A\x08!A\x08" "B\x08" "C\x08\x08" "A");
    EXPECT_EQ(rig.pad.name, "A");
    // A letter typed on the keyboard is turned from where it is; one off the list starts at A.
    PadSawTypedChar(rig.pad, 'x');
    rig.pad.typed.clear();
    rig.Tap(PAD_UP);
    EXPECT_EQ(rig.pad.typed, "\x08" "A");
    // Ten letters: right starts no eleventh, so up still turns the tenth.
    for (int i = 0; i < 12; ++i) rig.Tap(PAD_A);
    rig.pad.typed.clear();
    rig.Tap(PAD_UP);
    EXPECT_EQ(rig.pad.name, "AAAAAAAAAB");
    EXPECT_EQ(rig.pad.typed, "\x08" "B");
    // Start finishes; after it the pad is back on the menus.
    rig.Press(PAD_START);
    EXPECT_TRUE(rig.Poll(VK_RETURN));
    rig.WaitUp(VK_RETURN);
    rig.Tap(PAD_A);
    EXPECT_TRUE(rig.Poll(VK_RETURN));
}

}  // namespace
