// The one writer of Windows bitmap files: the headless runner's screenshots, the picture
// generator's images/ and the tests' made-up pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An uncompressed 24-bit bitmap of width x height from rgb (3 bytes a pixel, top row first):
// rows bottom-up in blue, green, red, each padded to a multiple of four bytes.
// pixelsPerMetre goes into both resolution fields (0 states none).
std::vector<uint8_t> EncodeBmp(int width, int height, const uint8_t* rgb, uint32_t pixelsPerMetre = 0);
// Writes the same file to path; false when it could not be written whole.
bool WriteBmp(const std::string& path, int width, int height, const uint8_t* rgb,
              uint32_t pixelsPerMetre = 0);
