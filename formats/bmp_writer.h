// The one writer of Windows bitmap files: the headless runner's screenshots, the picture
// generator's images/ and the tests' made-up pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Little-endian fields of Windows picture files (bitmaps, icons), appended to out.
inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An uncompressed 24-bit bitmap of width x height from rgb (3 bytes a pixel, top row first):
// rows bottom-up in blue, green, red, each padded to a multiple of four bytes.
// pixelsPerMetre goes into both resolution fields (0 states none).
std::vector<uint8_t> EncodeBmp(int width, int height, const uint8_t* rgb, uint32_t pixelsPerMetre = 0);
// Writes the same file to path; false when it could not be written whole.
bool WriteBmp(const std::string& path, int width, int height, const uint8_t* rgb,
              uint32_t pixelsPerMetre = 0);
