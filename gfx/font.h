// The game's one font, rasterised at build time: a coverage mask per Windows-1252 byte.
#pragma once

#include <cstdint>

struct Glyph {
    int16_t advance;     // pen movement to the next character
    int16_t left, top;   // offset of the mask from the pen position and the line top
    int16_t width, height;
    uint32_t offset;     // first coverage byte in Font::coverage
};

struct Font {
    int lineHeight;
    Glyph glyphs[256];
    const uint8_t* coverage;  // 0 (background) .. 255 (solid glyph)
};

extern const Font gameFont;
