// Decoding of Windows bitmap files into 8-bit RGB, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BmpPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

// Decodes a bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed or with 4- or 8-bit
// run-length compression, after the 40-byte header (or a longer one) or the old 12-byte one.
// On failure returns false and says why in error; never reads outside the bytes given.
bool DecodeBmp(const std::vector<uint8_t>& file, BmpPicture& picture, std::string& error);
