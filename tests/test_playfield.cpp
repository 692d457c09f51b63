// Playfield and HUD drawing, read back from the back buffer's pixels.
#include <algorithm>

#include "game/game.h"
#include "gfx/display.h"
#include "gfx/images.h"
#include "gfx/playfield.h"
#include "tests/test_support.h"

namespace {

constexpr uint16_t BLACK = 0x0000;
constexpr uint16_t GREEN = 0x07E0;
constexpr uint16_t BLUE = 0x001F;
constexpr uint16_t YELLOW = 0xFFE0;
constexpr uint16_t RED = 0xF800;

// A keyed picture of width x height whose pixels are given by shade(x, y).
template <typename Shade>
Image* MakeImage(int width, int height, Shade shade) {
    Image* image = new Image;
    image->width = width;
    image->height = height;
    image->pixels.resize(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image->pixels[y * width + x] = shade(x, y);
    SetColourKey(*image, TRANSPARENT_KEY);
    return image;
}

class PlayfieldTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        CreateFlipChain();
        CreateTextFont();
        images.backgroundImage = new Image;
        images.backgroundImage->width = 800;
        images.backgroundImage->height = 600;
        images.backgroundImage->pixels.assign(800 * 600, BLACK);
    }
    void TearDown() override {
        ResetProgramState();  // releases the pictures made here
        GameTest::TearDown();
    }

    uint16_t Pixel(int x, int y) const { return display.backBuffer->pixels[y * 800 + x]; }
    void Clear() { std::fill(display.backBuffer->pixels.begin(), display.backBuffer->pixels.end(), BLACK); }

    // Pixels of the given colour, or (colour 0) any drawn pixel, inside [left, right) x [top, bottom).
    int Count(int left, int top, int right, int bottom, int colour = -1) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += colour < 0 ? Pixel(x, y) != BLACK : Pixel(x, y) == colour;
        return n;
    }
    // The warning line's band, below the top lines.
    int WarningPixels(int colour = -1) const { return Count(0, 45, 800, 80, colour); }
};

}  // namespace

TEST_F(PlayfieldTest, OnlyFourLifeIconsFitOnTheScreen) {
    images.lifeImage = MakeImage(32, 32, [](int, int) { return GREEN; });
    for (int lives : {0, 1, 3, 4, 5, 9}) {
        world.lives = lives;
        Clear();
        DrawPlayfield();
        for (int i = 0; i < 4; ++i) {
            bool drawn = i < lives;
            EXPECT_EQ(Count(650 + 32 * i, 0, 682 + 32 * i, 32, GREEN), drawn ? 32 * 32 : 0)
                << lives << " lives, icon " << i;
        }
        // Icon 4 would reach x 810: it is left out, not cut.
        EXPECT_EQ(Count(778, 0, 800, 40), 0) << lives << " lives";
        EXPECT_EQ(Count(650, 32, 800, 40), 0);
    }
}

TEST_F(PlayfieldTest, VirusesShowTheirCellAndNothingOnceGoneOrAtTheEndMarker) {
    // Seven cells of 64 px, cell c filled with colour c + 1 (1 .. 7).
    images.virusImages[2] = MakeImage(448, 64, [](int x, int) { return uint16_t(x / 64 + 1); });
    Virus& virus = world.viruses[1][3];
    virus = Virus{100, 200, 384, 0, ACTOR_EXPLODING, 2, 0};
    DrawPlayfield();
    EXPECT_EQ(Count(100, 200, 164, 264, 7), 64 * 64);  // the last explosion cell, 384..448

    virus.frameX = 448;  // the end marker lies past the strip
    DrawPlayfield();
    EXPECT_EQ(Count(0, 0, 800, 600), 0);

    virus.state = ACTOR_GONE;
    virus.frameX = 64;
    DrawPlayfield();
    EXPECT_EQ(Count(0, 0, 800, 600), 0);

    virus.state = ACTOR_NORMAL;
    DrawPlayfield();
    EXPECT_EQ(Count(100, 200, 164, 264, 2), 64 * 64);
}

TEST_F(PlayfieldTest, WornShieldsShrinkAroundTheirCentre) {
    // Left half opaque, right half transparent.
    images.shieldImage = MakeImage(128, 32, [](int x, int) { return x < 64 ? BLUE : TRANSPARENT_KEY; });
    world.shields[0] = Rect{120, 476, 216, 500};  // hit once: 96 x 24, 16 px in and 4 px down
    world.shields[1] = Rect{400, 488, 400, 488};  // hit four times: nothing left
    world.shields[2] = Rect{-1, -1, -1, -1};      // taken down by the invasion warning
    DrawPlayfield();
    EXPECT_EQ(Count(0, 0, 800, 600), 48 * 24);
    EXPECT_EQ(Count(120, 476, 168, 500, BLUE), 48 * 24);
}

TEST_F(PlayfieldTest, ShotsLeavingTheTopAreHiddenAndShotsLieOverTheShip) {
    images.bulletsImage = MakeImage(48, 16, [](int, int) { return RED; });
    Image* ship = MakeImage(64 * 14, 64, [](int x, int) { return x < 64 ? GREEN : BLUE; });
    images.alphaShipImage = ship;
    images.selectedShipImage = &images.alphaShipImage;
    world.ship = PlayerShip{300, 536, 0, 0, ACTOR_NORMAL, 0, 0};
    world.projectiles[4] = Projectile{310, 560, 16, 0, SHOT_PLAYER, 0};
    world.projectiles[5] = Projectile{20, -6, 0, 0, SHOT_VIRUS, 0};
    world.projectiles[6] = Projectile{60, 0, 0, 0, SHOT_NONE, 0};
    DrawPlayfield();
    EXPECT_EQ(Count(300, 536, 364, 600, GREEN), 64 * 64 - 16 * 16);
    EXPECT_EQ(Count(310, 560, 326, 576, RED), 16 * 16);
    EXPECT_EQ(Count(0, 0, 100, 20), 0);  // one shot above the screen, one slot free

    world.projectiles[5].y = 0;
    world.ship.frameX = 64;  // another cell of the same strip
    DrawPlayfield();
    EXPECT_EQ(Count(20, 0, 36, 16, RED), 16 * 16);
    EXPECT_EQ(Count(300, 536, 364, 600, BLUE), 64 * 64 - 16 * 16);
}

TEST_F(PlayfieldTest, HudWritesItsLinesAsFormattedNumbers) {
    world.score = -200;
    world.level = 12;
    DrawHud();
    std::vector<uint16_t> hud = display.backBuffer->pixels;

    // The same lines written by hand: the score keeps its minus sign.
    Clear();
    BeginText(COLOUR_WHITE);
    DrawTextAt(0, 10, "Score: -200");
    DrawTextAt(350, 10, "Level: 12");
    DrawTextAt(600, 10, "Lives: ");
    EndText();
    EXPECT_EQ(hud, display.backBuffer->pixels);
    EXPECT_GT(Count(0, 10, 200, 30, 0xFFFF), 0);

    // Without the minus sign the picture differs.
    Clear();
    world.score = 200;
    DrawHud();
    EXPECT_NE(hud, display.backBuffer->pixels);
}

TEST_F(PlayfieldTest, StandingWarningBlinksEveryHundredMilliseconds) {
    world.warningLevel = WARNING_SHIELDS_DOWN;
    // From an all-zero blink state the line starts hidden for 100 ms.
    SetTestTicks(5000);
    StepWarningBlink();
    DrawHud();
    EXPECT_EQ(WarningPixels(), 0);
    SetTestTicks(5099);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_EQ(WarningPixels(), 0);
    SetTestTicks(5100);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_GT(WarningPixels(YELLOW), 0);
    EXPECT_EQ(Count(0, 45, 195, 80), 0);  // the yellow line starts at x 200
    // The next frame re-arms the timer; the line stays for another 100 ms.
    SetTestTicks(5116);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_GT(WarningPixels(YELLOW), 0);
    SetTestTicks(5215);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_GT(WarningPixels(YELLOW), 0);
    SetTestTicks(5216);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_EQ(WarningPixels(), 0);
}

TEST_F(PlayfieldTest, WarningChangesAtOnceAndFreezesWithoutAWarning) {
    warningBlinkOn = true;
    world.warningLevel = WARNING_SHIELDS_DOWN;
    SetTestTicks(8000);
    StepWarningBlink();
    DrawHud();
    EXPECT_GT(WarningPixels(YELLOW), 0);
    // A switch during a visible phase shows the red line in the very next frame, from x 230.
    world.warningLevel = WARNING_INVASION_IMMINENT;
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_GT(WarningPixels(RED), 0);
    EXPECT_EQ(WarningPixels(YELLOW), 0);
    EXPECT_EQ(Count(0, 45, 228, 80), 0);

    // No warning: nothing in the band whatever the blink holds, and the blink stays as it was.
    world.warningLevel = WARNING_NONE;
    SetTestTicks(9000);
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_EQ(WarningPixels(), 0);
    EXPECT_TRUE(warningBlinkOn);
    EXPECT_EQ(warningBlinkTimer, 8100u);
    // The next warning finds the passed deadline and toggles in its first frame.
    world.warningLevel = WARNING_MISSION_FAILED;
    Clear();
    StepWarningBlink();
    DrawHud();
    EXPECT_FALSE(warningBlinkOn);
    EXPECT_EQ(WarningPixels(), 0);
}
