// The copies' all-or-nothing rules, the colour key, text and image loading.
#include <fstream>

#include "gfx/bmp.h"
#include "gfx/display.h"
#include "gfx/images.h"
#include "formats/bmp_writer.h"
#include "tests/test_support.h"

namespace {

constexpr uint16_t KEY = TRANSPARENT_KEY;
constexpr uint16_t RED = 0xF800, GREEN = 0x07E0, BLUE = 0x001F, FILL = 0x1234;

class DisplayTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        CreateFlipChain();
        CreateTextFont();
        Clear();
    }
    void Clear() { display.backBuffer->pixels.assign(SCREEN_WIDTH * SCREEN_HEIGHT, FILL); }
    uint16_t At(int x, int y) const { return display.backBuffer->pixels[y * SCREEN_WIDTH + x]; }
    int CountNot(uint16_t value) const {
        int n = 0;
        for (uint16_t p : display.backBuffer->pixels) n += p != value;
        return n;
    }
    // A keyed sprite: left half RED, right half the key colour.
    static Image Sprite(int w, int h) {
        Image image;
        image.width = w, image.height = h;
        image.pixels.assign(size_t(w) * h, RED);
        for (int y = 0; y < h; ++y)
            for (int x = w / 2; x < w; ++x) image.pixels[y * w + x] = KEY;
        SetColourKey(image, KEY);
        return image;
    }
};

TEST_F(DisplayTest, CopiesThatReachPastTheEdgeDrawNothingAtAll) {
    Image sprite = Sprite(64, 64);
    BlitKeyed(737, 100, &sprite);  // right edge at 801
    BlitKeyed(100, 537, &sprite);  // bottom edge at 601
    BlitKeyed(-1, 100, &sprite);
    BlitKeyed(100, -1, &sprite);
    BlitOpaque(737, 0, &sprite);
    EXPECT_EQ(CountNot(FILL), 0);
    BlitKeyed(736, 536, &sprite);  // one pixel further in: all of it
    EXPECT_EQ(CountNot(FILL), 32 * 64);
    EXPECT_EQ(At(736, 536), RED);
    EXPECT_EQ(At(799, 599), FILL);  // key pixel skipped
}

TEST_F(DisplayTest, SourceRectangleMustLieWhollyInTheImage) {
    Image strip = Sprite(448, 64);
    Rect pastEnd{448, 0, 512, 64};  // the end-of-explosion cell
    BlitKeyed(10, 10, &strip, &pastEnd);
    Rect straddling{400, 0, 464, 64};
    BlitKeyed(10, 10, &strip, &straddling);
    Rect empty{10, 0, 10, 64};
    BlitOpaque(10, 10, &strip, &empty);
    EXPECT_EQ(CountNot(FILL), 0);
    Rect cell{128, 0, 192, 64};
    BlitKeyed(10, 10, &strip, &cell);
    EXPECT_EQ(CountNot(FILL), 64 * 64);
}

TEST_F(DisplayTest, KeyPixelsAreSkippedByKeyedCopiesAndDrawnByOpaqueOnes) {
    Image sprite = Sprite(8, 2);
    BlitKeyed(0, 0, &sprite);
    BlitOpaque(0, 10, &sprite);
    EXPECT_EQ(At(3, 0), RED);
    EXPECT_EQ(At(4, 0), FILL);
    EXPECT_EQ(At(4, 10), KEY);
}

TEST_F(DisplayTest, KeyedCopyOfAnInnerCellUsesOnlyThatCell) {
    // Spans crossing cell borders must be cut at the cell.
    Image strip;
    strip.width = 6, strip.height = 1;
    strip.pixels = {RED, GREEN, GREEN, KEY, BLUE, BLUE};
    SetColourKey(strip, KEY);
    Rect middle{2, 0, 5, 1};
    BlitKeyed(0, 0, &strip, &middle);
    EXPECT_EQ(At(0, 0), GREEN);
    EXPECT_EQ(At(1, 0), FILL);
    EXPECT_EQ(At(2, 0), BLUE);
    EXPECT_EQ(At(3, 0), FILL);
}

TEST_F(DisplayTest, StretchedCopyScalesNearestAndRejectsEmptyRectangles) {
    Image shield = Sprite(128, 32);
    BlitStretchKeyed(Rect{100, 100, 100, 132}, &shield, Rect{0, 0, 128, 32});
    BlitStretchKeyed(Rect{-1, -1, -1, -1}, &shield, Rect{0, 0, 128, 32});
    EXPECT_EQ(CountNot(FILL), 0);
    BlitStretchKeyed(Rect{120, 104, 216, 128}, &shield, Rect{0, 0, 128, 32});  // 96 x 24
    EXPECT_EQ(CountNot(FILL), 48 * 24);
    EXPECT_EQ(At(120, 104), RED);
    EXPECT_EQ(At(167, 127), RED);
    EXPECT_EQ(At(168, 104), FILL);
}

TEST_F(DisplayTest, TextChangesOnlyGlyphPixels) {
    BeginText(COLOUR_WHITE);
    DrawTextAt(200, 50, "SHIELDS DOWN! TURN BACK THE VIRUSES!");
    EndText();
    int changed = 0, minX = SCREEN_WIDTH, maxX = 0, minY = SCREEN_HEIGHT, maxY = 0;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (At(x, y) != FILL) {
                ++changed;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    EXPECT_GT(changed, 500);
    EXPECT_LT(changed, 36 * 16 * 10);  // glyphs, not boxes
    EXPECT_GE(minX, 200);
    EXPECT_NEAR(maxX, 590, 20);  // the line ends near x 600 as the layout expects
    EXPECT_GE(minY, 50);
    EXPECT_LE(maxY, 50 + 19);
    // Outside a text block nothing is written.
    Clear();
    DrawTextAt(0, 0, "Score: 0");
    EXPECT_EQ(CountNot(FILL), 0);
}

// A loaded picture whose every pixel tells where it came from.
Image Numbered(int w, int h) {
    Image image;
    image.width = w, image.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.pixels.push_back(uint16_t(y * 7 + x));
    MarkPictureLoaded(image);
    return image;
}

// The back buffer after copying the source rectangle of a picture to the whole screen.
std::vector<uint16_t> ScreenFrom(const Image& image, const Rect& source) {
    std::vector<uint16_t> screen;
    for (int y = source.top; y < source.bottom; ++y)
        for (int x = source.left; x < source.right; ++x)
            screen.push_back(image.pixels[y * image.width + x]);
    return screen;
}

TEST_F(DisplayTest, FullScreenCopiesOfPartsOfLargerPicturesShowThoseParts) {
    const Image tall = Numbered(800, 1200), wide = Numbered(1600, 600);
    const struct {
        const Image* image;
        Rect source;
    } copies[] = {{&tall, {0, 600, 800, 1200}}, {&tall, {0, 0, 800, 600}}, {&tall, {0, 600, 800, 1200}},
                  {&wide, {800, 0, 1600, 600}}};
    for (const auto& copy : copies) {
        BlitOpaque(0, 0, copy.image, &copy.source);
        EXPECT_EQ(display.backBuffer->pixels, ScreenFrom(*copy.image, copy.source));
    }
}

TEST_F(DisplayTest, TextOffTheScreenLeavesTheNextCopyOfTheSamePictureWhole) {
    const Image picture = Numbered(800, 600);
    BlitOpaque(0, 0, &picture);
    BeginText(COLOUR_WHITE);
    DrawTextAt(SCREEN_WIDTH + 40, 100, "past the right edge");
    DrawTextAt(-2000, 100, "past the left edge");
    DrawTextAt(100, SCREEN_HEIGHT + 40, "below");
    DrawTextAt(-10, -10, "across the corner");
    EndText();
    EXPECT_NE(display.backBuffer->pixels, picture.pixels);
    // What the next copy puts back are real pieces of the screen, not backwards rectangles.
    for (const Rect& r : display.backdrop.drawn)
        EXPECT_TRUE(!RectIsEmpty(r) && r.left >= 0 && r.top >= 0 && r.right <= SCREEN_WIDTH &&
                    r.bottom <= SCREEN_HEIGHT)
            << r.left << " " << r.top << " " << r.right << " " << r.bottom;
    BlitOpaque(0, 0, &picture);
    EXPECT_EQ(display.backBuffer->pixels, picture.pixels);
}

TEST_F(DisplayTest, ReleasingASlotEmptiesItAndASecondReleaseDoesNothing) {
    Image* slot = nullptr;
    ReleaseSurface(slot);
    EXPECT_EQ(slot, nullptr);
    LoadBitmapSurface(slot, "images/none-such.bmp", 16, 8);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->width, 16);
    EXPECT_EQ(slot->pixels, std::vector<uint16_t>(16 * 8, 0));  // missing file: black
    ReleaseSurface(slot);
    ReleaseSurface(slot);
    EXPECT_EQ(slot, nullptr);
}

// A 24-bit bitmap of w x h filled by colour(x, y) -> {r, g, b}.
template <typename F>
std::string MakeBmp(int w, int h, F colour) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto [r, g, b] = colour(x, y);
            rgb.insert(rgb.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
        }
    const std::vector<uint8_t> bytes = EncodeBmp(w, h, rgb.data());
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(DisplayTest, LoadedPicturesAreScaledToTheSlotAndKeyedByTheTopBits) {
    // Left third (255,0,255), middle (250,2,250), right (240,0,240).
    WriteFile("keyed.bmp", MakeBmp(640, 480, [](int x, int) {
        return x < 213 ? std::tuple{255, 0, 255} : x < 426 ? std::tuple{250, 2, 250} : std::tuple{240, 0, 240};
    }));
    Image* slot = nullptr;
    LoadBitmapSurface(slot, "keyed.bmp", 800, 600);
    ASSERT_NE(slot, nullptr);
    SetColourKey(*slot, KEY);
    BlitKeyed(0, 0, slot);
    EXPECT_EQ(At(0, 0), FILL);
    EXPECT_EQ(At(400, 300), FILL);
    EXPECT_EQ(At(799, 599), uint16_t((30 << 11) | (0 << 5) | 30));  // 640x480 fills 800x600
    BlitOpaque(0, 0, slot);
    EXPECT_EQ(At(0, 0), KEY);  // no key in an opaque copy: magenta shows
    ReleaseSurface(slot);
}

TEST_F(DisplayTest, DamagedBitmapsGiveBlackPictures) {
    std::string good = MakeBmp(4, 4, [](int, int) { return std::tuple{255, 255, 255}; });
    std::string truncated = good.substr(0, 60);
    std::string wrongMagic = good;
    wrongMagic[0] = 'X';
    std::string absurd = good;
    absurd[18] = char(0xFF), absurd[19] = char(0xFF), absurd[20] = char(0xFF), absurd[21] = char(0x7F);
    std::string badOffset = good;
    badOffset[10] = char(0xF0), badOffset[11] = char(0xFF);
    for (const std::string& bytes : {truncated, wrongMagic, absurd, badOffset, std::string()}) {
        WriteFile("bad.bmp", bytes);
        Image* slot = nullptr;
        LoadBitmapSurface(slot, "bad.bmp", 4, 4);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->pixels, std::vector<uint16_t>(16, 0));
        ReleaseSurface(slot);
    }
    WriteFile("good.bmp", good);
    Image* slot = nullptr;
    LoadBitmapSurface(slot, "good.bmp", 4, 4);
    EXPECT_EQ(slot->pixels[0], 0xFFFF);
    ReleaseSurface(slot);
}

}  // namespace
