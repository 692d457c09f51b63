// Pictures saved by painting programs: run-length compressed (4 and 8 bits) and with the old
// 12-byte header decode to the same pixels as their uncompressed twins; damaged ones are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/bmp.h"

namespace {

// Black, red, green, blue as blue, green, red, unused entries.
const std::vector<uint8_t> kPalette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A bitmap file with the 40-byte header, or the 12-byte one (three-byte colour entries).
std::vector<uint8_t> Bmp(int width, int height, int bits, uint32_t compression,
                         const std::vector<uint8_t>& pixels, bool oldHeader = false) {
    std::vector<uint8_t> info, palette;
    for (size_t i = 0; bits <= 8 && i < kPalette.size(); i += 4)
        palette.insert(palette.end(), &kPalette[i], &kPalette[i] + (oldHeader ? 3 : 4));
    const int sizeBytes = oldHeader ? 2 : 4;
    Put(info, oldHeader ? 12 : 40, 4);
    Put(info, uint32_t(width), sizeBytes), Put(info, uint32_t(height), sizeBytes);
    Put(info, 1, 2), Put(info, bits, 2);
    if (!oldHeader) {
        Put(info, compression, 4), Put(info, uint32_t(pixels.size()), 4), Put(info, 0, 8);
        Put(info, uint32_t(palette.size() / 4), 4), Put(info, 0, 4);  // colours used, important
    }
    std::vector<uint8_t> file = {'B', 'M'};
    const uint32_t offset = uint32_t(14 + info.size() + palette.size());
    Put(file, uint32_t(offset + pixels.size()), 4), Put(file, 0, 4), Put(file, offset, 4);
    for (const std::vector<uint8_t>& part : {info, palette, pixels})
        file.insert(file.end(), part.begin(), part.end());
    return file;
}

// The colours of a grid of palette indices, top row first.
std::vector<uint8_t> Colours(const std::vector<int>& indices) {
    std::vector<uint8_t> rgb;
    for (int i : indices)
        rgb.insert(rgb.end(), {kPalette[i * 4 + 2], kPalette[i * 4 + 1], kPalette[i * 4]});
    return rgb;
}

// 5 x 3; the middle row's first two pixels are skipped by a move and its last by the row's end.
const std::vector<int> kGrid = {1, 1, 1, 2, 3,
                                0, 0, 3, 3, 0,
                                2, 3, 1, 1, 1};

// Bottom row: three stored indices (padded to an even count of bytes) and a run cut at the row's
// end; middle: a move right by 2, a run, the end of the row; top: runs, then the picture's end.
const std::vector<uint8_t> kRle8 = {0, 3, 2, 3, 1, 0, 9, 1, 0, 0,
                                    0, 2, 2, 0, 2, 3, 0, 0,
                                    3, 1, 1, 2, 1, 3, 0, 1};
// The same in 4 bits; the top row is five stored indices in three bytes and a padding byte.
const std::vector<uint8_t> kRle4 = {0, 3, 0x23, 0x10, 9, 0x11, 0, 0,
                                    0, 2, 2, 0, 2, 0x33, 0, 0,
                                    0, 5, 0x11, 0x12, 0x30, 0, 0, 1};

std::string Decode(const std::vector<uint8_t>& file, BmpPicture& picture) {
    std::string error;
    return DecodeBmp(file, picture, error) ? "" : error.empty() ? "refused saying nothing" : error;
}

TEST(Bmp, RunLengthAndOldHeaderPicturesDecodeToTheirPixels) {
    // Uncompressed rows, bottom row first, each padded to four bytes.
    const std::vector<uint8_t> rows8 = {2, 3, 1, 1, 1, 0, 0, 0,
                                        0, 0, 3, 3, 0, 0, 0, 0,
                                        1, 1, 1, 2, 3, 0, 0, 0};
    const std::vector<uint8_t> rows24 = {0, 0, 255, 255, 0, 0, 0, 0,   // red, blue
                                         0, 255, 0, 0, 0, 0, 0, 0};  // green, black
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        int width;
        std::vector<uint8_t> rgb;
    } cases[] = {
        {"8-bit run-length", Bmp(5, 3, 8, 1, kRle8), 5, Colours(kGrid)},
        {"4-bit run-length", Bmp(5, 3, 4, 2, kRle4), 5, Colours(kGrid)},
        {"8-bit, old header", Bmp(5, 3, 8, 0, rows8, true), 5, Colours(kGrid)},
        {"24-bit, old header", Bmp(2, 2, 24, 0, rows24, true), 2, Colours({2, 0, 1, 3})},
    };
    for (const Case& c : cases) {
        BmpPicture picture;
        EXPECT_EQ(Decode(c.file, picture), "") << c.what;
        EXPECT_EQ(picture.width, c.width) << c.what;
        EXPECT_EQ(picture.rgb, c.rgb) << c.what;
    }
}

TEST(Bmp, DamagedRunLengthPicturesAreRefused) {
    std::vector<uint8_t> cutShort = Bmp(5, 3, 8, 1, kRle8);
    cutShort.resize(cutShort.size() - 8);  // the top row and the picture's end are missing
    std::vector<uint8_t> topDown = Bmp(5, -3, 8, 1, kRle8);
    std::vector<uint8_t> wrongDepth = Bmp(5, 3, 8, 2, kRle8);
    std::vector<uint8_t> storedPastTheEnd = Bmp(5, 3, 8, 1, {0, 200, 1, 1});
    std::vector<uint8_t> hugeFromFourBytes = Bmp(4000, 4000, 8, 1, {0, 0, 0, 1});
    for (const auto& file : {cutShort, topDown, wrongDepth, storedPastTheEnd, hugeFromFourBytes}) {
        BmpPicture picture;
        EXPECT_NE(Decode(file, picture), "");
        EXPECT_TRUE(picture.rgb.empty());
    }
}

}  // namespace
