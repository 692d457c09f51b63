// From float canvases to 8-bit pictures: dithering for screens, colour keying for sprites.
#include <algorithm>
#include <cmath>

#include "canvas.h"

// 4 x 4 ordered dither thresholds.
static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Quantises to `levels` steps (the game keeps 5 or 6 bits) and spreads back to 0..255, so the
// game's 16-bit copy keeps exactly the level chosen here.
static uint8_t Dithered(float value, int levels, float threshold) {
    int q = int(std::floor(std::clamp(value, 0.0f, 1.0f) * levels + threshold));
    q = std::clamp(q, 0, levels);
    return uint8_t((q * 255 + levels / 2) / levels);
}

Image FlattenOpaque(const Canvas& canvas) {
    Image image{canvas.width, canvas.height, {}};
    image.rgb.resize(size_t(canvas.width) * canvas.height * 3);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const Pixel& p = canvas.pixels[size_t(y) * canvas.width + x];
            float t = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
            uint8_t* out = &image.rgb[(size_t(y) * canvas.width + x) * 3];
            out[0] = Dithered(p.r, 31, t);
            out[1] = Dithered(p.g, 63, t);
            out[2] = Dithered(p.b, 31, t);
        }
    return image;
}

bool IsKeyColour(int r, int g, int b) { return r >= 248 && b >= 248 && g <= 3; }

static uint8_t Byte(float v) { return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

Image FlattenKeyed(const Canvas& canvas) {
    Image image{canvas.width, canvas.height, {}};
    image.rgb.resize(size_t(canvas.width) * canvas.height * 3);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        const Pixel& p = canvas.pixels[i];
        uint8_t* out = &image.rgb[i * 3];
        if (p.a < 0.5f) {
            out[0] = 255, out[1] = 0, out[2] = 255;
            continue;
        }
        out[0] = Byte(p.r / p.a), out[1] = Byte(p.g / p.a), out[2] = Byte(p.b / p.a);
        // A visible pixel must never read as the key in the game's 16-bit test.
        if (IsKeyColour(out[0], out[1], out[2])) out[1] = 8;
    }
    return image;
}

static bool Solid(const Canvas& c, int x, int y) {
    return x >= 0 && y >= 0 && x < c.width && y < c.height &&
           c.pixels[size_t(y) * c.width + x].a >= 0.5f;
}

void OutlineSprite(Canvas& cell, Colour outline) {
    Canvas out = cell;
    for (int y = 0; y < cell.height; ++y)
        for (int x = 0; x < cell.width; ++x) {
            Pixel& p = At(out, x, y);
            if (Solid(cell, x, y)) {
                // Edge pixels fade into the outline rather than into the background.
                Colour c{p.r / p.a, p.g / p.a, p.b / p.a};
                c = Mix(outline, c, std::clamp((p.a - 0.5f) * 2.0f, 0.0f, 1.0f));
                p = {c.r, c.g, c.b, 1.0f};
                continue;
            }
            bool touches = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) touches = touches || Solid(cell, x + dx, y + dy);
            p = touches ? Pixel{outline.r, outline.g, outline.b, 1.0f} : Pixel{};
        }
    cell = out;
}
