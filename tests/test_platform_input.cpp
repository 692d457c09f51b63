// The backends' shared input and pacing rules, on recorded present intervals and pad sequences.
#include <gtest/gtest.h>

#include <initializer_list>

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
    // Presents that do not wait, at the limiter's 68 Hz guard pace; SDL's software renderer
    // under Xvfb, 16 ms a present; a 144 Hz display, one, two or three of its frames.
    EXPECT_EQ(Judge({14.6, 14.8, 14.7, 15.1, 14.3}), VSYNC_DOES_NOT_WAIT);
    EXPECT_EQ(Judge({16.0, 16.0, 19.8, 12.3, 16.8, 15.5, 16.3, 15.7, 16.6, 15.6}), VSYNC_DOES_NOT_WAIT);
    for (double ms : {6.9, 13.9, 20.8}) EXPECT_EQ(Judge({ms}), VSYNC_DOES_NOT_WAIT) << ms;
    // A 60 Hz display with jitter, a stall and a missed frame now and then; not mostly missed.
    EXPECT_EQ(Judge({16.2, 17.1, 16.6, 16.9, 16.4}), VSYNC_WAITS);
    EXPECT_EQ(Judge({16.7, 16.6, 16.7, 33.4, 16.7, 16.6, 250.0, 16.7, 0.3, 16.7}), VSYNC_WAITS);
    EXPECT_EQ(Judge({33.3, 33.4, 16.7}), VSYNC_DOES_NOT_WAIT);
    // No verdict before thirty presents; after them the latest thirty count.
    EXPECT_EQ(Judge({16.7}, PACING_SAMPLES - 1), VSYNC_UNKNOWN);
    PresentIntervals intervals;
    for (int i = 0; i < 100; ++i) AddPresentInterval(intervals, i < 70 ? 0.01 : 16.7);
    EXPECT_EQ(JudgeVsync(intervals), VSYNC_WAITS);
}

// The pad on the screens the game says it waits for: what the game would read and be typed.
struct PadRig {
    PadInput pad;
    KeyLatches latches;
    uint32_t buttons = 0;
    std::string name;  // the game's name, as the game would hold it
    void Set(uint32_t b) { PadSetButtons(pad, latches, buttons = b, 1000); }
    void Tap(uint32_t b) { Set(buttons | b), Set(buttons & ~b); }
    void Wants(PlatformInputMode mode, bool paused = false) {
        PlatformInputWanted wanted;
        wanted.mode = mode;
        wanted.paused = paused;
        wanted.name = reinterpret_cast<const uint8_t*>(name.data());
        wanted.nameLength = int(name.size());
        wanted.nameLimit = mode == INPUT_NAME ? 10 : 0;
        PadSetWanted(pad, wanted);
    }
    bool Poll(int key) { return TakeLatchedKey(latches, key) || PadKeyDown(pad, key, 1000); }
    // The characters the pad typed since the last look.
    std::string Typed() {
        std::string typed;
        for (const PlatformMessage& m : pad.messages) typed += char(m.character);
        pad.messages.clear();
        return typed;
    }
};

TEST(PadTest, PauseNameEntryAndTheTenLetterLimitFollowTheGame) {
    PadRig rig;
    rig.Wants(INPUT_PLAY);
    rig.Tap(PAD_START);               // pause, then unplugged while paused: it stays paused
    EXPECT_TRUE(rig.Poll(PLATFORM_KEY_P));
    rig.Wants(INPUT_PLAY, true);
    PadUnplugged(rig.pad, rig.latches);
    EXPECT_FALSE(rig.Poll(PLATFORM_KEY_P));
    rig.Wants(INPUT_PLAY);            // unplugged in play: paused as P would
    PadUnplugged(rig.pad, rig.latches);
    EXPECT_TRUE(rig.Poll(PLATFORM_KEY_P));
    rig.Set(PAD_A);                   // firing as the last ship goes: A held onto the game-over
    rig.Wants(INPUT_NAME);            // screen must not leave it before the name is in
    EXPECT_FALSE(rig.Poll(PLATFORM_KEY_RETURN));
    rig.Set(0);
    rig.Tap(PAD_DOWN);                // "A": the first letter starts at A
    rig.Tap(PAD_DOWN);                // "!": down from A wraps round
    rig.Tap(PAD_RIGHT);               // "!A"
    rig.Tap(PAD_UP), rig.Tap(PAD_UP); // "!C"
    rig.Tap(PAD_B);                   // "!"
    EXPECT_EQ(rig.Typed(), "A\x08!A\x08" "B\x08" "C\x08");
    rig.name = "!x";                  // the game's name, a letter typed on the keyboard
    rig.Wants(INPUT_NAME);            // off the list: up turns it to A
    rig.Tap(PAD_UP);
    EXPECT_EQ(rig.Typed(), "\x08" "A");
    // At the game's limit A starts no eleventh letter, so up still turns the tenth.
    for (int i = 0; i < 12; ++i) rig.Tap(PAD_A);
    rig.Tap(PAD_UP);
    EXPECT_EQ(rig.pad.name, "!AAAAAAAAB");
    rig.Set(PAD_START);               // Start finishes; then the menus, where A is Enter
    EXPECT_TRUE(rig.Poll(PLATFORM_KEY_RETURN));
    rig.Set(0);
    rig.Wants(INPUT_MENU);
    rig.Tap(PAD_A);
    EXPECT_TRUE(rig.Poll(PLATFORM_KEY_RETURN));
}

}  // namespace
