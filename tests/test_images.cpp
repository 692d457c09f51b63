// The generated pictures: every file the game reads exists at its size as a 24-bit bitmap,
// keyed pictures keep transparency and visible pixels apart, and text areas stay readable.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Picture {
    const char* file;
    int width, height;
    bool keyed;
    int cellWidth;  // width of one animation cell (the whole picture when it has one)
};

const Picture kPictures[] = {
    {"intro.bmp", 800, 600, false, 800},        {"title.bmp", 800, 600, false, 800},
    {"story.bmp", 800, 600, false, 800},        {"select.bmp", 800, 600, false, 800},
    {"sdisks.bmp", 1536, 320, false, 384},      {"sinfo.bmp", 384, 320, false, 192},
    {"gameover.bmp", 800, 600, false, 800},     {"levelintro1.bmp", 400, 200, true, 400},
    {"levelintro2.bmp", 400, 200, true, 400},   {"levelclear.bmp", 400, 200, true, 400},
    {"pause.bmp", 400, 200, true, 400},         {"alpha.bmp", 896, 64, true, 64},
    {"omega.bmp", 896, 64, true, 64},           {"virus00.bmp", 448, 64, true, 64},
    {"virus01.bmp", 448, 64, true, 64},         {"virus02.bmp", 448, 64, true, 64},
    {"virus03.bmp", 448, 64, true, 64},         {"shield.bmp", 128, 32, true, 128},
    {"bullets.bmp", 48, 16, true, 16},          {"life.bmp", 32, 32, true, 32},
    {"extralife.bmp", 576, 64, true, 64},       {"extragun.bmp", 576, 64, true, 64},
    {"background01.bmp", 800, 600, false, 800}, {"background02.bmp", 800, 600, false, 800},
    {"background03.bmp", 800, 600, false, 800},
};

struct Bitmap {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first
    std::string error;
};

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// An uncompressed 24-bit Windows bitmap, rows bottom-up (or top-down for a negative height).
Bitmap LoadBitmap(const std::string& path) {
    Bitmap bmp;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return {0, 0, {}, "not a bitmap"};
    uint32_t offset = Read32(b, 10);
    int32_t width = int32_t(Read32(b, 18)), height = int32_t(Read32(b, 22));
    uint16_t planes = uint16_t(b[26] | b[27] << 8), bits = uint16_t(b[28] | b[29] << 8);
    if (Read32(b, 14) < 40 || planes != 1 || bits != 24 || Read32(b, 30) != 0 || width <= 0)
        return {0, 0, {}, "not an uncompressed 24-bit bitmap"};
    bool bottomUp = height > 0;
    bmp.width = width;
    bmp.height = bottomUp ? height : -height;
    size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    if (offset + rowBytes * bmp.height > b.size()) return {0, 0, {}, "pixel data cut short"};
    bmp.rgb.resize(size_t(width) * bmp.height * 3);
    for (int y = 0; y < bmp.height; ++y) {
        size_t row = offset + rowBytes * size_t(bottomUp ? bmp.height - 1 - y : y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bmp.rgb[(size_t(y) * width + x) * 3 + c] = b[row + x * 3 + 2 - c];
    }
    return bmp;
}

std::string ImagePath(const char* file) {
    return std::string(QUELLFORT_BUILD_DIR "/images/") + file;
}

const uint8_t* PixelAt(const Bitmap& bmp, int x, int y) {
    return &bmp.rgb[(size_t(y) * bmp.width + x) * 3];
}

bool IsExactKey(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 255; }

// The game keeps 5 bits of red and blue and 6 of green, so this whole range becomes the key.
bool ReadsAsKey(const uint8_t* p) { return p[0] >= 248 && p[2] >= 248 && p[1] <= 3; }

int Luminance(const uint8_t* p) { return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000; }

TEST(Images, EveryPictureIsA24BitBitmapOfItsSize) {
    for (const Picture& picture : kPictures) {
        Bitmap bmp = LoadBitmap(ImagePath(picture.file));
        EXPECT_EQ(bmp.error, "") << picture.file;
        EXPECT_EQ(bmp.width, picture.width) << picture.file;
        EXPECT_EQ(bmp.height, picture.height) << picture.file;
    }
}

TEST(Images, KeyedPicturesAreExactKeyOrClearlyVisible) {
    for (const Picture& picture : kPictures) {
        if (!picture.keyed) continue;
        Bitmap bmp = LoadBitmap(ImagePath(picture.file));
        ASSERT_EQ(bmp.error, "") << picture.file;
        int strays = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x) {
                const uint8_t* p = PixelAt(bmp, x, y);
                if (!IsExactKey(p) && ReadsAsKey(p)) ++strays;
            }
        EXPECT_EQ(strays, 0) << picture.file << ": visible pixels the game would treat as key";
    }
}

TEST(Images, EveryKeyedCellHasVisibleAndTransparentPixels) {
    for (const Picture& picture : kPictures) {
        if (!picture.keyed) continue;
        Bitmap bmp = LoadBitmap(ImagePath(picture.file));
        ASSERT_EQ(bmp.error, "") << picture.file;
        for (int cell = 0; cell < bmp.width / picture.cellWidth; ++cell) {
            int visible = 0, transparent = 0;
            for (int y = 0; y < bmp.height; ++y)
                for (int x = cell * picture.cellWidth; x < (cell + 1) * picture.cellWidth; ++x)
                    IsExactKey(PixelAt(bmp, x, y)) ? ++transparent : ++visible;
            EXPECT_GT(visible, 0) << picture.file << " cell " << cell;
            EXPECT_GT(transparent, 0) << picture.file << " cell " << cell;
        }
    }
}

// Counts pixels of an area whose luminance lies outside [low, high].
int PixelsOutside(const Bitmap& bmp, int x0, int y0, int x1, int y1, int low, int high) {
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int l = Luminance(PixelAt(bmp, x, y));
            if (l < low || l > high) ++count;
        }
    return count;
}

TEST(Images, TextAreasKeepTheirContrast) {
    // The title's high-score table is written in black from (300, 280) to about (560, 420).
    Bitmap title = LoadBitmap(ImagePath("title.bmp"));
    ASSERT_EQ(title.error, "");
    EXPECT_EQ(PixelsOutside(title, 296, 278, 580, 422, 150, 255), 0) << "title table panel";
    // The game-over name prompt is written in white from (135, 400) to about (600, 419).
    Bitmap over = LoadBitmap(ImagePath("gameover.bmp"));
    ASSERT_EQ(over.error, "");
    EXPECT_EQ(PixelsOutside(over, 130, 398, 660, 421, 0, 40), 0) << "game-over name band";
    // White and yellow text lines of play along the top of every background.
    for (const char* file : {"background01.bmp", "background02.bmp", "background03.bmp"}) {
        Bitmap bg = LoadBitmap(ImagePath(file));
        ASSERT_EQ(bg.error, "") << file;
        EXPECT_EQ(PixelsOutside(bg, 0, 8, 800, 72, 0, 70), 0) << file << " behind the text lines";
    }
}

}  // namespace
