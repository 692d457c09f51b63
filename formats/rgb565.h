// How a frame's 16-bit pixel becomes 8 bits a channel wherever a backend shows or saves it
// (the Windows 32-bit screen, the browser's canvas, the headless runner's pictures), so that
// the same frame is the same picture everywhere.
#pragma once

#include <cstdint>

struct Rgb888 {
    uint8_t r, g, b;
};

inline Rgb888 ExpandRgb565(uint16_t p) {
    return {uint8_t(((p >> 11) & 31) * 255 / 31), uint8_t(((p >> 5) & 63) * 255 / 63),
            uint8_t((p & 31) * 255 / 31)};
}
