// The generated pictures: every file the game reads exists at its size as a 24-bit bitmap,
// keyed pictures keep transparency and visible pixels apart, and text areas stay readable.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/bmp.h"
#include "gfx/picture_files.h"

namespace {

using Bitmap = BmpPicture;

// Width of one animation cell: the whole picture unless it is a strip of cells.
int CellWidth(const PictureFile& file) {
    const std::string path = file.path;
    if (path == "images/bullets.bmp") return 16;
    for (const char* strip : {"alpha", "omega", "virus0", "extralife", "extragun"})
        if (path.find(strip) != std::string::npos) return 64;
    return file.width;
}

// The generated file as the game decodes it; empty (and a failure) when it is not a 24-bit
// bitmap the game can read.
Bitmap LoadBitmap(const char* path) {
    std::ifstream in(std::string(QUELLFORT_BUILD_DIR "/") + path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    Bitmap bmp;
    std::string error = "not a 24-bit bitmap";
    if (bytes.size() < 30 || bytes[28] != 24 || !DecodeBmp(bytes, bmp, error))
        ADD_FAILURE() << path << ": " << error;
    return bmp;
}

const uint8_t* PixelAt(const Bitmap& bmp, int x, int y) {
    return &bmp.rgb[(size_t(y) * bmp.width + x) * 3];
}

bool IsExactKey(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 255; }

// The game keeps 5 bits of red and blue and 6 of green, so this whole range becomes the key.
bool ReadsAsKey(const uint8_t* p) { return p[0] >= 248 && p[2] >= 248 && p[1] <= 3; }

int Luminance(const uint8_t* p) { return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000; }

TEST(Images, EveryPictureIsA24BitBitmapOfItsSize) {
    for (const PictureFile& file : kPictureFiles) {
        Bitmap bmp = LoadBitmap(file.path);
        EXPECT_EQ(bmp.width, file.width) << file.path;
        EXPECT_EQ(bmp.height, file.height) << file.path;
    }
}

TEST(Images, KeyedPicturesAreExactKeyOrClearlyVisible) {
    for (const PictureFile& file : kPictureFiles) {
        if (!file.keyed) continue;
        Bitmap bmp = LoadBitmap(file.path);
        ASSERT_GT(bmp.width, 0) << file.path;
        int strays = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x) {
                const uint8_t* p = PixelAt(bmp, x, y);
                if (!IsExactKey(p) && ReadsAsKey(p)) ++strays;
            }
        EXPECT_EQ(strays, 0) << file.path << ": visible pixels the game would treat as key";
    }
}

TEST(Images, EveryKeyedCellHasVisibleAndTransparentPixels) {
    for (const PictureFile& file : kPictureFiles) {
        if (!file.keyed) continue;
        Bitmap bmp = LoadBitmap(file.path);
        ASSERT_GT(bmp.width, 0) << file.path;
        const int cellWidth = CellWidth(file);
        for (int cell = 0; cell < bmp.width / cellWidth; ++cell) {
            int visible = 0, transparent = 0;
            for (int y = 0; y < bmp.height; ++y)
                for (int x = cell * cellWidth; x < (cell + 1) * cellWidth; ++x)
                    IsExactKey(PixelAt(bmp, x, y)) ? ++transparent : ++visible;
            EXPECT_GT(visible, 0) << file.path << " cell " << cell;
            EXPECT_GT(transparent, 0) << file.path << " cell " << cell;
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
    Bitmap title = LoadBitmap("images/title.bmp");
    ASSERT_EQ(title.width, 800);
    EXPECT_EQ(PixelsOutside(title, 296, 278, 580, 422, 150, 255), 0) << "title table panel";
    // The game-over name prompt is written in white from (135, 400) to about (600, 419).
    Bitmap over = LoadBitmap("images/gameover.bmp");
    ASSERT_EQ(over.width, 800);
    EXPECT_EQ(PixelsOutside(over, 130, 398, 660, 421, 0, 40), 0) << "game-over name band";
    // White and yellow text lines of play along the top of every background.
    for (int n = 0; n < 3; ++n) {
        const char* file = kPictureFiles[FIRST_BACKGROUND_FILE + n].path;
        Bitmap bg = LoadBitmap(file);
        ASSERT_EQ(bg.width, 800) << file;
        EXPECT_EQ(PixelsOutside(bg, 0, 8, 800, 72, 0, 70), 0) << file << " behind the text lines";
    }
}

}  // namespace
