// Text on pictures, in the game's own font, rendered with SDL2_ttf into coverage masks.
#pragma once

#include <map>
#include <string>

#include "canvas.h"

struct _TTF_Font;

// The game font, opened once per size on first use.
struct Fonts {
    std::string path;
    std::map<int, _TTF_Font*> bySize;
};

bool OpenFonts(Fonts& fonts, const std::string& path);
void CloseFonts(Fonts& fonts);

// The text's coverage, one line, as tall as the font's line height.
Mask RenderText(Fonts& fonts, const std::string& utf8, int size);
int TextWidth(Fonts& fonts, const std::string& utf8, int size);

// How a line of text is drawn: a fill, then optionally an outline, a drop shadow and a glow.
struct TextLook {
    Paint fill = Solid({1, 1, 1});
    int outline = 0;  // outline width in pixels, 0 for none
    Colour outlineColour{};
    int shadow = 0;      // drop shadow offset, 0 for none
    int glowRadius = 0;  // 0 for no glow
    Colour glowColour{};
    float glowStrength = 0;
};

// Top-left corner of the line at (x, y).
void DrawText(Canvas& canvas, Fonts& fonts, const std::string& utf8, int size, int x, int y,
              const TextLook& look);
// The line centred on x = centreX; returns its left edge.
int DrawTextCentred(Canvas& canvas, Fonts& fonts, const std::string& utf8, int size, int centreX,
                    int y, const TextLook& look);
